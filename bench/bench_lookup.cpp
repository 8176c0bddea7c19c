// bench_lookup: how long a look-up takes, from the worker's start to the page
// and from the keystroke to the page laid out in a text browser, beside a
// straightforward implementation (QRegExp, QIODevice::readLine, QTextCodec)
// measured in the same run on the same words; how long each step of a
// look-up takes; and how long the word list takes for the prefixes typed on
// the way to them and to phrases.
//
//   bench_lookup [FILE [LINES [QUERIES [meaning]]]]
//
// FILE is generated when missing (LINES lines, 2,500,000 by default) and its
// index is built once into FILE.db. With "meaning", only the times of
// finding what the user means, for texts of each rule.
#include "app/settingsstore.h"
#include "benchwords.h"
#include "database/dictionarydatabase.h"
#include "database/indexreader.h"
#include "database/workerconnection.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "generator.h"
#include "lookup/fold.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/requests.h"
#include "lookup/romaji.h"
#include "lookup/searchthread.h"
#include "lookup/wordkeys.h"
#include "lookup/wordlistthread.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/pagedocument.h"
#include "mainwindow/pagethread.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegExp>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCodec>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

// The look-up written the plain way: four QRegExp patterns run on every
// line, QIODevice::readLine, QTextCodec, statements prepared per query, on
// a connection of its own to `database`.
QString baselinePage(const QSqlDatabase &database, const QString &word)
{
    QSqlQuery query(database);
    query.prepare("SELECT location FROM t_dictionary");
    if (!query.exec() || !query.next())
        return QString();
    const QString location = query.value(0).toString();
    query.prepare("SELECT position FROM t_word WHERE name = ? LIMIT 1");
    query.addBindValue(word.toUpper());
    if (!query.exec())
        return QString();
    QFile file(location);
    if (!file.open(QIODevice::ReadOnly))
        return QString();

    QTextCodec *utf8 = QTextCodec::codecForName("UTF8");
    QTextCodec *sjis = QTextCodec::codecForName("Shift-JIS");
    QRegExp indexLine(utf8->toUnicode("^■(.+)\\s:\\s"));
    QRegExp indexHead("^(.+)\\s\\s\\{(.+)\\}$");
    QRegExp renderLine(utf8->toUnicode("^■(.+)\\s:\\s(.+)$"));
    QRegExp renderHead("^(.+)\\s\\s\\{([^-]+)(-)*([^-]*)\\}$");

    QStringList fragments;
    QString lastHead;
    QString lastLabel;
    const auto highlight = [&word](QString text) {
        return text.replace(word, "<span style='color:#C00000'>" + word + "</span>",
                            Qt::CaseInsensitive);
    };
    while (query.next()) {
        file.seek(query.value(0).toInt());
        for (int i = 0; i < 128; ++i) {
            const QString line = sjis->toUnicode(file.readLine()).toHtmlEscaped();
            indexLine.indexIn(line, 0, QRegExp::CaretAtZero);
            indexHead.indexIn(indexLine.cap(1), 0, QRegExp::CaretAtZero);
            if (renderLine.indexIn(line, 0, QRegExp::CaretAtZero) == -1)
                continue;
            const QString head = renderLine.cap(1);
            QString body = renderLine.cap(2);
            if (renderHead.indexIn(head, 0, QRegExp::CaretAtZero) == -1) {
                if (head == lastHead) {
                    fragments << "</ol>"
                              << "<ol>";
                } else {
                    lastHead = head;
                    fragments << "</ol>"
                              << "<h2 style='font-weight:bold'>" << highlight(head) << "</h2>"
                              << "<ol>";
                }
            } else {
                const QString entryWord = renderHead.cap(1);
                const QString label = renderHead.cap(2);
                if (entryWord != lastHead)
                    fragments << "</ol>"
                              << "<h2 style='font-weight:bold'>" << highlight(entryWord) << "</h2>"
                              << "<ol>";
                lastHead = entryWord;
                if (label != lastLabel) {
                    lastLabel = label;
                    fragments << "</ol>"
                              << "<ol>"
                              << "<span style='background-color:#e0e0e0'>&nbsp;" << label
                              << "&nbsp;</span>";
                }
            }
            body.replace(utf8->toUnicode("■"), "<br />");
            fragments << "<li>" << body << "</li>";
        }
    }
    if (fragments.isEmpty())
        return QString("<h2>%1 %2</h2>").arg(word).arg(" is not found.");
    return QString("<ol>%1</ol>").arg(fragments.join(""));
}

// The database the baseline reads when it is not the default connection's:
// with several dictionaries installed there, the single file's own.
QString baselineDatabase;

QString baselineLookUp(const QString &word)
{
    if (baselineDatabase.isEmpty()) {
        WorkerConnection connection;
        return baselinePage(connection.database(), word);
    }
    static std::atomic_int made{0};
    const QString name = QStringLiteral("baseline-%1").arg(++made);
    QString page;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", name);
        database.setDatabaseName(baselineDatabase);
        DictionaryDatabase::openConnection(database);
        page = baselinePage(database, word);
    }
    QSqlDatabase::removeDatabase(name);
    return page;
}

class BaselineThread : public QThread
{
    Q_OBJECT

public:
    QString word;

signals:
    void finished(const QString &html);

protected:
    void run() override { emit finished(baselineLookUp(word)); }
};

struct Stats
{
    double median = 0;
    double p99 = 0;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    Stats s;
    if (v.empty())
        return s;
    s.median = v[v.size() / 2];
    s.p99 = v[std::min(v.size() - 1, size_t(double(v.size()) * 0.99))];
    return s;
}

double ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

long rssKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

SearchThread *makeThread(SearchThread *, const QString &word)
{
    auto *thread = new SearchThread;
    thread->setWord(word);
    return thread;
}

BaselineThread *makeThread(BaselineThread *, const QString &word)
{
    auto *thread = new BaselineThread;
    thread->word = word;
    return thread;
}

// One timed run on the GUI thread, from the clock's start until done() is
// called in `loop`. What the previous run left to paint is painted first,
// not inside this run.
struct TimedRun
{
    QEventLoop loop;
    QElapsedTimer timer;
    double elapsed = 0;

