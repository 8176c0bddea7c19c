// bench_memory: orvel-cli's peak memory for the longest page and word list
// it prints, with one dictionary installed and with many.
//
//   bench_memory [--dictionaries N] [--lines L] [--runs R]
//
// Generates N files of L lines (seeds 1 to N, 100,000 lines each by
// default, made when missing as /tmp/orvel-bench-memory-L-SEED.txt) and
// installs them with the build's orvel-cli into two databases: the first
// file alone, and all N (50 by default). Then it runs, R times each (3),
// `orvel-cli lookup --lines 100000 abi` and `orvel-cli words --limit 100000 a`
// on both, their output read and thrown away ("abi" is a word of every
// generated file, near its start), and prints the median peak resident
// memory of each (as /usr/bin/time -v reports it: the child's maxrss), the
// ratio of many to one, the median time and the bytes printed.
#include "generator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QString cli()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../cli/orvel-cli");
}

// Runs orvel-cli to its end, its output into a pipe that is read and
// counted; false when it did not end with status 0 or `allowed`.
struct Measured
{
    bool ok = false;
    double megabytes = 0;
    double seconds = 0;
    qint64 bytes = 0;
};

Measured measure(const QStringList &arguments, int allowed = 0)
{
    std::vector<QByteArray> bytes{QFile::encodeName(cli())};
    for (const QString &argument : arguments)
        bytes.push_back(argument.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0)
        return {};
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    Measured measured;
    char chunk[1 << 16];
    for (ssize_t got; (got = read(out[0], chunk, sizeof chunk)) > 0;)
        measured.bytes += got;
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return {};
    measured.seconds = double(timer.nsecsElapsed()) / 1e9;
    measured.megabytes = double(usage.ru_maxrss) / 1024; // KiB
    measured.ok = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == allowed);
    return measured;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A database at `db` holding `files`, made by orvel-cli when missing.
bool installed(const QString &db, const QStringList &files)
{
    if (QFileInfo::exists(db))
        return true;
    for (const QString &file : files) {
        QProcess install;
        install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        install.start(cli(), {"--database", db, "install", file});
        if (!install.waitForFinished(-1) || install.exitCode() != 0) {
            std::fprintf(stderr, "bench_memory: cannot install %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int dictionaries = 50, runs = 3;
    qint64 lines = 100000;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--dictionaries")
            dictionaries = args[i + 1].toInt();
        else if (args[i] == "--lines")
            lines = args[i + 1].toLongLong();
        else if (args[i] == "--runs")
            runs = args[i + 1].toInt();
    }
    if (dictionaries < 1 || lines < 1 || runs < 1 || args.size() % 2 != 0) {
        std::fputs("usage: bench_memory [--dictionaries N] [--lines L] [--runs R]\n", stderr);
        return 2;
    }

    QStringList files;
    for (int seed = 1; seed <= dictionaries; ++seed) {
        const QString file =
            QStringLiteral("/tmp/orvel-bench-memory-%1-%2.txt").arg(lines).arg(seed);
        if (!QFileInfo::exists(file) &&
            !Generator::write(file, {lines, false, quint64(seed), false, false})) {
            std::fprintf(stderr, "bench_memory: cannot write %s\n", qPrintable(file));
            return 1;
        }
        files << file;
    }
    const QString one = QStringLiteral("/tmp/orvel-bench-memory-%1-1.db").arg(lines);
    const QString many =
        QStringLiteral("/tmp/orvel-bench-memory-%1-x%2.db").arg(lines).arg(dictionaries);
    if (!installed(one, files.mid(0, 1)) || !installed(many, files))
        return 1;

    const QList<QStringList> commands{{"lookup", "--lines", "100000", "abi"},
                                      {"lookup", "--html", "--lines", "100000", "abi"},
                                      {"words", "--limit", "100000", "a"}};
    std::printf("%d dictionaries of %lld lines; medians of %d runs\n", dictionaries, lines, runs);
    for (const QStringList &command : commands) {
        double peak[2] = {}, seconds[2] = {};
        qint64 printed[2] = {};
        const QStringList databases{one, many};
        for (int d = 0; d < 2; ++d) {
            std::vector<double> megabytes, times;
            for (int run = 0; run < runs; ++run) {
                // lookup exits 1 when a dictionary lacks the word.
                const Measured m = measure(QStringList{"--database", databases[d]} + command, 1);
                if (!m.ok) {
                    std::fprintf(stderr, "bench_memory: %s failed\n",
                                 qPrintable(command.join(' ')));
                    return 1;
                }
                megabytes.push_back(m.megabytes);
                times.push_back(m.seconds);
                printed[d] = m.bytes;
            }
            peak[d] = median(megabytes);
            seconds[d] = median(times);
        }
        std::printf("%-28s peak %6.1f MB with 1, %6.1f MB with %d (%.2fx); %.2f s, %.2f s; "
                    "%lld and %lld bytes printed\n",
                    qPrintable(command.join(' ')), peak[0], peak[1], dictionaries,
                    peak[1] / peak[0], seconds[0], seconds[1], printed[0], printed[1]);
    }
    return 0;
}
