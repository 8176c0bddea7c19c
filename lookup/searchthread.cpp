#include "lookup/searchthread.h"

#include "database/workerconnection.h"
#include "dictionary/format.h"
#include "lookup/renderer.h"

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
bool execute(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error,
             const char *what)
{
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (ok)
        return true;
    const QString text = query.lastError().text();
    qDebug() << "QSqlQuery::exec failed." << query.executedQuery() << text;
    if (error)
        *error = QStringLiteral("cannot read %1: %2").arg(QLatin1String(what), text);
    return false;
}
} // namespace

SearchThread::SearchThread() = default;

SearchThread::~SearchThread() = default;

void SearchThread::setWord(const QString &word)
{
    this->word = word;
}

SearchThread::Status SearchThread::lookUp(const QString &word, QString *page, QString *error)
{
    // Declared first so that it outlives the query below.
    WorkerConnection connection;
    QSqlQuery query(connection.database());

    if (!execute(query, QStringLiteral("SELECT location FROM t_dictionary"), {}, error,
                 "the installed dictionaries"))
        return Failed;
    if (!query.next()) {
        qDebug() << "QSqlQuery::next failed.";
        *page = tr("No dictionary is installed.<br /><br />Please setup new dictionaries on "
                   "preferences dialog.<br />[Edit] - [Preferences] - [Dictionary] Tab");
        return NoDictionary;
    }
    const QString location = query.value(0).toString();

    if (!execute(query, QStringLiteral("SELECT position FROM t_word WHERE name = ? LIMIT 1"),
                 {Eijiro::queryKey(word)}, error, "the word index"))
        return Failed;

    QFile file(location);
    // The line reader buffers on its own; QFile's buffer would only copy twice.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        qDebug() << "QFile::open failed.";
        if (error)
            *error = QStringLiteral("cannot open the dictionary file %1: %2")
                         .arg(location, file.errorString());
        return Failed;
    }

    Eijiro::Decoder decoder;
    if (!decoder.isValid()) {
        qDebug() << "Shift_JIS decoder not available.";
        if (error)
            *error = QStringLiteral("no Shift_JIS decoder is available");
        return Failed;
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

void SearchThread::run()
{
    QString page;
    if (lookUp(word, &page) != Failed)
        emit finished(page);
}
