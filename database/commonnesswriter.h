#pragma once

#include "database/queryrunner.h"
#include "database/records.h"

#include <QStringList>

#include <vector>

// Stores how common an installed dictionary's entry words are, in a
// transaction of its own after the dictionary's build committed: the
// dictionary is usable before, with its keys in key order.
class CommonnessWriter : public QueryRunner
{
public:
    // On `connection`, which must be open.
    explicit CommonnessWriter(const QSqlDatabase &connection) : QueryRunner(connection) {}

    // Replaces the counts of dictionary `id`'s lines with `counts` and
    // the commonest keys kept of each prefix, `ranked`. A dictionary
    // removed meanwhile gets none (`stored` false).
    bool write(int id, const std::vector<Records::Common> &counts,
               const std::vector<Records::PrefixCommon> &ranked, bool *stored);
};
