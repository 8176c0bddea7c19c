#pragma once

#include "database/queryrunner.h"

#include <QSqlDatabase>
#include <QString>

// The dictionary database's connections and schema: how the default
// connection (GUI thread, orvel-cli) and every worker's are opened, and the
// schema's creation. What runs on them: InstalledDictionaries (the lists
// the windows read), DictionaryRemoval, DiskRoom, IndexWriter (a build's
// rows) and IndexReader (look-ups, on connections of their own).
//
// Failures are reported as debug lines (critical ones while the schema is
// created), and lastError() gives SQLite's reason for the latest one.
class DictionaryDatabase : public QueryRunner
{
public:
    using QueryRunner::QueryRunner;

    // How opening the default connection ended.
    enum class Opened {
        Ready,         // open, with tables
        WithoutTables, // open, but the file holds no table yet
        Failed,        // the file could not be opened
        NotADatabase,  // the file is no SQLite database at all (openOwnDefault)
        SchemaFailed,  // open, but the schema could not be created
        Foreign,       // open, but its tables are another program's (openOwnDefault)
    };

    // Registers the default connection on `file` and opens it; on failure
    // reports "QSqlDatabase::open failed." and gives SQLite's reason in
    // `error`. Says whether the file holds any table yet. A database with
    // tables gets back the disk's reserve a killed removal left missing
    // (DiskRoom::restoreReserve).
    static Opened openDefault(const QString &file, QString *error = nullptr);
    // Closes and removes the default connection; look-ups fail from then on.
    // Any QSqlDatabase object of it must be gone.
    static void closeDefault();
    // Whether the default connection is open: when it could not be, that
    // was reported once, and reading through it would only fail again.
    static bool defaultIsOpen();
    // The way the program's tools and tests open a database: openDefault(),
    // then the schema when the file has no table yet.
    static Opened openOrCreateDefault(const QString &file, QString *error = nullptr);
    // For orvel-cli, which must not change a file that is not an Orvel
    // database: opens the default connection on `file` and reads which
    // tables it holds before anything is written. A file that is no
    // database is NotADatabase, another that SQLite cannot read Failed
    // (with the reason), one with tables but not the schema's
    // Foreign; a file without tables gets the schema only when `create` is
    // set (else WithoutTables). Only an Orvel database is switched to
    // write-ahead logging.
    static Opened openOwnDefault(const QString &file, bool create, QString *error = nullptr);
    // Opens `db` as every connection of the program is opened, the default
    // one and each worker's.
    static bool openConnection(QSqlDatabase &db);

    // Opens the connection again, as the preferences dialog does before it
    // reads the list; reports "QSqlDatabase::open failed." on failure.
    bool open();
    bool hasTables() const;
    // Creates the tables, the index and the seed row in one transaction.
    // Each failure is one critical "%s (%s)" line, and a rollback leaves the
    // file without tables.
    bool createSchema();
};
