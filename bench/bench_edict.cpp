// EDICT benchmark: installing an EDICT file (the real one by default) as a
// whole orvel-cli process and as ConvertThread, against the C-API floor
// measured in the same run: SQLite's C API inserting the very rows the build
// writes (t_word, t_entry, t_key, t_format, t_dictionary), extracted and held
// in memory, in file order, in one transaction on a fresh database. Then the
// look-up from the typed word to the page's HTML for an EDICT head, a
// reading and an English gloss key, beside a found word of a generated
// Eijiro dictionary of the same number of lines, in the same run.
//
//   bench_edict [--file PATH] [--runs R] [--lookups N]
//
// With --runs 0 only the look-ups are timed.
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"
#include "generator.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void freshDatabase(const QString &path)
{
    DictionaryDatabase::closeDefault();
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + suffix);
    if (DictionaryDatabase::openOrCreateDefault(path) != DictionaryDatabase::Opened::Ready)
        qFatal("cannot create %s", qPrintable(path));
}

// The rows of one line as the builder makes them.
struct Row
{
    qint64 offset;
    int rank;
    QByteArray word;           // t_word's name; empty for none
    QList<QByteArray> entries; // t_entry's keys (a key there already is let pass)
    QList<QByteArray> keys;    // t_key's names
};

std::vector<Row> extract(const QString &path, int *lines)
{
    std::vector<Row> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(path));
    const QByteArray start = file.peek(64 << 10);
    auto format = DictionaryFormat::make(DictionaryFormat::Edict);
    Eijiro::Decoder decoder(format->encodingOf(start, Eijiro::Encoding::ShiftJis));
    Eijiro::LineReader reader(&file);
    DictionaryFormat::LineKeys keys;
    QString last;
    *lines = 0;
    while (!reader.atEnd()) {
        const qint64 offset = reader.offset();
        const QByteArrayView line = reader.readLineView();
        if (!format->readKeys(line, &decoder, &keys))
            continue;
        ++*lines;
        Row row{offset, keys.common ? 0 : 1, keys.wordKey.toUtf8(), {}, {}};
        for (const QString &key : std::as_const(keys.keys)) {
            row.keys << key.toUtf8();
            if (key != last || &key != &keys.keys.first())
                row.entries << key.toUtf8();
        }
        last = keys.keys.first();
        rows.push_back(std::move(row));
    }
    return rows;
}

void check(sqlite3 *db, int result, int expected = SQLITE_OK)
{
    if (result != expected)
        qFatal("sqlite: %s", sqlite3_errmsg(db));
}

double cFloor(const std::vector<Row> &rows, int lines, const QString &dbFile,
              const QString &location)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    check(db, sqlite3_open_v2(QFile::encodeName(dbFile).constData(), &db, SQLITE_OPEN_READWRITE,
                              nullptr));
    check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    check(db, sqlite3_exec(db,
                           "CREATE TABLE IF NOT EXISTS t_entry (id INTEGER NOT NULL, key TEXT NOT "
                           "NULL, position INTEGER NOT NULL, PRIMARY KEY (id, key)) WITHOUT ROWID;"
                           "CREATE TABLE IF NOT EXISTS t_key (id INTEGER NOT NULL, name TEXT NOT "
                           "NULL, rank INTEGER NOT NULL, position INTEGER NOT NULL, PRIMARY KEY "
                           "(id, name, rank, position)) WITHOUT ROWID;"
                           "CREATE TABLE IF NOT EXISTS t_format (id INTEGER NOT NULL, type INTEGER "
                           "NOT NULL, PRIMARY KEY (id))",
                           nullptr, nullptr, nullptr));
    sqlite3_stmt *word = nullptr, *entry = nullptr, *key = nullptr;
    check(db, sqlite3_prepare_v2(db, "INSERT INTO t_word (id, position, name) VALUES (1, ?, ?)", -1,
                                 &word, nullptr));
    check(db, sqlite3_prepare_v2(
                  db, "INSERT OR IGNORE INTO t_entry (id, key, position) VALUES (1, ?, ?)", -1,
                  &entry, nullptr));
    check(db, sqlite3_prepare_v2(
                  db, "INSERT OR IGNORE INTO t_key (id, name, rank, position) VALUES (1, ?, ?, ?)",
                  -1, &key, nullptr));
    for (const Row &row : rows) {
        for (const QByteArray &text : row.entries) {
            sqlite3_bind_text(entry, 1, text.constData(), int(text.size()), SQLITE_STATIC);
            sqlite3_bind_int64(entry, 2, row.offset);
            check(db, sqlite3_step(entry), SQLITE_DONE);
            sqlite3_reset(entry);
        }
        for (const QByteArray &text : row.keys) {
            sqlite3_bind_text(key, 1, text.constData(), int(text.size()), SQLITE_STATIC);
            sqlite3_bind_int(key, 2, row.rank);
            sqlite3_bind_int64(key, 3, row.offset);
            check(db, sqlite3_step(key), SQLITE_DONE);
            sqlite3_reset(key);
        }
        sqlite3_bind_int64(word, 1, row.offset);
        sqlite3_bind_text(word, 2, row.word.constData(), int(row.word.size()), SQLITE_STATIC);
        check(db, sqlite3_step(word), SQLITE_DONE);
        sqlite3_reset(word);
    }
    const QByteArray path = location.toUtf8();
    const QByteArray registration =
        "INSERT INTO t_dictionary (id, location, encoding, count) VALUES (1, '" + path +
        "', 'EUC-JP', " + QByteArray::number(lines) + "); INSERT INTO t_format VALUES (1, 2)";
    check(db, sqlite3_exec(db, registration.constData(), nullptr, nullptr, nullptr));
    for (sqlite3_stmt *statement : {word, entry, key})
        sqlite3_finalize(statement);
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e9;
}

