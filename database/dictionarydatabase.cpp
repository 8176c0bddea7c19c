#include "database/dictionarydatabase.h"

#include "database/indexreader.h"
#include "database/sql.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QVariant>

#include <atomic>
#include <sqlite3.h>

namespace {

std::atomic<int> busyTimeoutMs{10000};
std::atomic<qint64> pretendedFreeSpace{-1};

// Prepares `sql`, binds `values` and runs it. SQLite refuses most broken
// statements (a missing table, a file that is no database) when they are
// prepared; exec() after a failed prepare() would replace that error with a
// vague "No query", so the query's error stays the one of prepare().
bool execute(QSqlQuery &query, const char *sql, const QVariantList &values = {})
{
    if (!query.prepare(QString::fromLatin1(sql)))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

void reportFailedQuery(const QSqlQuery &query)
{
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << query.lastError().text();
}

void critical(const char *message, const QSqlError &error)
{
    qCritical("%s (%s)", message, error.text().toLocal8Bit().constData());
}

// Opens `db` without writing to the file.
bool openAsItIs(QSqlDatabase &db)
{
    // Wait for another connection's lock rather than fail at once. Set only
    // when it changes: the preferences dialog opens the default connection
    // again while look-ups may be cloning it on their threads.
    const QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs.load());
    if (db.connectOptions() != options)
        db.setConnectOptions(options);
    if (!db.open())
        return false;
    // A setting of the connection; the file stays as it is.
    QSqlQuery(db).exec(QString::fromLatin1(Sql::secureDeleteFast));
    return true;
}

// Write-ahead logging lets look-ups read the installed index while an
// installation (in this process or another) writes its transaction. The
// mode is stored in the file: the default connection, which opens it first,
// sets it, and the workers' connections find it there. A read-only file
// simply keeps its mode.
void useWriteAheadLog(QSqlDatabase &db)
{
    QSqlQuery(db).exec(QString::fromLatin1(Sql::journalMode));
}

} // namespace

// The build's row statements run on SQLite itself: binding each row through
// QSqlQuery costs more than SQLite's own insert. Only when Qt's driver runs
// on the very library this program links (so with Debian's Qt), which owns
// the connection's handle.
struct DictionaryDatabase::NativeRows
{
    // Entry rows to a statement: one statement per row costs SQLite as
    // much again as writing the row. The index rows keep their statement as
    // it stands, one row each.
    static constexpr int chunk = 32;

    sqlite3 *db = nullptr;
    sqlite3_stmt *word = nullptr;    // insertWord: id, position, name
    sqlite3_stmt *entry = nullptr;   // insertEntry: id, key, position
    sqlite3_stmt *entries = nullptr; // insertEntry with `chunk` rows; null when not

    ~NativeRows()
    {
        for (sqlite3_stmt *statement : {word, entry, entries})
            sqlite3_finalize(statement);
    }

    // Prepared on `connection`'s handle, or null where that cannot be used.
    static std::unique_ptr<NativeRows> prepare(const QSqlDatabase &connection)
    {
        const QVariant handle = connection.driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return nullptr;
        QSqlQuery library(connection);
        if (!library.exec(QString::fromLatin1(Sql::selectSourceId)) || !library.next() ||
            library.value(0).toString() != QLatin1String(sqlite3_sourceid()))
            return nullptr;
        auto rows = std::make_unique<NativeRows>();
        rows->db = *static_cast<sqlite3 *const *>(handle.constData());
        const auto prepared = [&](const QByteArray &sql, sqlite3_stmt **statement) {
            return sqlite3_prepare_v2(rows->db, sql.constData(), int(sql.size()), statement,
                                      nullptr) == SQLITE_OK;
        };
        if (!rows->db || !prepared(Sql::insertWord, &rows->word) ||
            !prepared(Sql::insertEntry, &rows->entry))
            return nullptr;
        // A refused statement of many rows leaves none of them, so that they
        // can be written again one by one; but a trigger's RAISE(FAIL) would
        // keep those before it: with triggers, one row to a statement.
        QSqlQuery triggers(connection);
        if (!triggers.exec(QString::fromLatin1(Sql::selectRowTriggers)) || triggers.next())
            return rows;
        QByteArray entries(Sql::insertEntry);
        entries.insert(entries.indexOf(Sql::insertEntryConflict),
                       QByteArray(", (?, ?, ?)").repeated(chunk - 1));
        if (!prepared(entries, &rows->entries))
            return nullptr;
        return rows;
    }

