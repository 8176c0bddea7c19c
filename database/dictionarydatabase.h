#pragma once

#include "database/fileidentity.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSqlQuery;
namespace Sql {
struct RowsOf;
}

// The dictionary database: its schema, every statement the program runs on
// it, and how its connections are set up. An object works on one
// connection, the default one (GUI thread, orvel-cli) or a worker's own
// (WorkerConnection), and is used on that connection's thread only.
//
// Failures are reported as debug lines (critical ones while the schema is
// created), and lastError() gives SQLite's reason for the latest one.
class DictionaryDatabase
{
public:
    // The one dictionary type the schema is seeded with ("Eijiro"). Every
    // build registers its dictionary under this id.
    static constexpr int eijiroId = 1;

    // How opening the default connection ended.
    enum class Opened {
        Ready,         // open, with tables
        WithoutTables, // open, but the file holds no table yet
        Failed,        // the file could not be opened
        SchemaFailed,  // open, but the schema could not be created
        Foreign,       // open, but its tables are another program's (openOwnDefault)
    };

    // What a query for at most one row found.
    enum class Answer { Found, None, Failed };

    // How writing one index row ended.
    enum class Insert {
        Written,
        Clash,  // a row for that position is there already; only this row is lost
        Failed, // nothing can be written (read-only, disk full): the build must stop
    };

    struct Installed
    {
        int id;
        QString name; // of the dictionary's type
        QString location;
        bool operator==(const Installed &other) const
        {
            return id == other.id && name == other.name && location == other.location;
        }
    };
    struct Type
    {
        int id;
        QString name;
        bool installed;
    };
    struct Registration
    {
        QString location;
        QString count; // entry lines found by the build, as stored
    };

    // Where the list of entry words comes from.
    enum class EntryList {
        AllEntryWords, // t_entry: every entry word, phrases included
        // A database built before t_entry existed: the keys of t_word, that
        // is single words only, until the dictionary is installed again.
        SingleWords,
    };
    // One entry of the list: its key and the offset of its first entry line.
    struct Entry
    {
        QString key;
        qint64 position;
    };

    // On the default connection, opened if it is not open yet.
    DictionaryDatabase();
    // On `connection`, which must be open.
    explicit DictionaryDatabase(const QSqlDatabase &connection);
    ~DictionaryDatabase();
    DictionaryDatabase(const DictionaryDatabase &) = delete;
    DictionaryDatabase &operator=(const DictionaryDatabase &) = delete;

    // --- Connections

    // Registers the default connection on `file` and opens it; on failure
    // reports "QSqlDatabase::open failed." and gives SQLite's reason in
    // `error`. Says whether the file holds any table yet.
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
    // tables it holds before anything is written. A file SQLite cannot read
    // is Failed (with the reason), one with tables but not the schema's
    // Foreign; a file without tables gets the schema only when `create` is
    // set (else WithoutTables). Only an Orvel database is switched to
    // write-ahead logging.
    static Opened openOwnDefault(const QString &file, bool create, QString *error = nullptr);
    // Opens `db` as every connection of the program is opened, the default
    // one and each worker's.
    static bool openConnection(QSqlDatabase &db);
    // How long a statement waits for another connection's lock before it
    // fails with "database is locked", for connections opened from now on.
    // Ten seconds unless changed (tests).
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

    // Opens the connection again, as the preferences dialog does before it
    // reads the list; reports "QSqlDatabase::open failed." on failure.
    bool open();
    bool hasTables() const;
    // Creates the tables, the index and the seed row in one transaction.
    // Each failure is one critical "%s (%s)" line, and a rollback leaves the
    // file without tables.
    bool createSchema();

    // --- Reading

    // Installed dictionaries with their type's name, in the database's order.
    bool installedDictionaries(QList<Installed> *list);
    // The same without a diagnostic line on failure: for a look whether
    // anything changed, made often, where what reads the index says why.
    bool peekInstalled(QList<Installed> *list);
    // Every known type, and whether a dictionary of it is installed.
    bool dictionaryTypes(QList<Type> *types);
    // What dictionary `id` was registered with, if it is installed.
    Answer registration(int id, Registration *registration);
    // What dictionary `id`'s file looked like when its index was built;
    // None for a dictionary installed before that was recorded.
    Answer fileIdentity(int id, FileIdentity *identity);

    // --- Removing

    // Deletes one installed dictionary's index rows, its entry list and its
    // registration in one transaction; its type stays, so it can be
    // installed again. Needs next to no room on the disk: it gives up the
    // reserve first and keeps it again after. False, with the reason, also
    // when the rows went but the log could not be emptied (truncateLog()).
    bool removeDictionary(int id);
    // The same deletions inside a transaction the caller holds (a rebuild's).
    bool deleteDictionaryRows(int id);

    // --- Room on the disk

