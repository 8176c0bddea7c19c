#include "lookup/searchthread.h"

#include "database/workerconnection.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// The window of one look-up is about 10 KiB; a larger read-ahead costs more
// than the 128 lines themselves.
constexpr qint64 readAhead = 16 * 1024;

// Prepares and runs one statement. A statement SQLite refuses (a missing
// table) fails in prepare(); its error is the one worth reporting, since a
// following exec() would replace it with a vague one.
bool execute(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << query.lastError().text();
    return ok;
}

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

SearchThread::Status indexFailed(const QSqlQuery &query, const char *what, Page *page,
                                 QString *error)
{
    const QString reason = query.lastError().text();
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

SearchThread::Status SearchThread::lookUp(const QString &word, Page *page, QString *error)
{
    // Declared first so that it outlives the query below.
    WorkerConnection connection;
    QSqlQuery query(connection.database());

    if (!execute(query, QStringLiteral("SELECT location FROM t_dictionary"), {}))
        return indexFailed(query, "the installed dictionaries", page, error);
    if (!query.next()) {
        qDebug() << "QSqlQuery::next failed.";
        *page = Page::message(tr("No dictionary is installed.\n\nPlease setup new dictionaries "
                                 "on preferences dialog.\n[Edit] - [Preferences] - [Dictionary] "
                                 "Tab"));
        return NoDictionary;
    }
    const QString location = query.value(0).toString();

    if (!execute(query, QStringLiteral("SELECT position FROM t_word WHERE name = ? LIMIT 1"),
                 {Eijiro::queryKey(word)}))
        return indexFailed(query, "the word index", page, error);

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
    while (query.next()) {
        // 64-bit: entries past 2 GiB must be reachable.
        const qint64 offset = query.value(0).toLongLong();
        // A failed seek (a negative offset) would leave the file at its
        // start and show unrelated lines; show nothing instead.
        if (!file.seek(offset))
            continue;
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