    TimedRun()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        timer.start();
    }
    void done()
    {
        elapsed = ms(timer);
        loop.quit();
    }
};

// One look-up as the search field runs it: `create` makes and connects a
// fresh worker, which is started at once; the worker's signal handler calls
// `done` on this (the GUI) thread when its work there is over. Returns the
// milliseconds from the worker's creation to that call; `returned` gets
// those until start() came back.
double timeLookUp(
    const std::function<QThread *(const QElapsedTimer &, const std::function<void()> &)> &create,
    double *returned = nullptr)
{
    TimedRun run;
    QThread *thread = create(run.timer, [&] { run.done(); });
    thread->start(QThread::InheritPriority);
    if (returned)
        *returned = ms(run.timer);
    run.loop.exec();
    thread->wait();
    delete thread;
    return run.elapsed;
}

// When start() came back (making the thread, on the calling thread), when
// the worker began to run (the system's part: that, and waking a core for
// it) and when it emitted its page.
struct WorkerTimes
{
    double returned = 0;
    double begun = 0;
    double ready = 0;
};

// The time until the page has arrived in the GUI thread and `onPage` has run
// on it; `times` gets the worker's own times.
template <typename Thread>
double timeThread(const QString &word, QObject *context,
                  const std::function<void(const QString &)> &onPage, WorkerTimes *times = nullptr)
{
    return timeLookUp(
        [&](const QElapsedTimer &timer, const std::function<void()> &done) {
            Thread *thread = makeThread(static_cast<Thread *>(nullptr), word);
            // On the worker, as it begins and as it emits.
            if (times) {
                QObject::connect(
                    thread, &QThread::started, thread,
                    [&timer, times] { times->begun = ms(timer); }, Qt::DirectConnection);
                QObject::connect(
                    thread, qOverload<const QString &>(&Thread::finished), thread,
                    [&timer, times](const QString &) { times->ready = ms(timer); },
                    Qt::DirectConnection);
            }
            QObject::connect(thread, qOverload<const QString &>(&Thread::finished), context,
                             [&onPage, done](const QString &page) {
                                 onPage(page);
                                 done();
                             });
            return static_cast<QThread *>(thread);
        },
        times ? &times->returned : nullptr);
}

// What the GUI thread does with a page once it has it, after setting it in
// the view: lay it out whole (the view itself would lay out the part in
// sight and the rest in the background), paint it, or paint it and then lay
// out the rest.
enum class Finish { LaidOut, Painted, PaintedThenLaidOut };

void finish(QTextBrowser *browser, Finish how)
{
    if (how != Finish::LaidOut)
        browser->viewport()->repaint();
    if (how != Finish::Painted)
        browser->document()->documentLayout()->documentSize();
}

// As the main window does it: the worker also builds the page's document,
// the window's requests let it through, and the GUI thread only swaps it
// in. Returns the time from the keystroke until `how` is done; `guiShare`
// gets the GUI thread's part.
double timeDocumentThread(const QString &word, QTextBrowser *browser, Finish how, double *guiShare,
                          bool findWhatIMean = false)
{
    TimedRun run;
    // Goes at the end, waiting for its worker, as timeLookUp() waits.
    Requests pages;
    auto *thread = new PageThread(browser);
    thread->setWord(word);
    thread->setFindWhatIMean(findWhatIMean);
    pages.ask(thread, &PageThread::documentReady, [&](PageThread *done) {
        QElapsedTimer gui;
        gui.start();
        PageThread::show(browser, done->takeDocument());
        finish(browser, how);
        *guiShare = ms(gui);
        run.done();
    });
    run.loop.exec();
    return run.elapsed;
}

bool ensureIndex(const QString &file, qint64 lines)
{
    if (!QFileInfo::exists(file)) {
        std::printf("generating %lld lines into %s ...\n", lines, qPrintable(file));
        std::fflush(stdout);
        if (!Generator::write(file, {lines, false, 1}))
            return false;
    }
    const QString db = file + ".db";
    const DictionaryDatabase::Opened opened = DictionaryDatabase::openDefault(db);
    if (opened != DictionaryDatabase::Opened::WithoutTables)
        return opened == DictionaryDatabase::Opened::Ready;
    if (!DictionaryDatabase().createSchema())
        return false;
    std::printf("building the index into %s ...\n", qPrintable(db));
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    ConvertThread convert;
    convert.setDictionary("Eijiro", file);
    QEventLoop loop;
    QObject::connect(&convert, &QThread::finished, &loop, &QEventLoop::quit);
    convert.start();
    loop.exec();
    convert.wait();
    std::printf("index built in %.1f s\n", double(timer.elapsed()) / 1000.0);
    return convert.outcome() == ConvertThread::Committed;
}

