#include "lookup/wordlistthread.h"

#include "database/indexreader.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/searchthread.h"

#include <QDebug>
#include <QFile>

namespace {

// One entry line is mostly well under this; a longer one is read on.
constexpr qint64 lineReadAhead = 512;

WordListThread::List failed(const QString &error)
{
    WordListThread::List list;
    list.status = WordListThread::Failed;
    list.error = error;
    return list;
}

// The index could not be read: said on the debug channel too, as a look-up
// says it, since the list only shows that it failed.
WordListThread::List indexFailed(const char *what, const IndexReader &database)
{
    const QString error =
        QStringLiteral("cannot read %1: %2").arg(QLatin1String(what), database.lastError());
    qDebug() << "The word list could not be read." << error;
    return failed(error);
}

} // namespace

WordListThread::Request WordListThread::from(const QString &text, int limit)
{
    return {Eijiro::queryKey(text), false, limit};
}

WordListThread::Request WordListThread::after(const QString &key, int limit)
{
    return {key, true, limit};
}

void WordListThread::setRequest(const Request &request)
{
    m_request = request;
}

WordListThread::List WordListThread::list(const Request &request)
{
    IndexReader database;
    QString location;
    switch (database.dictionaryLocation(&location)) {
    case Records::Answer::Found:
        break;
    case Records::Answer::None: {
        List none;
        none.status = NoDictionary;
        return none;
    }
    case Records::Answer::Failed:
        return indexFailed("the installed dictionaries", database);
    }

    Records::EntryList source;
    QList<Records::Entry> entries;
    if (database.entryLists(&source) == Records::Answer::Failed ||
        !database.entries(source, request.key, request.after, request.limit, &entries))
        return indexFailed("the word list", database);
    // A dictionary installed before its file was recorded is not checked.
    FileIdentity recorded;
    const Records::Answer record = database.fileIdentity(Records::eijiroId, &recorded);
    if (record == Records::Answer::Failed)
        return indexFailed("the dictionary file's record", database);
    database.close();

    List list;
    list.status = Listed;
    list.phrases = source == Records::EntryList::AllEntryWords;
    const bool checked = record == Records::Answer::Found;
    if (entries.isEmpty() && !checked)
        return list;
    QFile file;
    QString reason;
    if (DictionaryFile::open(&file, location, &reason) != DictionaryFile::Opened)
        return failed(
            QStringLiteral("cannot open the dictionary file %1: %2").arg(location, reason));
    // Words the index offers would show other words' entries.
    if (checked && !DictionaryFile::matches(&file, location, recorded)) {
        List changed = failed(SearchThread::fileChangedError(location));
        changed.status = FileChanged;
        return changed;
    }
    Eijiro::Decoder decoder;
    if (!decoder.isValid())
        return failed(QStringLiteral("no Shift_JIS decoder is available"));
    LongReadPermit permit;
    BoundedReader reader(&file, lineReadAhead, &permit);
    list.rows.reserve(entries.size());
    for (const Records::Entry &entry : std::as_const(entries))
        list.rows.append({entry.key, reader.entryWordAt(entry.position, entry.key, decoder)});
    return list;
}

void WordListThread::run()
{
    m_list = list(m_request);
    emit listReady();
}
