#include "lookup/searchthread.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/edictrenderer.h"
#include "lookup/meaning.h"
#include "lookup/pagehtml.h"
#include "lookup/partsofspeech.h"
#include "lookup/renderer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

#include <algorithm>
#include <optional>
#include <utility>

// One dictionary's part of a look-up: where its page lies, as its index
// says, and what the page shows.
struct SearchThread::Target
{
    Records::Installed dictionary;
    std::optional<FileIdentity> recorded;          // none for a file not recorded
    QString rebuildLink;                           // on its page when its file has changed
    Records::Answer found = Records::Answer::None; // Found: read from `position`
    qint64 position = 0;
    QString word; // as typed: highlighted, or the not-found page's
    // For an entry's page, its key: its first line's entry word is shown
    // (highlighted) instead of `word`.
    QString entryKey;
    QList<Records::Entry> suggestions; // under a not-found page
    // A dictionary whose pages list every line with the key: the key, and
    // where its lines start, in the order the page shows them.
    bool everyLine = false;
    QString lineKey;
    QList<qint64> positions;
    // On a page of several: no line has the key, but an entry that begins
    // with it is at `position`; the section shows only what follows there.
    bool foldOnly = false;
    // On a page of several, for a dictionary whose pages list every line:
    // the entries that follow its key in its index, which its section
    // folds (its file is in no key order to read them from).
    QList<Records::Entry> following;
};

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
SearchThread::Status fileChanged(const QString &path, const QString &link, Page *page,
                                 QString *error)
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
    shown.blocks.append(
        Page::link(QCoreApplication::translate("SearchThread", "Rebuild the index"), link));
    return failed(shown, SearchThread::fileChangedError(path), page, error);
}

// A line of the file read on its own (a suggestion's): most are well
// under this, a longer one is read on.
constexpr qint64 lineReadAhead = 512;

// Each step below either lets the look-up go on (no value) or ends it with
// the page it has set.
using Ending = std::optional<SearchThread::Status>;