    // The database's file and the reserve beside it: room kept so that a
    // removal can be written on a full disk, where even opening the
    // database needs a little.
    QString fileName() const;
    static constexpr qint64 reserveSize = 4 << 20;
    static QString reserveFile(const QString &databaseFile);
    // Gives the reserve up when the disk has less free than it holds.
    static void releaseReserveOnAFullDisk(const QString &databaseFile);
    // Writes the reserve unless it is there already; false when it cannot be.
    bool keepReserve();
    // Bytes free for this program on `databaseFile`'s file system, -1 when
    // unknown; or the figure set for tests.
    static qint64 freeSpace(const QString &databaseFile);
    // Makes freeSpace() give `bytes` (tests); a negative figure asks the
    // file system again.
    static void pretendFreeSpace(qint64 bytes);
    struct Room
    {
        qint64 available = -1; // on the file system, -1 when unknown
        qint64 reusable = 0;   // free pages inside the file
        bool reserved = false; // the reserve is there already
    };
    bool room(Room *room);
    // Copies the write-ahead log into the database and empties it, after
    // every build and removal, on a full disk with the reserve's room.
    // False when it could not (another connection still reading an older
    // state, an I/O error): the log then keeps its room until a later
    // checkpoint.
    bool truncateLog();

    // --- Building an index, all in one transaction

    // Begins the transaction holding the write lock from the start, so a
    // database that another connection is writing fails here, once, rather
    // than at every row.
    bool beginBuild();
    // Readies the rows of dictionary eijiroId, which must not be installed:
    // gives a database made before the entry list its table, inside the
    // transaction, and drops entry rows left of a removed dictionary.
    bool prepareRows();
    // One t_word row of dictionary eijiroId, its key in UTF-8 (the
    // database's encoding); prepareRows() first.
    Insert insertWord(qint64 position, QByteArrayView key);
    // One t_entry row of dictionary eijiroId, its key in UTF-8; a key written
    // before keeps its row (Written all the same). Never a Clash.
    Insert insertEntry(QByteArrayView key, qint64 position);
    // The rows of a build for insertRows(): a key (UTF-8) and its position.
    enum class RowTable { Words, Entries };
    struct Row
    {
        qint64 position;
        QByteArrayView key;
    };
    // Writes `rows` to t_word or t_entry in their order, with the same
    // outcome as insertWord() or insertEntry() one row at a time, many rows
    // to a statement where it can. Hands each row not written to
    // `notWritten` with why; stops at the first that Failed, and returns
    // Failed then, else Written.
    Insert insertRows(RowTable table, const std::vector<Row> &rows,
                      const std::function<void(size_t, Insert)> &notWritten);
    // The t_dictionary row that makes the index an installed dictionary.
    bool registerDictionary(const QString &location, int count);
    // Records what dictionary `id`'s file looks like as its index is built,
    // replacing what was recorded before; inside the build's transaction.
    bool recordFile(int id, const FileIdentity &identity);
    // Commits the build, with the name index that prepareRows() left out
    // while the rows went in.
    bool commit();
    void rollback();

    QString lastError() const { return m_lastError; }

private:
    bool readInstalled(QList<Installed> *list, bool report);
    bool fail(const QString &error);
    // Runs a query for at most one row and moves to it when there is one.
    Answer firstRow(QSqlQuery &query, const char *sql, const QVariantList &values = {});
    void endBuild();
    // Drops the name index for the build, which commit() makes again.
    bool deferWordIndex();
    struct NativeRows;
    // One row of t_word (`word`) or t_entry straight through SQLite; none
    // when SQLite refused it with the transaction still open, for the
    // caller to run it again through QSqlQuery.
    std::optional<Insert> insertNatively(bool word, qint64 position, QByteArrayView key);
    // After SQLite refused a row: Failed when it ended the transaction too;
    // none when the rows can be written again through QSqlQuery.
    std::optional<Insert> nativeRefusal(bool word);
    // Whether the database has the t_entry table.
    bool entryTable(bool *exists);
    // Whether the database has the t_file table.
    bool fileTable(bool *exists);
    // Deletes dictionary `id`'s rows of one table.
    bool deleteRows(const Sql::RowsOf &rows, int id);
    bool deleteRows(const char *sql, const QVariantList &values);
    // PRAGMA wal_checkpoint(TRUNCATE); `busy` when a reader kept it from
    // being done.
    bool checkpoint(bool *busy);
    // Whether t_entry has a row for `key` (UTF-8).
    bool entryThere(QByteArrayView key);
    // A row SQLite took without an error but did not write (a trigger's
    // RAISE(IGNORE)): reported, and the build must stop.
    Insert dropped(const QSqlQuery &insert);

    QSqlDatabase m_db;
    QString m_lastError;
    // The build's row statement, prepared once by beginBuild().
    std::unique_ptr<QSqlQuery> m_insertWord;
    QString m_insertWordPrepareError;
    std::unique_ptr<QSqlQuery> m_insertEntry;
    std::unique_ptr<NativeRows> m_native;
    bool m_wordIndexDeferred = false;
};
