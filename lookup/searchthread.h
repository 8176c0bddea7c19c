#pragma once

#include "database/records.h"
#include "lookup/meaning.h"
#include "lookup/page.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class IndexReader;
class LongReadPermit;

// Looks one typed word up on a worker thread: finds the installed
// dictionary's file, the word's first index row, reads 128 lines from that
// offset and delivers the rendered page through finished(QString).
class SearchThread : public QThread
{
    Q_OBJECT

public:
    enum Status {
        Found,        // a result page
        NotFound,     // the not-found page
        NoDictionary, // the no-dictionary page
        Failed,       // a failure page: a query failed or the file could not be opened
    };

    // Takes the parts of a page as a look-up reads them (lookUp).
    using PageParts = std::function<void(const Page &part)>;

    SearchThread();
    ~SearchThread() override;

    void setWord(const QString &word);
    // Looks up an entry of the word list (lookUpEntry) instead of a typed
    // word: a row's key, or any text whose key is wanted.
    void setEntry(const QString &key);
    // A typed word then gives the page of what the user means
    // (findWhatIMean) rather than the word's own page. Off by default.
    void setFindWhatIMean(bool on);

    // The look-up itself, run synchronously on the calling thread with a
    // database connection of its own. Always fills `page`; on Failed with a
    // page that says what failed and what to do, and then `error` (if given)
    // names the failure in one line. finished(QString) delivers the page
    // as PageHtml writes it.
    //
    // It reads every dictionary switched on or, with `only`, those named
    // there. With several, the page holds a section for each that has the
    // word, in the user's order, under its name (Found when any has it);
    // one whose file cannot be read says so in its section (Failed when
    // none has the word).
    //
    // `lines` is the window's length; the page tells (Page::next) where
    // its last window ended while the entry word's lines went on.
    //
    // A page of several opens with a line naming each dictionary that has
    // the word with how many lines it has of it; each section holds those
    // lines (`lines` at most, then a More block of its own) and a Then
    // block of the entry words that follow. A dictionary without a line of
    // the word but with an entry that begins with it has a section of the
    // Then block alone.
    //
    // With `parts`, a result page of several dictionaries goes to it as a
    // Page of its own, and `page` is what is left. Those parts, then `page`, make the page a
    // look-up without `parts` gives (PageText::Stream and PageHtml::write put it together), and on
    // Failed nothing went to `parts`.
    static Status lookUp(const QString &word, Page *page, QString *error = nullptr,
                         const QList<int> &only = {}, int lines = windowLines,
                         const PageParts &parts = {});
    // The same for an entry of the word list, phrases included: the window
    // read from the first entry line whose entry word has the key of
    // `word`, rendered with that line's entry word as the typed word. For a
    // word with an index key that is the page of the word typed as its
    // first line spells it. Without such an entry, the not-found page of
    // `word`.
    static Status lookUpEntry(const QString &word, Page *page, QString *error = nullptr,
                              const QList<int> &only = {}, int lines = windowLines,
                              const PageParts &parts = {});
    // The next window of a page whose last window ended while its entry
    // word's lines went on: its lines rendered as if that window had gone
    // on, so the blocks follow that page's. Found with the blocks; NotFound
    // with no blocks when that dictionary is no longer installed there;
    // Failed or NoDictionary with the page that says so, as a look-up.
    static Status lookUpNext(const PageContinuation &next, Page *page, QString *error = nullptr);

    // The page the window shows for the typed `text` when it finds what
    // the user means: the first rule of Meaning that applies to the text
    // with the white space around it removed (an empty one is looked up as
    // it is). For Base and Nearest the page has a note above it saying
    // what is shown for what; for None it is the not-found page of the
    // text with up to WordKeys::most suggestions. `meaning` (if given) gets
    // the rule and the entry word shown, whenever the index could be read.
    // With several dictionaries the rules apply across all of them (a word
    // any of them has is a Word), and the page is each one's page of what
    // was found.
    static Status findWhatIMean(const QString &text, Page *page, Meaning *meaning = nullptr,
                                QString *error = nullptr, const QList<int> &only = {});
    // The note above a page shown for `text`: the entry word `shown`, its
    // base form, the word typed another way or in romaji (found `via` a
    // rule), or the entry `text` begins.
    static QString noteFor(Meaning::Rule rule, const QString &text, const QString &shown,
                           Meaning::Rule via = Meaning::None);

    // The page of every look-up while no dictionary is installed.
    static Page noDictionaryPage();

