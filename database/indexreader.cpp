#include "database/indexreader.h"

#include "database/sql.h"

#include <QDebug>

#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// As Qt's driver opens a file, but never creating one: a look-up has
// nothing to write. Read-only files are opened read-only.
constexpr int readerFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;

// The file readers open, and the connection that keeps its shared cache
// (page cache and parsed schema) alive between look-ups. It runs no
// statement: SQLite frees a shared cache with its last connection.
struct SharedFile
{
    std::mutex mutex;
    QByteArray file;
    sqlite3 *keeper = nullptr;
    // The file the keeper has open. SQLite finds a shared cache by the
    // file's name, so a file put in the place of this one must not be read
    // through it.
    dev_t device = 0;
    ino_t inode = 0;
    ~SharedFile() { sqlite3_close(keeper); }
};

bool identify(const QByteArray &file, dev_t *device, ino_t *inode)
{
    struct stat status;
    if (::stat(file.constData(), &status) != 0)
        return false;
    *device = status.st_dev;
    *inode = status.st_ino;
    return true;
}

SharedFile &sharedFile()
{
    static SharedFile shared;
    return shared;
}

QString errorText(sqlite3 *db, const char *what)
{
    // As QSqlError::text() words SQLite's errors, so a failure reads alike
    // whichever connection met it.
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory") + QLatin1Char(' ') +
           QLatin1String(what);
}

} // namespace

