#include "database/workerconnection.h"

#include <QSqlQuery>
#include <atomic>

static QString uniqueName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvel-worker-%1").arg(++counter);
}

static std::atomic<int> busyTimeout{10000};

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
    QSqlDatabase db = QSqlDatabase::cloneDatabase(QSqlDatabase::defaultConnection, m_name);
    configure(db);
}

WorkerConnection::WorkerConnection(const QString &file) : m_name(uniqueName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", m_name);
    db.setDatabaseName(file);
    configure(db);
}

WorkerConnection::~WorkerConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase WorkerConnection::database() const
{
    return QSqlDatabase::database(m_name, true);
}
