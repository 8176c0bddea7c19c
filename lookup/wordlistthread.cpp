#include "lookup/wordlistthread.h"

#include "database/indexreader.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/searchthread.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <memory>
#include <vector>

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
    return {Eijiro::queryKey(text), false, limit, {}};
}

WordListThread::Request WordListThread::after(const QString &key, int limit)
{
    return {key, true, limit, {}};
}

void WordListThread::setRequest(const Request &request)
{
    m_request = request;
}

namespace {

// Whether `a` comes before `b` in Unicode code point order, the order of
// SQLite's BINARY comparison of UTF-8 that lists each dictionary's keys.
bool codePointLess(const QString &a, const QString &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x == y)
            continue;
        // Surrogates stand for code points above every other unit.
        const auto weight = [](char16_t c) {
            return c >= 0xD800 && c <= 0xDFFF ? char32_t(c) + 0x10000 : char32_t(c);
        };
        return weight(x) < weight(y);
    }
    return a.size() < b.size();
}

// Entries read from a dictionary's index at a time, and rows spelt and
// handed on at a time: a long list is never held whole, whatever the
// number of dictionaries. A window's list takes one read of each.
constexpr int entriesAtOnce = 1000;
constexpr int rowsAtOnce = 1000;

// One dictionary's part of a list.
struct Source
{
    Records::Installed dictionary;
    Records::EntryList list = Records::EntryList::AllEntryWords;
    // Read from its index and not merged yet, from `next` on.
    QList<Records::Entry> entries;
    qsizetype next = 0;
    bool more = true; // its index may hold keys after `entries`
    Records::Answer record = Records::Answer::None;
    FileIdentity recorded;
    // Its file, opened for its first row, or at once when it is checked;
    // `error` when that failed.
    std::unique_ptr<QFile> file;
    QString error;

    bool exhausted() const { return next >= entries.size() && !more; }
    const QString &key() const { return entries.at(next).key; }
};

// Reads the next entries of `source` once those read are merged; false
// when the index could not be read. `request` says where the list starts.
bool readEntries(IndexReader &database, const WordListThread::Request &request, Source *source)
{
    if (source->next < source->entries.size() || !source->more)
        return true;
    const bool first = source->entries.isEmpty();
    const QString from = first ? request.key : source->entries.constLast().key;
    const int wanted = qMin(request.limit, entriesAtOnce);
    if (!database.entries(source->list, from, !first || request.after, wanted, &source->entries,
                          source->dictionary.id))
        return false;
    source->next = 0;
    source->more = source->entries.size() == wanted;
    return true;
}

// Opens the file of `source` once; its error (null when it is open).
QString openFile(Source *source)
{
    if (source->file || !source->error.isNull())
        return source->error;
    const QString &location = source->dictionary.location;
    auto file = std::make_unique<QFile>();
    QString reason;
    if (DictionaryFile::open(file.get(), location, &reason) != DictionaryFile::Opened)
        return source->error =
                   QStringLiteral("cannot open the dictionary file %1: %2").arg(location, reason);
    // Words the index offers would show other words' entries.
    if (source->record == Records::Answer::Found &&
        !DictionaryFile::matches(file.get(), location, source->recorded))
        return source->error = SearchThread::fileChangedError(location);
    if (!Eijiro::Decoder::forDictionary(source->dictionary.encoding).isValid())
        return source->error = QStringLiteral("no Shift_JIS decoder is available");
    source->file = std::move(file);
    return QString();
}

// Merges the next rows of `sources`, at most `limit`, each key once, taken
// from the first source (in the user's order) that has it: its index in
// `sources` and its entry. False when an index could not be read.
bool merge(IndexReader &database, const WordListThread::Request &request,
           std::vector<Source> &sources, int limit,
           QList<std::pair<std::size_t, Records::Entry>> *rows)
{
    rows->clear();
    while (rows->size() < limit) {
        std::size_t best = sources.size();
        for (std::size_t s = 0; s < sources.size(); ++s) {
            if (!readEntries(database, request, &sources[s]))
                return false;
            if (sources[s].exhausted())
                continue;
            if (best == sources.size() || codePointLess(sources[s].key(), sources[best].key()))
                best = s;
        }
        if (best == sources.size())
            break;
        const Records::Entry entry = sources[best].entries.at(sources[best].next);
        // The same key in the other dictionaries goes with it.
        for (Source &source : sources) {
            if (!source.exhausted() && source.key() == entry.key)
                ++source.next;
        }
        rows->append({best, entry});
    }
    return true;
}

