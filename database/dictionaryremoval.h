#pragma once

#include "database/queryrunner.h"

// Removes an installed dictionary from the dictionary database: its index
// rows, its entry list, its file's record, its registration, its name and
// its place in the order. Its type stays, so it can be installed again.
class DictionaryRemoval : public QueryRunner
{
public:
    using QueryRunner::QueryRunner;

    // Deletes dictionary `id` in one transaction. Needs next to no room on
    // the disk: it gives up the reserve first and keeps it again after
    // (DiskRoom). True once the removal is committed; when the log could
    // not be emptied after it, notice() says so.
    bool remove(int id);
    // What to tell of a removal that went through: empty, or that the log
    // keeps its room for now.
    QString notice() const { return m_notice; }

private:
    QString m_notice;
};
