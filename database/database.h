#pragma once

#include <QString>

// Where the dictionary database lives: one SQLite file beside the settings
// file. What it holds and how it is reached: DictionaryDatabase.
namespace Database {

// Organisation and application names of the settings store.
inline constexpr char settingsOrganization[] = "veldrana";
inline constexpr char settingsApplication[] = "orvel";

// Where the database lives: the settings file's folder (links resolved when
// the file exists), its base name and ".db".
QString path();

} // namespace Database
