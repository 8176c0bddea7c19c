// Index build benchmark: ConvertThread on a generated Eijiro-format file
// against a floor measured in the same run, SQLite alone inserting the same
// (offset, key) rows, already extracted, into the same schema with one
// prepared statement in one transaction.
//
//   bench_convert [--lines N] [--runs R] [--file PATH]
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
#include <algorithm>
#include <cstdio>
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

void freshDatabase(const QString &path)
{
    if (QSqlDatabase::contains(QSqlDatabase::defaultConnection)) {
        QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    QFile::remove(path);
    QFile::remove(path + "-journal");
    if (DictionaryDatabase::openOrCreateDefault(path) != DictionaryDatabase::Opened::Ready)
        qFatal("cannot create %s", qPrintable(path));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row
{
    qint64 offset;
    QString key;
};

std::vector<Row> extract(const QString &path)
{
    std::vector<Row> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(path));
    Eijiro::LineReader reader(&file);
    Eijiro::Decoder decoder;
    Eijiro::IndexerReading reading;
    while (!reader.atEnd()) {
        const qint64 offset = reader.offset();
        const QString line = decoder.decode(reader.readLine());
        if (!Eijiro::readIndexer(line, &reading))
            continue;
        QString key = Eijiro::indexKey(reading.entryWord);
        if (!key.isNull())
            rows.push_back({offset, key});
    }
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qint64 lines = 2500000;
    int runs = 3;
    QString file;
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--lines" && !args.isEmpty())
            lines = args.takeFirst().toLongLong();
        else if (a == "--runs" && !args.isEmpty())
            runs = args.takeFirst().toInt();
        else if (a == "--file" && !args.isEmpty())
            file = args.takeFirst();
        else
            qFatal("usage: bench_convert [--lines N] [--runs R] [--file PATH]");
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

    // Generating the file above holds its word list in memory; count the
    // builder's own peak from here (Linux resets VmHWM on "5").
    {
        QFile clear("/proc/self/clear_refs");
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }
    std::vector<double> builder, floor;
    int rowsBuilt = 0;
    for (int r = 0; r < runs; ++r) {
        freshDatabase(db);
        ConvertThread thread;
        thread.setDictionary("Eijiro", file);
        QElapsedTimer timer;
        timer.start();
        thread.start();
        thread.wait();
        builder.push_back(timer.nsecsElapsed() / 1e9);
        if (thread.outcome() != ConvertThread::Committed)
            qFatal("build failed: %s", qPrintable(thread.errorString()));
        QSqlQuery count("SELECT COUNT(*) FROM t_word");
        count.next();
        rowsBuilt = count.value(0).toInt();
        std::printf("builder run %d: %.3f s\n", r + 1, builder.back());
    }
    const qint64 builderPeak = peakKiB();

    QElapsedTimer extractTimer;
    extractTimer.start();
    const std::vector<Row> rows = extract(file);
    std::printf("reading and parsing alone (one thread, every line decoded): %.3f s\n",
                extractTimer.nsecsElapsed() / 1e9);
    for (int r = 0; r < runs; ++r) {
        freshDatabase(db);
        QSqlDatabase database = QSqlDatabase::database();
        QElapsedTimer timer;
        timer.start();
        database.transaction();
        QSqlQuery insert;
        insert.prepare("INSERT INTO t_word (id, position, name) VALUES (?, ?, ?)");
        for (const Row &row : rows) {
            insert.addBindValue(1);
            insert.addBindValue(row.offset);
            insert.addBindValue(row.key);
            insert.exec();
        }
        database.commit();
        floor.push_back(timer.nsecsElapsed() / 1e9);
        std::printf("floor run %d: %.3f s\n", r + 1, floor.back());
    }
    if (int(rows.size()) != rowsBuilt)
        qFatal("row counts differ: builder %d, floor %zu", rowsBuilt, rows.size());

    const double b = median(builder), f = median(floor);
    std::printf("\nrows: %d keyed of %lld lines\n", rowsBuilt, lines);
    std::printf("ConvertThread median: %.3f s\n", b);
    std::printf("SQLite floor median:  %.3f s\n", f);
    std::printf("ratio builder/floor:  %.2fx\n", b / f);
    std::printf("builder peak memory (VmHWM, whole process): %.1f MB\n", builderPeak / 1024.0);
    return 0;
}
