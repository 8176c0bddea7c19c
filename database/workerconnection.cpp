#include "database/workerconnection.h"

#include <QSqlQuery>
#include <atomic>
#include <mutex>

static QString uniqueName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvel-worker-%1").arg(++counter);
}

static std::atomic<int> busyTimeout{10000};

// QtSql keeps all connections in one table behind a lock of its own. Adding
// and removing them under this mutex as well costs nothing and lets
// ThreadSanitizer, which cannot see into the Qt libraries, check the threads
// that make and drop connections at the same time.
static std::mutex registryMutex;

void WorkerConnection::setBusyTimeout(int milliseconds)
{
    busyTimeout = milliseconds;
}

static void configure(const QSqlDatabase &db)
{
    // Another connection may be writing (an installation in progress); wait
    // for its lock instead of failing at once with "database is locked".
    QSqlDatabase copy = db;
    copy.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout.load()));
}

WorkerConnection::WorkerConnection() : m_name(uniqueName())
{
    std::lock_guard lock(registryMutex);
    QSqlDatabase db = QSqlDatabase::cloneDatabase(QSqlDatabase::defaultConnection, m_name);
    configure(db);
}

WorkerConnection::WorkerConnection(const QString &file) : m_name(uniqueName())
{
    std::lock_guard lock(registryMutex);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", m_name);
    db.setDatabaseName(file);
    configure(db);
}

WorkerConnection::~WorkerConnection()
{
    std::lock_guard lock(registryMutex);
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase WorkerConnection::database() const
{
    QSqlDatabase db;
    {
        std::lock_guard lock(registryMutex);
        db = QSqlDatabase::database(m_name, false);
    }
    // Opening takes a while; other threads need not wait for it.
    if (!db.isOpen())
        db.open();
    return db;
}
