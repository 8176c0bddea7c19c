// bench_grep: the search inside entry lines (EntrySearch, as Find in
// Entries and orvel-cli grep run it) beside `LC_ALL=C grep -F -c` of the same
// text's Shift_JIS bytes over the same file, run as a process in the same
// round, query by query, with the file in the page cache: the time to the
// first 50 rows and to the whole count, each as a ratio to grep's whole
// search, wall clock and processor time alike (the search runs on two
// threads, grep on one), and the memory the search takes above the
// program's own. With --fts5, also what an SQLite FTS5 trigram index of the
// entry lines costs to build and to ask.
//
//   bench_grep [--file PATH] [--lines N] [--rounds R] [--fts5] [--query TEXT]...
//
// The file is generated when missing (2,500,000 lines by default); its
// index is built into a temporary database.
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/format.h"
#include "generator.h"
#include "lookup/entrysearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Japanese and English, 1 to 20 characters, as a translator would type
// them: words of the generated file's bodies and heads, common and rare,
// and a few it does not hold.
const char16_t *const queries[] = {u"水",
                                   u"光",
                                   u"髙",
                                   u"①",
                                   u"a",
                                   u"z",
                                   u"意味",
                                   u"th",
                                   u"走る",
                                   u"run",
                                   u"the",
                                   u"water",
                                   u"経営する",
                                   u"カタカナ",
                                   u"見積もり",
                                   u"cost overrun",
                                   u"きらきら光る",
                                   u"～について",
                                   u"【参考】",
                                   u"ＲＵＮ",
                                   u"rest",
                                   u"■・I ",
                                   u"ちょっとした、流れる",
                                   u"静かな、素早く、再び",
                                   u"はっきりと、ひらがな、カタカナ、辞書"};

constexpr int firstRows = 50;

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

qint64 statusKiB(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)))
                .trimmed()
                .split(' ')
                .first()
                .toLongLong();
    }
    return -1;
}

// Linux resets the peak (VmHWM) to the present size on "5".
void resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Timing
{
    double first = 0;     // ms to the 50th row, or to the end with fewer
    double whole = 0;     // ms to the whole count
    double processor = 0; // processor ms, all threads
    qint64 count = 0;
    qint64 peakKiB = 0; // above the size before the search
};

