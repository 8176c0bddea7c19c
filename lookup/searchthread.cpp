#include "lookup/searchthread.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/meaning.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

#include <optional>

namespace {
// A failed look-up still shows a page: a desktop user has no terminal to
// read the debug line on, and the previous word's page would be a wrong
// answer. `line` is the failure in one line for the command line.
SearchThread::Status failed(const Page &shown, const QString &line, Page *page, QString *error)
{
    *page = shown;
    if (error)
        *error = line;
    return SearchThread::Failed;
}

SearchThread::Status indexFailed(const IndexReader &database, const char *what, Page *page,
                                 QString *error)
{
    const QString reason = database.lastError();
    qDebug() << "QSqlQuery::exec failed." << database.failedStatement() << reason;
    const QString line = QStringLiteral("cannot read %1: %2").arg(QLatin1String(what), reason);
    // Removing the dictionary goes through the same file, so it cannot
    // help when the file itself is at fault: say which file, and the way out.
    if (database.fileUnusable())
        return failed(
            Page::message(QCoreApplication::translate(
                              "SearchThread",
                              "The dictionary index cannot be read:\n%1\n\nIts file cannot be "
                              "opened, or it is damaged:\n%2\n\nPlease quit Orvel and make sure "
                              "that you can read and write that file and its folder. If the file "
                              "is damaged, move it away: Orvel then starts with a new, empty "
                              "index, and the dictionary can be added again on preferences "
                              "dialog.\n[Edit] - [Preferences] - [Dictionary] Tab"),
                          {reason, ReaderFile::name()}),
            line, page, error);
    return failed(Page::message(QCoreApplication::translate(
                                    "SearchThread",
                                    "The dictionary index cannot be read:\n%1\n\nPlease try "
                                    "again. If this keeps happening, remove the dictionary and "
                                    "add it again on preferences dialog.\n[Edit] - "
                                    "[Preferences] - [Dictionary] Tab"),
                                {reason}),
                  line, page, error);
}

SearchThread::Status fileFailed(const QString &path, const QString &reason, Page *page,
                                QString *error)
{
    qDebug() << "QFile::open failed.";
    return failed(Page::message(QCoreApplication::translate(
                                    "SearchThread",
                                    "The dictionary file cannot be read:\n%1\n(%2)\n\nIt may "
                                    "have been moved, deleted or replaced. Please remove the "
                                    "dictionary and add it again on preferences dialog.\n[Edit] "
                                    "- [Preferences] - [Dictionary] Tab"),
                                {path, reason}),
                  QStringLiteral("cannot open the dictionary file %1: %2").arg(path, reason), page,
                  error);
}

// The index holds the offsets of another file: its words would show other
// words' entries. The page offers to build the index again.
SearchThread::Status fileChanged(const QString &path, Page *page, QString *error)
{
    qDebug() << "The dictionary file has changed since it was installed." << path;
    Page shown = Page::message(
        QCoreApplication::translate(
            "SearchThread",
            "The dictionary file has changed since it was installed:\n%1\n\nIts index no "
            "longer fits it, so words would show other words' entries. Please rebuild the "
            "index, here or on preferences dialog.\n[Edit] - [Preferences] - [Dictionary] "
            "Tab\n\n"),
        {path});
    shown.blocks.append(Page::link(QCoreApplication::translate("SearchThread", "Rebuild the index"),
                                   SearchThread::rebuildLink));
    return failed(shown, SearchThread::fileChangedError(path), page, error);
}

// A line of the file read on its own (a suggestion's): most are well
// under this, a longer one is read on.
constexpr qint64 lineReadAhead = 512;

// Each step below either lets the look-up go on (no value) or ends it with
// the page it has set.
using Ending = std::optional<SearchThread::Status>;

Ending findDictionary(IndexReader &database, QString *location, Page *page, QString *error)
{
    switch (database.dictionaryLocation(location)) {
    case Records::Answer::Found:
        return std::nullopt;
    case Records::Answer::None:
        qDebug() << "QSqlQuery::next failed.";
        *page = SearchThread::noDictionaryPage();
        return SearchThread::NoDictionary;
    case Records::Answer::Failed:
        break;
    }
    return indexFailed(database, "the installed dictionaries", page, error);
}

// What the file looked like when its index was built: none for a
// dictionary installed before that was recorded, which is not checked.
Ending findRecord(IndexReader &database, std::optional<FileIdentity> *recorded, Page *page,
                  QString *error)
{
    FileIdentity identity;
    const Records::Answer answer = database.fileIdentity(Records::eijiroId, &identity);
    if (answer == Records::Answer::Failed)
        return indexFailed(database, "the dictionary file's record", page, error);
    if (answer == Records::Answer::Found)
        *recorded = identity;
    return std::nullopt;
}

// Never blocks, whatever now stands at the path: a FIFO fails like a
// missing file. The line reader buffers on its own.
Ending openDictionary(const QString &location, QFile *file, const Eijiro::Decoder &decoder,
                      Page *page, QString *error)
{
    QString reason;
    if (DictionaryFile::open(file, location, &reason) != DictionaryFile::Opened)
        return fileFailed(location, reason, page, error);
    if (decoder.isValid())
        return std::nullopt;
    qDebug() << "Shift_JIS decoder not available.";
    return failed(Page::message(QCoreApplication::translate(
                      "SearchThread", "No Shift_JIS decoder is available, so the dictionary "
                                      "cannot be read.\n\nPlease install Orvel again.")),
                  QStringLiteral("no Shift_JIS decoder is available"), page, error);
}

// Renders `lines` more lines of the window.
void renderLines(BoundedReader &reader, Eijiro::Decoder &decoder, ResultRenderer &renderer,
                 int lines)
{
    QString line;
    for (int i = 0; i < lines; ++i) {
        reader.readLine(decoder, &line);
        // Every further read past the end would give an empty line too,
        // and empty lines render nothing.
        if (line.isEmpty())
            break;
        renderer.renderLine(line);
    }
}

SearchThread::Status finish(const ResultRenderer &renderer, Page *page)
{
    *page = renderer.finish();
    return renderer.isEmpty() ? SearchThread::NotFound : SearchThread::Found;
}

// Where a page lies, as the index says.
struct Target
{
    Records::Answer found = Records::Answer::None; // Found: read from `position`
    qint64 position = 0;
    QString word; // as typed: highlighted, or the not-found page's
    // For an entry's page, its key: its first line's entry word is shown
    // (highlighted) instead of `word`.
    QString entryKey;
    QList<Records::Entry> suggestions; // under a not-found page
};

// The installed dictionary as its index was made: its file and, when
// recorded, what the file looked like.
QString dictionaryName(const QString &location, const std::optional<FileIdentity> &recorded)
{
    if (!recorded)
        return location;
    return QStringLiteral("%1 %2 %3 %4")
        .arg(location, QString::number(recorded->size), QString::number(recorded->modified),
             QString::fromLatin1(recorded->checksum.toHex()));
}

// What the rules found, as the place of the page and what it shows.
Target targetOf(const FindWhatIMean::Found &found, const QString &text, Meaning *meaning)
{
    Target target{found.rule == Meaning::None ? Records::Answer::None : Records::Answer::Found,
                  found.position, text, QString(), found.suggestions};
    if (found.rule != Meaning::Word && found.rule != Meaning::None) {
        target.entryKey = found.key;
        // Only when the file changed since it was indexed: the line there
        // is no longer the entry.
        if (found.rule != Meaning::Entry)
            target.word = found.key;
    }
    *meaning = {found.rule, found.rule == Meaning::None ? QString() : target.word, found.key};
    return target;
}

// The not-found page of `target`, with its suggestions as the file spells
// them.
SearchThread::Status notFound(const Target &target, QFile &file, Eijiro::Decoder &decoder,
                              Page *page, LongReadPermit *permit)
{
    const SearchThread::Status status = finish(ResultRenderer(target.word), page);
    if (target.suggestions.isEmpty())
        return status;
    BoundedReader reader(&file, lineReadAhead, permit);
    for (const Records::Entry &entry : target.suggestions)
        page->suggestions << reader.entryWordAt(entry.position, entry.key, decoder);
    return status;
}
} // namespace

