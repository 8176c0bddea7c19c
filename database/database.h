#pragma once

#include <QString>

// The dictionary database: one SQLite file beside the settings file, reached
// from the GUI thread through the default connection. Worker threads use a
// WorkerConnection of their own on the same file instead.
namespace Database {

// Where the database lives: the settings file's folder (links resolved when
// the file exists), its base name and ".db". The settings store is the one
// the application object names (SettingsStore::nameApplication).
QString path();

// Registers the default "QSQLITE" connection on `file` and opens it.
// On failure reports "QSqlDatabase::open failed." with the error text.
bool openDefault(const QString &file);

// True when the open default connection has no user tables yet.
bool isEmpty();

// Creates the schema and its seed row in one transaction on the default
// connection. Reports each failure as a critical "%s (%s)" line and rolls
// back, leaving the file without tables.
bool createSchema();

// Deletes one installed dictionary's index rows and its registration in one
// transaction on the default connection; the type in m_dictionary stays, so
// it can be installed again. At the first failure (beginning, a statement,
// the commit) it reports one debug line, rolls back and returns false with
// `error` (if given) naming the failure.
bool removeDictionary(int id, QString *error = nullptr);

// The statements that make up the schema, in the order they are run.
extern const char *const createStatements[4];

} // namespace Database
