#include "database/queryrunner.h"

#include "database/sql.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

QueryRunner::QueryRunner() : m_db(QSqlDatabase::database(QSqlDatabase::defaultConnection, true))
{
}

QueryRunner::QueryRunner(const QSqlDatabase &connection) : m_db(connection)
{
}

bool QueryRunner::execute(QSqlQuery &query, const char *sql, const QVariantList &values)
{
    // SQLite refuses most broken statements (a missing table, a file that is
    // no database) when they are prepared; exec() after a failed prepare()
    // would replace that error with a vague "No query", so the query's error
    // stays the one of prepare().
    if (!query.prepare(QString::fromLatin1(sql)))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

void QueryRunner::reportFailed(const QSqlQuery &query)
{
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << query.lastError().text();
}

bool QueryRunner::fail(const QString &error)
{
    m_lastError = error;
    return false;
}

Records::Answer QueryRunner::firstRow(QSqlQuery &query, const char *sql, const QVariantList &values)
{
    if (!execute(query, sql, values)) {
        reportFailed(query);
        fail(query.lastError().text());
        return Records::Answer::Failed;
    }
    return query.next() ? Records::Answer::Found : Records::Answer::None;
}

bool QueryRunner::tableExists(const char *sql, bool *exists)
{
    QSqlQuery query(m_db);
    const Records::Answer answer = firstRow(query, sql);
    *exists = answer == Records::Answer::Found;
    return answer != Records::Answer::Failed;
}

bool QueryRunner::deleteRows(const char *sql, const QVariantList &values)
{
    QSqlQuery query(m_db);
    if (execute(query, sql, values))
        return true;
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery();
    return fail(query.lastError().text());
}

bool QueryRunner::deleteRows(const Sql::RowsOf &rows, int id)
{
    QSqlQuery others(m_db);
    if (firstRow(others, rows.others, {id, id}) != Records::Answer::Found)
        return false;
    if (others.value(0).toBool())
        return deleteRows(rows.one, {id});
    others.finish();
    return deleteRows(rows.all, {});
}

bool QueryRunner::deleteDictionaryRows(int id)
{
    // The entry list and the file's record go with the index, when the
    // database has them.
    bool entries = false;
    bool files = false;
    return deleteRows(Sql::wordRows, id) && deleteRows(Sql::deleteDictionary, {id}) &&
           tableExists(Sql::selectEntryTable, &entries) &&
           (!entries || deleteRows(Sql::entryRows, id)) &&
           tableExists(Sql::selectFileTable, &files) &&
           (!files || deleteRows(Sql::deleteFile, {id}));
}
