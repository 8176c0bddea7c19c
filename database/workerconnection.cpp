#include "database/workerconnection.h"

#include "database/dictionarydatabase.h"

#include <atomic>
#include <mutex>

static QString uniqueName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvel-worker-%1").arg(++counter);
}

// QtSql keeps all connections in one table behind a lock of its own. Adding
// and removing them under this mutex as well costs nothing and lets
// ThreadSanitizer, which cannot see into the Qt libraries, check the threads
// that make and drop connections at the same time.
static std::mutex registryMutex;

WorkerConnection::WorkerConnection() : m_name(uniqueName())
{
    std::lock_guard lock(registryMutex);
    QSqlDatabase::cloneDatabase(QSqlDatabase::defaultConnection, m_name);
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
        DictionaryDatabase::openConnection(db);
    return db;
}
