#pragma once

#include "database/records.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class QSqlQuery;
namespace Sql {
struct RowsOf;
}

// What every class that works on one QtSql connection of the dictionary
// database shares: the connection, running a statement, the diagnostic
// line of a failed one, and SQLite's reason for the latest failure
// (lastError()). An object is used on its connection's thread only.
class QueryRunner
{
public:
    // On the default connection, opened if it is not open yet.
    QueryRunner();
    // On `connection`, which must be open.
    explicit QueryRunner(const QSqlDatabase &connection);

    QString lastError() const { return m_lastError; }
    QSqlDatabase connection() const { return m_db; }

protected:
    ~QueryRunner() = default;

    // Sets how long the connection's statements wait for another
    // connection's lock, for as long as it exists.
    class BusyWait
    {
    public:
        BusyWait(const QSqlDatabase &db, int milliseconds);
        ~BusyWait();
        BusyWait(const BusyWait &) = delete;
        BusyWait &operator=(const BusyWait &) = delete;

    private:
        QSqlDatabase m_db;
        int m_before;
    };

    // Prepares `sql`, binds `values` and runs it.
    static bool execute(QSqlQuery &query, const char *sql, const QVariantList &values = {});
    // "QSqlQuery::exec failed." with the statement and its error.
    static void reportFailed(const QSqlQuery &query);
    // Keeps `error` as the reason; false.
    bool fail(const QString &error);
    // Runs a query for at most one row and moves to it when there is one.
    Records::Answer firstRow(QSqlQuery &query, const char *sql, const QVariantList &values = {});
    // Whether the query `sql` finds a row: for a table that databases made
    // before it lack.
    bool tableExists(const char *sql, bool *exists);
    // Deletes dictionary `id`'s rows of one table.
    bool deleteRows(const Sql::RowsOf &rows, int id);
    bool deleteRows(const char *sql, const QVariantList &values) { return write(sql, values); }
    // Begins a transaction that writes, taking the write lock at once and
    // waiting for another connection's as long as Database::writeWait()
    // says: a deferred one that read first would fail without waiting
    // where another connection writes meanwhile. A failure is reported as
    // "QSqlDatabase::transaction failed.", with its reason kept.
    bool beginWrite();
    // Commits the caller's transaction; a failure is reported and rolled
    // back, with its reason kept.
    bool commitTransaction();
    // Runs a statement that changes rows; a failure is reported.
    bool write(const char *sql, const QVariantList &values);
    // Deletes an installed dictionary's index rows, its entry list, its
    // file's record and its registration, in the caller's transaction. Its
    // place in the user's order and its name stay (a rebuild keeps them).
    bool deleteDictionaryRows(int id);
    // The installed dictionaries in the user's order; with `ranked`, also
    // which of them have their row of t_installed. `report` writes the
    // diagnostic line of a failure.
    bool readDictionaries(QList<Records::Installed> *list, bool report,
                          QList<bool> *ranked = nullptr);
    // Gives every installed dictionary its row of t_installed, creating the
    // table when the database has none, in the caller's transaction; those
    // without one go after the others, in id order. `order` (if given)
    // gets them in the user's order, and `lastRank` the highest rank.
    bool settleOrder(QList<Records::Installed> *order = nullptr, int *lastRank = nullptr);

    QSqlDatabase m_db;
    QString m_lastError;
};
