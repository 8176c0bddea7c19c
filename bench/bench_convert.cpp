// Index build benchmark: ConvertThread on a generated Eijiro-format file
// against two floors measured in the same run, both inserting the very rows
// the build writes (t_word, t_entry and t_dictionary), already extracted and
// held in memory, in file order, into the same schema (indexes created
// first), in one transaction, in the database's journal mode:
// - SQLite's C API: sqlite3_prepare_v2 / bind / step, keys as UTF-8;
// - Qt's QSqlQuery: one prepared statement per table, values bound per row.
// Also how soon a build ends when cancelled part-way, and the database's
// size with and without the word list (t_entry).
//
//   bench_convert [--lines N] [--runs R] [--file PATH] [--beside PATH]...
//
// With --beside, the file is installed beside the dictionaries of those
// files instead, as a later dictionary is, and the floors insert its rows
// into a copy of that database; the first install of the same file into a
// fresh database is timed beside it.
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/format.h"
#include "generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

qint64 peakKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// A new database at `path`, or a copy of `from` when given.
void freshDatabase(const QString &path, const QString &from = QString())
{
    DictionaryDatabase::closeDefault();
    QFile::remove(path);
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + suffix);
    if (!from.isEmpty() && !QFile::copy(from, path))
        qFatal("cannot copy %s", qPrintable(from));
    if (DictionaryDatabase::openOrCreateDefault(path) != DictionaryDatabase::Opened::Ready)
        qFatal("cannot create %s", qPrintable(path));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The rows one entry line makes, as the builder makes them.
struct Row
{
    qint64 offset;
    QString key;      // t_word's name; null without an index key
    QString entryKey; // t_entry's key; null when the line before had the same
    QByteArray keyUtf8, entryKeyUtf8;
};

struct Rows
{
    std::vector<Row> rows;
    int entryLines = 0;
    int words = 0;
    int entries = 0;
};

