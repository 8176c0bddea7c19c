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

// The keys of a dictionary whose pages list every line with the key
// (EDICT): one row per key and line, common lines (rank 0) before the
// others, each rank in file order, as the primary key sorts them.
inline constexpr char createKeys[] =
    "CREATE TABLE IF NOT EXISTS t_key (id INTEGER NOT NULL, name TEXT NOT NULL, "
    "rank INTEGER NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (id, name, rank, position)) "
    "WITHOUT ROWID";
inline constexpr char selectKeyTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_key'";
inline constexpr char insertKey[] =
    "INSERT OR IGNORE INTO t_key (id, name, rank, position) VALUES (?, ?, ?, ?)";
inline constexpr char deleteKeys[] = "DELETE FROM t_key WHERE id = ?";
inline constexpr char selectKeyPositions[] =
    "SELECT position FROM t_key WHERE id = ? AND name = ? ORDER BY rank, position LIMIT ?";
// The type of each dictionary that is not an Eijiro file (m_dictionary's
// ids); a dictionary without a row is one. Made by the first such build.
inline constexpr char createFormats[] = "CREATE TABLE IF NOT EXISTS t_format (id INTEGER NOT "
                                        "NULL, type INTEGER NOT NULL, PRIMARY KEY (id))";
inline constexpr char selectFormatTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_format'";
inline constexpr char replaceFormat[] = "INSERT OR REPLACE INTO t_format (id, type) VALUES (?, ?)";
inline constexpr char deleteFormat[] = "DELETE FROM t_format WHERE id = ?";
inline constexpr char selectFormats[] = "SELECT id, type FROM t_format";

// What each installed dictionary's file looked like when its index was
// built (FileIdentity). Databases made before it get it in their next
// build's transaction; a dictionary without a row is not checked. The
// hash of the whole file came later: a table made before gets its column
// in the next build's transaction, and its rows made before have none.
inline constexpr char createFiles[] =
    "CREATE TABLE IF NOT EXISTS t_file (id INTEGER NOT NULL, size INTEGER NOT NULL, "
    "modified INTEGER NOT NULL, checksum BLOB NOT NULL, content BLOB, PRIMARY KEY (id))";
inline constexpr char selectFileContentColumn[] =
    "SELECT 1 FROM pragma_table_info('t_file') WHERE name = 'content'";
inline constexpr char addFileContentColumn[] = "ALTER TABLE t_file ADD COLUMN content BLOB";
inline constexpr char replaceFile[] = "INSERT OR REPLACE INTO t_file (id, size, modified, "
                                      "checksum, content) VALUES (?, ?, ?, ?, ?)";
inline constexpr char selectFile[] = "SELECT size, modified, checksum FROM t_file WHERE id = ?";
inline constexpr char selectFileWithContent[] =
    "SELECT size, modified, checksum, content FROM t_file WHERE id = ?";
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

// How the user has the installed dictionaries: each one's name, its place
// in the order (rank, ascending) and whether it is switched on. A
// dictionary without a row (installed by an Orvel before several could
// be) is named after its type, switched on, and comes after those with
// one. Databases made before it get it with the next write to it.
inline constexpr char createSettings[] =
    "CREATE TABLE IF NOT EXISTS t_installed (id INTEGER NOT NULL, name TEXT NOT NULL, "
    "rank INTEGER NOT NULL, enabled INTEGER NOT NULL, PRIMARY KEY (id))";
inline constexpr char selectSettingsTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_installed'";
// Every installed dictionary in the user's order: id, name, location,
// encoding, count, switched on, rank (NULL without a row). Switched on is
// read here alone, as 1 or 0, for every reader alike: on is the 1 that
// switching on writes, anything else another program wrote is off.
inline constexpr char selectDictionaries[] =
    "SELECT t.id, COALESCE(s.name, m.name, ''), t.location, t.encoding, t.count, "
    "COALESCE(s.enabled, 1) = 1, s.rank FROM t_dictionary t LEFT OUTER JOIN t_installed s ON "
    "(s.id = t.id) LEFT OUTER JOIN m_dictionary m ON (m.id = t.id) "
    "ORDER BY s.rank IS NULL, s.rank, t.id";
// The same for a database without t_installed.
inline constexpr char selectDictionariesUnsorted[] =
    "SELECT t.id, COALESCE(m.name, ''), t.location, t.encoding, t.count, 1, NULL FROM "
    "t_dictionary t LEFT OUTER JOIN m_dictionary m ON (m.id = t.id) ORDER BY t.id";
