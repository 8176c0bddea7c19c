#pragma once

#include "database/fileidentity.h"
#include "database/records.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

// A look-up's own connection to the index, for reading only, straight
// through SQLite: each look-up runs on a thread of its own and so opens a
// connection of its own, and through QtSql opening one and reading the schema
// took most of a look-up's time. Readers open the default connection's file
// (ReaderFile) and share SQLite's cache of it; they never write, so they
// never wait for each other.
//
// A reader's statements all read one state of the index, the one committed
// when it first read. Readers that read at the same time share that state:
// one that begins while another is still reading sees what that one sees.
// So a reader is closed as soon as the index has answered.
//
// It writes no diagnostic line: what a failure means is its caller's to say.
// Used on one thread only; it closes its connection when destroyed.
class IndexReader
{
public:
    // Opens a connection on the default connection's file. A failure to
    // open shows in the first operation, which fails with the reason.
    IndexReader();
    ~IndexReader();
    IndexReader(const IndexReader &) = delete;
    IndexReader &operator=(const IndexReader &) = delete;

    // The file of the installed dictionary (the first one listed).
    Records::Answer dictionaryLocation(QString *location);
    // Every installed dictionary in the user's order, switched off ones
    // included (None when there is none). Reads dictionaryLocation() first
    // unless it was read, so what is read after reads the same state.
    Records::Answer dictionaries(QList<Records::Installed> *list);
    // The byte offset of the first entry line indexed under `key`, in any
    // dictionary or, with `id`, in dictionary `id`.
    Records::Answer firstPosition(const QString &key, qint64 *position, int id = 0);
    // The offsets of every line of dictionary `id` that has `key` in
    // t_key (a dictionary whose pages list every line), common lines
    // first, each in file order; at most `most`.
    Records::Answer keyPositions(const QString &key, int id, int most, QList<qint64> *positions);
    // Which list of entry words dictionary `id` has (Found), or Failed.
    Records::Answer entryLists(Records::EntryList *list, int id = Records::eijiroId);
    // Up to `limit` entries of dictionary `id` in key order (SQLite's
    // BINARY order of UTF-8, that is code point order), each key once:
    // those whose key is at or after `key`, or with `after` only those
    // after it.
    bool entries(Records::EntryList list, const QString &key, bool after, int limit,
                 QList<Records::Entry> *entries, int id = Records::eijiroId);
    // The offset of the first entry line of dictionary `id` whose entry
    // word has `key`.
    Records::Answer entryPosition(Records::EntryList list, const QString &key, qint64 *position,
                                  int id);
    // The first entry in key order whose key starts with `key` (it may be
    // `key` itself); None when no key does.
    Records::Answer entryStartingWith(Records::EntryList list, const QString &key,
                                      Records::Entry *entry, int id = Records::eijiroId);
    // How common `key` is in dictionary `id` (None: not counted in any
    // line, or not counted yet).
    Records::Answer commonness(const QString &key, int id, Records::Commonness *commonness);
    // The commonest keys that start with `prefix`, by the lines of
    // dictionary `id` (then in key order), of the keys counted in some of
    // its lines or marked: every one (`whole`), or those kept of a prefix
    // many share, so that any other is at most as common as the last. An
    // empty list, not whole: the ones kept are not known.
    Records::Answer rankedStartingWith(const QString &prefix, int id,
                                       QList<Records::Common> *ranked, bool *whole);
    // Each key counted in dictionary `id`'s lines or marked that starts with
    // `prefix`, in key order; `each` returns false to stop early.
    bool commonStartingWith(const QString &prefix, int id,
                            const std::function<bool(const Records::Common &)> &each);
    // The dictionaries whose keys dictionary `id`'s counts cover (None:
    // not known, as for counts stored before this was recorded).
    Records::Answer commonSources(int id, QList<int> *sources);
    // The keys of dictionary `id` counted in at least `lines` lines.
    bool commonKeys(int id, qint64 lines, QList<Records::Common> *keys);
    // Dictionary `id`'s entry keys (t_entry's) in code point order, as
    // UTF-8; `each` returns false to stop early. False when reading failed.
    bool entryKeys(int id, const std::function<bool(QByteArrayView key)> &each);
    // Each single-word key (t_word's) once, in code point order, as the
    // UTF-8 bytes the index holds; `each` returns false to stop early.
    // False when reading failed.
    bool wordKeys(const std::function<bool(QByteArrayView key)> &each);
    // Text that differs whenever the single-word keys may differ: t_word's
    // last row and the number of entry lines dictionary `id` registered.
    Records::Answer wordsState(int id, QString *state);
    // What dictionary `id`'s file looked like when its index was built;
    // None when that was not recorded (installed by an older Orvel).
    Records::Answer fileIdentity(int id, FileIdentity *identity);

    // Ends the reading and closes the connection; nothing can be read after.
    void close();

    // SQLite's reason for the latest failure.
    QString lastError() const { return m_lastError; }
    // The statement that failed last.
    QString failedStatement() const { return m_failedStatement; }
    // Whether the latest failure lies in the index file itself: it cannot
    // be opened, or it is no database or a damaged one. Trying again does
    // not mend that, nor does anything done through the file.
    bool fileUnusable() const { return m_fileUnusable; }

private:
    class Statement;
    bool failed(const char *sql, const QString &reason);
    bool notPrepared(const Statement &statement);
    bool hasTable(const char *table);
    // Whether the database has the counts' table (read once).
    Records::Answer commonTable();
    // Which of the kept commonest keys' tables the database has (read once).
    Records::Answer rankedTable(const char *sql, std::optional<bool> *known);
    // Runs a statement for at most one row; `read` takes the row when there
    // is one.
    template <typename Read> Records::Answer firstRow(Statement &statement, Read read);

    sqlite3 *m_db = nullptr;
    // The installed dictionary's row, kept until the reader is closed: its
    // read transaction stays open, so all that follows reads the same state
    // of the index, without beginning a transaction of its own.
    std::unique_ptr<Statement> m_location;
    QString m_lastError;
    QString m_failedStatement;
    bool m_fileUnusable = false;
    std::optional<bool> m_commonTable;
    std::optional<bool> m_rankedTable, m_prefixTable;
};