// Which typed text the page on display belongs to: the first highlighted
// run shows the word as typed.
QString shownWord(QTextBrowser *view)
{
    static const QRegularExpression mark("color:#c00000;\"?>([^<]*)<",
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = mark.match(view->toHtml());
    if (m.hasMatch())
        return m.captured(1)
            .replace("&lt;", "<")
            .replace("&gt;", ">")
            .replace("&quot;", "\"")
            .replace("&amp;", "&");
    // The not-found page: the typed text, a space, then the sentence.
    const QString text = view->toPlainText();
    const qsizetype end = text.indexOf(QStringLiteral(" is not found."));
    return end > 0 ? text.left(end).trimmed() : QStringLiteral("?");
}

// Types `word` into the real main window one letter every 15 ms while both
// cores are kept busy; records the page on display after every event.
// Returns false if a page for shorter text ever replaced a longer one or if
// the full word's page is not the one left on display.
bool burst(const QString &dbFile, const QString &word, QStringList *seen)
{
    MainWindow window;
    // The index open already is the bench's.
    window.indexOpened(DictionaryDatabase::Opened::Ready, dbFile, QString());
    window.show();
    // Let activation come before typing: the window looks its text up again
    // when the installed dictionaries changed since it was told, and a
    // second page for the first letter would then pass for a stale one.
    QElapsedTimer activation;
    activation.start();
    while (!window.isActiveWindow() && activation.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    auto *edit = window.findChild<QLineEdit *>("searchEdit");
    auto *view = window.findChild<QTextBrowser *>("textBrowser");

    std::atomic_bool spin{true};
    std::vector<std::thread> busy;
    for (int i = 0; i < 2; ++i)
        busy.emplace_back([&spin] {
            volatile quint64 x = 0;
            while (spin)
                x = x + 1;
        });

    QTextDocument *last = view->document();
    const auto record = [&] {
        if (view->document() != last || (seen->isEmpty() && !view->toPlainText().isEmpty())) {
            last = view->document();
            *seen << shownWord(view);
        }
    };
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= word.size(); ++i) {
        edit->setText(word.left(i));
        while (timer.elapsed() < 15 * i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            record();
        }
    }
    while (timer.elapsed() < 15 * word.size() + 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        record();
    }
    spin = false;
    for (std::thread &t : busy)
        t.join();
    bool ok = !seen->isEmpty() && seen->last().compare(word, Qt::CaseInsensitive) == 0;
    for (int i = 1; i < seen->size(); ++i)
        ok = ok && (*seen)[i].size() > (*seen)[i - 1].size();
    return ok;
}

// A window holding one line of `length` characters without a break
// opportunity, typed and shown the way the main window does it: the time
// until the page is painted and then wholly laid out, and the GUI thread's
// part of it (what would keep Quit waiting). With `plain`, the page is set
// with setHtml instead, as without the main window's shortening.
bool timeLongLine(int length, bool plain, QTextBrowser *browser, double *total, double *gui)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("long.txt");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(Generator::toShiftJis("■long : " + QString(length, 'a') + "\n■longer : b\n")) < 0)
        return false;
    out.close();
    if (!ensureIndex(file, 0))
        return false;
    if (!plain) {
        *total = timeDocumentThread("long", browser, Finish::PaintedThenLaidOut, gui);
        return true;
    }
    *total = timeThread<SearchThread>("long", browser, [&](const QString &page) {
        QElapsedTimer timer;
        timer.start();
        browser->setHtml(page);
        finish(browser, Finish::PaintedThenLaidOut);
        *gui = ms(timer);
    });
    return true;
}

// The page as the worker delivers it.
QString lookUpPage(const QString &word, SearchThread::Status *status = nullptr)
{
    Page page;
    const SearchThread::Status s = SearchThread::lookUp(word, &page);
    if (status)
        *status = s;
    return PageHtml::write(page);
}

// Rows a word list beside the result view shows at once, with some to spare.
constexpr int listRows = 40;

// The word list for `text` as the window asks for it: the time from the
// worker's start() until it has emitted the list (`ready`) and until the
// list has arrived in the GUI thread (returned).
double timeList(const QString &text, double *ready)
{
    return timeLookUp([&](const QElapsedTimer &timer, const std::function<void()> &done) {
        auto *thread = new WordListThread;
        thread->setRequest(WordListThread::from(text, listRows));
        QObject::connect(
            thread, &WordListThread::listReady, thread, [&timer, ready] { *ready = ms(timer); },
            Qt::DirectConnection);
        QObject::connect(thread, &WordListThread::listReady, QCoreApplication::instance(),
                         [done] { done(); });
        return static_cast<QThread *>(thread);
    });
}

// Typed prefixes of keyed words (one to four letters), and of phrases (the
// first word, its space and one or two letters of the next).
QStringList listPrefixes(const QStringList &words)
{
    QStringList prefixes;
    QSqlQuery phrase;
    phrase.prepare("SELECT key FROM t_entry WHERE id = 1 AND key >= ? AND key LIKE '% %' "
                   "ORDER BY key LIMIT 1");
    for (int i = 0; i < words.size(); ++i) {
        prefixes << words[i].left(1 + i % 4);
        phrase.addBindValue(words[i].toUpper());
        if (phrase.exec() && phrase.next()) {
            const QString key = phrase.value(0).toString();
            prefixes << key.left(key.indexOf(' ') + 2 + i % 2).toLower();
        }
    }
    return prefixes;
}

void timeLists(const QStringList &words)
{
    const QStringList prefixes = listPrefixes(words);
    std::vector<double> call[2], ready[2], received[2];
    int rows = 0;
    for (const QString &prefix : prefixes) {
        const int phrase = prefix.contains(' ');
        QElapsedTimer timer;
        timer.start();
        rows += int(WordListThread::list(WordListThread::from(prefix, listRows)).rows.size());
        call[phrase].push_back(ms(timer));
        double emitted = 0;
        received[phrase].push_back(timeList(prefix, &emitted));
        ready[phrase].push_back(emitted);
    }
    std::printf("\nword list of %d rows, %d prefixes (%d rows listed in all), milliseconds:\n",
                listRows, int(prefixes.size()), rows);
    std::printf("%-44s %9s %9s   %9s %9s\n", "", "keyed", "p99", "phrases", "p99");
    const auto line = [](const char *what, const std::vector<double> *times) {
        const Stats keyed = stats(times[0]), phrases = stats(times[1]);
        std::printf("%-44s %9.3f %9.3f   %9.3f %9.3f\n", what, keyed.median, keyed.p99,
                    phrases.median, phrases.p99);
    };
    line("list() on the calling thread", call);
    line("worker start() -> list emitted", ready);
    line("worker start() -> list in the GUI thread", received);
}

void row(const char *what, const Stats &ours, const Stats &base)
{
    std::printf("%-40s %9.3f %9.3f   %9.3f %9.3f   %5.2fx\n", what, ours.median, ours.p99,
                base.median, base.p99, base.median > 0 ? ours.median / base.median : 0.0);
}

