#include "database/commonnesswriter.h"

#include "database/sql.h"

#include <QSqlError>
#include <QSqlQuery>

#include <functional>

bool CommonnessWriter::write(int id, const std::vector<Records::Common> &counts,
                             const std::vector<Records::PrefixCommon> &ranked, bool *stored)
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
        !execute(query, Sql::createCommonRanked)) {
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
    // The kept commonest keys as counted before: replaced by the ranked ones.
    bool prefixes = false;
    if (!deleteRows(Sql::deleteCommon, {id}) || !deleteRows(Sql::deleteCommonRanked, {id}) ||
        !tableExists(Sql::selectCommonPrefixTable, &prefixes) ||
        (prefixes && !deleteRows(Sql::deleteCommonPrefixes, {id})))
        return rollBack();
    // Many rows to a statement: a statement costs more than its rows.
    const auto insert = [&](const char *sql, int columns, size_t rows,
                            const std::function<QVariantList(size_t)> &row) {
        constexpr size_t chunk = 128;
        const QString marks = QStringLiteral("(") + QStringLiteral("?, ").repeated(columns - 1) +
                              QStringLiteral("?)");
        for (size_t first = 0; first < rows; first += chunk) {
            const size_t n = std::min(chunk, rows - first);
            QString statement = QString::fromLatin1(sql);
            for (size_t i = 0; i < n; ++i)
                statement += (i ? QStringLiteral(", ") : QString()) + marks;
            if (first == 0 || n < chunk)
                query.prepare(statement);
            for (size_t i = first; i < first + n; ++i)
                for (const QVariant &value : row(i))
                    query.addBindValue(value);
            if (!query.exec()) {
                reportFailed(query);
                return fail(query.lastError().text());
            }
        }
        return true;
    };
    if (!insert(Sql::insertCommon, 4, counts.size(),
                [&](size_t i) {
                    const Records::Common &c = counts[i];
                    return QVariantList{id, c.key, c.commonness.lines, int(c.commonness.marked)};
                }) ||
        !insert(Sql::insertCommonRanked, 3, ranked.size(), [&](size_t i) {
            QString text;
            for (const Records::Common &c : ranked[i].ranked)
                text += QString::number(c.commonness.lines) + u'\t' +
                        QChar(c.commonness.marked ? u'1' : u'0') + u'\t' + c.key + u'\n';
            return QVariantList{id, ranked[i].prefix, text};
        }))
        return rollBack();
    query.finish();
    if (!commitTransaction())
        return false;
    *stored = true;
    return true;
}