inline constexpr char insertSettings[] =
    "INSERT INTO t_installed (id, name, rank, enabled) VALUES (?, ?, ?, ?)";
inline constexpr char insertSettingsIfNew[] =
    "INSERT OR IGNORE INTO t_installed (id, name, rank, enabled) VALUES (?, ?, ?, ?)";
inline constexpr char renameDictionary[] = "UPDATE t_installed SET name = ? WHERE id = ?";
inline constexpr char enableDictionary[] = "UPDATE t_installed SET enabled = ? WHERE id = ?";
inline constexpr char rankDictionary[] = "UPDATE t_installed SET rank = ? WHERE id = ?";
inline constexpr char selectLastRank[] = "SELECT max(rank) FROM t_installed";
inline constexpr char deleteSettings[] = "DELETE FROM t_installed WHERE id = ?";
inline constexpr char selectDictionaryIds[] = "SELECT id FROM t_dictionary ORDER BY id";
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
// Rows needing the name index to be sorted again rather than kept in
// order: those a build adds beside them must outnumber them.
inline constexpr char selectLastWordRow[] = "SELECT max(rowid) FROM t_word";
inline constexpr char selectSourceId[] = "SELECT sqlite_source_id()";
inline constexpr char selectRowTriggers[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND "
    "tbl_name IN ('t_word', 't_entry')";

// How common each entry word is (CommonnessCounter): for each dictionary
// ?, the lines of its file that hold each key of every installed
// dictionary, counted after a build commits; rows for the keys found in
// some line or marked common. The ranked rows keep each dictionary's
// commonest keys (its lines) of each prefix many keys share: one line
// each, "LINES\tMARKED\tKEY\n", the commonest first. A database without
// them, or a dictionary not counted yet, has keys in key order. (Before
// the ranked rows, t_common_prefix kept only each prefix's commonest key;
// it is read where the ranked rows are missing.)
inline constexpr char createCommon[] =
    "CREATE TABLE IF NOT EXISTS t_common (id INTEGER NOT NULL, key TEXT NOT NULL, "
    "lines INTEGER NOT NULL, marked INTEGER NOT NULL, PRIMARY KEY (id, key)) WITHOUT ROWID";
// The keys common enough for a typo, read whole from the index alone.
inline constexpr char createCommonLines[] =
    "CREATE INDEX IF NOT EXISTS i_common_lines ON t_common (id, lines, marked)";
inline constexpr char createCommonRanked[] =
    "CREATE TABLE IF NOT EXISTS t_common_ranked (id INTEGER NOT NULL, prefix TEXT NOT NULL, "
    "ranked TEXT NOT NULL, PRIMARY KEY (id, prefix)) WITHOUT ROWID";
inline constexpr char selectCommonTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_common'";
inline constexpr char selectCommonRankedTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_common_ranked'";
inline constexpr char selectCommonPrefixTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_common_prefix'";
inline constexpr char deleteCommon[] = "DELETE FROM t_common WHERE id = ?";
inline constexpr char deleteCommonPrefixes[] = "DELETE FROM t_common_prefix WHERE id = ?";
inline constexpr char deleteCommonRanked[] = "DELETE FROM t_common_ranked WHERE id = ?";
inline constexpr char commonRowsOthers[] = "SELECT EXISTS (SELECT 1 FROM t_common WHERE id < ?) OR "
                                           "EXISTS (SELECT 1 FROM t_common WHERE id > ?)";
inline constexpr char commonPrefixRowsOthers[] =
    "SELECT EXISTS (SELECT 1 FROM t_common_prefix WHERE id < ?) OR "
    "EXISTS (SELECT 1 FROM t_common_prefix WHERE id > ?)";
inline constexpr char commonRankedRowsOthers[] =
    "SELECT EXISTS (SELECT 1 FROM t_common_ranked WHERE id < ?) OR "
    "EXISTS (SELECT 1 FROM t_common_ranked WHERE id > ?)";
inline constexpr RowsOf commonRows{commonRowsOthers, "DELETE FROM t_common", deleteCommon};
inline constexpr RowsOf commonPrefixRows{commonPrefixRowsOthers, "DELETE FROM t_common_prefix",
                                         deleteCommonPrefixes};
inline constexpr RowsOf commonRankedRows{commonRankedRowsOthers, "DELETE FROM t_common_ranked",
                                         deleteCommonRanked};

// Whose keys the counts of dictionary ? cover: each dictionary whose
// keys were counted in its lines, so that a later install counts there
// only the keys new to them. Written with the counts; none for counts
// stored before this table (they are counted against every key again).
inline constexpr char createCommonSource[] =
    "CREATE TABLE IF NOT EXISTS t_common_source (id INTEGER NOT NULL, source INTEGER NOT NULL, "
    "PRIMARY KEY (id, source)) WITHOUT ROWID";
inline constexpr char selectCommonSourceTable[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 't_common_source'";
inline constexpr char selectCommonSources[] = "SELECT source FROM t_common_source WHERE id = ?";
inline constexpr char deleteCommonSources[] = "DELETE FROM t_common_source WHERE id = ?";
// A dictionary removed: neither its counts' sources nor it as a source.
inline constexpr char deleteCommonSourcesOf[] =
    "DELETE FROM t_common_source WHERE id = ? OR source = ?";
// Only a source still installed: one removed meanwhile is no source.
inline constexpr char insertCommonSource[] =
    "INSERT OR IGNORE INTO t_common_source (id, source) SELECT ?, id FROM t_dictionary "
    "WHERE id = ?";
inline constexpr char selectCommonRows[] =
    "SELECT key, lines, marked FROM t_common WHERE id = ? ORDER BY key";

// Many rows to a statement: each followed by as many "(?, ...)" as rows.
inline constexpr char insertCommon[] = "INSERT INTO t_common (id, key, lines, marked) VALUES ";
inline constexpr char insertCommonRanked[] =
    "INSERT INTO t_common_ranked (id, prefix, ranked) VALUES ";
inline constexpr char selectEntryKeys[] = "SELECT key FROM t_entry WHERE id = ? ORDER BY key";
inline constexpr char selectRegistered[] = "SELECT 1 FROM t_dictionary WHERE id = ?";
inline constexpr char selectCommon[] =
    "SELECT lines, marked FROM t_common WHERE id = ? AND key = ?";
inline constexpr char selectCommonPrefix[] =
    "SELECT key, lines, marked FROM t_common_prefix WHERE id = ? AND prefix = ?";
inline constexpr char selectCommonRanked[] =
    "SELECT ranked FROM t_common_ranked WHERE id = ? AND prefix = ?";
inline constexpr char selectCommonFrom[] =
    "SELECT key, lines, marked FROM t_common WHERE id = ? AND key >= ? ORDER BY key LIMIT ?";
inline constexpr char selectCommonAtLeast[] =
    "SELECT key, lines, marked FROM t_common WHERE id = ? AND lines >= ?";

// What look-ups read (IndexReader).
inline constexpr char selectLocation[] = "SELECT location FROM t_dictionary";
inline constexpr char selectPosition[] = "SELECT position FROM t_word WHERE name = ? LIMIT 1";
// The same in one dictionary of several.
inline constexpr char selectPositionIn[] =
    "SELECT position FROM t_word WHERE name = ? AND id = ? LIMIT 1";
// Whether dictionary ? has a list of every entry word: one built before
// t_entry has single words only.
inline constexpr char selectHasEntries[] = "SELECT 1 FROM t_entry WHERE id = ? LIMIT 1";
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
// With a dictionary that lists every key of a line (EDICT), its single-word
// keys too: its readings have no t_word row of their own.
inline constexpr char selectWordAndLineKeys[] =
    "SELECT name FROM t_word UNION SELECT name FROM t_key WHERE instr(name, ' ') = 0 "
    "ORDER BY name";
// Changes whenever t_word's rows or the registration change: the last row
// and the count of entry lines registered with dictionary ?.
inline constexpr char selectWordsState[] =
    "SELECT (SELECT max(rowid) FROM t_word), (SELECT count FROM t_dictionary WHERE id = ?)";
// Without t_entry: the distinct keys of t_word, each with the position the
// look-up finds for it (its first row).
inline constexpr char selectWordsFrom[] =
    "SELECT k.name, (SELECT w.position FROM t_word w WHERE w.name = k.name AND w.id = ?1 LIMIT "
    "1) FROM (SELECT DISTINCT name FROM t_word WHERE name >= ?2 AND id = ?1 ORDER BY name LIMIT "
    "?3) k ORDER BY k.name";
inline constexpr char selectWordsAfter[] =
    "SELECT k.name, (SELECT w.position FROM t_word w WHERE w.name = k.name AND w.id = ?1 LIMIT "
    "1) FROM (SELECT DISTINCT name FROM t_word WHERE name > ?2 AND id = ?1 ORDER BY name LIMIT "
    "?3) k ORDER BY k.name";
} // namespace Sql
