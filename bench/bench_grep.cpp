// bench_grep: the search inside entry lines beside `LC_ALL=C grep -F -c` of
// the same text's bytes in the file's encoding over the same file, with the
// file in the page cache, run in turns in the same round.
//
// First, as a user runs it: `orvel-cli grep --limit 100000 TEXT` as a whole
// process, its output into a pipe, for one text of each kind a translator
// searches (one kanji, two kanji, katakana, hiragana, a rare and a common
// English word, one letter): the time to the first 50 lines and to the
// end, each as a ratio to grep's whole search, beside the floor (every byte
// of the file looked at once, mapped into this process).
//
// With --library, then the search itself (EntrySearch, as Find in Entries
// runs it) in this process for 25 texts: the first 50 rows and the whole
// count, wall clock and processor time (the search runs on two threads,
// grep on one), and the memory it takes above the program's own. With
// --fts5, also what an SQLite FTS5 trigram index of the entry lines costs to
// build and to ask.
//
//   bench_grep [--file PATH] [--type eijiro|edict] [--lines N] [--rounds R] [--library] [--fts5]
//              [--query TEXT]...
//
// The file is generated when missing (2,500,000 lines by default); its
// index is built into a temporary database. `--type edict` reads an EDICT
// file instead, /usr/share/edict/edict unless --file names another.
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"
#include "generator.h"
#include "lookup/entrysearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// One text of each kind, as orvel-cli grep is timed on them.
const std::pair<const char *, const char16_t *> kindsOfText[] = {
    {"kanji", u"水"},      {"2 kanji", u"見積"}, {"katakana", u"ウォーター"},
    {"hiragana", u"みず"}, {"rare", u"overrun"}, {"common", u"water"},
    {"letter", u"a"}};

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

// Runs `arguments` with its output into a pipe read here, as a shell pipe
// would: ms to the `firstLines`th line (to the end with fewer) and to its
// end, processor ms, and its output's lines, or with `keep` the output.
Timing runProcess(const std::vector<QByteArray> &arguments, bool keep = false,
                  QByteArray *output = nullptr)
{
    int out[2];
    if (pipe(out) != 0)
        qFatal("pipe failed");
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    Timing timing;
    std::vector<char> chunk(64 << 10);
    for (ssize_t got; (got = read(out[0], chunk.data(), chunk.size())) > 0;) {
        if (keep)
            output->append(chunk.data(), got);
        const qint64 before = timing.count;
        timing.count += std::count(chunk.data(), chunk.data() + got, '\n');
        if (before < firstRows && timing.count >= firstRows)
            timing.first = double(timer.nsecsElapsed()) / 1e6;
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    timing.whole = double(timer.nsecsElapsed()) / 1e6;
    if (timing.first == 0)
        timing.first = timing.whole;
    timing.processor = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        qFatal("%s ended with status %d", arguments.front().constData(), status);
    return timing;
}

// `LC_ALL=C grep -F -c BYTES FILE`: its count, wall and processor time.
Timing grepCount(const QByteArray &bytes, const QByteArray &file)
{
    setenv("LC_ALL", "C", 1);
    QByteArray output;
    Timing timing = runProcess({"grep", "-F", "-c", "--", bytes, file}, true, &output);
    unsetenv("LC_ALL");
    timing.count = output.trimmed().toLongLong();
    return timing;
}

// The floor: every byte of the file looked at once, mapped into this
// process and scanned for a byte it lacks, on one thread; ms.
double floorMs(const QByteArray &file)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = open(file.constData(), O_RDONLY);
    struct stat status
    {
    };
    if (fd < 0 || fstat(fd, &status) != 0)
        qFatal("cannot open %s", file.constData());
    const std::size_t size = std::size_t(status.st_size);
    void *bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes == MAP_FAILED)
        qFatal("cannot map %s", file.constData());
    madvise(bytes, size, MADV_SEQUENTIAL);
    if (std::memchr(bytes, '\0', size))
        qFatal("%s holds a null byte", file.constData());
    munmap(bytes, size);
    close(fd);
    return double(timer.nsecsElapsed()) / 1e6;
}