    // The look-up fails when the dictionary's file differs from the one its
    // index was built of (as install recorded it; one installed before that
    // is not checked). Its page then offers this link, which rebuilds the
    // index of the installed dictionary, or with several installed the link
    // followed by "/" and the dictionary's id; `error` is this line.
    static constexpr char rebuildLink[] = "orvel:rebuild";
    static QString fileChangedError(const QString &path);

    // How the look-up whose page finished(QString) delivered ended; Failed
    // until a page has been delivered.
    Status status() const { return m_status; }
    // With setFindWhatIMean, what that page shows (the history keeps it);
    // read where finished(QString) arrives.
    const Meaning &meaning() const { return m_meaning; }

    // Lines read from the word's first entry line on, at most: a window
    // also ends once it has read BoundedReader::mostBytes of the file.
    static constexpr int windowLines = Page::windowLines;
    // Bytes read from the file at a time. The window of one look-up is
    // about 10 KiB; a larger read-ahead costs more than the lines themselves.
    static constexpr qint64 readAhead = 16 * 1024;
    // Lines of one key a page lists at most, where it lists every line.
    static constexpr int mostLines = 2000;
    // Entry words a section of a page of several folds into its last line.
    static constexpr int foldedWords = 10;

signals:
    void finished(const QString &html);

protected:
    void run() override;
    const QString &typedWord() const { return word; }
    // The look-up this worker was set up for, on the calling thread. A
    // long window's reading takes `permit`, which the worker holds until
    // it has written the page. Sets meaning().
    Status lookUpAsked(Page *page, LongReadPermit *permit);
    // Records how the look-up ended, then emits finished(page).
    void deliver(const QString &page, Status status);

private:
    enum class Asked { Word, Entry, Meaning };
    // The three look-ups: from the word's first index row, from its
    // entry's first line, or of what the user means.
    static Status lookUpWindow(const QString &word, Asked asked, const QList<int> &only, Page *page,
                               QString *error, LongReadPermit *permit, Meaning *meaning = nullptr,
                               int lines = windowLines, const PageParts &parts = {});

public:
    // One dictionary's part of a look-up.
    struct Target;

private:
    // One dictionary's page: its window read and rendered, or why it
    // cannot be; with `meaning`, the note of what was found.
    static Status readWindow(const Target &target, Meaning *meaning, const QString &text,
                             Page *page, QString *error, LongReadPermit *permit, int lines);
    // For a dictionary whose pages list every line with the key: where the
    // key's lines are (with `found`, the key of what the rules found);
    // false when the index could not be read.
    static bool findLines(IndexReader &database, const FindWhatIMean::Found *found,
                          const QString &text, const QString &key, Meaning *meaning,
                          Target *target);
    // Its page: every line of the key, common ones first. `spelling` gets
    // how its first line spells the rules' key (a gloss "the" for THE).
    static Status readLines(const Target &target, Page *page, QString *error,
                            LongReadPermit *permit, QString *spelling = nullptr);
    // One dictionary's section of a page of several: its lines of the key
    // (`lines` at most, a More block when they go on), then the entry words
    // that follow folded into a Then block; `count` gets how many lines of
    // the key it has in all.
    static Status readSection(const Target &target, Meaning *meaning, const QString &text,
                              Page *section, int *count, QString *error, LongReadPermit *permit,
                              int lines);
    // For a section of a dictionary whose pages list every line: the
    // entries after its key in its index, or with `prefix` and no line of
    // the key, those from the first entry that begins with it (the section
    // then folds them alone); false when the index could not be read.
    static bool findFollowing(IndexReader &database, bool prefix, Target *target);
    // Appends the Then block of those entries, each spelt as its line has it.
    static Status foldFollowing(const Target &target, Page *section, QString *error,
                                LongReadPermit *permit);
    // The page of several dictionaries' targets; `suggestedIn` names the
    // dictionary each suggestion is read from.
    static Status readSections(const QList<Target> &targets,
                               const QList<Records::Entry> &suggestions,
                               const QList<int> &suggestedIn, Meaning *meaning, const QString &text,
                               Page *page, QString *error, LongReadPermit *permit, int lines,
                               const PageParts &parts);

    QString word;
    bool m_entry = false;
    bool m_findWhatIMean = false;
    Meaning m_meaning;
    // Written by the worker before it emits, read where the page arrives.
    std::atomic<Status> m_status{Failed};
};