SearchThread::SearchThread() = default;

SearchThread::~SearchThread() = default;

void SearchThread::setWord(const QString &word)
{
    this->word = word;
    m_entry = false;
}

void SearchThread::setEntry(const QString &key)
{
    word = key;
    m_entry = true;
}

void SearchThread::setFindWhatIMean(bool on)
{
    m_findWhatIMean = on;
}

QString SearchThread::noteFor(Meaning::Rule rule, const QString &text, const QString &shown)
{
    switch (rule) {
    case Meaning::Base:
        //: Above the page of a base form: the word typed, then the base shown.
        return tr("%1 -> %2").arg(text, shown);
    case Meaning::Nearest:
        //: Above the page of the entry the typed text begins: that text, then the entry.
        return tr("%1… -> %2").arg(text, shown);
    case Meaning::Word:
    case Meaning::Entry:
    case Meaning::None:
        break;
    }
    return QString();
}

QString SearchThread::fileChangedError(const QString &path)
{
    return QStringLiteral("the dictionary file %1 has changed since it was installed: rebuild "
                          "its index (orvel-cli rebuild)")
        .arg(path);
}

Page SearchThread::noDictionaryPage()
{
    return Page::message(tr("No dictionary is installed.\n\nPlease setup new dictionaries on "
                            "preferences dialog.\n[Edit] - [Preferences] - [Dictionary] Tab"));
}

