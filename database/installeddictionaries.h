#pragma once

#include "database/fileidentity.h"
#include "database/queryrunner.h"
#include "database/records.h"

#include <QList>

// What the windows and orvel-cli read of the dictionary database through
// QtSql: the installed dictionaries, the known types, a dictionary's
// registration and its file's record. Look-ups read through IndexReader;
// DictionarySettings changes names, order and what is switched on.
class InstalledDictionaries : public QueryRunner
{
public:
    using QueryRunner::QueryRunner;

    // Installed dictionaries in the user's order, switched off ones
    // included, with the names the user gave them (a dictionary installed
    // before names has its type's).
    bool list(QList<Records::Installed> *list);
    // Installed dictionary `id`.
    Records::Answer find(int id, Records::Installed *installed);
    // The same without a diagnostic line on failure: for a look whether
    // anything changed, made often, where what reads the index says why.
    bool peek(QList<Records::Installed> *list);
    // Every known type, and whether a dictionary of it is installed.
    bool types(QList<Records::Type> *types);
    // What dictionary `id` was registered with, if it is installed.
    Records::Answer registration(int id, Records::Registration *registration);
    // What dictionary `id`'s file looked like when its index was built;
    // None for a dictionary installed before that was recorded.
    Records::Answer fileIdentity(int id, FileIdentity *identity);

private:
    bool read(QList<Records::Installed> *list, bool report);
};
