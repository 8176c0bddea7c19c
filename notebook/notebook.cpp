#include "notebook/notebook.h"

#include "database/database.h"
#include "notebook/notebooksql.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QAtomicInt connections;

// SQLite's own codes for a file that is damaged or no database at all:
// only such a file is moved aside. Anything else (locked, unreadable, a
// full disk) is a condition that passes, and the file stays.
bool damages(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");
}

// A null text would be bound as NULL, which the columns refuse (and which
// INSERT OR IGNORE would skip without a word).
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// Runs `sql` with `values` bound.
bool run(QSqlQuery &query, const QString &sql, const QVariantList &values = {})
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

} // namespace

QString Notebook::defaultPath()
{
    QString index = Database::path();
    index.chop(3); // ".db"
    return index + QStringLiteral("-notebook.db");
}

Notebook::Notebook(const QString &path)
    : m_path(path),
      m_connection(QStringLiteral("orvel-notebook-%1").arg(connections.fetchAndAddRelaxed(1)))
{
}

Notebook::~Notebook()
{
    disconnect();
}

bool Notebook::connect()
{
    disconnect();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(m_path);
    // Another connection's transaction (the window's, orvel-cli's) is short.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(Database::busyTimeout()));
    if (!m_db.open())
        return fail("QSqlDatabase::open failed.", m_db.lastError().text());
    return true;
}

void Notebook::disconnect()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool Notebook::fail(const QString &what, const QString &reason)
{
    qDebug() << what << m_path << reason;
    m_lastError = reason;
    return false;
}

Notebook::Opened Notebook::open(QString *message)
{
    m_lastError.clear();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!connect())
        return Opened::Failed;
    bool damaged = false;
    const QString problem = check(&damaged);
    if (problem.isEmpty())
        return Opened::Ready;
    if (!damaged) {
        fail("The notebook cannot be used.", problem);
        disconnect();
        return Opened::Failed;
    }
    disconnect();
    const QString aside = moveAside();
    if (aside.isEmpty() || !connect()) {
        m_lastError = QStringLiteral("%1, and it cannot be moved aside").arg(problem);
        return Opened::Failed;
    }
    const QString again = check(&damaged);
    if (!again.isEmpty()) {
        fail("The notebook cannot be used.", again);
        disconnect();
        return Opened::Failed;
    }
    const QString line = QStringLiteral("The notebook %1 was damaged (%2): it was moved to %3, "
                                        "and a new, empty notebook was started.")
                             .arg(m_path, problem, aside);
    qWarning().noquote() << line;
    if (message)
        *message = line;
    return Opened::MovedAside;
}

QString Notebook::check(bool *damaged)
{
    *damaged = false;
    QSqlQuery query(m_db);
    // A file that is no database fails here already.
    if (!run(query, NotebookSql::quickCheck) || !query.next()) {
        *damaged = damages(query.lastError());
        return query.lastError().text();
    }
    if (query.value(0).toString() != QLatin1String("ok")) {
        *damaged = true;
        return QStringLiteral("the integrity check says: %1").arg(query.value(0).toString());
    }
    int values[3] = {};
    const char *const asked[] = {NotebookSql::selectApplicationId, NotebookSql::selectVersion,
                                 NotebookSql::countTables};
    for (int i = 0; i < 3; ++i) {
        if (!run(query, asked[i]) || !query.next()) {
            *damaged = damages(query.lastError());
            return query.lastError().text();
        }
        values[i] = query.value(0).toInt();
    }
    const auto [id, version, tables] = values;
    if (id == 0 && tables == 0) {
        // New (or emptied by hand): made now.
        if (!createSchema())
            return m_lastError;
    } else if (id != NotebookSql::applicationId) {
        *damaged = true;
        return QStringLiteral("it is no notebook");
    } else if (version > NotebookSql::version) {
        return QStringLiteral("it was made by a newer Orvel");
    }
    if (!run(query, NotebookSql::journalMode) || !run(query, NotebookSql::synchronous))
        return query.lastError().text();
    return QString();
}

bool Notebook::createSchema()
{
    if (!begin())
        return false;
    QSqlQuery query(m_db);
    const QString statements[] = {
        NotebookSql::setApplicationId + QString::number(NotebookSql::applicationId),
        NotebookSql::setVersion + QString::number(NotebookSql::version),
        NotebookSql::createHistory,
        NotebookSql::createHistoryTime,
        NotebookSql::createStars,
    };
    for (const QString &sql : statements) {
        if (!run(query, sql)) {
            return abort(query);
        }
    }
    return commit();
}