// As the view stands before a keystroke: the page of another word than
// words[i] shown and laid out, the page before it freed.
void layOutOther(const QStringList &words, int i, QTextBrowser *browser)
{
    double gui = 0;
    timeDocumentThread(words[(i + 1) % words.size()], browser, Finish::LaidOut, &gui);
    // The window frees the old page while idle.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The worker's times when the GUI thread, just before the keystroke, slept
// or kept its core busy for 3 ms without touching memory, or laid out the
// page of the word before and then slept (as between a user's keystrokes:
// the last page came in, then the user paused). An idle GUI thread leaves
// its core to the new thread; a busy one has it made for the other core. A
// layout also empties the caches. The table above times them right after
// the GUI thread's own work with pages, with no pause.
enum class Before { Idle, Busy, LaidOutThenIdle };

void timeWorkersAfter(const QStringList &words, QObject *context, QTextBrowser *browser)
{
    const auto ignore = [](const QString &) {};
    for (const Before before : {Before::Idle, Before::Busy, Before::LaidOutThenIdle}) {
        // start() returned, page emitted
        std::vector<double> ours[2], base[2];
        for (int i = 0; i < words.size(); ++i) {
            for (int turn = 0; turn < 2; ++turn) {
                if (before == Before::Busy) {
                    QElapsedTimer spin;
                    spin.start();
                    while (spin.nsecsElapsed() < 3000000) {
                    }
                } else {
                    if (before == Before::LaidOutThenIdle)
                        layOutOther(words, i, browser);
                    QThread::usleep(3000);
                }
                WorkerTimes times;
                const bool mine = (i + turn) % 2 == 0;
                if (mine)
                    timeThread<SearchThread>(words[i], context, ignore, &times);
                else
                    timeThread<BaselineThread>(words[i], context, ignore, &times);
                (mine ? ours : base)[0].push_back(times.returned);
                (mine ? ours : base)[1].push_back(times.ready);
            }
        }
        const char *what = before == Before::Busy   ? "GUI busy"
                           : before == Before::Idle ? "GUI idle"
                                                    : "laid out, idle";
        row(qPrintable(QStringLiteral("    %1: thread start() returns").arg(what)), stats(ours[0]),
            stats(base[0]));
        row(qPrintable(QStringLiteral("(a) %1: start() -> page emitted").arg(what)), stats(ours[1]),
            stats(base[1]));
    }
}

// Texts of each rule of what the user means, made of the file's own
// words, each kept only where the rules take it as meant: the words; the
// first phrase after each; the words with -s, -ed, -ing, -er or -est; the
// words without their last two letters; the words with a letter replaced,
// and those of 7 letters or more with two replaced (suggestions at distance
// 2, or, the longest walk, none at all); then the Japanese rules' (below).
// `loaded` gets the time the slowest text took: the first to need the
// keys in memory, which read them.
enum {
    Words,
    Phrases,
    Bases,
    Prefixes,
    OneEdit,
    TwoEdits,
    Folded,
    JapaneseBases,
    RomajiWords,
    RomajiBases,
    ShortPrefixes,
    Typos,
    Kinds
};

// The rule each kind of text is kept for.
constexpr Meaning::Rule ruleOf[Kinds] = {
    Meaning::Word, Meaning::Entry, Meaning::Base, Meaning::Nearest, Meaning::None,
    Meaning::None, Meaning::Fold,  Meaning::Base, Meaning::Romaji,  Meaning::Romaji,
    Meaning::Nearest, Meaning::Typo,
};

// How a learner types `text`'s kana in romaji: each kana as the shortest
// spelling Romaji reads as it, ん as n', っ as the next consonant doubled;
// a null string for what has no spelling.
QString romajiOf(const QString &text)
{
    static const QHash<QChar, QString> spelled = [] {
        QHash<QChar, QString> out;
        QString letters;
        const std::function<void(int)> spell = [&](int length) {
            if (letters.size() == length) {
                const QString kana = Romaji::toKana(letters);
                if (kana.size() == 1 && !out.contains(kana[0]))
                    out.insert(kana[0], letters);
                return;
            }
            for (char c = 'a'; c <= 'z'; ++c) {
                letters += QLatin1Char(c);
                spell(length);
                letters.chop(1);
            }
        };
        for (int length = 1; length <= 3; ++length)
            spell(length);
        out.insert(u'ん', QStringLiteral("n'"));
        return out;
    }();
    const QString kana = Fold::key(text);
    QString out;
    bool doubled = false;
    for (const QChar c : kana) {
        if (c == u'っ') {
            doubled = true;
            continue;
        }
        const QString one = spelled.value(c);
        if (one.isEmpty())
            return QString();
        out += doubled ? one.front() + one : one;
        doubled = false;
    }
    return doubled ? QString() : out;
}

// An inflected form of a Japanese key, as its last kana suggests it
// conjugates: polite past, plain past, past of the negative.
QString inflected(const QString &key)
{
    static const QHash<QChar, QString> endings = {
        {u'る', "ました"}, {u'う', "った"}, {u'く', "いた"}, {u'ぐ', "いだ"}, {u'す', "した"},
        {u'つ', "った"},   {u'ぬ', "んだ"}, {u'ぶ', "んだ"}, {u'む', "んだ"}, {u'い', "くなかった"},
    };
    const auto ending = endings.constFind(key.back());
    return ending == endings.cend() ? QString() : key.chopped(1) + *ending;
}

// Texts for the Japanese rules, of the file's keys that are not ASCII:
// full-width keys typed in ASCII, katakana typed as hiragana and hiragana
// as katakana; inflected forms of keys ending as a verb or adjective does;
// kana keys and those forms typed in romaji.
QList<std::pair<int, QString>> japaneseTexts(int count)
{
    QList<std::pair<int, QString>> tried;
    QSqlQuery keys("SELECT DISTINCT name FROM t_word WHERE name > '~' ORDER BY name");
    QStringList all;
    while (keys.next())
        all << keys.value(0).toString();
    const qsizetype step = std::max<qsizetype>(1, all.size() / (4 * qsizetype(count)));
    for (qsizetype i = 0; i < all.size(); i += step) {
        const QString &key = all[i];
        const QString folded = Fold::key(key);
        if (folded != key) {
            tried.append({Folded, folded.toLower()});
        } else if (std::all_of(key.begin(), key.end(),
                               [](QChar c) { return c >= u'ぁ' && c <= u'ゖ'; })) {
            QString katakana = key;
            for (QChar &c : katakana)
                c = QChar(c.unicode() + 0x60);
            tried.append({Folded, katakana});
        }
        const QString form = inflected(key);
        if (!form.isNull())
            tried.append({JapaneseBases, form});
        if (const QString romaji = romajiOf(key); !romaji.isNull())
            tried.append({RomajiWords, romaji});
        if (const QString romaji = romajiOf(form); !form.isNull() && !romaji.isNull())
            tried.append({RomajiBases, romaji});
    }
    return tried;
}

std::array<QStringList, Kinds> textsOfEachRule(const QStringList &words, double *loaded)
{
    std::array<QStringList, Kinds> texts;
    const QStringList endings = {"s", "ed", "ing", "er", "est"};
    const auto misspell = [](QString word, qsizetype at) {
        word[at] = word[at] == u'q' ? u'x' : u'q';
        return word;
    };
    QSqlQuery phrase;
    phrase.prepare("SELECT key FROM t_entry WHERE id = 1 AND key >= ? AND key LIKE '% %' "
                   "ORDER BY key LIMIT 1");
    QList<std::pair<int, QString>> tried;
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        tried.append({Words, word});
        tried.append({Bases, word + endings[i % endings.size()]});
        tried.append({Prefixes, word.chopped(2)});
        tried.append({OneEdit, misspell(word, word.size() / 2)});
        if (word.size() >= 7)
            tried.append({TwoEdits, misspell(misspell(word, 1), word.size() - 2)});
        phrase.addBindValue(word.toUpper());
        if (phrase.exec() && phrase.next())
            tried.append({Phrases, phrase.value(0).toString().toLower()});
    }
    tried += japaneseTexts(int(words.size()));
    // The commonest completions of one and two letters, and the common
    // words (counted in 100 lines or more) misspelt: a letter left out,
    // two swapped.
    for (const QString &word : words) {
        tried.append({ShortPrefixes, word.left(1)});
        tried.append({ShortPrefixes, word.left(2)});
    }
    QSqlQuery common("SELECT key FROM t_common WHERE id = 1 AND lines >= 100 AND key NOT LIKE "
                     "'% %' AND length(key) >= 4 ORDER BY lines DESC LIMIT 400");
    while (common.next()) {
        QString word = common.value(0).toString().toLower();
        tried.append({Typos, word.left(1) + word.mid(2)});
        std::swap(word[1], word[2]);
        tried.append({Typos, word});
    }
    *loaded = -1;
    for (const auto &[kind, text] : std::as_const(tried)) {
        Page page;
        Meaning meaning;
        QElapsedTimer timer;
        timer.start();
        SearchThread::findWhatIMean(text, &page, &meaning);
        *loaded = std::max(*loaded, ms(timer));
        if (meaning.rule == ruleOf[kind] && (kind != OneEdit || !page.suggestions.isEmpty()) &&
            (kind != RomajiBases || meaning.via == Meaning::Base))
            texts[size_t(kind)] << text;
    }
    return texts;
}

