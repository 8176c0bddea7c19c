#pragma once

#include <QSqlDatabase>
#include <QString>

// A connection of a worker thread's own on the same file as the default
// connection. Qt refuses to use a connection from a thread other than the one
// that created it, so the index builder makes one of these inside run(), under a
// name nobody else uses, and it is removed again when the object goes away.
// Destroy every QSqlQuery made on it before this object.
class WorkerConnection
{
public:
    // Clones the default connection's driver and file name.
    WorkerConnection();
    ~WorkerConnection();

    WorkerConnection(const WorkerConnection &) = delete;
    WorkerConnection &operator=(const WorkerConnection &) = delete;

    // The connection, opened (as DictionaryDatabase opens every connection)
    // if it is not open yet.
    QSqlDatabase database() const;
    QString name() const { return m_name; }

private:
    QString m_name;
};