QString Notebook::moveAside()
{
    const QString aside =
        QStringLiteral("%1.damaged-%2")
            .arg(m_path, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")));
    // The log and the index of shared memory belong to the file they came
    // with; without it they would be read into the new one.
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString from = m_path + QLatin1String(suffix);
        if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(suffix)))
            return QString();
    }
    return aside;
}

bool Notebook::begin()
{
    if (!m_db.isOpen())
        return fail("QSqlDatabase::transaction failed.",
                    QStringLiteral("the notebook is not open"));
    // BEGIN IMMEDIATE: another writer makes this one wait at its start, not
    // fail half-way.
    QSqlQuery query(m_db);
    if (!run(query, QStringLiteral("BEGIN IMMEDIATE")))
        return fail("QSqlDatabase::transaction failed.", query.lastError().text());
    return true;
}

bool Notebook::abort(const QSqlQuery &failed)
{
    const QString reason = failed.lastError().text();
    QSqlQuery rollback(m_db);
    run(rollback, QStringLiteral("ROLLBACK"));
    return fail("QSqlQuery::exec failed.", reason);
}

bool Notebook::commit()
{
    QSqlQuery query(m_db);
    if (run(query, QStringLiteral("COMMIT")))
        return true;
    const QString reason = query.lastError().text();
    run(query, QStringLiteral("ROLLBACK"));
    return fail("QSqlDatabase::commit failed.", reason);
}

bool Notebook::record(const QStringList &words, qint64 time)
{
    if (!begin())
        return false;
    QSqlQuery query(m_db);
    bool done = query.prepare(NotebookSql::recordWord);
    for (const QString &word : words) {
        if (!done || word.isEmpty())
            continue;
        query.addBindValue(word);
        query.addBindValue(word);
        query.addBindValue(time);
        done = query.exec();
    }
    done = done && run(query, NotebookSql::dropOldest, {historyCapacity});
    if (!done) {
        return abort(query);
    }
    return commit();
}

bool Notebook::history(QList<HistoryWord> *words, int limit)
{
    words->clear();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query, NotebookSql::selectHistory, {limit}))
        return fail("QSqlQuery::exec failed.", query.lastError().text());
    while (query.next())
        words->append(
            {query.value(0).toString(), query.value(1).toInt(), query.value(2).toLongLong()});
    return true;
}

bool Notebook::removeFromHistory(const QStringList &words)
{
    if (!begin())
        return false;
    QSqlQuery query(m_db);
    for (const QString &word : words) {
        if (!run(query, NotebookSql::deleteWord, {word})) {
            return abort(query);
        }
    }
    return commit();
}

bool Notebook::clearHistory()
{
    QSqlQuery query(m_db);
    if (!run(query, NotebookSql::deleteHistory))
        return fail("QSqlQuery::exec failed.", query.lastError().text());
    return true;
}

bool Notebook::star(const QList<Star> &stars, int *added)
{
    if (added)
        *added = 0;
    if (!begin())
        return false;
    QSqlQuery query(m_db);
    bool done = query.prepare(NotebookSql::insertStar);
    int count = 0;
    for (const Star &star : stars) {
        if (!done)
            break;
        for (const QString &text : {star.word, star.dictionary, star.reading, star.lines})
            query.addBindValue(notNull(text));
        query.addBindValue(star.time);
        query.addBindValue(notNull(star.note));
        done = query.exec();
        count += done ? query.numRowsAffected() : 0;
    }
    if (!done) {
        return abort(query);
    }
    if (!commit())
        return false;
    if (added)
        *added = count;
    return true;
}

bool Notebook::unstar(const QString &word, const QString &dictionary, int *removed)
{
    QSqlQuery query(m_db);
    const bool done = dictionary.isNull() ? run(query, NotebookSql::deleteStars, {word})
                                          : run(query, NotebookSql::deleteStar, {word, dictionary});
    if (!done)
        return fail("QSqlQuery::exec failed.", query.lastError().text());
    if (removed)
        *removed = query.numRowsAffected();
    return true;
}

bool Notebook::setNote(const QString &word, const QString &dictionary, const QString &note)
{
    QSqlQuery query(m_db);
    if (!run(query, NotebookSql::updateNote, {notNull(note), word, dictionary}))
        return fail("QSqlQuery::exec failed.", query.lastError().text());
    return true;
}

bool Notebook::stars(QList<Star> *stars)
{
    stars->clear();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query, NotebookSql::selectStars))
        return fail("QSqlQuery::exec failed.", query.lastError().text());
    while (query.next())
        stars->append({query.value(0).toString(), query.value(1).toString(),
                       query.value(2).toString(), query.value(3).toString(),
                       query.value(4).toLongLong(), query.value(5).toString()});
    return true;
}