    // Binds a row's values from parameter `first` on.
    static void bind(sqlite3_stmt *statement, int first, bool word, const Row &row)
    {
        sqlite3_bind_int(statement, first, eijiroId);
        sqlite3_bind_int64(statement, word ? first + 1 : first + 2, row.position);
        // A null pointer would bind NULL, not an empty text.
        sqlite3_bind_text(statement, word ? first + 2 : first + 1,
                          row.key.isNull() ? "" : row.key.data(), int(row.key.size()),
                          SQLITE_STATIC);
    }

    // Writes `count` rows (1, or `chunk` entry rows), all or none: how many
    // were written, an entry whose key is there already not, or -1 when
    // SQLite refused one.
    int insert(bool word, const Row *rows, int count)
    {
        sqlite3_stmt *statement = count == 1 ? (word ? this->word : entry) : entries;
        for (int i = 0; i < count; ++i)
            bind(statement, 1 + 3 * i, word, rows[i]);
        const bool done = sqlite3_step(statement) == SQLITE_DONE;
        if (!done)
            error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_reset(statement);
        return done ? sqlite3_changes(db) : -1;
    }

    // After a refused row: whether the transaction is still open. SQLite
    // rolls it back itself after some failures (a full disk, an I/O error).
    bool inTransaction() const { return !sqlite3_get_autocommit(db); }

    QString error;
};

DictionaryDatabase::DictionaryDatabase()
    : m_db(QSqlDatabase::database(QSqlDatabase::defaultConnection, true))
{
}

DictionaryDatabase::DictionaryDatabase(const QSqlDatabase &connection) : m_db(connection)
{
}

DictionaryDatabase::~DictionaryDatabase() = default;

bool DictionaryDatabase::fail(const QString &error)
{
    m_lastError = error;
    return false;
}

DictionaryDatabase::Opened DictionaryDatabase::openDefault(const QString &file, QString *error)
{
    releaseReserveOnAFullDisk(file);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QSqlDatabase::defaultConnection);
    db.setDatabaseName(file);
    const bool opened = openConnection(db);
    // Look-ups open the same file, each on a connection of its own; once
    // it exists, so a new file is made by this connection alone.
    IndexReader::setDatabaseFile(file);
    if (!opened) {
        qDebug() << "QSqlDatabase::open failed." << db.lastError().text();
        if (error)
            *error = db.lastError().text();
        return Opened::Failed;
    }
    return DictionaryDatabase(db).hasTables() ? Opened::Ready : Opened::WithoutTables;
}

