#include "database/commonnesswriter.h"

#include "database/sql.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

#include <iterator>

bool CommonnessWriter::write(int id, const std::vector<Records::Common> &counts,
                             const Ranking &rank, const QList<int> &sources, bool *stored)
{
    return store(id, counts, rank, sources, false, stored);
}

bool CommonnessWriter::merge(int id, const std::vector<Records::Common> &counts,
                             const Ranking &rank, const QList<int> &sources, bool *stored)
{
    return store(id, counts, rank, sources, true, stored);
}

bool CommonnessWriter::store(int id, const std::vector<Records::Common> &counts,
                             const Ranking &rank, const QList<int> &sources, bool merge,
                             bool *stored)
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
        !execute(query, Sql::createCommonRanked) || !execute(query, Sql::createCommonSource)) {
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
    query.finish();
    // Merged: the stored counts, read in this transaction, so that an
    // install beside that merged meanwhile loses nothing.
    std::vector<Records::Common> all, added;
    if (merge) {
        std::vector<Records::Common> before;
        if (!readCounts(id, &before))
            return rollBack();
        all.reserve(before.size() + counts.size());
        auto old = before.begin();
        for (const Records::Common &count : counts) {
            while (old != before.end() && Records::codePointLess(old->key, count.key))
                all.push_back(std::move(*old++));
            if (old != before.end() && old->key == count.key)
                continue;
            all.push_back(count);
            added.push_back(count);
        }
        std::move(old, before.end(), std::back_inserter(all));
    }
    const std::vector<Records::Common> &written = merge ? added : counts;
    // The kept commonest keys as counted before: replaced by the ranked ones.
    bool prefixes = false;
    if ((!merge &&
         (!deleteRows(Sql::deleteCommon, {id}) || !deleteRows(Sql::deleteCommonSources, {id}))) ||
        !deleteRows(Sql::deleteCommonRanked, {id}) ||
        !tableExists(Sql::selectCommonPrefixTable, &prefixes) ||
        (prefixes && !deleteRows(Sql::deleteCommonPrefixes, {id})))
        return rollBack();
    const std::vector<Records::PrefixCommon> ranked = rank(merge ? all : counts);
    if (!insertRows(
            Sql::insertCommon, 4, written.size(),
            [&](size_t i) {
                const Records::Common &c = written[i];
                return QVariantList{id, c.key, c.commonness.lines, int(c.commonness.marked)};
            }) ||
        !insertRows(Sql::insertCommonRanked, 3, ranked.size(), [&](size_t i) {
            QString text;
            for (const Records::Common &c : ranked[i].ranked)
                text += QString::number(c.commonness.lines) + u'\t' +
                        QChar(c.commonness.marked ? u'1' : u'0') + u'\t' + c.key + u'\n';
            return QVariantList{id, ranked[i].prefix, text};
        }))
        return rollBack();
    for (const int source : sources) {
        if (!QueryRunner::write(Sql::insertCommonSource, {id, source}))
            return rollBack();
    }
    if (!commitTransaction())
        return false;
    *stored = true;
    return true;
}

bool CommonnessWriter::readCounts(int id, std::vector<Records::Common> *counts)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!execute(query, Sql::selectCommonRows, {id})) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    while (query.next())
        counts->push_back({query.value(0).toString(),
                           {query.value(1).toLongLong(), query.value(2).toInt() != 0}});
    if (query.lastError().isValid()) {
        qDebug() << "QSqlQuery::next failed." << query.lastError().text();
        return fail(query.lastError().text());
    }
    return true;
}

bool CommonnessWriter::insertRows(const char *sql, int columns, size_t rows,
                                  const std::function<QVariantList(size_t)> &row)
{
    constexpr size_t chunk = 128;
    const QString marks =
        QStringLiteral("(") + QStringLiteral("?, ").repeated(columns - 1) + QStringLiteral("?)");
    QSqlQuery query(m_db);
    for (size_t first = 0; first < rows; first += chunk) {
        const size_t n = std::min(chunk, rows - first);
        // Prepared once for the full chunks and again for a shorter last one.
        if (first == 0 || n < chunk) {
            QString statement = QString::fromLatin1(sql);
            for (size_t i = 0; i < n; ++i)
                statement += (i ? QStringLiteral(", ") : QString()) + marks;
            query.prepare(statement);
        }
        for (size_t i = first; i < first + n; ++i)
            for (const QVariant &value : row(i))
                query.addBindValue(value);
        if (!query.exec()) {
            reportFailed(query);
            return fail(query.lastError().text());
        }
    }
    return true;
}
