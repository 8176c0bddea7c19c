#pragma once

// Every statement the program runs on the database, for the classes of
// database/ only.
namespace Sql {
// The schema and its seed row.
inline constexpr char createTypes[] =
    "CREATE TABLE m_dictionary (id INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY (id))";
inline constexpr char insertType[] = "INSERT INTO m_dictionary (id, name) VALUES (?, ?)";
inline constexpr char createDictionaries[] =
    "CREATE TABLE t_dictionary (id INTEGER NOT NULL, location TEXT NOT NULL, encoding TEXT, "
    "count INTEGER, PRIMARY KEY (id))";
inline constexpr char createWords[] =
    "CREATE TABLE t_word (id INTEGER NOT NULL, position INTEGER NOT NULL, "
    "name TEXT NOT NULL, PRIMARY KEY (id, position))";
inline constexpr char createWordIndex[] = "CREATE INDEX i_word_name ON t_word (name ASC)";
inline constexpr char selectWordIndex[] =
    "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = "
    "'i_word_name' AND tbl_name = 't_word'";
inline constexpr char dropWordIndex[] = "DROP INDEX i_word_name";
// The list of every entry word, phrases included: one row per key, pointing
// at the first entry line with that key. Databases made before it get it in
// their next build's transaction, hence IF NOT EXISTS.
inline constexpr char createEntries[] =
    "CREATE TABLE IF NOT EXISTS t_entry (id INTEGER NOT NULL, key TEXT NOT NULL, "
    "position INTEGER NOT NULL, PRIMARY KEY (id, key)) WITHOUT ROWID";
inline constexpr char selectEntryTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = "
    "'t_entry'";

// What each installed dictionary's file looked like when its index was
// built (FileIdentity). Databases made before it get it in their next
// build's transaction; a dictionary without a row is not checked.
inline constexpr char createFiles[] =
    "CREATE TABLE IF NOT EXISTS t_file (id INTEGER NOT NULL, size INTEGER NOT NULL, "
    "modified INTEGER NOT NULL, checksum BLOB NOT NULL, PRIMARY KEY (id))";
inline constexpr char replaceFile[] =
    "INSERT OR REPLACE INTO t_file (id, size, modified, checksum) VALUES (?, ?, ?, ?)";
inline constexpr char selectFile[] = "SELECT size, modified, checksum FROM t_file WHERE id = ?";
inline constexpr char selectFileTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_file'";
inline constexpr char deleteFile[] = "DELETE FROM t_file WHERE id = ?";

inline constexpr char journalMode[] = "PRAGMA journal_mode=WAL";
inline constexpr char selectTables[] = "SELECT name FROM sqlite_master WHERE type = 'table'";
// Debian's SQLite overwrites every page it frees, each written to the log
// first: a removal would need as much free room as the index it removes.
inline constexpr char secureDeleteFast[] = "PRAGMA secure_delete = FAST";
// Copies the log into the database and empties it, so it keeps no room.
inline constexpr char truncateLog[] = "PRAGMA wal_checkpoint(TRUNCATE)";
inline constexpr char freePages[] = "PRAGMA freelist_count";
inline constexpr char vacuum[] = "VACUUM";
inline constexpr char pageSize[] = "PRAGMA page_size";

inline constexpr char selectInstalled[] =
    "SELECT t.id, m.name, t.location FROM t_dictionary t INNER JOIN m_dictionary m USING (id)";
inline constexpr char selectTypes[] =
    "SELECT m.id, t.id, m.name FROM m_dictionary m LEFT OUTER JOIN t_dictionary t ON (m.id = t.id)";
inline constexpr char selectRegistration[] =
    "SELECT location, count FROM t_dictionary WHERE id = ?";
inline constexpr char deleteWords[] = "DELETE FROM t_word WHERE id = ?";
inline constexpr char deleteDictionary[] = "DELETE FROM t_dictionary WHERE id = ?";
inline constexpr char deleteEntries[] = "DELETE FROM t_entry WHERE id = ?";
// A dictionary's rows of a table: the whole table at once when it holds no
// other dictionary's, which frees its pages without writing each to the log.
struct RowsOf
{
    const char *others; // whether rows of another id are there, bound to the id twice
    const char *all;
    const char *one; // bound to the id
};
inline constexpr RowsOf wordRows{"SELECT EXISTS (SELECT 1 FROM t_word WHERE id < ?) OR "
                                 "EXISTS (SELECT 1 FROM t_word WHERE id > ?)",
                                 "DELETE FROM t_word", deleteWords};
inline constexpr RowsOf entryRows{"SELECT EXISTS (SELECT 1 FROM t_entry WHERE id < ?) OR "
                                  "EXISTS (SELECT 1 FROM t_entry WHERE id > ?)",
                                  "DELETE FROM t_entry", deleteEntries};

inline constexpr char beginImmediate[] = "BEGIN IMMEDIATE";
inline constexpr char insertWord[] = "INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)";
// Rows come in file order: the first line with a key keeps its row. Only
// that clash is let pass; anything else that refuses a row fails it.
inline constexpr char insertEntry[] = "INSERT INTO t_entry (id, key, position) VALUES (?, ?, ?) "
                                      "ON CONFLICT (id, key) DO NOTHING";
// Where the rows of a many-row insertEntry end.
inline constexpr char insertEntryConflict[] = " ON CONFLICT";
inline constexpr char insertDictionary[] =
    "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (?, ?, ?, ?)";
inline constexpr char selectSourceId[] = "SELECT sqlite_source_id()";
inline constexpr char selectRowTriggers[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND "
    "tbl_name IN ('t_word', 't_entry')";

// What look-ups read (IndexReader).
inline constexpr char selectLocation[] = "SELECT location FROM t_dictionary";
inline constexpr char selectPosition[] = "SELECT position FROM t_word WHERE name = ? LIMIT 1";
inline constexpr char selectEntriesFrom[] =
    "SELECT key, position FROM t_entry WHERE id = ? AND key >= ? ORDER BY key LIMIT ?";
inline constexpr char selectEntriesAfter[] =
    "SELECT key, position FROM t_entry WHERE id = ? AND key > ? ORDER BY key LIMIT ?";
inline constexpr char selectEntryPosition[] =
    "SELECT position FROM t_entry WHERE id = ? AND key = ?";
// The single-word keys, each once, in code point order: what suggestions
// are searched among. Not restricted by dictionary: the name index alone
// answers it, where a test of id would read each row.
inline constexpr char selectWordKeys[] = "SELECT DISTINCT name FROM t_word ORDER BY name";
// Changes whenever t_word's rows or the registration change: the last row
// and the count of entry lines registered with dictionary ?.
inline constexpr char selectWordsState[] =
    "SELECT (SELECT max(rowid) FROM t_word), (SELECT count FROM t_dictionary WHERE id = ?)";
// Without t_entry: the distinct keys of t_word, each with the position the
// look-up finds for it (its first row).
inline constexpr char selectWordsFrom[] =
    "SELECT k.name, (SELECT w.position FROM t_word w WHERE w.name = k.name LIMIT 1) FROM "
    "(SELECT DISTINCT name FROM t_word WHERE name >= ? ORDER BY name LIMIT ?) k ORDER BY k.name";
inline constexpr char selectWordsAfter[] =
    "SELECT k.name, (SELECT w.position FROM t_word w WHERE w.name = k.name LIMIT 1) FROM "
    "(SELECT DISTINCT name FROM t_word WHERE name > ? ORDER BY name LIMIT ?) k ORDER BY k.name";
} // namespace Sql
