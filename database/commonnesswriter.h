#pragma once

#include "database/queryrunner.h"
#include "database/records.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <vector>

// Stores how common an installed dictionary's entry words are, in a
// transaction of its own after the dictionary's build committed: the
// dictionary is usable before, with its keys in key order.
class CommonnessWriter : public QueryRunner
{
public:
    // The kept commonest keys of each prefix of counts in key order.
    using Ranking =
        std::function<std::vector<Records::PrefixCommon>(const std::vector<Records::Common> &)>;

    // On `connection`, which must be open.
    explicit CommonnessWriter(const QSqlDatabase &connection) : QueryRunner(connection) {}

    // Replaces the counts of dictionary `id`'s lines with `counts` (in
    // key order) and the commonest keys kept of each prefix, ranked by
    // `rank`; the keys counted were those of the dictionaries `sources`.
    // A dictionary removed meanwhile gets none (`stored` false).
    bool write(int id, const std::vector<Records::Common> &counts, const Ranking &rank,
               const QList<int> &sources, bool *stored);
    // Adds to dictionary `id`'s counts those of `counts` (in key order)
    // whose key it has none for, counted against the keys of `sources`,
    // and ranks its kept commonest keys again over all of them. A key it
    // has a count for keeps it: the same lines give the same count.
    bool merge(int id, const std::vector<Records::Common> &counts, const Ranking &rank,
               const QList<int> &sources, bool *stored);

private:
    bool store(int id, const std::vector<Records::Common> &counts, const Ranking &rank,
               const QList<int> &sources, bool merge, bool *stored);
    // Dictionary `id`'s counts as stored, in key order.
    bool readCounts(int id, std::vector<Records::Common> *counts);
    // Many rows to a statement: a statement costs more than its rows.
    bool insertRows(const char *sql, int columns, size_t rows,
                    const std::function<QVariantList(size_t)> &row);
};
