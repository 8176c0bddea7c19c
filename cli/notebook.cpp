// orvel-cli's notebook commands: the history, starring and the cards.
#include "cli/commands.h"
#include "cli/output.h"

#include "notebook/cards.h"
#include "notebook/notebook.h"
#include "notebook/starring.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

// Exit status of a notebook that cannot be read.
constexpr int unreadable = 2;

// Whether Orvel's notebook has been made: a command that only reads it
// makes none, and reads it as empty.
bool exists(const Notebook &notebook)
{
    return QFileInfo::exists(notebook.path());
}

// Opens Orvel's notebook; a damaged one moved aside is said on stderr and
// the new one used. False after a line saying why it cannot be used.
bool open(Notebook *notebook)
{
    QString moved;
    switch (notebook->open(&moved)) {
    case Notebook::Opened::Ready:
        return true;
    case Notebook::Opened::MovedAside:
        Output::fail(moved);
        return true;
    case Notebook::Opened::Failed:
        break;
    }
    Output::fail(QStringLiteral("cannot open the notebook %1: %2")
                     .arg(notebook->path(), notebook->lastError()));
    return false;
}

// A word on a line of its own whatever it holds.
QString escaped(QString word)
{
    return word.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"));
}

QString localTime(qint64 time)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(time);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

int historyCommand(int limit)
{
    Notebook notebook;
    QList<HistoryWord> words;
    if (!exists(notebook))
        return 0;
    if (!open(&notebook))
        return unreadable;
    if (!notebook.history(&words, limit)) {
        Output::fail(QStringLiteral("cannot read the history: %1").arg(notebook.lastError()));
        return unreadable;
    }
    QString lines;
    for (const HistoryWord &word : std::as_const(words))
        lines += QStringLiteral("%1\t%2\t%3\n")
                     .arg(localTime(word.time), QString::number(word.count), escaped(word.word));
    Output::write(stdout, lines);
    return 0;
}

int starCommand(const QString &word, const QList<int> &only)
{
    Star star;
    QString error;
    switch (Starring::find(word, only, Starring::soleDictionary(only), &star, &error)) {
    case SearchThread::Found:
        break;
    case SearchThread::NotFound:
        Output::fail(QStringLiteral("%1 is not found: nothing was starred").arg(word));
        return 1;
    case SearchThread::NoDictionary:
        return nothingToRead();
    case SearchThread::Failed:
        Output::fail(error);
        return 2;
    }
    Notebook notebook;
    star.time = QDateTime::currentMSecsSinceEpoch();
    int added = 0;
    if (!open(&notebook))
        return 1;
    if (!notebook.star({star}, &added)) {
        Output::fail(QStringLiteral("star failed: %1").arg(notebook.lastError()));
        return 1;
    }
    Output::write(stdout, (added ? QStringLiteral("starred %1 (%2)\n")
                                 : QStringLiteral("%1 (%2) was starred already\n"))
                              .arg(star.word, star.dictionary));
    return 0;
}

int unstarCommand(const QString &word)
{
    Notebook notebook;
    int removed = 0;
    if (exists(notebook) && !open(&notebook))
        return 1;
    if (exists(notebook) && !notebook.unstar(word, QString(), &removed)) {
        Output::fail(QStringLiteral("unstar failed: %1").arg(notebook.lastError()));
        return 1;
    }
    if (removed == 0) {
        Output::fail(QStringLiteral("%1 is not starred").arg(word));
        return 1;
    }
    Output::write(stdout, QStringLiteral("unstarred %1\n").arg(word));
    return 0;
}

int notebookCommand(bool csv, bool history)
{
    Notebook notebook;
    QString error;
    const auto print = [](const QString &text) {
        Output::write(stdout, text);
        return true;
    };
    const Cards::Format format = csv ? Cards::Format::Csv : Cards::Format::Tsv;
    if (!exists(notebook)) {
        print(Cards::header(format, history));
        return 0;
    }
    if (!open(&notebook))
        return unreadable;
    if (!Cards::write(notebook, history, format, print, nullptr, &error)) {
        Output::fail(QStringLiteral("cannot read the notebook: %1").arg(error));
        return unreadable;
    }
    return 0;
}
