#include "database/commonnesswriter.h"

#include "database/sql.h"

#include <QSqlError>
#include <QSqlQuery>

bool CommonnessWriter::keys(int id, QStringList *keys)
{
    keys->clear();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!execute(query, Sql::selectEntryKeys, {id})) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    while (query.next())
        *keys << query.value(0).toString();
    return true;
}

bool CommonnessWriter::write(int id, const std::vector<Records::Common> &counts,
                             const std::vector<Records::PrefixCommon> &prefixes, bool *stored)
{
    *stored = false;
    if (!beginWrite())
        return false;
    const auto rollBack = [this] {
        m_db.rollback();
        return false;
    };
    QSqlQuery query(m_db);
    if (!execute(query, Sql::createCommon) || !execute(query, Sql::createCommonLines) ||
        !execute(query, Sql::createCommonPrefixes)) {
        reportFailed(query);
        fail(query.lastError().text());
        return rollBack();
    }
    const Records::Answer registered = firstRow(query, Sql::selectRegistered, {id});
    if (registered == Records::Answer::Failed)
        return rollBack();
    if (registered == Records::Answer::None) {
        m_db.rollback();
        return true;
    }
    if (!deleteRows(Sql::deleteCommon, {id}) || !deleteRows(Sql::deleteCommonPrefixes, {id}))
        return rollBack();
    // Each row through the statement prepared once.
    const auto insert = [&](const QVariantList &values) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
        reportFailed(query);
        return fail(query.lastError().text());
    };
    query.prepare(QString::fromLatin1(Sql::insertCommon));
    for (const Records::Common &count : counts) {
        if (!insert({id, count.key, count.commonness.lines, int(count.commonness.marked)}))
            return rollBack();
    }
    query.prepare(QString::fromLatin1(Sql::insertCommonPrefix));
    for (const Records::PrefixCommon &best : prefixes) {
        if (!insert(
                {id, best.prefix, best.key, best.commonness.lines, int(best.commonness.marked)}))
            return rollBack();
    }
    query.finish();
    if (!commitTransaction())
        return false;
    *stored = true;
    return true;
}