// Keystroke to page laid out for texts of each rule with the window
// finding what the user means, each beside the plain baseline's page of a
// found word in the same loop, taking turns as the first table does.
// The single-word keys read into memory once more, as the first look-up
// that needs them reads them: how many, how long, and what the list of
// keys that folding changes costs.
void timeKeys()
{
    IndexReader reader;
    QElapsedTimer timer;
    timer.start();
    const auto keys = WordKeys::shared(reader, QStringLiteral("bench %1").arg(rand()));
    const double loading = ms(timer);
    if (!keys)
        return;
    QStringList nonAscii;
    QSqlQuery all("SELECT DISTINCT name FROM t_word WHERE name > '~'");
    while (all.next())
        nonAscii << all.value(0).toString();
    qsizetype changed = 0;
    timer.start();
    for (const QString &key : std::as_const(nonAscii))
        changed += Fold::key(key) != key ? 1 : 0;
    std::printf("\nsingle-word keys: %lld read in %.1f ms; %lld of them changed by folding, "
                "listed in %lld bytes (folding every non-ASCII key again: %.1f ms)\n",
                qlonglong(keys->size()), loading, qlonglong(changed),
                qlonglong(keys->foldedBytes()), ms(timer));
}

void timeMeaning(const QStringList &words, QTextBrowser *browser)
{
    double loaded = 0;
    const std::array<QStringList, Kinds> texts = textsOfEachRule(words, &loaded);
    timeKeys();
    static const char *const names[Kinds] = {"word",
                                             "entry (a phrase)",
                                             "base form",
                                             "nearest entry",
                                             "none, suggestions at 1",
                                             "none, 2 edits (at 2 or none)",
                                             "fold (width, kana)",
                                             "base form, Japanese",
                                             "romaji (word or kana)",
                                             "romaji, base form",
                                             "nearest, 1 or 2 letters",
                                             "typo (did you mean)"};
    std::printf("\nfinding what the user means, keystroke -> page set and laid out, beside the "
                "baseline's\nfound word; milliseconds (the slowest text, which read the keys, took "
                "%.1f):\n",
                loaded);
    std::printf("%-40s %9s %9s   %9s %9s   %6s\n", "rule (texts)", "median", "p99", "base med",
                "base p99", "ratio");
    for (int kind = 0; kind < Kinds; ++kind) {
        std::vector<double> ours, base, call;
        int suggested = 0;
        const QStringList &some = texts[size_t(kind)];
        for (int i = 0; i < some.size() && i < 150; ++i) {
            for (int turn = 0; turn < 2; ++turn) {
                if ((i + turn) % 2 == 0) {
                    double gui = 0;
                    ours.push_back(
                        timeDocumentThread(some[i], browser, Finish::LaidOut, &gui, true));
                    Page page;
                    QElapsedTimer timer;
                    timer.start();
                    SearchThread::findWhatIMean(some[i], &page);
                    call.push_back(ms(timer));
                    suggested += page.suggestions.isEmpty() ? 0 : 1;
                } else {
                    base.push_back(timeThread<BaselineThread>(words[i % words.size()], browser,
                                                              [browser](const QString &page) {
                                                                  browser->setHtml(page);
                                                                  finish(browser, Finish::LaidOut);
                                                              }));
                }
            }
        }
        row(qPrintable(QStringLiteral("%1 (%2)").arg(names[kind]).arg(ours.size())), stats(ours),
            stats(base));
        const Stats calls = stats(call);
        std::printf("    findWhatIMean() on the calling thread: median %.3f p99 %.3f%s\n",
                    calls.median, calls.p99,
                    ruleOf[kind] == Meaning::None
                        ? qPrintable(QStringLiteral("; %1 with suggestions").arg(suggested))
                        : "");
    }
}

