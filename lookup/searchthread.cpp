#include "lookup/searchthread.h"

#include "database/dictionarydatabase.h"
#include "database/workerconnection.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

namespace {
// The window of one look-up is about 10 KiB; a larger read-ahead costs more
// than the 128 lines themselves.
constexpr qint64 readAhead = 16 * 1024;

// A failed look-up still shows a page: a desktop user has no terminal to
// read the debug line on, and the previous word's page would be a wrong
// answer. `line` is the failure in one line for the command line.
SearchThread::Status failed(const Page &shown, const QString &line, Page *page, QString *error)
{
    *page = shown;
    if (error)
        *error = line;
    return SearchThread::Failed;
}

SearchThread::Status indexFailed(const QString &reason, const char *what, Page *page,
                                 QString *error)
{
    return failed(Page::message(QCoreApplication::translate(
                                    "SearchThread",
                                    "The dictionary index cannot be read:\n%1\n\nPlease try "
                                    "again. If this keeps happening, remove the dictionary and "
                                    "add it again on preferences dialog.\n[Edit] - "
                                    "[Preferences] - [Dictionary] Tab"),
                                {reason}),
                  QStringLiteral("cannot read %1: %2").arg(QLatin1String(what), reason), page,
                  error);
}

SearchThread::Status fileFailed(const QString &path, const QString &reason, Page *page,
                                QString *error)
{
    qDebug() << "QFile::open failed.";
    return failed(Page::message(QCoreApplication::translate(
                                    "SearchThread",
                                    "The dictionary file cannot be read:\n%1\n(%2)\n\nIt may "
                                    "have been moved, deleted or replaced. Please remove the "
                                    "dictionary and add it again on preferences dialog.\n[Edit] "
                                    "- [Preferences] - [Dictionary] Tab"),
                                {path, reason}),
                  QStringLiteral("cannot open the dictionary file %1: %2").arg(path, reason), page,
                  error);
}
} // namespace

SearchThread::SearchThread() = default;

SearchThread::~SearchThread() = default;

void SearchThread::setWord(const QString &word)
{
    this->word = word;
}

Page SearchThread::noDictionaryPage()
{
    return Page::message(tr("No dictionary is installed.\n\nPlease setup new dictionaries on "
                            "preferences dialog.\n[Edit] - [Preferences] - [Dictionary] Tab"));
}

SearchThread::Status SearchThread::lookUp(const QString &word, Page *page, QString *error)
{
    // Declared first so that it outlives the queries below.
    WorkerConnection connection;
    DictionaryDatabase database(connection.database());

    QString location;
    switch (database.dictionaryLocation(&location)) {
    case DictionaryDatabase::Answer::Found:
        break;
    case DictionaryDatabase::Answer::None:
        *page = noDictionaryPage();
        return NoDictionary;
    case DictionaryDatabase::Answer::Failed:
        return indexFailed(database.lastError(), "the installed dictionaries", page, error);
    }

    qint64 position = 0;
    const DictionaryDatabase::Answer indexed =
        database.firstPosition(Eijiro::queryKey(word), &position);
    if (indexed == DictionaryDatabase::Answer::Failed)
        return indexFailed(database.lastError(), "the word index", page, error);

    // Never blocks, whatever now stands at the path: a FIFO fails like a
    // missing file. The line reader buffers on its own.
    QFile file;
    QString reason;
    if (DictionaryFile::open(&file, location, &reason) != DictionaryFile::Opened)
        return fileFailed(location, reason, page, error);

    Eijiro::Decoder decoder;
    if (!decoder.isValid()) {
        qDebug() << "Shift_JIS decoder not available.";
        return failed(Page::message(tr("No Shift_JIS decoder is available, so the dictionary "
                                       "cannot be read.\n\nPlease install Orvel again.")),
                      QStringLiteral("no Shift_JIS decoder is available"), page, error);
    }

    ResultRenderer renderer(word);
    // A failed seek (a negative offset) would leave the file at its start
    // and show unrelated lines; show nothing instead.
    if (indexed == DictionaryDatabase::Answer::Found && file.seek(position)) {
        Eijiro::LineReader reader(&file, readAhead);
        for (int i = 0; i < windowLines; ++i) {
            const QByteArray bytes = reader.readLine();
            // Every further read past the end would give an empty line too,
            // and empty lines render nothing.
            if (bytes.isEmpty())
                break;
            renderer.renderLine(decoder.decode(bytes));
        }
    }

    *page = renderer.finish();
    return renderer.isEmpty() ? NotFound : Found;
}

void SearchThread::deliver(const QString &page, Status status)
{
    m_status = status;
    emit finished(page);
}

void SearchThread::run()
{
    Page page;
    const Status status = lookUp(word, &page);
    deliver(PageHtml::write(page), status);
}
