#pragma once

#include <QString>

// Where the dictionary database lives: one SQLite file beside the settings
// file; and how long every connection to it waits for another's lock. What
// it holds and how it is reached: DictionaryDatabase, IndexReader.
namespace Database {

// Where the database lives: the settings file's folder (links resolved when
// the file exists), its base name and ".db". The settings store is the one
// the application object names (SettingsStore::nameApplication).
QString path();

// How long a statement waits for another connection's lock before it
// fails with "database is locked", for connections opened from now on.
// Ten seconds unless changed (tests).
void setBusyTimeout(int milliseconds);
int busyTimeout();
// How long a change waits for another connection's change to end before
// it fails: the busy timeout, unless set longer (orvel-cli, whose user
// sees it wait and may stop it, sets the time the largest install takes).
void setWriteWait(int milliseconds);
int writeWait();

} // namespace Database
