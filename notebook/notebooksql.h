#pragma once

// Every statement run on the notebook file, for Notebook only. The file
// is not the dictionary index: it has a schema of its own, told apart by
// its application id.
namespace NotebookSql {

// "ORVN": a notebook file, and the version of its schema.
inline constexpr int applicationId = 0x4f52564e;
inline constexpr int version = 1;

inline constexpr char quickCheck[] = "PRAGMA quick_check";
inline constexpr char selectApplicationId[] = "PRAGMA application_id";
inline constexpr char selectVersion[] = "PRAGMA user_version";
inline constexpr char countTables[] = "SELECT count(*) FROM sqlite_master";
inline constexpr char journalMode[] = "PRAGMA journal_mode=WAL";
// A process killed in the middle loses no committed change in WAL mode
// with NORMAL; only a power cut may take the last ones.
inline constexpr char synchronous[] = "PRAGMA synchronous=NORMAL";

// Followed by the number.
inline constexpr char setApplicationId[] = "PRAGMA application_id = ";
inline constexpr char setVersion[] = "PRAGMA user_version = ";
inline constexpr char createHistory[] =
    "CREATE TABLE history (word TEXT NOT NULL PRIMARY KEY, count INTEGER NOT NULL, "
    "time INTEGER NOT NULL)";
inline constexpr char createHistoryTime[] = "CREATE INDEX history_time ON history (time)";
inline constexpr char createStars[] =
    "CREATE TABLE star (word TEXT NOT NULL, dictionary TEXT NOT NULL, reading TEXT NOT NULL, "
    "lines TEXT NOT NULL, time INTEGER NOT NULL, note TEXT NOT NULL, "
    "PRIMARY KEY (word, dictionary))";

// A word looked up again gets a new row, so that among words of the same
// time the one recorded last is the newest (the higher rowid). The word,
// the word again, the time.
inline constexpr char recordWord[] =
    "INSERT OR REPLACE INTO history (word, count, time) VALUES (?, "
    "coalesce((SELECT count FROM history WHERE word = ?), 0) + 1, ?)";
// Keeps the newest ? words.
inline constexpr char dropOldest[] =
    "DELETE FROM history WHERE rowid IN (SELECT rowid FROM history ORDER BY time, rowid "
    "LIMIT max(0, (SELECT count(*) FROM history) - ?))";
inline constexpr char selectHistory[] =
    "SELECT word, count, time FROM history ORDER BY time DESC, rowid DESC LIMIT ?";
inline constexpr char deleteWord[] = "DELETE FROM history WHERE word = ?";
inline constexpr char deleteHistory[] = "DELETE FROM history";

inline constexpr char insertStar[] =
    "INSERT OR IGNORE INTO star (word, dictionary, reading, lines, time, note) "
    "VALUES (?, ?, ?, ?, ?, ?)";
inline constexpr char deleteStar[] = "DELETE FROM star WHERE word = ? AND dictionary = ?";
inline constexpr char deleteStars[] = "DELETE FROM star WHERE word = ?";
inline constexpr char updateNote[] = "UPDATE star SET note = ? WHERE word = ? AND dictionary = ?";
inline constexpr char selectStars[] =
    "SELECT word, reading, dictionary, lines, time, note FROM star ORDER BY time DESC, rowid DESC";

} // namespace NotebookSql
