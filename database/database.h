#pragma once

#include <QString>

// Where the dictionary database lives: one SQLite file beside the settings
// file. What it holds and how it is reached: DictionaryDatabase.
namespace Database {

// Where the database lives: the settings file's folder (links resolved when
// the file exists), its base name and ".db". The settings store is the one
// the application object names (SettingsStore::nameApplication).
QString path();

} // namespace Database