class IndexReader::Statement
{
public:
    Statement(sqlite3 *db, const char *sql) : m_sql(sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool isPrepared() const { return m_statement; }
    const char *sql() const { return m_sql; }
    // Binding to a statement that was not prepared does nothing; running it
    // then reports why it was not.
    void bind(int index, int value)
    {
        if (m_statement)
            sqlite3_bind_int(m_statement, index, value);
    }
    void bind(int index, const QString &text)
    {
        if (!m_statement)
            return;
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(m_statement); }
    QString text(int column)
    {
        const auto *bytes =
            reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
    }
    qint64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    QByteArray blob(int column)
    {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
    }

private:
    const char *m_sql;
    sqlite3_stmt *m_statement = nullptr;
};

void IndexReader::setDatabaseFile(const QString &file)
{
    SharedFile &shared = sharedFile();
    const QByteArray name = file.toUtf8();
    std::lock_guard lock(shared.mutex);
    sqlite3_close(shared.keeper);
    shared.keeper = nullptr;
    shared.file = name;
    // Without it look-ups still work, each reading the schema again.
    if (name.isEmpty() ||
        sqlite3_open_v2(name.constData(), &shared.keeper, readerFlags | SQLITE_OPEN_SHAREDCACHE,
                        nullptr) != SQLITE_OK ||
        !identify(name, &shared.device, &shared.inode)) {
        sqlite3_close(shared.keeper);
        shared.keeper = nullptr;
    }
}

QString IndexReader::databaseFile()
{
    SharedFile &shared = sharedFile();
    std::lock_guard lock(shared.mutex);
    return QString::fromUtf8(shared.file);
}

IndexReader::IndexReader()
{
    QByteArray file;
    bool kept;
    dev_t device;
    ino_t inode;
    {
        SharedFile &shared = sharedFile();
        std::lock_guard lock(shared.mutex);
        file = shared.file;
        kept = shared.keeper;
        device = shared.device;
        inode = shared.inode;
    }
    if (file.isEmpty()) {
        m_lastError = QStringLiteral("no database is open");
        return;
    }
    dev_t nowDevice;
    ino_t nowInode;
    const bool same =
        kept && identify(file, &nowDevice, &nowInode) && nowDevice == device && nowInode == inode;
    const int cache = same ? SQLITE_OPEN_SHAREDCACHE : SQLITE_OPEN_PRIVATECACHE;
    if (sqlite3_open_v2(file.constData(), &m_db, readerFlags | cache, nullptr) != SQLITE_OK) {
        m_lastError = errorText(m_db, "Error opening database");
        m_fileUnusable = true;
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, DictionaryDatabase::busyTimeout());
}

IndexReader::~IndexReader()
{
    close();
}

void IndexReader::close()
{
    m_location.reset();
    sqlite3_close(m_db);
    m_db = nullptr;
    if (m_lastError.isEmpty())
        m_lastError = QStringLiteral("the index reader is closed");
}

bool IndexReader::failed(const char *sql, const QString &reason)
{
    qDebug() << "QSqlQuery::exec failed." << QString::fromLatin1(sql) << reason;
    m_lastError = reason;
    if (m_db) {
        const int code = sqlite3_errcode(m_db) & 0xff;
        m_fileUnusable = code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_CANTOPEN;
    }
    return false;
}

bool IndexReader::notPrepared(const Statement &statement)
{
    return failed(statement.sql(),
                  m_db ? errorText(m_db, "Unable to execute statement") : m_lastError);
}

template <typename Read> IndexReader::Answer IndexReader::firstRow(Statement &statement, Read read)
{
    if (!statement.isPrepared()) {
        notPrepared(statement);
        return Answer::Failed;
    }
    switch (statement.step()) {
    case SQLITE_ROW:
        read(statement);
        return Answer::Found;
    case SQLITE_DONE:
        return Answer::None;
    default:
        failed(statement.sql(), errorText(m_db, "Unable to fetch row"));
        return Answer::Failed;
    }
}

IndexReader::Answer IndexReader::dictionaryLocation(QString *location)
{
    m_location = std::make_unique<Statement>(m_db, Sql::selectLocation);
    const Answer answer =
        firstRow(*m_location, [location](Statement &row) { *location = row.text(0); });
    if (answer == Answer::None)
        qDebug() << "QSqlQuery::next failed.";
    return answer;
}

IndexReader::Answer IndexReader::firstPosition(const QString &key, qint64 *position)
{
    // 64-bit: entries past 2 GiB must be reachable.
    Statement query(m_db, Sql::selectPosition);
    query.bind(1, key);
    return firstRow(query, [position](Statement &row) { *position = row.integer(0); });
}

IndexReader::Answer IndexReader::entryLists(EntryList *list)
{
    bool full = false;
    Statement query(m_db, Sql::selectEntryTable);
    const Answer answer = firstRow(query, [&full](Statement &) { full = true; });
    if (answer == Answer::Failed)
        return answer;
    *list = full ? EntryList::AllEntryWords : EntryList::SingleWords;
    return Answer::Found;
}

bool IndexReader::entries(EntryList list, const QString &key, bool after, int limit,
                          QList<Entry> *entries)
{
    entries->clear();
    // SQLite takes a negative LIMIT for none at all.
    if (limit <= 0)
        return true;
    const bool all = list == EntryList::AllEntryWords;
    const char *sql = all ? (after ? Sql::selectEntriesAfter : Sql::selectEntriesFrom)
                          : (after ? Sql::selectWordsAfter : Sql::selectWordsFrom);
    Statement query(m_db, sql);
    if (!query.isPrepared())
        return notPrepared(query);
    int next = 1;
    if (all)
        query.bind(next++, DictionaryDatabase::eijiroId);
    query.bind(next++, key);
    query.bind(next, limit);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        entries->append({query.text(0), query.integer(1)});
    if (stepped == SQLITE_DONE)
        return true;
    entries->clear();
    return failed(sql, errorText(m_db, "Unable to fetch row"));
}

IndexReader::Answer IndexReader::fileIdentity(int id, FileIdentity *identity)
{
    // Asked of the parsed schema, not with a statement of its own: a
    // database made before the table simply has no record to compare with.
    if (m_db && sqlite3_table_column_metadata(m_db, "main", "t_file", nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr) != SQLITE_OK)
        return Answer::None;
    Statement query(m_db, Sql::selectFile);
    query.bind(1, id);
    return firstRow(query, [identity](Statement &row) {
        *identity = {row.integer(0), row.integer(1), row.blob(2)};
    });
}

IndexReader::Answer IndexReader::entryPosition(EntryList list, const QString &key, qint64 *position)
{
    if (list == EntryList::SingleWords)
        return firstPosition(key, position);
    Statement query(m_db, Sql::selectEntryPosition);
    query.bind(1, DictionaryDatabase::eijiroId);
    query.bind(2, key);
    return firstRow(query, [position](Statement &row) { *position = row.integer(0); });
}
