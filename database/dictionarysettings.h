#pragma once

#include "database/queryrunner.h"

#include <QList>
#include <QString>

// How the user has the installed dictionaries: their names, their order
// (the order of a page's sections and of the word list's spellings) and
// which are switched on. Each change is one transaction; a database made
// before names and order gets its t_installed table with the first one.
class DictionarySettings : public QueryRunner
{
public:
    using QueryRunner::QueryRunner;

    // The longest name a dictionary may have, in characters.
    static constexpr int longestName = 200;
    // `name` as it is kept: line breaks, tabs and other control characters
    // become spaces, and spaces around it go. Null, with `error` (if given)
    // saying why in one translated line, when that leaves nothing or more
    // than longestName characters.
    static QString cleanName(const QString &name, QString *error = nullptr);
    // The name a dictionary installed from `file` gets when none is given:
    // the file's name without its last extension.
    static QString nameOfFile(const QString &file);

    // Each of these is false, with the reason in lastError(), when the
    // dictionary is not installed, the name is refused or the database
    // could not be written; nothing is changed then.
    bool rename(int id, const QString &name);
    bool setEnabled(int id, bool enabled);
    // Moves dictionary `id` `steps` places towards the end of the order
    // (negative: towards its start), stopping at either end.
    bool move(int id, int steps);
    // Puts the dictionaries in the order of `ids`, which must name every
    // installed dictionary once.
    bool setOrder(const QList<int> &ids);

private:
    // Runs `change` on the settled order inside one transaction.
    template <typename Change> bool inTransaction(Change change);
    bool writeOrder(const QList<int> &ids);
    bool notInstalled(int id);
};
