#include "database/installeddictionaries.h"

#include "database/sql.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

using Records::Answer;

bool InstalledDictionaries::list(QList<Records::Installed> *list)
{
    return read(list, true);
}

bool InstalledDictionaries::peek(QList<Records::Installed> *list)
{
    return read(list, false);
}

bool InstalledDictionaries::read(QList<Records::Installed> *list, bool report)
{
    return readDictionaries(list, report);
}

Answer InstalledDictionaries::find(int id, Records::Installed *installed)
{
    QList<Records::Installed> all;
    if (!list(&all))
        return Answer::Failed;
    for (const Records::Installed &dictionary : std::as_const(all)) {
        if (dictionary.id == id) {
            *installed = dictionary;
            return Answer::Found;
        }
    }
    return Answer::None;
}

bool InstalledDictionaries::types(QList<Records::Type> *types)
{
    types->clear();
    QSqlQuery query(m_db);
    // Not reported: with no type listed there is nothing to choose, which
    // shows for itself.
    if (!execute(query, Sql::selectTypes))
        return fail(query.lastError().text());
    while (query.next())
        types->append(
            {query.value(0).toInt(), query.value(2).toString(), !query.value(1).isNull()});
    // m_dictionary keeps the row it was seeded with: the types that came
    // later are offered after it.
    for (const Records::KnownType &known : Records::knownTypes) {
        if (std::none_of(types->cbegin(), types->cend(),
                         [&known](const Records::Type &type) { return type.id == known.id; }))
            types->append({known.id, QString::fromLatin1(known.name), false});
    }
    return true;
}

Answer InstalledDictionaries::registration(int id, Records::Registration *registration)
{
    QSqlQuery query(m_db);
    const Answer answer = firstRow(query, Sql::selectRegistration, {id});
    if (answer == Answer::Found)
        *registration = {query.value(0).toString(), query.value(1).toString()};
    return answer;
}

Answer InstalledDictionaries::fileIdentity(int id, FileIdentity *identity)
{
    bool exists = false;
    if (!tableExists(Sql::selectFileTable, &exists))
        return Answer::Failed;
    if (!exists)
        return Answer::None;
    // A table made before the hash of the whole file has no such column.
    bool content = false;
    if (!tableExists(Sql::selectFileContentColumn, &content))
        return Answer::Failed;
    QSqlQuery query(m_db);
    const Answer answer =
        firstRow(query, content ? Sql::selectFileWithContent : Sql::selectFile, {id});
    if (answer == Answer::Found)
        *identity = {query.value(0).toLongLong(), query.value(1).toLongLong(),
                     query.value(2).toByteArray(),
                     content ? query.value(3).toByteArray() : QByteArray()};
    return answer;
}
