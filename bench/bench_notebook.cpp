// bench_notebook: what the notebook adds to the GUI thread per page, and
// what its writes cost on the notebook's own thread, each beside a look-up
// of the same run.
//
//   QT_QPA_PLATFORM=offscreen bench_notebook [FILE] [QUERIES]
//
// FILE (/tmp/orvel-bench-2500000.txt by default, generated when missing)
// is installed into FILE.db when that is missing. For QUERIES (300) random
// keyed words it times the look-up on the calling thread (the baseline),
// then the GUI thread's part of the stars on its page: the page's entries
// read (PageEntries::read) and the entry headings found in its document.
// Then, on a notebook of 100,000 words in a temporary folder, one word
// recorded and one entry starred, each a transaction of its own, as the
// notebook's thread runs them. Medians; ratios to the look-up.
#include "benchwords.h"
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "generator.h"
#include "lookup/searchthread.h"
#include "mainwindow/pagedocument.h"
#include "notebook/notebook.h"
#include "notebook/pageentries.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Milliseconds of each run of `work`, median.
double median(int runs, const std::function<void(int)> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool install(const QString &file, const QString &db)
{
    if (DictionaryDatabase::openOrCreateDefault(db) != DictionaryDatabase::Opened::Ready)
        return false;
    if (QFileInfo(db).size() > 1 << 20)
        return true;
    ConvertThread build;
    build.setDictionary(QString(), file);
    QEventLoop loop;
    QObject::connect(&build, &QThread::finished, &loop, &QEventLoop::quit);
    build.start();
    loop.exec();
    build.wait();
    return build.outcome() == ConvertThread::Committed;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString file = app.arguments().value(1, "/tmp/orvel-bench-2500000.txt");
    const int queries = app.arguments().value(2, "300").toInt();
    if (!QFileInfo::exists(file) && !Generator::write(file, {2500000, false, 1}))
        return 1;
    if (!install(file, file + ".db")) {
        std::fprintf(stderr, "cannot install %s\n", qPrintable(file));
        return 1;
    }
    const QStringList words = randomKeyedWords(queries);
    std::vector<Page> pages(words.size());
    const double lookUp = median(
        int(words.size()), [&](int i) { SearchThread::lookUp(words.at(i), &pages[size_t(i)]); });
    int entries = 0;
    const double read = median(int(words.size()), [&](int i) {
        entries += int(PageEntries::read(pages[size_t(i)], QStringLiteral("d")).size());
    });
    std::vector<QTextDocument> documents(words.size());
    for (size_t i = 0; i < pages.size(); ++i)
        PageDocument::build(pages[i], &documents[i]);
    int headings = 0;
    const double found = median(int(words.size()), [&](int i) {
        for (QTextBlock block = documents[size_t(i)].begin(); block.isValid(); block = block.next())
            headings += block.blockFormat().headingLevel() == 2 ? 1 : 0;
    });
    std::printf("look-up (baseline)          %8.3f ms\n", lookUp);
    std::printf("entries of its page         %8.3f ms  %.3fx  (%d entries in all)\n", read,
                read / lookUp, entries);
    std::printf("headings of its document    %8.3f ms  %.3fx  (%d headings in all)\n", found,
                found / lookUp, headings);

    QTemporaryDir dir;
    Notebook notebook(dir.filePath(QStringLiteral("notebook.db")));
    if (notebook.open() != Notebook::Opened::Ready)
        return 1;
    QStringList many;
    for (int i = 0; i < Notebook::historyCapacity; ++i)
        many << QStringLiteral("word%1").arg(i);
    if (!notebook.record(many, 1))
        return 1;
    const double record =
        median(int(words.size()), [&](int i) { notebook.record(words.at(i), 2 + i); });
    const Star star{QStringLiteral("run"),
                    QString(),
                    QStringLiteral("d"),
                    QStringLiteral("[名] 走ること").repeated(10),
                    0,
                    QString()};
    const double starred = median(int(words.size()), [&](int i) {
        Star each = star;
        each.word = words.at(i);
        notebook.star({each});
    });
    std::printf("record a word (100,000)     %8.3f ms  %.3fx  on the notebook's thread\n", record,
                record / lookUp);
    std::printf("star an entry               %8.3f ms  %.3fx  on the notebook's thread\n", starred,
                starred / lookUp);
    return 0;
}