// The system's load average over the last minute.
double loadAverage()
{
    double load = -1;
    if (std::FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = -1;
        std::fclose(f);
    }
    return load;
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

bool install(const QString &file, const QString &db, int type)
{
    if (DictionaryDatabase::openOrCreateDefault(db) != DictionaryDatabase::Opened::Ready)
        return false;
    ConvertThread convert;
    convert.setDictionary(DictionaryFormat::nameOf(type), file);
    convert.setType(type);
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

// `text` as the bytes of a file in `encoding` (as t_dictionary records
// it) hold it: what grep is given.
QByteArray encodedFor(const QString &text, const QString &encoding)
{
    switch (Eijiro::encodingNamed(encoding)) {
    case Eijiro::Encoding::ShiftJis:
        break;
    case Eijiro::Encoding::Utf8:
        return text.toUtf8();
    case Eijiro::Encoding::EucJp: {
        QStringEncoder eucJp("EUC-JP");
        return eucJp.encode(text);
    }
    }
    return Generator::toShiftJis(text);
}

struct Options
{
    QString file;
    int type = DictionaryFormat::Eijiro;
    QString encoding; // the installed file's, as recorded
    qint64 lines = 2500000;
    int rounds = 5;
    bool library = false;
    bool fts5 = false;
    QStringList queries; // of your own, instead of those above
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
        else if (a == "--type" && !args.isEmpty())
            options.type = DictionaryFormat::typeNamed(args.takeFirst());
        else if (a == "--library")
            options.library = true;
        else if (a == "--fts5")
            options.library = options.fts5 = true;
        else if (a == "--query" && !args.isEmpty())
            options.queries << args.takeFirst();
        else
            qFatal("usage: bench_grep [--file PATH] [--type eijiro|edict] [--lines N] "
                   "[--rounds R] [--library] [--fts5] [--query TEXT]...");
    }
    if (options.type == 0)
        qFatal("--type: eijiro or edict");
    // EDICT as Debian's package installs it.
    if (options.file.isEmpty() && options.type == DictionaryFormat::Edict)
        options.file = QStringLiteral("/usr/share/edict/edict");
    if (options.file.isEmpty())
        options.file = QDir::tempPath() + QString("/orvel-bench-%1.txt").arg(options.lines);
    return options;
}

// `orvel-cli grep` as a user runs it, beside grep and the floor, text by text.
void processTable(const Options &options, const QString &database, const QByteArray &file)
{
    QList<std::pair<QString, QString>> kinds;
    for (const auto &[kind, text] : kindsOfText)
        kinds.append({QString::fromUtf8(kind), QString::fromUtf16(text)});
    if (!options.queries.isEmpty()) {
        kinds.clear();
        for (const QString &text : options.queries)
            kinds.append({QStringLiteral("yours"), text});
    }
    const QByteArray cli =
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/../cli/orvel-cli");
    std::printf(
        "orvel-cli grep --limit 100000 TEXT | cat, beside LC_ALL=C grep -F -c (load %.2f)\n",
        loadAverage());
    std::printf("%-9s | %8s %8s | %8s %8s %6s | %8s %6s | %8s %6s %6s | %s\n", "kind", "grep ms",
                "grep n", "ours ms", "lines", "ratio", "first50", "ratio", "floor ms", "ours/f",
                "f/grep", "text");
    QString worstKind, worstFirstKind;
    double worst = 0, worstFirst = 0;
    for (const auto &[kind, text] : std::as_const(kinds)) {
        const QByteArray bytes = encodedFor(text, options.encoding);
        std::vector<double> grepWall, whole, first, floors;
        Timing grep, ours;
        for (int r = 0; r < options.rounds; ++r) {
            grep = grepCount(bytes, file);
            grepWall.push_back(grep.whole);
            ours = runProcess({cli, "--database", QFile::encodeName(database), "grep", "--limit",
                               "100000", text.toUtf8()});
            whole.push_back(ours.whole);
            first.push_back(ours.first);
            floors.push_back(floorMs(file));
        }
        const double g = median(grepWall);
        const double ratio = median(whole) / g;
        if (ratio > worst) {
            worst = ratio;
            worstKind = kind + " " + text;
        }
        std::printf("%-9s | %8.1f %8lld | %8.1f %8lld %6.2f | ", qPrintable(kind), g, grep.count,
                    median(whole), ours.count, ratio);
        if (ours.count >= firstRows) {
            std::printf("%8.1f %6.3f", median(first), median(first) / g);
            if (median(first) / g > worstFirst) {
                worstFirst = median(first) / g;
                worstFirstKind = kind + " " + text;
            }
        } else {
            std::printf("%8s %6s", "-", "-");
        }
        std::printf(" | %8.1f %6.2f %6.2f | %s\n", median(floors), median(whole) / median(floors),
                    median(floors) / g, qPrintable(text));
        std::fflush(stdout);
    }
    std::printf("worst: %s at %.2fx grep's time; first 50 lines: %s at %.3fx (load %.2f)\n\n",
                qPrintable(worstKind), worst, qPrintable(worstFirstKind), worstFirst,
                loadAverage());
}

// The search itself in this process, beside grep, text by text.
void libraryTable(const Options &options, const QString &home,
                  const QList<EntrySearch::Dictionary> &dictionaries, const QByteArray &fileName)
{
    QStringList texts = options.queries;
    if (texts.isEmpty()) {
        for (const char16_t *query : queries)
            texts << QString::fromUtf16(query);
    }
    Fts fts;
    if (options.fts5) {
        fts = buildFts(QFile::decodeName(fileName), home + "/fts.db");
        std::printf("FTS5 trigram index of the entry lines: built in %.1f s, %.1f MB\n",
                    fts.buildSeconds, double(fts.bytes) / 1e6);
    }

    std::printf("%-16s %5s | %8s %7s %8s | %8s %6s %8s %6s %7s %6s %8s | %7s%s\n", "query", "chars",
                "grep ms", "cpu ms", "grep n", "first50", "ratio", "whole", "ratio", "cpu ms",
                "ratio", "ours n", "peak MB", options.fts5 ? "  fts 50 / n ms" : "");
    std::vector<double> firstRatios, firstRatiosFull, wholeRatios, processorRatios;
    qint64 peak = 0;
    for (const QString &text : std::as_const(texts)) {
        const QByteArray bytes = encodedFor(text, options.encoding);
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
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    Options options = parse(app.arguments().mid(1));
    QString &file = options.file;
    if (!QFileInfo::exists(file) && (options.type != DictionaryFormat::Eijiro ||
                                     !Generator::write(file, {options.lines, false, 1})))
        qFatal("cannot write %s", qPrintable(file));
    file = QFileInfo(file).absoluteFilePath();
    if (!install(file, home.path() + "/index.db", options.type))
        qFatal("cannot build the index of %s", qPrintable(file));
    QList<EntrySearch::Dictionary> dictionaries;
    QString error;
    if (!EntrySearch::installed(&dictionaries, &error) || dictionaries.isEmpty())
        qFatal("%s", qPrintable(error));
    options.encoding = dictionaries.first().encoding;
    const QByteArray fileName = QFile::encodeName(file);
    // Into the page cache, as for every search after the first.
    grepCount("\x01", fileName);
    std::printf(
        "file: %s, %.1f MB, %s in %s; %d rounds, medians\n", qPrintable(file),
        double(QFileInfo(file).size()) / 1e6, qPrintable(DictionaryFormat::nameOf(options.type)),
        options.encoding.isEmpty() ? "Shift_JIS" : qPrintable(options.encoding), options.rounds);

    processTable(options, home.path() + "/index.db", fileName);
    if (options.library)
        libraryTable(options, home.path(), dictionaries, fileName);
    return 0;
}
