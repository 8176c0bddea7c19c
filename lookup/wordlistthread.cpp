#include "lookup/wordlistthread.h"

#include "database/indexreader.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/searchthread.h"

#include <QDebug>
#include <QFile>

#include <algorithm>

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

// One dictionary's part of a list.
struct Source
{
    Records::Installed dictionary;
    Records::EntryList list = Records::EntryList::AllEntryWords;
    QList<Records::Entry> entries;
    Records::Answer record = Records::Answer::None;
    FileIdentity recorded;
};

// The rows of the first `limit` keys of all sources, each key once, taken
// from the first source (in the user's order) that has it: its index in
// `sources` and its entry.
QList<std::pair<qsizetype, Records::Entry>> merge(const QList<Source> &sources, int limit)
{
    QList<std::pair<qsizetype, Records::Entry>> rows;
    QList<qsizetype> next(sources.size(), 0);
    while (rows.size() < limit) {
        qsizetype best = -1;
        for (qsizetype s = 0; s < sources.size(); ++s) {
            if (next[s] >= sources[s].entries.size())
                continue;
            const QString &key = sources[s].entries.at(next[s]).key;
            if (best < 0 || codePointLess(key, sources[best].entries.at(next[best]).key))
                best = s;
        }
        if (best < 0)
            break;
        const Records::Entry entry = sources[best].entries.at(next[best]);
        // The same key in the other dictionaries goes with it.
        for (qsizetype s = 0; s < sources.size(); ++s) {
            if (next[s] < sources[s].entries.size() &&
                sources[s].entries.at(next[s]).key == entry.key)
                ++next[s];
        }
        rows.append({best, entry});
    }
    return rows;
}

// The entry words of `rows` that come from `source`, as its file spells
// them; on failure the list's error (null when the rows were read).
QString readShown(const Source &source, qsizetype index,
                  const QList<std::pair<qsizetype, Records::Entry>> &rows,
                  QList<WordListThread::Row> *shown)
{
    const bool checked = source.record == Records::Answer::Found;
    const bool used = std::any_of(rows.cbegin(), rows.cend(),
                                  [index](const auto &row) { return row.first == index; });
    if (!used && !checked)
        return QString();
    const QString &location = source.dictionary.location;
    QFile file;
    QString reason;
    if (DictionaryFile::open(&file, location, &reason) != DictionaryFile::Opened)
        return QStringLiteral("cannot open the dictionary file %1: %2").arg(location, reason);
    // Words the index offers would show other words' entries.
    if (checked && !DictionaryFile::matches(&file, location, source.recorded))
        return SearchThread::fileChangedError(location);
    Eijiro::Decoder decoder = Eijiro::Decoder::forDictionary(source.dictionary.encoding);
    if (!decoder.isValid())
        return QStringLiteral("no Shift_JIS decoder is available");
    LongReadPermit permit;
    BoundedReader reader(&file, lineReadAhead, &permit);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (rows.at(r).first != index)
            continue;
        const Records::Entry &entry = rows.at(r).second;
        const QString word = reader.entryWordAt(entry.position, entry.key, decoder);
        // The line is no longer the entry: the file was edited in place.
        if (word.isNull())
            return SearchThread::fileChangedError(location);
        (*shown)[r].shown = word;
    }
    return QString();
}

} // namespace

WordListThread::List WordListThread::list(const Request &request)
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

    QList<Source> sources;
    for (const Records::Installed &dictionary : std::as_const(installed)) {
        if (request.only.isEmpty() ? !dictionary.enabled : !request.only.contains(dictionary.id))
            continue;
        Source source{dictionary, Records::EntryList::AllEntryWords, {}, Records::Answer::None, {}};
        if (database.entryLists(&source.list, dictionary.id) == Records::Answer::Failed ||
            !database.entries(source.list, request.key, request.after, request.limit,
                              &source.entries, dictionary.id))
            return indexFailed("the word list", database);
        // A dictionary installed before its file was recorded is not checked.
        source.record = database.fileIdentity(dictionary.id, &source.recorded);
        if (source.record == Records::Answer::Failed)
            return indexFailed("the dictionary file's record", database);
        sources << source;
    }
    database.close();

    List list;
    list.status = sources.isEmpty() ? NoDictionary : Listed;
    list.phrases = std::all_of(sources.cbegin(), sources.cend(), [](const Source &source) {
        return source.list == Records::EntryList::AllEntryWords;
    });
    const QList<std::pair<qsizetype, Records::Entry>> rows = merge(sources, request.limit);
    list.rows.reserve(rows.size());
    // Until its file is read, a row shows its key.
    for (const auto &row : rows)
        list.rows.append({row.second.key, row.second.key});
    for (qsizetype s = 0; s < sources.size(); ++s) {
        const QString error = readShown(sources.at(s), s, rows, &list.rows);
        if (error.isNull())
            continue;
        // With several dictionaries, the others' words are listed all the
        // same; the page of one of this one says what is wrong.
        if (sources.size() > 1)
            continue;
        List broken = failed(error);
        if (error == SearchThread::fileChangedError(sources.at(s).dictionary.location))
            broken.status = FileChanged;
        return broken;
    }
    return list;
}

void WordListThread::run()
{
    m_list = list(m_request);
    emit listReady();
}
