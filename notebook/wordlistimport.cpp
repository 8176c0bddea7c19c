#include "notebook/wordlistimport.h"

#include "notebook/notebook.h"
#include "notebook/starring.h"
#include "notebook/wordlistfile.h"

#include <QDateTime>

namespace WordListImport {

namespace {

// Stars `stars`, counting the new ones and those starred before.
bool starAll(Notebook *notebook, QList<Star> *stars, Outcome *outcome)
{
    int added = 0;
    if (!notebook->star(*stars, &added)) {
        outcome->error =
            QStringLiteral("the notebook cannot be written: %1").arg(notebook->lastError());
        return false;
    }
    outcome->starred += added;
    outcome->already += int(stars->size()) - added;
    stars->clear();
    return true;
}

} // namespace

Outcome run(const QString &file, Notebook *notebook, const std::atomic<bool> *stop,
            const std::function<void(qint64, qint64)> &progress)
{
    Outcome outcome;
    WordListFile words(file);
    if (!words.open()) {
        outcome.error = words.error();
        return outcome;
    }
    const QString sole = Starring::soleDictionary();
    QList<Star> stars;
    QString word;
    for (int read = 1; words.next(&word); ++read) {
        if (stop && *stop) {
            outcome.stopped = true;
            break;
        }
        Star star;
        QString error;
        switch (Starring::find(word, {}, sole, &star, &error)) {
        case SearchThread::Found:
            star.time = QDateTime::currentMSecsSinceEpoch();
            stars << star;
            break;
        case SearchThread::NotFound:
            ++outcome.notFound;
            break;
        case SearchThread::NoDictionary:
            outcome.error = QStringLiteral("no dictionary is installed or switched on");
            return outcome;
        case SearchThread::Failed:
            outcome.error = error;
            starAll(notebook, &stars, &outcome);
            return outcome;
        }
        if (stars.size() >= batch && !starAll(notebook, &stars, &outcome))
            return outcome;
        if (progress && read % 50 == 0)
            progress(words.position(), words.size());
    }
    outcome.skipped = words.skipped();
    if (!starAll(notebook, &stars, &outcome))
        return outcome;
    if (outcome.error.isEmpty())
        outcome.error = words.error();
    return outcome;
}

} // namespace WordListImport