void DictionaryDatabase::closeDefault()
{
    IndexReader::setDatabaseFile(QString());
    if (!QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        return;
    QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

bool DictionaryDatabase::defaultIsOpen()
{
    return QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen();
}

DictionaryDatabase::Opened DictionaryDatabase::openOrCreateDefault(const QString &file,
                                                                   QString *error)
{
    const Opened opened = openDefault(file, error);
    if (opened != Opened::WithoutTables)
        return opened;
    DictionaryDatabase database;
    if (database.createSchema())
        return Opened::Ready;
    if (error)
        *error = database.lastError();
    return Opened::SchemaFailed;
}

DictionaryDatabase::Opened DictionaryDatabase::openOwnDefault(const QString &file, bool create,
                                                              QString *error)
{
    releaseReserveOnAFullDisk(file);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QSqlDatabase::defaultConnection);
    db.setDatabaseName(file);
    bool read = openAsItIs(db);
    QSqlError failure = db.lastError();
    QStringList tables;
    if (read) {
        // SQLite opens any file; only reading it shows whether it is a
        // database at all.
        QSqlQuery query(db);
        read = execute(query, Sql::selectTables);
        failure = query.lastError();
        while (read && query.next())
            tables << query.value(0).toString();
    }
    IndexReader::setDatabaseFile(file);
    if (!read) {
        qDebug() << "QSqlDatabase::open failed." << failure.text();
        if (error)
            *error = failure.text();
        return Opened::Failed;
    }
    if (tables.isEmpty() && !create)
        return Opened::WithoutTables;
    const bool schema = tables.contains(QLatin1String("m_dictionary")) &&
                        tables.contains(QLatin1String("t_dictionary")) &&
                        tables.contains(QLatin1String("t_word"));
    if (!tables.isEmpty() && !schema)
        return Opened::Foreign;
    useWriteAheadLog(db);
    if (!tables.isEmpty())
        return Opened::Ready;
    DictionaryDatabase database(db);
    if (database.createSchema())
        return Opened::Ready;
    if (error)
        *error = database.lastError();
    return Opened::SchemaFailed;
}

bool DictionaryDatabase::openConnection(QSqlDatabase &db)
{
    if (!openAsItIs(db))
        return false;
    if (db.connectionName() == QLatin1String(QSqlDatabase::defaultConnection))
        useWriteAheadLog(db);
    return true;
}

void DictionaryDatabase::setBusyTimeout(int milliseconds)
{
    busyTimeoutMs = milliseconds;
}

int DictionaryDatabase::busyTimeout()
{
    return busyTimeoutMs.load();
}

bool DictionaryDatabase::open()
{
    if (openConnection(m_db))
        return true;
    qDebug() << "QSqlDatabase::open failed." << m_db.lastError().text();
    return fail(m_db.lastError().text());
}

bool DictionaryDatabase::hasTables() const
{
    return !m_db.tables(QSql::Tables).isEmpty();
}

bool DictionaryDatabase::createSchema()
{
    QSqlQuery query(m_db);
    if (!m_db.transaction()) {
        critical("QSqlDatabase::transaction failed.", m_db.lastError());
        return fail(m_db.lastError().text());
    }
    const struct
    {
        const char *sql;
        const char *failure;
        QVariantList values;
    } steps[] = {
        {Sql::createTypes, "create table m_dictionary failed.", {}},
        {Sql::insertType, "insert m_dictionary failed.", {eijiroId, QStringLiteral("Eijiro")}},
        {Sql::createDictionaries, "create table t_dictionary failed.", {}},
        {Sql::createWords, "create table t_word failed.", {}},
        {Sql::createWordIndex, "create index t_word_name failed.", {}},
        {Sql::createEntries, "create table t_entry failed.", {}},
    };
    for (const auto &step : steps) {
        if (!execute(query, step.sql, step.values)) {
            critical(step.failure, query.lastError());
            fail(query.lastError().text());
            m_db.rollback();
            return false;
        }
    }
    if (!m_db.commit()) {
        critical("QSqlDatabase::commit failed.", m_db.lastError());
        fail(m_db.lastError().text());
        m_db.rollback();
        return false;
    }
    return true;
}

bool DictionaryDatabase::installedDictionaries(QList<Installed> *list)
{
    return readInstalled(list, true);
}

bool DictionaryDatabase::peekInstalled(QList<Installed> *list)
{
    return readInstalled(list, false);
}

bool DictionaryDatabase::readInstalled(QList<Installed> *list, bool report)
{
    QSqlQuery query(m_db);
    if (!execute(query, Sql::selectInstalled)) {
        if (report)
            reportFailedQuery(query);
        return fail(query.lastError().text());
    }
    list->clear();
    while (query.next())
        list->append(
            {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString()});
    return true;
}

bool DictionaryDatabase::dictionaryTypes(QList<Type> *types)
{
    types->clear();
    QSqlQuery query(m_db);
    // Not reported: with no type listed there is nothing to choose, which
    // shows for itself.
    if (!execute(query, Sql::selectTypes))
        return fail(query.lastError().text());
    while (query.next())
        types->append(
            {query.value(0).toInt(), query.value(2).toString(), !query.value(1).isNull()});
    return true;
}

DictionaryDatabase::Answer DictionaryDatabase::firstRow(QSqlQuery &query, const char *sql,
                                                        const QVariantList &values)
{
    if (!execute(query, sql, values)) {
        reportFailedQuery(query);
        fail(query.lastError().text());
        return Answer::Failed;
    }
    return query.next() ? Answer::Found : Answer::None;
}

DictionaryDatabase::Answer DictionaryDatabase::registration(int id, Registration *registration)
{
    QSqlQuery query(m_db);
    const Answer answer = firstRow(query, Sql::selectRegistration, {id});
    if (answer == Answer::Found)
        *registration = {query.value(0).toString(), query.value(1).toString()};
    return answer;
}

bool DictionaryDatabase::entryTable(bool *exists)
{
    QSqlQuery query(m_db);
    const Answer answer = firstRow(query, Sql::selectEntryTable);
    *exists = answer == Answer::Found;
    return answer != Answer::Failed;
}

bool DictionaryDatabase::fileTable(bool *exists)
{
    QSqlQuery query(m_db);
    const Answer answer = firstRow(query, Sql::selectFileTable);
    *exists = answer == Answer::Found;
    return answer != Answer::Failed;
}

DictionaryDatabase::Answer DictionaryDatabase::fileIdentity(int id, FileIdentity *identity)
{
    bool exists = false;
    if (!fileTable(&exists))
        return Answer::Failed;
    if (!exists)
        return Answer::None;
    QSqlQuery query(m_db);
    const Answer answer = firstRow(query, Sql::selectFile, {id});
    if (answer == Answer::Found)
        *identity = {query.value(0).toLongLong(), query.value(1).toLongLong(),
                     query.value(2).toByteArray()};
    return answer;
}

bool DictionaryDatabase::recordFile(int id, const FileIdentity &identity)
{
    QSqlQuery query(m_db);
    if (execute(query, Sql::createFiles) &&
        execute(query, Sql::replaceFile, {id, identity.size, identity.modified, identity.checksum}))
        return true;
    reportFailedQuery(query);
    return fail(query.lastError().text());
}

bool DictionaryDatabase::deleteRows(const char *sql, const QVariantList &values)
{
    QSqlQuery query(m_db);
    if (execute(query, sql, values))
        return true;
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery();
    return fail(query.lastError().text());
}

bool DictionaryDatabase::deleteRows(const Sql::RowsOf &rows, int id)
{
    QSqlQuery others(m_db);
    if (firstRow(others, rows.others, {id, id}) != Answer::Found)
        return false;
    if (others.value(0).toBool())
        return deleteRows(rows.one, {id});
    others.finish();
    return deleteRows(rows.all, {});
}

bool DictionaryDatabase::removeDictionary(int id)
{
    // Room for the log and its shared memory, on a disk that may be full.
    QFile::remove(reserveFile(fileName()));
    if (!m_db.transaction()) {
        qDebug() << "QSqlDatabase::transaction failed." << m_db.lastError().text();
        fail(m_db.lastError().text());
        keepReserve();
        return false;
    }
    const bool removed = deleteDictionaryRows(id);
    bool done = removed;
    if (!removed) {
        m_db.rollback();
    } else if (!m_db.commit()) {
        qDebug() << "QSqlDatabase::commit failed." << m_db.lastError().text();
        fail(m_db.lastError().text());
        m_db.rollback();
        done = false;
    }
    // With no dictionary left, the file gives the disk back the room the
    // index took; its new pages, a few, go through the log.
    QSqlQuery left(m_db);
    if (done && firstRow(left, Sql::selectLocation) == Answer::None) {
        left.finish();
        if (!execute(left, Sql::vacuum))
            reportFailedQuery(left);
    }
    left.finish();
    // Whatever the removal wrote to the log goes, committed or not; a
    // failed removal keeps its own reason.
    const QString error = m_lastError;
    const bool emptied = truncateLog();
    if (!done)
        m_lastError = error;
    else if (!emptied)
        done = fail(
            QCoreApplication::translate("DictionaryDatabase", "the dictionary was removed, but %1")
                .arg(m_lastError));
    keepReserve();
    return done;
}

bool DictionaryDatabase::deleteDictionaryRows(int id)
{
    // The entry list and the file's record go with the index, when the
    // database has them.
    bool entries = false;
    bool files = false;
    return deleteRows(Sql::wordRows, id) && deleteRows(Sql::deleteDictionary, {id}) &&
           entryTable(&entries) && (!entries || deleteRows(Sql::entryRows, id)) &&
           fileTable(&files) && (!files || deleteRows(Sql::deleteFile, {id}));
}

QString DictionaryDatabase::fileName() const
{
    return m_db.databaseName();
}

QString DictionaryDatabase::reserveFile(const QString &databaseFile)
{
    return databaseFile + QLatin1String("-reserve");
}

void DictionaryDatabase::releaseReserveOnAFullDisk(const QString &databaseFile)
{
    // On a full disk even opening the database needs a little room (SQLite's
    // shared memory file), and so does the removal that would make room.
    // Only a file of the reserve's size is taken for it.
    const qint64 free = freeSpace(databaseFile);
    QFile reserve(reserveFile(databaseFile));
    if (free >= 0 && free < reserveSize && reserve.size() == reserveSize)
        reserve.remove();
}

bool DictionaryDatabase::keepReserve()
{
    const QString name = fileName();
    if (name.isEmpty())
        return false;
    QFile reserve(reserveFile(name));
    if (reserve.size() == reserveSize)
        return true;
    // Written out, and not as zeros: a sparse or compressed file would
    // hold no room.
    QByteArray bytes(64 << 10, Qt::Uninitialized);
    QRandomGenerator(reserveSize)
        .fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / int(sizeof(quint32)));
    bool written = reserve.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (qint64 at = 0; written && at < reserveSize; at += bytes.size())
        written = reserve.write(bytes) == bytes.size();
    written = written && reserve.flush();
    if (!written)
        reserve.remove();
    return written;
}