// Where a look-up's time goes: its steps one by one on the GUI thread, each
// timed on its own, right after the page of another word was laid out in
// the view (as at a keystroke, with the caches as the layout left them),
// then the same steps again at once. Microseconds, medians. The lines are
// kept from one step to the next, a copy each that the look-up itself does
// not make.
void timeSteps(const QStringList &words, QTextBrowser *browser)
{
    enum { Open, Location, Position, Close, Read, Decode, Render, Html, Steps };
    static const char *const names[Steps] = {
        "index: open a connection",
        "index: dictionary's location",
        "index: word's first position",
        "index: close the connection",
        "file: open, seek, read 128 lines",
        "decode the lines (Shift_JIS)",
        "render the page",
        "write the page's HTML",
    };
    std::vector<double> took[2][Steps + 1];
    for (int i = 0; i < words.size(); ++i) {
        layOutOther(words, i, browser);
        for (int warm = 0; warm < 2; ++warm) {
            double at[Steps];
            QElapsedTimer timer;
            timer.start();
            QString location;
            qint64 position = 0;
            {
                IndexReader index;
                at[Open] = ms(timer);
                index.dictionaryLocation(&location);
                at[Location] = ms(timer);
                index.firstPosition(Eijiro::queryKey(words[i]), &position);
                at[Position] = ms(timer);
            }
            at[Close] = ms(timer);
            QFile file;
            DictionaryFile::open(&file, location);
            file.seek(position);
            Eijiro::LineReader reader(&file, SearchThread::readAhead);
            std::vector<QByteArray> lines;
            for (int n = 0; n < SearchThread::windowLines; ++n) {
                const QByteArrayView line = reader.readLineView();
                if (line.isEmpty())
                    break;
                lines.emplace_back(line.toByteArray());
            }
            at[Read] = ms(timer);
            Eijiro::Decoder decoder;
            std::vector<QString> texts(lines.size());
            for (size_t n = 0; n < lines.size(); ++n)
                decoder.decode(lines[n], &texts[n]);
            at[Decode] = ms(timer);
            ResultRenderer renderer(words[i]);
            for (const QString &text : texts)
                renderer.renderLine(text);
            const Page page = renderer.finish();
            at[Render] = ms(timer);
            PageHtml::write(page);
            at[Html] = ms(timer);
            for (int step = 0; step < Steps; ++step)
                took[warm][step].push_back(1000 * (at[step] - (step ? at[step - 1] : 0)));
            took[warm][Steps].push_back(1000 * at[Html]);
        }
    }
    std::printf("\none look-up on the GUI thread step by step, microseconds (median):\n"
                "%-40s %14s %14s\n",
                "", "after a layout", "again at once");
    for (int step = 0; step <= Steps; ++step)
        std::printf("  %-38s %14.1f %14.1f\n", step < Steps ? names[step] : "all steps",
                    stats(took[0][step]).median, stats(took[1][step]).median);
}

// The dictionaries installed beside the single file: three generated files
// of 500,000 lines in `dir`, one of them in UTF-8 and one with Japanese
// heads; each made when missing.
QStringList besideFiles(const QString &dir)
{
    struct Made
    {
        const char *name;
        Generator::Options options;
    };
    const Made made[] = {{"orvel-bench-500000-2.txt", {500000, false, 2}},
                         {"orvel-bench-500000-3-utf8.txt", {500000, false, 3, false, true}},
                         {"orvel-bench-500000-4-ja.txt", {500000, false, 4, true}}};
    QStringList files;
    for (const Made &m : made) {
        const QString path = dir + u'/' + QLatin1String(m.name);
        if (!QFileInfo::exists(path)) {
            std::printf("generating %s ...\n", qPrintable(path));
            std::fflush(stdout);
            if (!Generator::write(path, m.options))
                return {};
        }
        files << path;
    }
    return files;
}

// Opens `db` as the default connection with `files` installed into it in
// their order, installing those it lacks.
bool ensureSeveral(const QString &db, const QStringList &files)
{
    DictionaryDatabase::closeDefault();
    if (DictionaryDatabase::openOrCreateDefault(db) != DictionaryDatabase::Opened::Ready)
        return false;
    int installed = 0;
    {
        QSqlQuery count("SELECT COUNT(*) FROM t_dictionary");
        installed = count.next() ? count.value(0).toInt() : 0;
    }
    for (int i = installed; i < files.size(); ++i) {
        std::printf("installing %s into %s ...\n", qPrintable(files[i]), qPrintable(db));
        std::fflush(stdout);
        ConvertThread convert;
        convert.setDictionary(QString(), files[i]);
        convert.start();
        convert.wait();
        if (convert.outcome() != ConvertThread::Committed)
            return false;
    }
    return true;
}

// Typed words for the dictionaries installed: keyed words of each in turn,
// sorted by how many dictionaries have them (one, several), and as many
// that none has.
enum { InOne, InSeveral, InNone, Classes };

std::array<QStringList, Classes> severalWords(int queries)
{
    std::array<QStringList, Classes> words;
    QSqlQuery dictionaries("SELECT id, MIN(rowid), MAX(rowid) FROM t_word GROUP BY id ORDER BY id");
    std::vector<std::array<qint64, 3>> ranges;
    while (dictionaries.next())
        ranges.push_back({dictionaries.value(0).toLongLong(), dictionaries.value(1).toLongLong(),
                          dictionaries.value(2).toLongLong()});
    QSqlQuery row, have;
    row.prepare("SELECT name FROM t_word WHERE rowid >= ? LIMIT 1");
    have.prepare("SELECT COUNT(DISTINCT id) FROM t_word WHERE name = ?");
    QRandomGenerator random(20240612);
    const int each = (queries + Classes - 1) / Classes;
    for (int n = 0; !ranges.empty() && n < 100 * queries; ++n) {
        const auto &range = ranges[size_t(n) % ranges.size()];
        row.addBindValue(range[1] + qint64(random.bounded(quint64(range[2] - range[1] + 1))));
        if (!row.exec() || !row.next())
            continue;
        QString word = row.value(0).toString();
        // Half of them made words no dictionary has, a letter replaced.
        if (n % 2 == 1)
            word[word.size() / 2] = word[word.size() / 2] == u'Q' ? u'X' : u'Q';
        have.addBindValue(word);
        if (!have.exec() || !have.next())
            continue;
        const int in = have.value(0).toInt();
        QStringList &kind = words[in == 0 ? InNone : in == 1 ? InOne : InSeveral];
        if (kind.size() < each && !kind.contains(word.toLower()))
            kind << word.toLower();
        if (std::all_of(words.begin(), words.end(),
                        [each](const QStringList &k) { return k.size() == each; }))
            break;
    }
    return words;
}