// The rows of `merged` as the files spell them; with a single source, the
// error that keeps it from being listed (null when the rows were read).
QString spell(std::vector<Source> &sources,
              const QList<std::pair<std::size_t, Records::Entry>> &merged, LongReadPermit *permit,
              QList<WordListThread::Row> *rows)
{
    rows->clear();
    rows->reserve(merged.size());
    // Until its file is read, a row shows its key.
    for (const auto &row : merged)
        rows->append({row.second.key, row.second.key});
    for (std::size_t s = 0; s < sources.size(); ++s) {
        Source &source = sources[s];
        if (std::none_of(merged.cbegin(), merged.cend(),
                         [s](const auto &row) { return row.first == s; }))
            continue;
        // With several dictionaries, the others' words are listed all the
        // same; the page of one of this one says what is wrong.
        if (const QString error = openFile(&source); !error.isNull()) {
            if (sources.size() == 1)
                return error;
            continue;
        }
        Eijiro::Decoder decoder = Eijiro::Decoder::forDictionary(source.dictionary.encoding);
        BoundedReader reader(source.file.get(), lineReadAhead, permit);
        for (qsizetype r = 0; r < merged.size(); ++r) {
            if (merged.at(r).first != s)
                continue;
            const Records::Entry &entry = merged.at(r).second;
            const QString word =
                reader.entryWordAt(entry.position, entry.key, decoder, source.dictionary.type);
            // The line is no longer the entry: the file was edited in place.
            if (word.isNull()) {
                if (sources.size() == 1)
                    return SearchThread::fileChangedError(source.dictionary.location);
                continue;
            }
            (*rows)[r].shown = word;
        }
    }
    return QString();
}

WordListThread::List failedFile(const QString &error, const Source &source)
{
    WordListThread::List broken = failed(error);
    if (error == SearchThread::fileChangedError(source.dictionary.location))
        broken.status = WordListThread::FileChanged;
    return broken;
}

} // namespace

WordListThread::List WordListThread::list(const Request &request)
{
    List list;
    const List ended = WordListThread::list(
        request, [&list](QList<Row> &&rows) { list.rows.append(std::move(rows)); });
    list.status = ended.status;
    list.phrases = ended.phrases;
    list.error = ended.error;
    if (list.status != Listed)
        list.rows.clear();
    return list;
}

WordListThread::List WordListThread::list(const Request &request, const Rows &rows)
{
    IndexReader database;
    QList<Records::Installed> installed;
    switch (database.dictionaries(&installed)) {
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

    std::vector<Source> sources;
    for (const Records::Installed &dictionary : std::as_const(installed)) {
        if (request.only.isEmpty() ? !dictionary.enabled : !request.only.contains(dictionary.id))
            continue;
        Source source;
        source.dictionary = dictionary;
        if (database.entryLists(&source.list, dictionary.id) == Records::Answer::Failed)
            return indexFailed("the word list", database);
        // A dictionary installed before its file was recorded is not checked.
        source.record = database.fileIdentity(dictionary.id, &source.recorded);
        if (source.record == Records::Answer::Failed)
            return indexFailed("the dictionary file's record", database);
        sources.push_back(std::move(source));
    }

    List list;
    list.status = sources.empty() ? NoDictionary : Listed;
    list.phrases = std::all_of(sources.cbegin(), sources.cend(), [](const Source &source) {
        return source.list == Records::EntryList::AllEntryWords;
    });
    // A checked file is checked before any row: a single dictionary whose
    // file changed lists nothing.
    for (Source &source : sources) {
        if (source.record != Records::Answer::Found)
            continue;
        if (const QString error = openFile(&source); !error.isNull() && sources.size() == 1)
            return failedFile(error, source);
    }
    LongReadPermit permit;
    QList<std::pair<std::size_t, Records::Entry>> merged;
    QList<Row> spelt;
    for (int listed = 0; listed < request.limit; listed += int(merged.size())) {
        const int wanted = qMin(request.limit - listed, rowsAtOnce);
        if (!merge(database, request, sources, wanted, &merged))
            return indexFailed("the word list", database);
        // The index has answered all it will be asked: the files are read
        // without it.
        if (merged.size() < wanted || listed + merged.size() == request.limit)
            database.close();
        if (merged.isEmpty())
            break;
        if (const QString error = spell(sources, merged, &permit, &spelt); !error.isNull())
            return failedFile(error, sources.front());
        rows(std::move(spelt));
    }
    return list;
}

void WordListThread::run()
{
    m_list = list(m_request);
    emit listReady();
}