Ending findDictionaries(IndexReader &database, QList<Records::Installed> *installed, Page *page,
                        QString *error)
{
    switch (database.dictionaries(installed)) {
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
Ending findRecord(IndexReader &database, int id, std::optional<FileIdentity> *recorded, Page *page,
                  QString *error)
{
    FileIdentity identity;
    const Records::Answer answer = database.fileIdentity(id, &identity);
    if (answer == Records::Answer::Failed)
        return indexFailed(database, "the dictionary file's record", page, error);
    if (answer == Records::Answer::Found)
        *recorded = identity;
    return std::nullopt;
}

// Never blocks, whatever now stands at the path: a FIFO fails like a
// missing file. The line reader buffers on its own. A file that differs
// from the one its index was built of (`recorded`) fails too, its page
// offering `rebuildLink`.
Ending openDictionary(const QString &location, const std::optional<FileIdentity> &recorded,
                      const QString &rebuildLink, QFile *file, const Eijiro::Decoder &decoder,
                      Page *page, QString *error)
{
    QString reason;
    if (DictionaryFile::open(file, location, &reason) != DictionaryFile::Opened)
        return fileFailed(location, reason, page, error);
    if (!decoder.isValid()) {
        qDebug() << "Shift_JIS decoder not available.";
        return failed(Page::message(QCoreApplication::translate(
                          "SearchThread", "No Shift_JIS decoder is available, so the dictionary "
                                          "cannot be read.\n\nPlease install Orvel again.")),
                      QStringLiteral("no Shift_JIS decoder is available"), page, error);
    }
    if (recorded && !DictionaryFile::matches(file, location, *recorded))
        return fileChanged(location, rebuildLink, page, error);
    return std::nullopt;
}

// The target's dictionary opened as openDictionary() opens it, `decoder`
// made for its encoding.
Ending openTarget(const SearchThread::Target &target, QFile *file, Eijiro::Decoder *decoder,
                  Page *page, QString *error)
{
    *decoder = Eijiro::Decoder::forDictionary(target.dictionary.encoding);
    return openDictionary(target.dictionary.location, target.recorded, target.rebuildLink, file,
                          *decoder, page, error);
}

// The rebuild link of dictionary `id`'s page: with several installed, it
// names the dictionary.
QString rebuildLinkOf(int id, bool several)
{
    return several ? QStringLiteral("%1/%2").arg(QLatin1String(SearchThread::rebuildLink),
                                                 QString::number(id))
                   : QString::fromLatin1(SearchThread::rebuildLink);
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

// Whether the raw `line` is an entry line whose entry word has `key`; a
// cut line is no one's.
bool hasKey(QByteArrayView line, bool cut, Eijiro::Decoder &decoder, const QString &key)
{
    Eijiro::IndexerReading reading;
    return !line.isEmpty() && !cut && Eijiro::readIndexer(line, &decoder, &reading) &&
           Eijiro::entryKey(reading.entryWord) == key;
}

// Renders the lines of `key` that come next, `most` at most; `after` gets
// the line that follows them (empty at the end) and `count` how many were
// rendered.
void renderKeyLines(BoundedReader &reader, Eijiro::Decoder &decoder, ResultRenderer &renderer,
                    const QString &key, int most, QByteArray *after, int *count)
{
    QString line;
    for (;;) {
        *after = reader.readLine().toByteArray();
        if (*count >= most || !hasKey(*after, reader.lineCut(), decoder, key))
            return;
        reader.decode(*after, decoder, &line);
        renderer.renderLine(line);
        ++*count;
    }
}

// The entry words of the lines from `line` on, each once in a row, up to
// `most`: a section's folded line. A word of many lines costs no more
// than its lines: the reading ends after `most` windows' worth of them.
QStringList followingWords(BoundedReader &reader, Eijiro::Decoder &decoder, QByteArray line,
                           int most)
{
    QStringList words;
    Eijiro::IndexerReading reading;
    for (int read = 0; !line.isEmpty() && read < most * SearchThread::windowLines; ++read) {
        if (!reader.lineCut() && Eijiro::readIndexer(line, &decoder, &reading) &&
            (words.isEmpty() || words.constLast() != reading.entryWord)) {
            words << reading.entryWord;
            if (words.size() == most)
                break;
        }
        line = reader.readLine().toByteArray();
    }
    return words;
}

// Reads the line after a window of `dictionary` that began at `start` and
// ended with `renderer`: when it is a line of the entry word with `key`,
// the page goes on there. A cut line is no dictionary's and goes on
// nowhere.
PageContinuation peekNext(BoundedReader &reader, Eijiro::Decoder &decoder, qint64 start,
                          const Records::Installed &dictionary, const QString &key,
                          const ResultRenderer &renderer)
{
    const QByteArray line = reader.readLine().toByteArray();
    Eijiro::IndexerReading reading;
    if (line.isEmpty() || reader.lineCut() || !Eijiro::readIndexer(line, &decoder, &reading) ||
        Eijiro::entryKey(reading.entryWord) != key)
        return {};
    return {dictionary.id,
            dictionary.location,
            start + reader.offset() - line.size(),
            key,
            renderer.word(),
            renderer.lastHead(),
            renderer.lastLabel()};
}

// The folded line of `words`, each a piece.
PageBlock thenBlock(const QStringList &words)
{
    PageBlock then{PageBlock::Then, QString(), {}};
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            then.cuts << then.text.size();
        then.text += words.at(i);
    }
    return then;
}

SearchThread::Status finish(const ResultRenderer &renderer, Page *page)
{
    *page = renderer.finish();
    return renderer.isEmpty() ? SearchThread::NotFound : SearchThread::Found;
}

using Target = SearchThread::Target;

// The dictionaries a look-up reads: those named in `only` (each must be
// installed), else those switched on, in the user's order. Ends the
// look-up when there is none to read.
Ending chooseDictionaries(const QList<Records::Installed> &installed, const QList<int> &only,
                          QList<Records::Installed> *chosen, Page *page, QString *error)
{
    for (const Records::Installed &dictionary : installed) {
        if (only.isEmpty() ? dictionary.enabled : only.contains(dictionary.id))
            *chosen << dictionary;
    }
    for (const int id : only) {
        if (std::none_of(installed.cbegin(), installed.cend(),
                         [id](const Records::Installed &d) { return d.id == id; }))
            return failed(
                Page::message(QCoreApplication::translate("SearchThread",
                                                          "No dictionary with id %1 is installed."),
                              {QString::number(id)}),
                QStringLiteral("no dictionary with id %1 is installed").arg(id), page, error);
    }
    if (!chosen->isEmpty())
        return std::nullopt;
    *page = Page::message(QCoreApplication::translate(
        "SearchThread", "Every dictionary is switched off.\n\nPlease switch one on "
                        "on preferences dialog.\n[Edit] - [Preferences] - "
                        "[Dictionary] Tab"));
    return SearchThread::NoDictionary;
}

// The dictionaries read as their indexes were made: their files and, when
// recorded, what the files looked like.
QString dictionaryName(const QList<Target> &targets)
{
    QStringList names;
    for (const Target &target : targets) {
        const std::optional<FileIdentity> &recorded = target.recorded;
        const QString &location = target.dictionary.location;
        names << (!recorded ? location
                            : QStringLiteral("%1 %2 %3 %4")
                                  .arg(location, QString::number(recorded->size),
                                       QString::number(recorded->modified),
                                       QString::fromLatin1(recorded->checksum.toHex())));
    }
    return names.join(u'\n');
}

// What the rules found, as the place of the page and what it shows.
void targetOf(const FindWhatIMean::Found &found, const QString &text, Meaning *meaning,
              Target *target)
{
    target->found = found.rule == Meaning::None ? Records::Answer::None : Records::Answer::Found;
    target->position = found.position;
    target->word = text;
    target->suggestions = found.suggestions;
    if (found.rule != Meaning::Word && found.rule != Meaning::None) {
        target->entryKey = found.key;
        // Only when the file changed since it was indexed: the line there
        // is no longer the entry.
        if (found.rule != Meaning::Entry)
            target->word = found.key;
    }
    *meaning = {found.rule, found.rule == Meaning::None ? QString() : target->word, found.key,
                found.via};
}

// The not-found page of `target`, with its suggestions as the file spells
// them; the changed-file page when a suggestion's line is no longer its
// entry.
SearchThread::Status notFound(const Target &target, QFile &file, Eijiro::Decoder &decoder,
                              Page *page, QString *error, LongReadPermit *permit)
{
    const SearchThread::Status status = finish(ResultRenderer(target.word), page);
    if (target.suggestions.isEmpty())
        return status;
    BoundedReader reader(&file, lineReadAhead, permit);
    for (const Records::Entry &entry : target.suggestions) {
        const QString shown =
            reader.entryWordAt(entry.position, entry.key, decoder, target.dictionary.type);
        if (shown.isNull())
            return fileChanged(target.dictionary.location, target.rebuildLink, page, error);
        page->suggestions << shown;
    }
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

QString SearchThread::noteFor(Meaning::Rule rule, const QString &text, const QString &shown,
                              Meaning::Rule via)
{
    switch (rule) {
    case Meaning::Base:
        //: Above the page of a base form: the word typed, then the base shown.
        return tr("%1 -> %2 (base form)").arg(text, shown);
    case Meaning::Fold:
        //: Above the page of a word typed in other kana or in other width:
        //: the text typed, then the word shown (スシ -> すし, DNA鑑定 -> ＤＮＡ鑑定).
        return tr("%1 -> %2 (kana or width)").arg(text, shown);
    case Meaning::Romaji:
        switch (via) {
        case Meaning::Base:
            //: Above the page of a word typed in romaji and inflected: the text
            //: typed, then the word shown (tabemashita -> たべる).
            return tr("%1 -> %2 (romaji, base form)").arg(text, shown);
        case Meaning::Fold:
            //: Above the page of a word typed in romaji, found in other kana:
            //: the text typed, then the word shown (sushi -> スシ).
            return tr("%1 -> %2 (romaji, kana or width)").arg(text, shown);
        default:
            //: Above the page of a word typed in romaji: the text typed, then
            //: the word shown (mizu -> みず).
            return tr("%1 -> %2 (romaji)").arg(text, shown);
        }
    case Meaning::Typo:
        //: Above the page of a far commoner word one letter away from the text
        //: typed: that text, then the word shown (teh -> the).
        return tr("%1 -> %2 (did you mean)").arg(text, shown);
    case Meaning::Nearest:
        //: Above the page of the entry the typed text begins: that text, then the entry.
        return tr("%1… -> %2 (nearest entry)").arg(text, shown);
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

SearchThread::Status SearchThread::lookUp(const QString &word, Page *page, QString *error,
                                          const QList<int> &only, int lines, const PageParts &parts)
{
    LongReadPermit permit;
    return lookUpWindow(word, Asked::Word, only, page, error, &permit, nullptr, lines, parts);
}

SearchThread::Status SearchThread::lookUpEntry(const QString &word, Page *page, QString *error,
                                               const QList<int> &only, int lines,
                                               const PageParts &parts)
{
    LongReadPermit permit;
    return lookUpWindow(word, Asked::Entry, only, page, error, &permit, nullptr, lines, parts);
}

SearchThread::Status SearchThread::lookUpNext(const PageContinuation &next, Page *page,
                                              QString *error)
{
    IndexReader database;
    QList<Records::Installed> installed;
    if (const Ending ended = findDictionaries(database, &installed, page, error))
        return *ended;
    const auto dictionary =
        std::find_if(installed.cbegin(), installed.cend(), [&](const Records::Installed &d) {
            return d.id == next.dictionary && d.location == next.location;
        });
    // Another dictionary's offsets say nothing of the file there now.
    if (dictionary == installed.cend()) {
        *page = Page();
        return NotFound;
    }
    std::optional<FileIdentity> recorded;
    if (const Ending ended = findRecord(database, dictionary->id, &recorded, page, error))
        return *ended;
    database.close();
    *page = Page();
    QFile file;
    Eijiro::Decoder decoder = Eijiro::Decoder::forDictionary(dictionary->encoding);
    if (const Ending ended = openDictionary(dictionary->location, recorded,
                                            rebuildLinkOf(dictionary->id, installed.size() > 1),
                                            &file, decoder, page, error))
        return *ended;
    LongReadPermit permit;
    BoundedReader reader(&file, readAhead, &permit);
    const QByteArrayView line = reader.entryLineAt(next.offset, next.key, decoder);
    if (line.isNull())
        return fileChanged(dictionary->location,
                           rebuildLinkOf(dictionary->id, installed.size() > 1), page, error);
    ResultRenderer renderer(next.word, next.lastHead, next.lastLabel);
    QString first;
    reader.decode(line, decoder, &first);
    renderer.renderLine(first);
    if (next.keyOnly) {
        // A section's lines: those of its key alone.
        QByteArray after;
        int count = 1;
        renderKeyLines(reader, decoder, renderer, next.key, windowLines, &after, &count);
        finish(renderer, page);
        if (count == windowLines && hasKey(after, reader.lineCut(), decoder, next.key))
            page->next = {dictionary->id,
                          dictionary->location,
                          next.offset + reader.offset() - after.size(),
                          next.key,
                          renderer.word(),
                          renderer.lastHead(),
                          renderer.lastLabel(),
                          true};
        return Found;
    }
    renderLines(reader, decoder, renderer, windowLines - 1);
    finish(renderer, page);
    page->next = peekNext(reader, decoder, next.offset, *dictionary, next.key, renderer);
    return Found;
}

SearchThread::Status SearchThread::findWhatIMean(const QString &text, Page *page, Meaning *meaning,
                                                 QString *error, const QList<int> &only)
{
    LongReadPermit permit;
    Meaning ignored;
    return lookUpWindow(text, Asked::Meaning, only, page, error, &permit,
                        meaning ? meaning : &ignored);
}

SearchThread::Status SearchThread::lookUpWindow(const QString &word, Asked asked,
                                                const QList<int> &only, Page *page, QString *error,
                                                LongReadPermit *permit, Meaning *meaning, int lines,
                                                const PageParts &parts)
{
    const QString text = asked == Asked::Meaning ? word.trimmed() : word;
    // Nothing but white space: looked up as it is, as without the rules.
    if (asked == Asked::Meaning && text.isEmpty()) {
        const Status status = lookUpWindow(word, Asked::Word, only, page, error, permit);
        if (status == Found)
            *meaning = {Meaning::Word, word, Eijiro::queryKey(word)};
        return status;
    }

    IndexReader database;
    QList<Records::Installed> installed, chosen;
    if (const Ending ended = findDictionaries(database, &installed, page, error))
        return *ended;
    if (const Ending ended = chooseDictionaries(installed, only, &chosen, page, error))
        return *ended;
    // With one dictionary installed the index is asked as it always was;
    // with several, each for its own rows.
    const bool several = installed.size() > 1;
    QList<Target> targets;
    for (const Records::Installed &dictionary : std::as_const(chosen)) {
        Target target;
        target.dictionary = dictionary;
        target.rebuildLink = rebuildLinkOf(dictionary.id, several);
        target.word = word;
        if (const Ending ended = findRecord(database, dictionary.id, &target.recorded, page, error))
            return *ended;
        targets << target;
    }

    // A typed word is found through its index key, an entry through the
    // list of every entry word (which an old database has of single words),
    // what the user means through the rules, across every dictionary read.
    const QString key = Eijiro::queryKey(word);
    FindWhatIMean::Found found;
    if (asked == Asked::Meaning) {
        QList<int> ids;
        for (const Target &target : std::as_const(targets))
            ids << target.dictionary.id;
        // Every line of a key where its lines lie scattered.
        PartsOfSpeech tags(chosen, [&database](int id, const QString &lineKey) {
            QList<qint64> positions;
            database.keyPositions(lineKey, id, PartsOfSpeech::mostLines, &positions);
            return positions;
        });
        if (!FindWhatIMean::resolve(database, dictionaryName(targets), text, &found, ids, several,
                                    &tags))
            return indexFailed(database, "the word index", page, error);
    }
    for (Target &target : targets) {
        const int id = target.dictionary.id;
        target.everyLine = DictionaryFormat::make(target.dictionary.type)->listsEveryLine();
        if (target.everyLine) {
            if (!findLines(database, asked == Asked::Meaning ? &found : nullptr, text, key, meaning,
                           &target) ||
                (chosen.size() > 1 && !findFollowing(database, asked == Asked::Word, &target)))
                return indexFailed(database, "the word index", page, error);
            continue;
        }
        switch (asked) {
        case Asked::Word:
            target.found = database.firstPosition(key, &target.position, several ? id : 0);
            // On a page of several, a dictionary without the word still
            // shows the entries that begin with it.
            if (target.found == Records::Answer::None && chosen.size() > 1) {
                Records::EntryList list;
                Records::Entry entry;
                target.found = database.entryLists(&list, id);
                if (target.found != Records::Answer::Failed)
                    target.found = database.entryStartingWith(list, key, &entry, id);
                target.foldOnly = target.found == Records::Answer::Found;
                target.position = entry.position;
                target.entryKey = entry.key;
            }
            break;
        case Asked::Entry:
            target.entryKey = key;
            break;
        case Asked::Meaning:
            targetOf(found, text, meaning, &target);
            break;
        }
        // With several, each dictionary's own entry of the key found.
        if (!target.entryKey.isNull() && (asked == Asked::Entry || several)) {
            Records::EntryList list;
            target.found = database.entryLists(&list, id);
            if (target.found != Records::Answer::Failed)
                target.found = database.entryPosition(list, target.entryKey, &target.position, id);
        } else if (asked == Asked::Meaning && found.rule == Meaning::Word && several) {
            target.found = database.firstPosition(key, &target.position, id);
        }
        if (target.found == Records::Answer::Failed)
            return indexFailed(database, asked == Asked::Entry ? "the word list" : "the word index",
                               page, error);
    }
    // Each suggestion as the first dictionary read that has it spells it;
    // one only the others have is none.
    QList<int> suggestedIn;
    if (several && asked == Asked::Meaning && found.rule == Meaning::None) {
        QList<Records::Entry> kept;
        for (Records::Entry suggestion : std::as_const(found.suggestions)) {
            for (const Target &target : std::as_const(targets)) {
                const Records::Answer answer = database.firstPosition(
                    suggestion.key, &suggestion.position, target.dictionary.id);
                if (answer == Records::Answer::Failed)
                    return indexFailed(database, "the word index", page, error);
                if (answer == Records::Answer::Found) {
                    kept << suggestion;
                    suggestedIn << target.dictionary.id;
                    break;
                }
            }
        }
        found.suggestions = kept;
        for (Target &target : targets)
            target.suggestions = kept;
    }
    database.close();

    if (targets.size() == 1) {
        const Status status =
            readWindow(targets.first(), asked == Asked::Meaning ? meaning : nullptr, text, page,
                       error, permit, lines);
        return status;
    }
    return readSections(targets, found.suggestions, suggestedIn,
                        asked == Asked::Meaning ? meaning : nullptr, text, page, error, permit,
                        lines, parts);
}

SearchThread::Status SearchThread::readSections(const QList<Target> &targets,
                                                const QList<Records::Entry> &suggestions,
                                                const QList<int> &suggestedIn, Meaning *meaning,
                                                const QString &text, Page *page, QString *error,
                                                LongReadPermit *permit, int lines,
                                                const PageParts &parts)
{
    // A section per dictionary that has the word, in the user's order; one
    // whose file cannot be read says so in its section. The top line names
    // those with lines of the word and how many. With `parts`, a first
    // reading of one line each gives that line (the counts do not depend on
    // the window), and then each section goes on as it is read, so that a
    // page of many long sections is never held whole.
    Page sections;
    Status status = NotFound;
    QString note;
    PageBlock contents{PageBlock::Contents, QString(), {}};
    qsizetype moreBlocks = 0;
    const bool twoPasses = bool(parts);
    for (int pass = twoPasses ? 0 : 1; pass < 2; ++pass) {
        const bool counting = pass == 0 || !twoPasses;
        qsizetype number = 0;
        for (const Target &target : targets) {
            if (target.found != Records::Answer::Found)
                continue;
            Page section;
            QString sectionError;
            int count = 0;
            const Status read = readSection(target, meaning, text, &section, &count, &sectionError,
                                            permit, pass == 0 ? 1 : lines);
            if (read == NotFound)
                continue;
            const bool named = read == Found && count > 0;
            if (counting) {
                if (note.isEmpty())
                    note = section.note;
                if (named) {
                    if (!contents.tips.isEmpty())
                        contents.cuts << contents.text.size();
                    contents.text +=
                        QStringLiteral("%1 (%2)").arg(target.dictionary.name).arg(count);
                    contents.tips << QString::number(contents.tips.size() + 1);
                }
                if (read == Found) {
                    status = Found;
                } else if (status == NotFound) {
                    status = Failed;
                    if (error)
                        *error = sectionError;
                }
            }
            if (pass == 0)
                continue;
            section.note.clear();
            sections.addSection(target.dictionary.name, section);
            // A link of the top line leads here.
            if (named)
                sections.blocks[sections.blocks.size() - section.blocks.size() - 1].marked =
                    ++number;
            for (qsizetype b = sections.blocks.size() - section.blocks.size();
                 b < sections.blocks.size(); ++b) {
                if (sections.blocks[b].kind == PageBlock::More) {
                    sections.blocks[b].marked = moreBlocks++;
                    sections.more << section.next;
                }
            }
            if (twoPasses && status == Found)
                parts(std::exchange(sections, Page()));
        }
        // No top line when no section has lines of the word to name.
        if (pass == 0 && status == Found) {
            Page top = contents.tips.isEmpty() ? Page() : Page::of(contents);
            top.note = note;
            parts(top);
        }
    }
    if (status == Found) {
        *page = sections;
        if (!twoPasses) {
            if (!contents.tips.isEmpty())
                page->blocks.prepend(contents);
            page->note = note;
        }
        return status;
    }
    // None has it: the not-found page, above what could not be read, and
    // under it the suggestions.
    finish(ResultRenderer(targets.first().word), page);
    page->blocks.append(sections.blocks);
    for (qsizetype i = 0; i < suggestions.size(); ++i) {
        const auto target = std::find_if(targets.cbegin(), targets.cend(), [&](const Target &t) {
            return t.dictionary.id == suggestedIn.value(i);
        });
        if (target == targets.cend())
            continue;
        QFile file;
        Eijiro::Decoder decoder = Eijiro::Decoder::forDictionary(target->dictionary.encoding);
        QString reason;
        if (DictionaryFile::open(&file, target->dictionary.location, &reason) !=
            DictionaryFile::Opened)
            continue;
        BoundedReader reader(&file, lineReadAhead, permit);
        const Records::Entry &entry = suggestions.at(i);
        // None from a file no longer the one indexed.
        const QString shown =
            reader.entryWordAt(entry.position, entry.key, decoder, target->dictionary.type);
        if (!shown.isNull())
            page->suggestions << shown;
    }
    return status;
}

SearchThread::Status SearchThread::readSection(const Target &target, Meaning *meaning,
                                               const QString &text, Page *section, int *count,
                                               QString *error, LongReadPermit *permit, int lines)
{
    if (target.everyLine) {
        // Its page lists every line of the key already: one heading a line.
        if (!target.foldOnly) {
            const Status status = readWindow(target, meaning, text, section, error, permit, lines);
            *count =
                int(std::count_if(section->blocks.cbegin(), section->blocks.cend(),
                                  [](const PageBlock &b) { return b.kind == PageBlock::Heading; }));
            if (status != Found || target.following.isEmpty())
                return status;
        }
        return foldFollowing(target, section, error, permit);
    }
    QFile file;
    Eijiro::Decoder decoder;
    if (const Ending ended = openTarget(target, &file, &decoder, section, error))
        return *ended;
    BoundedReader reader(&file, readAhead, permit);
    const QString key = target.entryKey.isNull() ? Eijiro::queryKey(target.word) : target.entryKey;
    const QByteArrayView at = reader.entryLineAt(target.position, key, decoder);
    if (at.isNull())
        return fileChanged(target.dictionary.location, target.rebuildLink, section, error);
    QByteArray line = at.toByteArray();
    if (!target.foldOnly) {
        QString first;
        reader.decode(line, decoder, &first);
        const QString shown =
            target.entryKey.isNull() ? QString() : Eijiro::entryWordFor(first, target.entryKey);
        ResultRenderer renderer(shown.isNull() ? target.word : shown);
        renderer.renderLine(first);
        *count = 1;
        renderKeyLines(reader, decoder, renderer, key, lines, &line, count);
        *section = renderer.finish();
        if (hasKey(line, reader.lineCut(), decoder, key)) {
            // The rest of its lines behind a link of its own; counted all
            // the same.
            section->next = {target.dictionary.id,
                             target.dictionary.location,
                             target.position + reader.offset() - line.size(),
                             key,
                             renderer.word(),
                             renderer.lastHead(),
                             renderer.lastLabel(),
                             true};
            section->blocks.append({PageBlock::More, renderer.word(), {}});
            do {
                ++*count;
                line = reader.readLine().toByteArray();
            } while (hasKey(line, reader.lineCut(), decoder, key));
        }
        if (meaning && !shown.isNull()) {
            meaning->shown = shown;
            section->note = noteFor(meaning->rule, text, shown, meaning->via);
        }
    }
    const QStringList words = followingWords(reader, decoder, line, foldedWords);
    if (!words.isEmpty())
        section->blocks.append(thenBlock(words));
    return section->blocks.isEmpty() ? NotFound : Found;
}

bool SearchThread::findFollowing(IndexReader &database, bool prefix, Target *target)
{
    const int id = target->dictionary.id;
    Records::EntryList list;
    if (database.entryLists(&list, id) == Records::Answer::Failed)
        return false;
    QString from = target->lineKey;
    bool after = true;
    if (target->found == Records::Answer::None && prefix) {
        // No line has the key: the entries from the first that begins with it.
        Records::Entry entry;
        const Records::Answer answer = database.entryStartingWith(list, from, &entry, id);
        if (answer != Records::Answer::Found)
            return answer != Records::Answer::Failed;
        target->found = answer;
        target->foldOnly = true;
        from = entry.key;
        after = false;
    } else if (target->found != Records::Answer::Found) {
        return true;
    }
    return database.entries(list, from, after, foldedWords, &target->following, id);
}

SearchThread::Status SearchThread::foldFollowing(const Target &target, Page *section,
                                                 QString *error, LongReadPermit *permit)
{
    QFile file;
    Eijiro::Decoder decoder;
    if (const Ending ended = openTarget(target, &file, &decoder, section, error))
        return *ended;
    // Each as its first line spells it.
    BoundedReader reader(&file, lineReadAhead, permit);
    QStringList words;
    for (const Records::Entry &entry : target.following) {
        const QString shown =
            reader.entryWordAt(entry.position, entry.key, decoder, target.dictionary.type);
        if (shown.isNull())
            return fileChanged(target.dictionary.location, target.rebuildLink, section, error);
        words << shown;
    }
    if (!words.isEmpty())
        section->blocks.append(thenBlock(words));
    return section->blocks.isEmpty() ? NotFound : Found;
}

bool SearchThread::findLines(IndexReader &database, const FindWhatIMean::Found *found,
                             const QString &text, const QString &key, Meaning *meaning,
                             Target *target)
{
    target->lineKey = key;
    if (found) {
        targetOf(*found, text, meaning, target);
        if (found->rule == Meaning::None)
            return true;
        if (!found->key.isNull())
            target->lineKey = found->key;
    }
    target->found = database.keyPositions(target->lineKey, target->dictionary.id, mostLines,
                                          &target->positions);
    return target->found != Records::Answer::Failed;
}

SearchThread::Status SearchThread::readLines(const Target &target, Page *page, QString *error,
                                             LongReadPermit *permit, QString *spelling)
{
    QFile file;
    Eijiro::Decoder decoder;
    if (const Ending ended = openTarget(target, &file, &decoder, page, error))
        return *ended;
    if (target.found != Records::Answer::Found)
        return notFound(target, file, decoder, page, error, permit);
    // Each line on its own: a key's lines lie anywhere in the file.
    BoundedReader reader(&file, lineReadAhead, permit);
    EdictRenderer renderer(target.word, target.lineKey);
    QString line;
    for (const qint64 position : target.positions) {
        const QByteArrayView bytes = reader.lineAt(position);
        if (bytes.isNull() && reader.spent())
            break;
        reader.decode(bytes, decoder, &line);
        // The line the index points at must still have the key.
        if (bytes.isNull() || !renderer.renderLine(line))
            return fileChanged(target.dictionary.location, target.rebuildLink, page, error);
        if (spelling && spelling->isNull() && !target.entryKey.isNull())
            *spelling =
                DictionaryFormat::make(target.dictionary.type)->spellingFor(line, target.entryKey);
    }
    *page = renderer.finish();
    return renderer.isEmpty() ? NotFound : Found;
}

SearchThread::Status SearchThread::readWindow(const Target &target, Meaning *meaning,
                                              const QString &text, Page *page, QString *error,
                                              LongReadPermit *permit, int lines)
{
    if (target.everyLine) {
        QString spelling;
        const Status status = readLines(target, page, error, permit, &spelling);
        if (meaning && status == Found && meaning->rule != Meaning::Word &&
            meaning->rule != Meaning::None) {
            // The key as its line writes it; upper-cased, a gloss's key
            // would read as an abbreviation.
            if (!spelling.isEmpty() && meaning->rule != Meaning::Entry)
                meaning->shown = spelling;
            page->note = noteFor(meaning->rule, text, meaning->shown, meaning->via);
        }
        return status;
    }
    QFile file;
    Eijiro::Decoder decoder;
    if (const Ending ended = openTarget(target, &file, &decoder, page, error))
        return *ended;
    if (target.found != Records::Answer::Found)
        return notFound(target, file, decoder, page, error, permit);
    BoundedReader reader(&file, readAhead, permit);
    const QString key = target.entryKey.isNull() ? Eijiro::queryKey(target.word) : target.entryKey;
    // The line the index points at must still be the entry: a file edited
    // in place, its size and time kept, would show another word's entries.
    const QByteArrayView line = reader.entryLineAt(target.position, key, decoder);
    if (line.isNull())
        return fileChanged(target.dictionary.location, target.rebuildLink, page, error);
    QString first;
    reader.decode(line, decoder, &first);
    // An entry's page is that of its word as its first line spells it.
    const QString shown =
        target.entryKey.isNull() ? QString() : Eijiro::entryWordFor(first, target.entryKey);
    ResultRenderer renderer(shown.isNull() ? target.word : shown);
    renderer.renderLine(first);
    renderLines(reader, decoder, renderer, lines - 1);
    const Status status = finish(renderer, page);
    if (status == Found)
        page->next = peekNext(reader, decoder, target.position, target.dictionary, key, renderer);
    if (meaning && !shown.isNull()) {
        meaning->shown = shown;
        if (status == Found)
            page->note = noteFor(meaning->rule, text, shown, meaning->via);
    }
    return status;
}

SearchThread::Status SearchThread::lookUpAsked(Page *page, LongReadPermit *permit)
{
    const Asked asked = m_entry ? Asked::Entry : m_findWhatIMean ? Asked::Meaning : Asked::Word;
    m_meaning = Meaning();
    return lookUpWindow(word, asked, {}, page, nullptr, permit, &m_meaning);
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