// Runs `LC_ALL=C grep -F -c BYTES FILE`: its count, wall and processor time.
Timing grepCount(const QByteArray &bytes, const QByteArray &file)
{
    int out[2];
    if (pipe(out) != 0)
        qFatal("pipe failed");
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        setenv("LC_ALL", "C", 1);
        execlp("grep", "grep", "-F", "-c", "--", bytes.constData(), file.constData(), nullptr);
        _exit(127);
    }
    close(out[1]);
    QByteArray text;
    char chunk[256];
    for (ssize_t got; (got = read(out[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, got);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Timing timing;
    timing.whole = double(timer.nsecsElapsed()) / 1e6;
    timing.processor = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    timing.count = text.trimmed().toLongLong();
    return timing;
}

Timing search(const QString &text, const QList<EntrySearch::Dictionary> &dictionaries)
{
    EntrySearch::Request request;
    request.text = text;
    request.dictionaries = dictionaries;
    request.limit = firstRows;
    Timing timing;
    qint64 rows = 0;
    const qint64 before = statusKiB("VmRSS:");
    resetPeak();
    const double processor = processorMs();
    QElapsedTimer timer;
    timer.start();
    const EntrySearch::Outcome outcome =
        EntrySearch::run(request, [&](QList<EntrySearch::Row> &&found) {
            rows += found.size();
            if (rows >= firstRows && timing.first == 0)
                timing.first = double(timer.nsecsElapsed()) / 1e6;
        });
    timing.whole = double(timer.nsecsElapsed()) / 1e6;
    timing.processor = processorMs() - processor;
    if (timing.first == 0)
        timing.first = timing.whole;
    timing.peakKiB = statusKiB("VmHWM:") - before;
    if (!outcome.failures.isEmpty() || !outcome.counted)
        qFatal("the search failed: %s", qPrintable(outcome.failures.value(0).error));
    timing.count = outcome.count;
    return timing;
}

bool install(const QString &file, const QString &db)
{
    if (DictionaryDatabase::openOrCreateDefault(db) != DictionaryDatabase::Opened::Ready)
        return false;
    ConvertThread convert;
    convert.setDictionary("Eijiro", file);
    convert.start();
    convert.wait();
    return convert.outcome() == ConvertThread::Committed;
}

// An FTS5 trigram index of every entry line's text, as a search index in
// the database would hold it: how long the build takes and its size.
struct Fts
{
    sqlite3 *db = nullptr;
    double buildSeconds = 0;
    qint64 bytes = 0;
};

Fts buildFts(const QString &file, const QString &path)
{
    Fts fts;
    sqlite3_open(QFile::encodeName(path).constData(), &fts.db);
    sqlite3_exec(fts.db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(fts.db, "CREATE VIRTUAL TABLE lines USING fts5(line, tokenize='trigram'); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(fts.db, "INSERT INTO lines (rowid, line) VALUES (?, ?)", -1, &insert,
                       nullptr);
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly) || !insert)
        qFatal("cannot build the FTS5 index");
    Eijiro::LineReader reader(&input);
    Eijiro::Decoder decoder;
    Eijiro::IndexerReading reading;
    QString line;
    while (!reader.atEnd()) {
        const qint64 offset = reader.offset();
        decoder.decode(reader.readLineView(), &line);
        if (!Eijiro::readIndexer(line, &reading))
            continue;
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        const QByteArray utf8 = line.toUtf8();
        sqlite3_bind_int64(insert, 1, offset);
        sqlite3_bind_text(insert, 2, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(fts.db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    fts.buildSeconds = double(timer.nsecsElapsed()) / 1e9;
    fts.bytes = QFileInfo(path).size();
    return fts;
}

// ms for the first 50 rows and for the count of a phrase query; -1 for a
// text too short for trigrams.
std::pair<double, double> askFts(sqlite3 *db, const QString &text, qint64 *count)
{
    if (text.size() < 3)
        return {-1, -1};
    const QByteArray phrase = '"' + QString(text).replace('"', "\"\"").toUtf8() + '"';
    double times[2];
    const char *sql[2] = {"SELECT rowid FROM lines WHERE lines MATCH ? LIMIT 50",
                          "SELECT count(*) FROM lines WHERE lines MATCH ?"};
    for (int i = 0; i < 2; ++i) {
        QElapsedTimer timer;
        timer.start();
        sqlite3_stmt *query = nullptr;
        sqlite3_prepare_v2(db, sql[i], -1, &query, nullptr);
        sqlite3_bind_text(query, 1, phrase.constData(), int(phrase.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(query) == SQLITE_ROW)
            *count = i == 1 ? sqlite3_column_int64(query, 0) : 0;
        sqlite3_finalize(query);
        times[i] = double(timer.nsecsElapsed()) / 1e6;
    }
    return {times[0], times[1]};
}

struct Options
{
    QString file;
    qint64 lines = 2500000;
    int rounds = 5;
    bool fts5 = false;
    QStringList queries;
};

Options parse(QStringList args)
{
    Options options;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--lines" && !args.isEmpty())
            options.lines = args.takeFirst().toLongLong();
        else if (a == "--rounds" && !args.isEmpty())
            options.rounds = args.takeFirst().toInt();
        else if (a == "--file" && !args.isEmpty())
            options.file = args.takeFirst();
        else if (a == "--fts5")
            options.fts5 = true;
        else if (a == "--query" && !args.isEmpty())
            options.queries << args.takeFirst();
        else
            qFatal("usage: bench_grep [--file PATH] [--lines N] [--rounds R] [--fts5] "
                   "[--query TEXT]...");
    }
    if (options.file.isEmpty())
        options.file = QDir::tempPath() + QString("/orvel-bench-%1.txt").arg(options.lines);
    if (options.queries.isEmpty()) {
        for (const char16_t *query : queries)
            options.queries << QString::fromUtf16(query);
    }
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    Options options = parse(app.arguments().mid(1));
    QString &file = options.file;
    if (!QFileInfo::exists(file) && !Generator::write(file, {options.lines, false, 1}))
        qFatal("cannot write %s", qPrintable(file));
    file = QFileInfo(file).absoluteFilePath();
    if (!install(file, home.path() + "/index.db"))
        qFatal("cannot build the index of %s", qPrintable(file));
    QList<EntrySearch::Dictionary> dictionaries;
    QString error;
    if (!EntrySearch::installed(&dictionaries, &error))
        qFatal("%s", qPrintable(error));
    const QByteArray fileName = QFile::encodeName(file);
    // Into the page cache, as for every search after the first.
    grepCount("\x01", fileName);
    std::printf("file: %s, %.1f MB; %d rounds, medians\n", qPrintable(file),
                double(QFileInfo(file).size()) / 1e6, options.rounds);

    Fts fts;
    if (options.fts5) {
        fts = buildFts(file, home.path() + "/fts.db");
        std::printf("FTS5 trigram index of the entry lines: built in %.1f s, %.1f MB\n",
                    fts.buildSeconds, double(fts.bytes) / 1e6);
    }

    std::printf("%-16s %5s | %8s %7s %8s | %8s %6s %8s %6s %7s %6s %8s | %7s%s\n", "query", "chars",
                "grep ms", "cpu ms", "grep n", "first50", "ratio", "whole", "ratio", "cpu ms",
                "ratio", "ours n", "peak MB", options.fts5 ? "  fts 50 / n ms" : "");
    std::vector<double> firstRatios, firstRatiosFull, wholeRatios, processorRatios;
    qint64 peak = 0;
    for (const QString &text : std::as_const(options.queries)) {
        const QByteArray bytes = Generator::toShiftJis(text);
        std::vector<double> grepWall, grepProcessor, first, whole, processor;
        Timing grep, ours;
        // grep and the search take turns, so that both meet the same load.
        for (int r = 0; r < options.rounds; ++r) {
            grep = grepCount(bytes, fileName);
            grepWall.push_back(grep.whole);
            grepProcessor.push_back(grep.processor);
            ours = search(text, dictionaries);
            first.push_back(ours.first);
            whole.push_back(ours.whole);
            processor.push_back(ours.processor);
            peak = std::max(peak, ours.peakKiB);
        }
        const double g = median(grepWall);
        firstRatios.push_back(median(first) / g);
        if (ours.count >= firstRows)
            firstRatiosFull.push_back(firstRatios.back());
        wholeRatios.push_back(median(whole) / g);
        processorRatios.push_back(median(processor) / median(grepProcessor));
        std::printf("%-16s %5d | %8.1f %7.1f %8lld | %8.1f %6.3f %8.1f %6.2f %7.1f %6.2f %8lld | "
                    "%7.1f",
                    qPrintable(text), int(text.size()), g, median(grepProcessor), grep.count,
                    median(first), firstRatios.back(), median(whole), wholeRatios.back(),
                    median(processor), processorRatios.back(), ours.count,
                    double(ours.peakKiB) / 1024);
        qint64 ftsCount = 0;
        const auto ftsTimes =
            options.fts5 ? askFts(fts.db, text, &ftsCount) : std::pair(-1.0, -1.0);
        if (options.fts5 && ftsTimes.first >= 0)
            std::printf("  %.1f / %.1f (%lld)", ftsTimes.first, ftsTimes.second, ftsCount);
        else if (options.fts5)
            std::printf("  n/a (under 3 characters)");
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("\nmedians of the ratios to grep's whole search over %zu queries:\n"
                "  first 50 rows %.3f (%.3f over the %zu queries with 50 rows or more)\n"
                "  whole count %.3f wall clock, %.3f processor time\n",
                wholeRatios.size(), median(firstRatios), median(firstRatiosFull),
                firstRatiosFull.size(), median(wholeRatios), median(processorRatios));
    std::printf("memory above the program's own while searching: %.1f MB at most\n",
                double(peak) / 1024);
    if (fts.db)
        sqlite3_close(fts.db);
    return 0;
}
