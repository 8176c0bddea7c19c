#include "database/queryrunner.h"

#include "database/database.h"
#include "database/sql.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>
#include <utility>

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

QueryRunner::BusyWait::BusyWait(const QSqlDatabase &db, int milliseconds)
    : m_db(db), m_before(Database::busyTimeout())
{
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("PRAGMA busy_timeout")) && query.next())
        m_before = query.value(0).toInt();
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds));
}

QueryRunner::BusyWait::~BusyWait()
{
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_before));
}

bool QueryRunner::beginWrite()
{
    const BusyWait wait(m_db, Database::writeWait());
    QSqlQuery begin(m_db);
    if (begin.exec(QString::fromLatin1(Sql::beginImmediate)))
        return true;
    qDebug() << "QSqlDatabase::transaction failed.";
    return fail(begin.lastError().text());
}

bool QueryRunner::commitTransaction()
{
    if (m_db.commit())
        return true;
    qDebug() << "QSqlDatabase::commit failed." << m_db.lastError().text();
    fail(m_db.lastError().text());
    m_db.rollback();
    return false;
}

bool QueryRunner::write(const char *sql, const QVariantList &values)
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
    if (!deleteRows(Sql::wordRows, id) || !deleteRows(Sql::deleteDictionary, {id}))
        return false;
    // The entry list, the file's record, the keys, the format and the
    // counts go with the index, when the database has them.
    const std::pair<const char *, std::function<bool()>> optional[] = {
        {Sql::selectEntryTable, [&] { return deleteRows(Sql::entryRows, id); }},
        {Sql::selectFileTable, [&] { return deleteRows(Sql::deleteFile, {id}); }},
        {Sql::selectKeyTable, [&] { return deleteRows(Sql::deleteKeys, {id}); }},
        {Sql::selectFormatTable, [&] { return deleteRows(Sql::deleteFormat, {id}); }},
        {Sql::selectCommonTable, [&] { return deleteRows(Sql::commonRows, id); }},
        {Sql::selectCommonPrefixTable, [&] { return deleteRows(Sql::commonPrefixRows, id); }},
        {Sql::selectCommonRankedTable, [&] { return deleteRows(Sql::commonRankedRows, id); }},
        {Sql::selectCommonSourceTable,
         [&] {
             return deleteRows(Sql::deleteCommonSourcesOf, {id, id});
         }},
    };
    for (const auto &[table, remove] : optional) {
        bool exists = false;
        if (!tableExists(table, &exists) || (exists && !remove()))
            return false;
    }
    return true;
}

bool QueryRunner::readDictionaries(QList<Records::Installed> *list, bool report,
                                   QList<bool> *ranked)
{
    list->clear();
    if (ranked)
        ranked->clear();
    // The list of installed dictionaries as it always was read: what fails
    // it fails as it always did.
    QSqlQuery query(m_db);
    if (!execute(query, Sql::selectInstalled)) {
        if (report)
            reportFailed(query);
        return fail(query.lastError().text());
    }
    query.finish();
    bool settings = false;
    if (!tableExists(Sql::selectSettingsTable, &settings))
        return false;
    if (!execute(query, settings ? Sql::selectDictionaries : Sql::selectDictionariesUnsorted)) {
        if (report)
            reportFailed(query);
        return fail(query.lastError().text());
    }
    while (query.next()) {
        const QVariant count = query.value(4);
        list->append({query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(),
                      query.value(3).toString(), query.value(5).toBool(),
                      count.isNull() ? -1 : count.toLongLong()});
        if (ranked)
            ranked->append(!query.value(6).isNull());
    }
    bool formats = false;
    if (!tableExists(Sql::selectFormatTable, &formats))
        return false;
    if (formats) {
        if (!execute(query, Sql::selectFormats)) {
            if (report)
                reportFailed(query);
            return fail(query.lastError().text());
        }
        while (query.next()) {
            for (Records::Installed &dictionary : *list) {
                if (dictionary.id == query.value(0).toInt())
                    dictionary.type = query.value(1).toInt();
            }
        }
    }
    return true;
}

bool QueryRunner::settleOrder(QList<Records::Installed> *order, int *lastRank)
{
    QSqlQuery query(m_db);
    if (!execute(query, Sql::createSettings)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    QList<Records::Installed> list;
    QList<bool> ranked;
    if (!readDictionaries(&list, true, &ranked))
        return false;
    // Those with a row come first, in rank order: the last of them has the
    // highest rank.
    int rank = -1;
    if (const qsizetype withRow = ranked.count(true); withRow > 0) {
        QSqlQuery highest(m_db);
        if (firstRow(highest, Sql::selectLastRank) != Records::Answer::Found)
            return false;
        rank = highest.value(0).toInt();
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (ranked.at(i))
            continue;
        const Records::Installed &dictionary = list.at(i);
        if (!execute(query, Sql::insertSettings,
                     {dictionary.id, dictionary.name, ++rank, int(dictionary.enabled)})) {
            reportFailed(query);
            return fail(query.lastError().text());
        }
    }
    if (order)
        *order = list;
    if (lastRank)
        *lastRank = rank;
    return true;
}