// From the typed word to the page's HTML, as the window's worker does it.
double lookUpTime(const QString &word, int times, int *headings)
{
    std::vector<double> each;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer timer;
        timer.start();
        Page page;
        if (SearchThread::lookUp(word, &page) != SearchThread::Found)
            qFatal("%s is not found", qPrintable(word));
        const QString html = PageHtml::write(page);
        each.push_back(timer.nsecsElapsed() / 1e6);
        *headings =
            int(std::count_if(page.blocks.cbegin(), page.blocks.cend(),
                              [](const PageBlock &b) { return b.kind == PageBlock::Heading; }));
        Q_UNUSED(html);
    }
    return median(each);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString file = QStringLiteral("/usr/share/edict/edict");
    int runs = 3, lookups = 200;
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--file" && !args.isEmpty())
            file = args.takeFirst();
        else if (a == "--runs" && !args.isEmpty())
            runs = args.takeFirst().toInt();
        else if (a == "--lookups" && !args.isEmpty())
            lookups = args.takeFirst().toInt();
        else
            qFatal("usage: bench_edict [--file PATH] [--runs R] [--lookups N]");
    }
    file = QFileInfo(file).absoluteFilePath();
    const QString cli = QCoreApplication::applicationDirPath() + "/../cli/orvel-cli";
    QTemporaryDir tmp;
    const QString db = tmp.path() + "/edict.db";
    int lines = 0;
    const std::vector<Row> rows = extract(file, &lines);
    std::printf("file: %s, %.1f MB, %d entry lines\n", qPrintable(file),
                QFileInfo(file).size() / 1e6, lines);

    std::vector<double> process, builder, floor;
    for (int r = 0; r < runs; ++r) {
        DictionaryDatabase::closeDefault();
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(db + suffix);
        QElapsedTimer timer;
        timer.start();
        if (QProcess::execute(cli, {"--database", db, "install", file}) != 0)
            qFatal("orvel-cli install failed");
        process.push_back(timer.nsecsElapsed() / 1e9);

        freshDatabase(db);
        ConvertThread thread;
        thread.setDictionary("EDICT", file);
        timer.restart();
        thread.start();
        thread.wait();
        builder.push_back(timer.nsecsElapsed() / 1e9);
        if (thread.outcome() != ConvertThread::Committed)
            qFatal("build failed: %s", qPrintable(thread.errorString()));

        freshDatabase(db);
        DictionaryDatabase::closeDefault();
        floor.push_back(cFloor(rows, lines, db, file));
        std::printf("run %d: orvel-cli install %.3f s, ConvertThread %.3f s, C API floor %.3f s\n",
                    r + 1, process.back(), builder.back(), floor.back());
    }
    if (runs > 0)
        std::printf("install: orvel-cli median %.3f s (%.2fx the floor), ConvertThread %.3f s "
                    "(%.2fx), C API floor %.3f s\n",
                    median(process), median(process) / median(floor), median(builder),
                    median(builder) / median(floor), median(floor));

    // Keystroke to page: the EDICT keys, then an Eijiro found word.
    freshDatabase(db);
    ConvertThread edict;
    edict.setDictionary("EDICT", file);
    edict.start();
    edict.wait();
    std::vector<std::pair<QString, double>> times;
    int headings = 0;
    for (const QString word : {"食べる", "みず", "eat"}) {
        times.emplace_back(word, lookUpTime(word, lookups, &headings));
        std::printf("EDICT %s: %.3f ms (%d entries)\n", qPrintable(word), times.back().second,
                    headings);
    }
    const QString eijiro = tmp.path() + "/eijiro.txt";
    if (!Generator::write(eijiro, {lines, false, 1}))
        qFatal("cannot write %s", qPrintable(eijiro));
    freshDatabase(tmp.path() + "/eijiro.db");
    ConvertThread build;
    build.setDictionary("Eijiro", eijiro);
    build.start();
    build.wait();
    // A keyed word of the generated file: the first t_word row's.
    QString found;
    {
        QFile text(eijiro);
        text.open(QIODevice::ReadOnly);
        Eijiro::LineReader reader(&text);
        Eijiro::Decoder decoder;
        Eijiro::IndexerReading reading;
        while (!reader.atEnd() && found.isEmpty()) {
            if (Eijiro::readIndexer(decoder.decode(reader.readLine()), &reading) &&
                Eijiro::hasIndexKey(reading.entryWord) && reader.offset() > text.size() / 2)
                found = reading.entryWord;
        }
    }
    const double base = lookUpTime(found, lookups, &headings);
    std::printf("Eijiro found word %s: %.3f ms (%d headings)\n", qPrintable(found), base, headings);
    for (const auto &[word, ms] : times)
        std::printf("EDICT %s / Eijiro found word: %.2fx\n", qPrintable(word), ms / base);
    return 0;
}