qint64 DictionaryDatabase::freeSpace(const QString &databaseFile)
{
    if (pretendedFreeSpace >= 0)
        return pretendedFreeSpace;
    const QStorageInfo storage(QFileInfo(databaseFile).absolutePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void DictionaryDatabase::pretendFreeSpace(qint64 bytes)
{
    pretendedFreeSpace = bytes;
}

bool DictionaryDatabase::room(Room *room)
{
    room->available = freeSpace(fileName());
    room->reserved = QFileInfo(reserveFile(fileName())).size() == reserveSize;
    QSqlQuery pages(m_db);
    QSqlQuery size(m_db);
    if (firstRow(pages, Sql::freePages) != Answer::Found ||
        firstRow(size, Sql::pageSize) != Answer::Found)
        return false;
    room->reusable = pages.value(0).toLongLong() * size.value(0).toLongLong();
    return true;
}

bool DictionaryDatabase::truncateLog()
{
    bool busy = false;
    if (checkpoint(&busy))
        return true;
    // Copying the log over may need room the disk no longer has (pages
    // committed before a build that filled it): the reserve gives it, and
    // once the log is emptied there is room to keep it again.
    if (busy || !QFile::remove(reserveFile(fileName())))
        return false;
    const bool emptied = checkpoint(&busy);
    keepReserve();
    return emptied;
}

bool DictionaryDatabase::checkpoint(bool *busy)
{
    QSqlQuery query(m_db);
    if (!execute(query, Sql::truncateLog) || !query.next()) {
        reportFailedQuery(query);
        return fail(QCoreApplication::translate("DictionaryDatabase",
                                                "the database's log could not be emptied: %1")
                        .arg(query.lastError().text()));
    }
    // Its first column: whether another connection still reading an older
    // state of the database kept it from being emptied.
    *busy = query.value(0).toInt() != 0;
    if (!*busy)
        return true;
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << "busy";
    return fail(QCoreApplication::translate(
        "DictionaryDatabase",
        "the database's log could not be emptied: another program is reading the database"));
}

bool DictionaryDatabase::beginBuild()
{
    // With a plain (deferred) BEGIN, a database that another process is
    // writing, or that is read-only, would fail at every row, each after a
    // full busy wait. commit() and rollback() end it as usual.
    QSqlQuery begin(m_db);
    if (begin.exec(QString::fromLatin1(Sql::beginImmediate)))
        return true;
    qDebug() << "QSqlDatabase::transaction failed.";
    return fail(begin.lastError().text());
}

bool DictionaryDatabase::prepareRows()
{
    // The entry list comes with the build into a database made before it.
    {
        QSqlQuery query(m_db);
        if (!execute(query, Sql::createEntries)) {
            reportFailedQuery(query);
            return fail(query.lastError().text());
        }
    }
    // Before the row statements are prepared: a schema change would make
    // SQLite prepare them again.
    if (!deferWordIndex())
        return false;
    // The build starts clean: rows of this id left without their
    // registration (a program that did not know a table, a database
    // edited by hand) would be found for words of another file, or keep
    // the first line of a key from being written.
    bool files = false;
    if (!deleteRows(Sql::wordRows, eijiroId) || !deleteRows(Sql::entryRows, eijiroId) ||
        !fileTable(&files) || (files && !deleteRows(Sql::deleteFile, {eijiroId})))
        return false;
    m_insertWord = std::make_unique<QSqlQuery>(m_db);
    // SQLite refuses some statements already here (a trigger naming a
    // missing table); exec() would then only say the parameters do not fit.
    m_insertWordPrepareError.clear();
    if (!m_insertWord->prepare(QString::fromLatin1(Sql::insertWord)))
        m_insertWordPrepareError = m_insertWord->lastError().text();
    m_insertEntry = std::make_unique<QSqlQuery>(m_db);
    if (!m_insertEntry->prepare(QString::fromLatin1(Sql::insertEntry))) {
        reportFailedQuery(*m_insertEntry);
        return fail(m_insertEntry->lastError().text());
    }
    // A statement SQLite refuses already here goes the way of QSqlQuery,
    // which reports it as it always did.
    if (m_insertWordPrepareError.isNull())
        m_native = NativeRows::prepare(m_db);
    return true;
}

bool DictionaryDatabase::deferWordIndex()
{
    // Sorting every name once at the end costs less than keeping the index
    // in order row by row. Only an index exactly as createSchema() makes it
    // is made again; the transaction holds it dropped, so a build that does
    // not commit leaves it as it was.
    QSqlQuery query(m_db);
    if (!execute(query, Sql::selectWordIndex)) {
        reportFailedQuery(query);
        return fail(query.lastError().text());
    }
    if (!query.next() || query.value(0).toString() != QLatin1String(Sql::createWordIndex))
        return true;
    query.finish();
    if (!execute(query, Sql::dropWordIndex)) {
        reportFailedQuery(query);
        return fail(query.lastError().text());
    }
    m_wordIndexDeferred = true;
    return true;
}

std::optional<DictionaryDatabase::Insert>
DictionaryDatabase::insertNatively(bool word, qint64 position, QByteArrayView key)
{
    const Row row{position, key};
    const int written = m_native->insert(word, &row, 1);
    if (written == 1)
        return Insert::Written;
    // Run again through QSqlQuery, which says why and what it costs; for a
    // row taken but not written, whether its key is there already.
    return written < 0 ? nativeRefusal(word) : std::nullopt;
}

std::optional<DictionaryDatabase::Insert> DictionaryDatabase::nativeRefusal(bool word)
{
    // Once SQLite has ended the transaction, rows written again would
    // commit alone.
    if (m_native->inTransaction())
        return std::nullopt;
    qDebug() << "QSqlQuery::exec failed."
             << QString::fromLatin1(word ? Sql::insertWord : Sql::insertEntry) << m_native->error;
    fail(m_native->error);
    return Insert::Failed;
}

DictionaryDatabase::Insert DictionaryDatabase::insertWord(qint64 position, QByteArrayView key)
{
    Q_ASSERT(m_insertWord); // beginBuild() first
    if (m_native) {
        if (const std::optional<Insert> inserted = insertNatively(true, position, key))
            return *inserted;
    }
    QSqlQuery &insert = *m_insertWord;
    insert.addBindValue(eijiroId);
    insert.addBindValue(position);
    insert.addBindValue(QString::fromUtf8(key));
    if (insert.exec())
        return insert.numRowsAffected() == 1 ? Insert::Written : dropped(insert);
    reportFailedQuery(insert);
    // A clash with a row for the same line costs that row only. Any other
    // refusal (a read-only or full disk, an I/O error, a trigger or another
    // constraint) would fail every row alike, or lose rows unseen.
    const QSqlError error = insert.lastError();
    if (m_insertWordPrepareError.isNull() &&
        error.nativeErrorCode().toInt() == SQLITE_CONSTRAINT_PRIMARYKEY) {
        fail(error.text());
        return Insert::Clash;
    }
    fail(m_insertWordPrepareError.isNull() ? error.text() : m_insertWordPrepareError);
    return Insert::Failed;
}

DictionaryDatabase::Insert DictionaryDatabase::insertEntry(QByteArrayView key, qint64 position)
{
    Q_ASSERT(m_insertEntry); // beginBuild() first
    if (m_native) {
        if (const std::optional<Insert> inserted = insertNatively(false, position, key))
            return *inserted;
    }
    QSqlQuery &insert = *m_insertEntry;
    insert.addBindValue(eijiroId);
    insert.addBindValue(QString::fromUtf8(key));
    insert.addBindValue(position);
    if (insert.exec())
        return insert.numRowsAffected() == 1 || entryThere(key) ? Insert::Written : dropped(insert);
    // A key already there is let pass, not refused: any failure is the
    // database's.
    reportFailedQuery(insert);
    fail(insert.lastError().text());
    return Insert::Failed;
}

DictionaryDatabase::Insert
DictionaryDatabase::insertRows(RowTable table, const std::vector<Row> &rows,
                               const std::function<void(size_t, Insert)> &notWritten)
{
    const bool word = table == RowTable::Words;
    size_t done = 0;
    const auto oneByOne = [&](size_t end) {
        for (; done < end; ++done) {
            const Row &row = rows[done];
            const Insert inserted =
                word ? insertWord(row.position, row.key) : insertEntry(row.key, row.position);
            if (inserted != Insert::Written)
                notWritten(done, inserted);
            if (inserted == Insert::Failed)
                return false;
        }
        return true;
    };
    constexpr size_t chunk = NativeRows::chunk;
    // Without triggers (else there are no such statements) only a key
    // there already keeps an entry row from being written.
    while (!word && m_native && m_native->entries && done + chunk <= rows.size()) {
        if (m_native->insert(word, rows.data() + done, int(chunk)) >= 0) {
            done += chunk;
            continue;
        }
        // SQLite undid the whole statement: row by row, a clash costs its
        // row only and every failure is reported as always.
        if (nativeRefusal(word)) {
            notWritten(done, Insert::Failed);
            return Insert::Failed;
        }
        if (!oneByOne(done + chunk))
            return Insert::Failed;
    }
    return oneByOne(rows.size()) ? Insert::Written : Insert::Failed;
}

bool DictionaryDatabase::registerDictionary(const QString &location, int count)
{
    QSqlQuery query(m_db);
    // The encoding is an empty text, not NULL.
    if (execute(query, Sql::insertDictionary, {eijiroId, location, QString(""), count})) {
        if (query.numRowsAffected() == 1)
            return true;
        dropped(query);
        return false;
    }
    reportFailedQuery(query);
    return fail(query.lastError().text());
}

bool DictionaryDatabase::entryThere(QByteArrayView key)
{
    QSqlQuery query(m_db);
    return firstRow(query, Sql::selectEntryPosition, {eijiroId, QString::fromUtf8(key)}) ==
           Answer::Found;
}

DictionaryDatabase::Insert DictionaryDatabase::dropped(const QSqlQuery &insert)
{
    const QString why = QCoreApplication::translate(
        "DictionaryDatabase", "the database dropped a row without an error (a trigger?)");
    qDebug() << "QSqlQuery::exec failed." << insert.executedQuery() << why;
    fail(why);
    return Insert::Failed;
}

void DictionaryDatabase::endBuild()
{
    m_wordIndexDeferred = false;
    m_native.reset();
    m_insertWord.reset();
    m_insertEntry.reset();
    m_insertWordPrepareError.clear();
}

bool DictionaryDatabase::commit()
{
    const bool indexDeferred = m_wordIndexDeferred;
    endBuild();
    QSqlQuery index(m_db);
    if (indexDeferred && !execute(index, Sql::createWordIndex)) {
        reportFailedQuery(index);
        fail(index.lastError().text());
        m_db.rollback();
        return false;
    }
    if (m_db.commit())
        return true;
    qDebug() << "QSqlDatabase::commit failed." << m_db.lastError().text();
    fail(m_db.lastError().text());
    m_db.rollback();
    return false;
}

void DictionaryDatabase::rollback()
{
    endBuild();
    m_db.rollback();
}