SearchThread::Status SearchThread::lookUp(const QString &word, Page *page, QString *error)
{
    LongReadPermit permit;
    return lookUpWindow(word, Asked::Word, page, error, &permit);
}

SearchThread::Status SearchThread::lookUpEntry(const QString &word, Page *page, QString *error)
{
    LongReadPermit permit;
    return lookUpWindow(word, Asked::Entry, page, error, &permit);
}

SearchThread::Status SearchThread::findWhatIMean(const QString &text, Page *page, Meaning *meaning,
                                                 QString *error)
{
    LongReadPermit permit;
    Meaning ignored;
    return lookUpWindow(text, Asked::Meaning, page, error, &permit, meaning ? meaning : &ignored);
}

SearchThread::Status SearchThread::lookUpWindow(const QString &word, Asked asked, Page *page,
                                                QString *error, LongReadPermit *permit,
                                                Meaning *meaning)
{
    const QString text = asked == Asked::Meaning ? word.trimmed() : word;
    // Nothing but white space: looked up as it is, as without the rules.
    if (asked == Asked::Meaning && text.isEmpty()) {
        const Status status = lookUpWindow(word, Asked::Word, page, error, permit);
        if (status == Found)
            *meaning = {Meaning::Word, word, Eijiro::queryKey(word)};
        return status;
    }

    IndexReader database;
    QString location;
    if (const Ending ended = findDictionary(database, &location, page, error))
        return *ended;
    std::optional<FileIdentity> recorded;
    if (const Ending ended = findRecord(database, &recorded, page, error))
        return *ended;

    // A typed word is found through its index key, an entry through the
    // list of every entry word (which an old database has of single words),
    // what the user means through the rules.
    const QString key = Eijiro::queryKey(word);
    Target target{Records::Answer::None, 0, word, QString(), {}};
    switch (asked) {
    case Asked::Word:
        target.found = database.firstPosition(key, &target.position);
        break;
    case Asked::Entry: {
        target.entryKey = key;
        Records::EntryList list;
        target.found = database.entryLists(&list);
        if (target.found != Records::Answer::Failed)
            target.found = database.entryPosition(list, key, &target.position);
        break;
    }
    case Asked::Meaning: {
        FindWhatIMean::Found found;
        if (!FindWhatIMean::resolve(database, dictionaryName(location, recorded), text, &found))
            target.found = Records::Answer::Failed;
        else
            target = targetOf(found, text, meaning);
        break;
    }
    }
    if (target.found == Records::Answer::Failed)
        return indexFailed(database, asked == Asked::Entry ? "the word list" : "the word index",
                           page, error);
    database.close();

    QFile file;
    Eijiro::Decoder decoder;
    if (const Ending ended = openDictionary(location, &file, decoder, page, error))
        return *ended;
    if (recorded && !DictionaryFile::matches(&file, location, *recorded))
        return fileChanged(location, page, error);
    // A failed seek (a negative offset) would leave the file at its start
    // and show unrelated lines; show nothing instead.
    if (target.found != Records::Answer::Found || !file.seek(target.position))
        return notFound(target, file, decoder, page, permit);
    BoundedReader reader(&file, readAhead, permit);
    QString first;
    reader.readLine(decoder, &first);
    // An entry's page is that of its word as its first line spells it.
    const QString shown =
        target.entryKey.isNull() ? QString() : Eijiro::entryWordFor(first, target.entryKey);
    ResultRenderer renderer(shown.isNull() ? target.word : shown);
    renderer.renderLine(first);
    renderLines(reader, decoder, renderer, windowLines - 1);
    const Status status = finish(renderer, page);
    if (asked == Asked::Meaning && !shown.isNull()) {
        meaning->shown = shown;
        if (status == Found)
            page->note = noteFor(meaning->rule, text, shown);
    }
    return status;
}

SearchThread::Status SearchThread::lookUpAsked(Page *page, LongReadPermit *permit)
{
    const Asked asked = m_entry ? Asked::Entry : m_findWhatIMean ? Asked::Meaning : Asked::Word;
    m_meaning = Meaning();
    return lookUpWindow(word, asked, page, nullptr, permit, &m_meaning);
}

void SearchThread::deliver(const QString &page, Status status)
{
    m_status = status;
    emit finished(page);
}

void SearchThread::run()
{
    LongReadPermit permit;
    Page page;
    const Status status = lookUpAsked(&page, &permit);
    deliver(PageHtml::write(page), status);
}