Rows extract(const QString &path)
{
    Rows out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(path));
    Eijiro::LineReader reader(&file);
    Eijiro::Decoder decoder;
    Eijiro::IndexerReading reading;
    QString lastEntryKey;
    while (!reader.atEnd()) {
        const qint64 offset = reader.offset();
        const QString line = decoder.decode(reader.readLine());
        if (!Eijiro::readIndexer(line, &reading))
            continue;
        ++out.entryLines;
        Row row{offset, Eijiro::indexKey(reading.entryWord), {}, {}, {}};
        const QString entryKey = Eijiro::entryKey(reading.entryWord);
        if (entryKey != lastEntryKey) {
            row.entryKey = lastEntryKey = entryKey;
            row.entryKeyUtf8 = entryKey.toUtf8();
            ++out.entries;
        }
        if (!row.key.isNull()) {
            row.keyUtf8 = row.key.toUtf8();
            ++out.words;
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

const char insertWord[] = "INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)";
const char insertEntry[] = "INSERT OR IGNORE INTO t_entry (id, key, position) VALUES (?, ?, ?)";
const char insertDictionary[] =
    "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (?, ?, ?, ?)";

// The rows through QSqlQuery on the default connection.
double qtFloor(const Rows &rows, const QString &location, int id)
{
    QSqlDatabase database = QSqlDatabase::database();
    QElapsedTimer timer;
    timer.start();
    database.transaction();
    {
        QSqlQuery word, entry, dictionary;
        word.prepare(insertWord);
        entry.prepare(insertEntry);
        for (const Row &row : rows.rows) {
            if (!row.entryKey.isNull()) {
                entry.addBindValue(id);
                entry.addBindValue(row.entryKey);
                entry.addBindValue(row.offset);
                entry.exec();
            }
            if (!row.key.isNull()) {
                word.addBindValue(id);
                word.addBindValue(row.offset);
                word.addBindValue(row.key);
                word.exec();
            }
        }
        dictionary.prepare(insertDictionary);
        for (const QVariant &value :
             {QVariant(id), QVariant(location), QVariant(QString("")), QVariant(rows.entryLines)})
            dictionary.addBindValue(value);
        dictionary.exec();
    }
    database.commit();
    return timer.nsecsElapsed() / 1e9;
}

void check(sqlite3 *db, int result, int expected = SQLITE_OK)
{
    if (result != expected)
        qFatal("sqlite: %s", sqlite3_errmsg(db));
}

// The rows through SQLite's C API, on a connection of its own (opened and
// closed in the time, as the builder opens and closes its own).
double cFloor(const Rows &rows, const QString &dbFile, const QString &location, int id)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    check(db, sqlite3_open_v2(QFile::encodeName(dbFile).constData(), &db, SQLITE_OPEN_READWRITE,
                              nullptr));
    check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    sqlite3_stmt *word = nullptr, *entry = nullptr, *dictionary = nullptr;
    check(db, sqlite3_prepare_v2(db, insertWord, -1, &word, nullptr));
    check(db, sqlite3_prepare_v2(db, insertEntry, -1, &entry, nullptr));
    for (const Row &row : rows.rows) {
        if (!row.entryKey.isNull()) {
            sqlite3_bind_int(entry, 1, id);
            sqlite3_bind_text(entry, 2, row.entryKeyUtf8.constData(), int(row.entryKeyUtf8.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(entry, 3, row.offset);
            check(db, sqlite3_step(entry), SQLITE_DONE);
            sqlite3_reset(entry);
        }
        if (!row.key.isNull()) {
            sqlite3_bind_int(word, 1, id);
            sqlite3_bind_int64(word, 2, row.offset);
            sqlite3_bind_text(word, 3, row.keyUtf8.constData(), int(row.keyUtf8.size()),
                              SQLITE_STATIC);
            check(db, sqlite3_step(word), SQLITE_DONE);
            sqlite3_reset(word);
        }
    }
    const QByteArray path = location.toUtf8();
    check(db, sqlite3_prepare_v2(db, insertDictionary, -1, &dictionary, nullptr));
    sqlite3_bind_int(dictionary, 1, id);
    sqlite3_bind_text(dictionary, 2, path.constData(), int(path.size()), SQLITE_STATIC);
    sqlite3_bind_text(dictionary, 3, "", 0, SQLITE_STATIC);
    sqlite3_bind_int(dictionary, 4, rows.entryLines);
    check(db, sqlite3_step(dictionary), SQLITE_DONE);
    for (sqlite3_stmt *statement : {word, entry, dictionary})
        sqlite3_finalize(statement);
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e9;
}

int count(const QString &table)
{
    QSqlQuery query(QString("SELECT COUNT(*) FROM %1").arg(table));
    return query.next() ? query.value(0).toInt() : -1;
}

// One build of `file` into `db` as the wizard runs it, in seconds; the id
// it was installed under in `id`.
double timeBuild(const QString &file, int *id = nullptr)
{
    ConvertThread thread;
    thread.setDictionary(QString(), file);
    QElapsedTimer timer;
    timer.start();
    thread.start();
    thread.wait();
    const double elapsed = timer.nsecsElapsed() / 1e9;
    if (thread.outcome() != ConvertThread::Committed)
        qFatal("build of %s failed: %s", qPrintable(file), qPrintable(thread.errorString()));
    if (id)
        *id = thread.installedId();
    return elapsed;
}

// A database holding the dictionaries of `files`, packed into one file.
void makeTemplate(const QString &path, const QStringList &files)
{
    freshDatabase(path);
    for (const QString &file : files) {
        const double seconds = timeBuild(file);
        std::printf("installed %s first: %.3f s\n", qPrintable(file), seconds);
    }
    QSqlQuery("PRAGMA wal_checkpoint(TRUNCATE)").exec();
    DictionaryDatabase::closeDefault();
}

// The database file's size once packed and everything is in it (not in
// the log).
qint64 settledSize(const QString &dbFile)
{
    QSqlQuery("VACUUM").exec();
    QSqlQuery("PRAGMA wal_checkpoint(TRUNCATE)").exec();
    return QFileInfo(dbFile).size();
}

// Cancels a build from this thread, as the wizard's Cancel does, as soon as
// the build has reported `percent`: the milliseconds until its thread ended.
// `rolledBack` says whether it ended rolled back with no row left; a build
// whose reading side had already read the whole file commits instead.
double timeCancel(const QString &db, const QString &file, int percent, bool *rolledBack)
{
    freshDatabase(db);
    ConvertThread thread;
    thread.setDictionary("Eijiro", file);
    std::atomic_int reported{-1};
    QObject::connect(
        &thread, &ConvertThread::frameChanged, &thread, [&reported](int p) { reported = p; },
        Qt::DirectConnection);
    thread.start();
    while (reported < percent && !thread.isFinished())
        QThread::usleep(200);
    QElapsedTimer timer;
    timer.start();
    thread.cancel();
    thread.wait();
    const double elapsed = timer.nsecsElapsed() / 1e6;
    *rolledBack = thread.outcome() == ConvertThread::Canceled && count("t_word") == 0 &&
                  count("t_dictionary") == 0;
    if (!*rolledBack && thread.outcome() != ConvertThread::Committed)
        qFatal("a cancelled build ended neither rolled back nor committed: %s",
               qPrintable(thread.errorString()));
    return elapsed;
}

// The file installed beside the dictionaries of `beside`, and alone into a
// fresh database, each against the C-API floor writing its rows into the
// same database (a copy of it) in the same run, taking turns.
void timeBeside(const QString &file, const QStringList &beside, const QString &dir, int runs)
{
    const QString db = dir + "/bench.db";
    const QString holding = dir + "/beside.db";
    makeTemplate(holding, beside);
    const Rows rows = extract(file);
    const QString location = QFileInfo(file).absoluteFilePath();
    // First install, its floor; later install, its floor.
    std::vector<double> times[4];
    for (int r = 0; r < runs; ++r) {
        for (int step = 0; step < 4; ++step) {
            const int which = (step + r) % 4;
            const bool later = which >= 2;
            freshDatabase(db, later ? holding : QString());
            const int id = count("t_dictionary") + 1;
            int built = 0;
            times[which].push_back(which % 2 == 0 ? timeBuild(file, &built)
                                                  : cFloor(rows, db, location, id));
            if (which % 2 == 0 && built != id)
                qFatal("installed under id %d, not %d", built, id);
            if (count(QString("t_word WHERE id = %1").arg(id)) != rows.words)
                qFatal("the rows written differ");
        }
        std::printf("run %d: first %.3f s (floor %.3f s), beside %d dictionaries %.3f s (floor "
                    "%.3f s)\n",
                    r + 1, times[0].back(), times[1].back(), int(beside.size()), times[2].back(),
                    times[3].back());
    }
    const double first = median(times[0]), firstFloor = median(times[1]);
    const double later = median(times[2]), laterFloor = median(times[3]);
    std::printf("\n%s, %d entry lines, %d keyed, beside %s\n", qPrintable(file), rows.entryLines,
                rows.words, qPrintable(beside.join(", ")));
    std::printf("first install:  ConvertThread median %.3f s, C API floor %.3f s, ratio %.2fx\n",
                first, firstFloor, first / firstFloor);
    std::printf("beside others:  ConvertThread median %.3f s, C API floor %.3f s, ratio %.2fx\n",
                later, laterFloor, later / laterFloor);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qint64 lines = 2500000;
    int runs = 3;
    QString file;
    QStringList beside;
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--lines" && !args.isEmpty())
            lines = args.takeFirst().toLongLong();
        else if (a == "--runs" && !args.isEmpty())
            runs = args.takeFirst().toInt();
        else if (a == "--file" && !args.isEmpty())
            file = args.takeFirst();
        else if (a == "--beside" && !args.isEmpty())
            beside << QFileInfo(args.takeFirst()).absoluteFilePath();
        else
            qFatal("usage: bench_convert [--lines N] [--runs R] [--file PATH] [--beside PATH]...");
    }
    QTemporaryDir tmp;
    if (file.isEmpty())
        file = QDir::tempPath() + QString("/orvel-bench-%1.txt").arg(lines);
    if (!QFileInfo::exists(file)) {
        std::printf("generating %lld lines into %s\n", lines, qPrintable(file));
        if (!Generator::write(file, {lines, false, 1}))
            qFatal("cannot write %s", qPrintable(file));
    }
    const QString db = tmp.path() + "/bench.db";
    std::printf("file: %s, %.1f MB\n", qPrintable(file), QFileInfo(file).size() / 1e6);
    if (!beside.isEmpty()) {
        timeBeside(file, beside, tmp.path(), runs);
        return 0;
    }

    // Generating the file above holds its word list in memory; count the
    // builder's own peak from here (Linux resets VmHWM on "5").
    {
        QFile clear("/proc/self/clear_refs");
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }
    std::vector<double> builder, usable, cApi, qt;
    int words = 0, entries = 0, phrases = 0, counted = 0;
    for (int r = 0; r < runs; ++r) {
        freshDatabase(db);
        ConvertThread thread;
        thread.setDictionary("Eijiro", file);
        QElapsedTimer timer;
        // 100 is reported once the index is committed and usable; the
        // counting of common words follows on the same thread.
        QObject::connect(
            &thread, &ConvertThread::frameChanged, &thread,
            [&](int percent) {
                if (percent == 100)
                    usable.push_back(timer.nsecsElapsed() / 1e9);
            },
            Qt::DirectConnection);
        timer.start();
        thread.start();
        thread.wait();
        builder.push_back(timer.nsecsElapsed() / 1e9);
        counted = count("t_common");
        if (thread.outcome() != ConvertThread::Committed)
            qFatal("build failed: %s", qPrintable(thread.errorString()));
        words = count("t_word");
        entries = count("t_entry");
        phrases = count("t_entry WHERE key LIKE '% %'");
        std::printf("builder run %d: %.3f s\n", r + 1, builder.back());
    }
    const qint64 builderPeak = peakKiB();

    // The reading side runs ahead of the reports by a few batches of lines
    // (about 1 % of this file's); a request that comes after it has read the
    // last line does not stop the build.
    double slowestCancel = 0;
    for (int percent : {1, 10, 30, 50, 70, 90, 97}) {
        bool rolledBack = false;
        const double elapsed = timeCancel(db, file, percent, &rolledBack);
        if (rolledBack)
            slowestCancel = std::max(slowestCancel, elapsed);
        std::printf("cancelled at %d %%: ended %.1f ms later, %s\n", percent, elapsed,
                    rolledBack ? "rolled back" : "committed (the whole file had been read)");
    }

    QElapsedTimer extractTimer;
    extractTimer.start();
    const Rows rows = extract(file);
    std::printf("reading and parsing alone (one thread, every line decoded): %.3f s\n",
                extractTimer.nsecsElapsed() / 1e9);
    if (rows.words != words || rows.entries < entries)
        qFatal("row counts differ: builder %d and %d, floors %d and %d", words, entries, rows.words,
               rows.entries);
    // Alternate the two, so neither always meets the caches as the other
    // left them.
    const QString location = QFileInfo(file).absoluteFilePath();
    for (int r = 0; r < runs; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            freshDatabase(db);
            if ((r + turn) % 2 == 0) {
                cApi.push_back(cFloor(rows, db, location, 1));
                std::printf("C API floor run %d: %.3f s\n", r + 1, cApi.back());
            } else {
                qt.push_back(qtFloor(rows, location, 1));
                std::printf("QSqlQuery floor run %d: %.3f s\n", r + 1, qt.back());
            }
            if (count("t_word") != words || count("t_entry") != entries)
                qFatal("a floor wrote other rows than the builder");
        }
    }

    // The index with the word list and without, each packed by VACUUM.
    const qint64 withList = settledSize(db);
    QSqlQuery("DROP TABLE t_entry").exec();
    const qint64 withoutList = settledSize(db);

    const double b = median(builder), c = median(cApi), q = median(qt);
    std::printf("\n%lld lines, %d entry lines; t_word: %d rows (keyed lines, %.1f %% of the "
                "lines); t_entry: %d rows (distinct entry words, %.1f %% of them phrases)\n",
                lines, rows.entryLines, words, 100.0 * words / double(lines), entries,
                100.0 * phrases / entries);
    const double u = median(usable);
    std::printf("install, usable (100):    %.3f s; with the counting after it %.3f s "
                "(%d keys counted), ratio %.2fx\n",
                u, b, counted, b / u);
    std::printf("ConvertThread median:     %.3f s\n", b);
    std::printf("C API floor median:       %.3f s\n", c);
    std::printf("QSqlQuery floor median:   %.3f s\n", q);
    std::printf("ratio builder/C API:      %.2fx\n", b / c);
    std::printf("ratio builder/QSqlQuery:  %.2fx\n", b / q);
    std::printf("builder peak memory (VmHWM, whole process): %.1f MB\n", builderPeak / 1024.0);
    if (slowestCancel > 0)
        std::printf("cancel to rolled back, slowest of the points above: %.1f ms\n", slowestCancel);
    else
        std::printf("cancel: every point came after the whole file had been read\n");
    std::printf("database (VACUUM): %.1f MB with the word list, %.1f MB without\n", withList / 1e6,
                withoutList / 1e6);
    return 0;
}
