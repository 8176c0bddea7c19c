#include "database/dictionarydatabase.h"

#include "database/database.h"
#include "database/diskroom.h"
#include "database/readerfile.h"
#include "database/sql.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

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
    const QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(Database::busyTimeout());
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

DictionaryDatabase::Opened DictionaryDatabase::openDefault(const QString &file, QString *error)
{
    DiskRoom::releaseReserveOnAFullDisk(file);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QSqlDatabase::defaultConnection);
    db.setDatabaseName(file);
    const bool opened = openConnection(db);
    // Look-ups open the same file, each on a connection of its own; once
    // it exists, so a new file is made by this connection alone.
    ReaderFile::set(file);
    if (!opened) {
        qDebug() << "QSqlDatabase::open failed." << db.lastError().text();
        if (error)
            *error = db.lastError().text();
        return Opened::Failed;
    }
    if (!DictionaryDatabase(db).hasTables())
        return Opened::WithoutTables;
    DiskRoom::restoreReserve(file);
    return Opened::Ready;
}

void DictionaryDatabase::closeDefault()
{
    ReaderFile::set(QString());
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
    DiskRoom::releaseReserveOnAFullDisk(file);
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
    ReaderFile::set(file);
    if (!read) {
        qDebug() << "QSqlDatabase::open failed." << failure.text();
        if (error)
            *error = failure.text();
        // SQLITE_NOTADB: SQLite's own words for it name no file.
        return failure.nativeErrorCode() == QLatin1String("26") ? Opened::NotADatabase
                                                                : Opened::Failed;
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
    if (!execute(query, Sql::beginImmediate)) {
        critical("QSqlDatabase::transaction failed.", query.lastError());
        return fail(query.lastError().text());
    }
    // Another Orvel starting at the same moment may have made it while
    // this one waited for the write lock.
    if (hasTables()) {
        m_db.rollback();
        return true;
    }
    const struct
    {
        const char *sql;
        const char *failure;
        QVariantList values;
    } steps[] = {
        {Sql::createTypes, "create table m_dictionary failed.", {}},
        {Sql::insertType,
         "insert m_dictionary failed.",
         {Records::eijiroId, QStringLiteral("Eijiro")}},
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
