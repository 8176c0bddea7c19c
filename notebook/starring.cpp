#include "notebook/starring.h"

#include "database/indexreader.h"
#include "notebook/pageentries.h"

namespace Starring {

QString soleDictionary(const QList<int> &only)
{
    QList<Records::Installed> installed;
    IndexReader index;
    if (index.dictionaries(&installed) != Records::Answer::Found)
        return QString();
    QStringList read;
    for (const Records::Installed &dictionary : std::as_const(installed)) {
        if (only.isEmpty() ? dictionary.enabled : only.contains(dictionary.id))
            read << dictionary.name;
    }
    return read.size() == 1 ? read.first() : QString();
}

SearchThread::Status find(const QString &word, const QList<int> &only, const QString &sole,
                          Star *star, QString *error)
{
    Page page;
    const SearchThread::Status status = SearchThread::lookUpEntry(word, &page, error, only);
    if (status != SearchThread::Found)
        return status;
    const QList<Star> entries = PageEntries::read(page, sole);
    const Star *found = PageEntries::find(entries, word);
    if (!found)
        return SearchThread::NotFound;
    *star = *found;
    return SearchThread::Found;
}

} // namespace Starring