// Keystroke to page painted, and to page laid out, with every dictionary
// installed read, beside the baseline's page of the single file's words in
// the same loop, taking turns; by how many dictionaries have the word.
void timeSeveral(const std::array<QStringList, Classes> &typed, const QStringList &words,
                 QTextBrowser *browser)
{
    static const char *const names[Classes] = {"in one dictionary", "in several",
                                               "in none (not-found page)"};
    std::vector<double> painted[Classes + 1], laidOut[Classes + 1], basePainted, baseLaidOut;
    std::vector<double> built, parsed, call[Classes];
    int turns = 0;
    for (int kind = 0; kind < Classes; ++kind) {
        for (const QString &word : typed[size_t(kind)]) {
            const QString &theirs = words[turns % words.size()];
            for (int turn = 0; turn < 2; ++turn) {
                if ((turns + turn) % 2 == 0) {
                    double gui = 0;
                    const double p = timeDocumentThread(word, browser, Finish::Painted, &gui);
                    const double l = timeDocumentThread(word, browser, Finish::LaidOut, &gui);
                    for (const int into : {kind, int(Classes)}) {
                        painted[into].push_back(p);
                        laidOut[into].push_back(l);
                    }
                } else {
                    for (const Finish how : {Finish::Painted, Finish::LaidOut})
                        (how == Finish::Painted ? basePainted : baseLaidOut)
                            .push_back(timeThread<BaselineThread>(
                                theirs, browser, [browser, how](const QString &page) {
                                    browser->setHtml(page);
                                    finish(browser, how);
                                }));
                }
            }
            ++turns;
            // The look-up alone, and the page's document, built directly
            // and through its HTML, on the calling thread.
            Page page;
            QElapsedTimer timer;
            timer.start();
            const SearchThread::Status status = SearchThread::lookUp(word, &page);
            call[kind].push_back(ms(timer));
            if (kind != InSeveral || status != SearchThread::Found)
                continue;
            timer.start();
            QTextDocument direct;
            const bool took = PageDocument::build(page, &direct);
            built.push_back(took ? ms(timer) : -1);
            timer.start();
            QTextDocument html;
            html.setHtml(PageHtml::write(page));
            parsed.push_back(ms(timer));
        }
    }
    std::printf("\nfour dictionaries installed; keystroke -> page, beside the baseline's found "
                "word of the single file; milliseconds:\n");
    std::printf("%-40s %9s %9s   %9s %9s   %6s\n", "", "median", "p99", "base med", "base p99",
                "ratio");
    for (int kind = 0; kind <= Classes; ++kind) {
        const QString what = kind == Classes ? QStringLiteral("all %1 words").arg(turns)
                                             : QStringLiteral("%1 (%2)")
                                                   .arg(QLatin1String(names[kind]))
                                                   .arg(typed[size_t(kind)].size());
        row(qPrintable(QStringLiteral("painted, %1").arg(what)), stats(painted[kind]),
            stats(basePainted));
        row(qPrintable(QStringLiteral("laid out, %1").arg(what)), stats(laidOut[kind]),
            stats(baseLaidOut));
    }
    std::printf("lookUp() on the calling thread, median: %.3f in one, %.3f in several, %.3f in "
                "none\n",
                stats(call[InOne]).median, stats(call[InSeveral]).median,
                stats(call[InNone]).median);
    const auto refused = std::count(built.begin(), built.end(), -1.0);
    std::printf("document of a page of several, on the calling thread: built directly median "
                "%.3f, through setHtml median %.3f (%d pages, %d refused)\n",
                stats(built).median, stats(parsed).median, int(parsed.size()), int(refused));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window of the burst test writes settings: keep them away
    // from the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    SettingsStore::nameApplication(app);
    const QStringList args = app.arguments();
    const QString file = args.value(1, "bench-lookup.txt");
    const qint64 lines = args.value(2, "2500000").toLongLong();
    const int queries = args.value(3, "300").toInt();

    if (!ensureIndex(QFileInfo(file).absoluteFilePath(), lines)) {
        std::fprintf(stderr, "cannot prepare the dictionary or its index\n");
        return 1;
    }

    const QStringList words = randomKeyedWords(queries);
    if (words.isEmpty()) {
        std::fprintf(stderr, "the index holds no words\n");
        return 1;
    }

    if (args.value(4) == QLatin1String("several")) {
        baselineDatabase = QFileInfo(file).absoluteFilePath() + ".db";
        const QStringList files = QStringList(QFileInfo(file).absoluteFilePath()) +
                                  besideFiles(QFileInfo(file).absolutePath());
        if (files.size() != 4 ||
            !ensureSeveral(QFileInfo(file).absoluteFilePath() + ".several.db", files)) {
            std::fprintf(stderr, "cannot prepare the four dictionaries\n");
            return 1;
        }
        const std::array<QStringList, Classes> typed = severalWords(queries);
        QTextBrowser browser;
        browser.resize(800, 600);
        browser.show();
        timeSeveral(typed, words, &browser);
        timeLists(typed[InOne] + typed[InSeveral]);
        return 0;
    }
    if (args.value(4) == QLatin1String("meaning")) {
        QTextBrowser browser;
        browser.resize(800, 600);
        browser.show();
        timeMeaning(words, &browser);
        return 0;
    }

    // Same pages from both (apart from pages the baseline gets wrong),
    // and a first pass to warm the file cache.
    int notFound = 0;
    int differ = 0;
    for (const QString &word : words) {
        SearchThread::Status status;
        const QString page = lookUpPage(word, &status);
        if (status != SearchThread::Found)
            ++notFound;
        if (page != baselineLookUp(word) && ++differ <= 5)
            std::printf("page differs from the baseline's: %s\n", qPrintable(word));
    }

    std::vector<double> oursCall, baseCall, oursThread, baseThread, oursReady, baseReady;
    std::vector<double> oursReturned, baseReturned, oursBegun, baseBegun;
    const Finish finishes[] = {Finish::LaidOut, Finish::Painted, Finish::PaintedThenLaidOut};
    std::vector<double> oursShown[3], baseShown[3];
    // The GUI thread's own share of "set and laid out"; for the baseline,
    // setHtml and the layout after it apart.
    std::vector<double> oursGui, setHtmlShare, layoutShare;
    QTextBrowser browser;
    browser.resize(800, 600);
    browser.show();
    const auto ignore = [](const QString &) {};

    // Alternate which of the two goes first, so neither always meets the
    // caches and the browser as the other left them.
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        for (int turn = 0; turn < 2; ++turn) {
            if ((i + turn) % 2 == 0) {
                QElapsedTimer timer;
                timer.start();
                lookUpPage(word);
                oursCall.push_back(ms(timer));
                WorkerTimes times;
                oursThread.push_back(timeThread<SearchThread>(word, &app, ignore, &times));
                oursReturned.push_back(times.returned);
                oursBegun.push_back(times.begun);
                oursReady.push_back(times.ready);
                for (int f = 0; f < 3; ++f) {
                    double gui = 0;
                    oursShown[f].push_back(timeDocumentThread(word, &browser, finishes[f], &gui));
                    if (finishes[f] == Finish::LaidOut)
                        oursGui.push_back(gui);
                }
            } else {
                QElapsedTimer timer;
                timer.start();
                const QString page = baselineLookUp(word);
                baseCall.push_back(ms(timer));
                WorkerTimes times;
                baseThread.push_back(timeThread<BaselineThread>(word, &app, ignore, &times));
                baseReturned.push_back(times.returned);
                baseBegun.push_back(times.begun);
                baseReady.push_back(times.ready);
                for (int f = 0; f < 3; ++f) {
                    const auto show = [&](const QString &html) {
                        QElapsedTimer gui;
                        gui.start();
                        browser.setHtml(html);
                        if (finishes[f] == Finish::LaidOut)
                            setHtmlShare.push_back(ms(gui));
                        gui.start();
                        finish(&browser, finishes[f]);
                        if (finishes[f] == Finish::LaidOut)
                            layoutShare.push_back(ms(gui));
                    };
                    baseShown[f].push_back(timeThread<BaselineThread>(word, &browser, show));
                }
            }
        }
    }

    std::printf("\n%lld-line dictionary, %d words (%d not found, %d pages differ from the "
                "baseline)\n",
                lines, int(words.size()), notFound, differ);
    std::printf("%-40s %9s %9s   %9s %9s   %6s\n", "milliseconds", "median", "p99", "base med",
                "base p99", "ratio");
    row("(a) lookUp() on the calling thread", stats(oursCall), stats(baseCall));
    row("    thread start() returns", stats(oursReturned), stats(baseReturned));
    row("    thread start() -> run() begins", stats(oursBegun), stats(baseBegun));
    row("(a) thread start() -> page emitted", stats(oursReady), stats(baseReady));
    row("(a) thread start() -> page in GUI", stats(oursThread), stats(baseThread));
    row("(b) keystroke -> page set and laid out", stats(oursShown[0]), stats(baseShown[0]));
    row("    keystroke -> page painted", stats(oursShown[1]), stats(baseShown[1]));
    row("    keystroke -> painted, then all laid out", stats(oursShown[2]), stats(baseShown[2]));
    const Stats gui = stats(oursGui);
    const Stats parse = stats(setHtmlShare);
    const Stats layout = stats(layoutShare);
    std::printf("    GUI thread, ours: document set and laid out, median %.3f p99 %.3f\n",
                gui.median, gui.p99);
    std::printf("    GUI thread, baseline: setHtml median %.3f p99 %.3f, then layout median "
                "%.3f p99 %.3f\n",
                parse.median, parse.p99, layout.median, layout.p99);
    std::printf(
        "the same workers when the GUI thread slept or kept busy for 3 ms before, or laid out\n"
        "the page of the word before and then slept 3 ms:\n");
    timeWorkersAfter(words, &app, &browser);
    timeSteps(words, &browser);

    {
        // 13 keystrokes where the index has a key that long.
        QSqlQuery longest("SELECT name FROM t_word WHERE length(name) >= 13 AND name NOT GLOB "
                          "'*[^A-Z&]*' LIMIT 1");
        QString word = longest.next() ? longest.value(0).toString().toLower()
                                      : words.first() + QStringLiteral("zzzzzzzzzzzzz");
        word = word.left(13);
        QStringList seen;
        const bool ok = burst(QFileInfo(file).absoluteFilePath() + ".db", word, &seen);
        std::printf("\nburst of %d keystrokes 15 ms apart, both cores busy: pages shown for "
                    "%s -> %s\n",
                    int(word.size()), qPrintable(seen.join(", ")),
                    ok ? "ends with the full word, never older after newer" : "FAILED");
    }

    timeLists(words);
    timeMeaning(words, &browser);

    const long before = rssKiB();
    for (int i = 0; i < 10000; ++i) {
        lookUpPage(words[i % words.size()]);
        if (i == 999)
            std::printf("\nRSS before %ld KiB, after 1,000 look-ups %ld KiB", before, rssKiB());
    }
    std::printf(", after 10,000 %ld KiB\n", rssKiB());

    // Laid out whole, such a line takes time growing with the square of its
    // length; the plain way is therefore timed on a tenth of it.
    std::printf("\none line without break opportunities, keystroke -> painted, then all laid "
                "out (GUI thread's part):\n");
    for (const auto &[length, plain] :
         {std::pair(100000, true), std::pair(100000, false), std::pair(1000000, false)}) {
        double total = 0, gui = 0;
        if (!timeLongLine(length, plain, &browser, &total, &gui))
            return 1;
        std::printf("  %7d characters, %-17s %9.1f ms (%.1f ms)\n", length,
                    plain ? "set with setHtml:" : "as Orvel shows it:", total, gui);
    }
    return 0;
}

#include "bench_lookup.moc"
