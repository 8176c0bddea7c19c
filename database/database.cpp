#include "database/database.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Database {

const char *const createStatements[4] = {
    "CREATE TABLE m_dictionary (id INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY (id))",
    "CREATE TABLE t_dictionary (id INTEGER NOT NULL, location TEXT NOT NULL, encoding TEXT, "
    "count INTEGER, PRIMARY KEY (id))",
    "CREATE TABLE t_word (id INTEGER NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, "
    "PRIMARY KEY (id, position))",
    "CREATE INDEX i_word_name ON t_word (name ASC)",
};

QString path()
{
    const QFileInfo info(QSettings().fileName());
    // Links are resolved only for a settings file that exists: for a missing
    // one canonicalPath() gives "." (the working directory), and orvel-cli can
    // run before the program has ever written its settings. The file's own
    // folder is the right place then, never the working directory.
    const QString folder = info.exists() ? info.canonicalPath() : info.absolutePath();
    return folder + QDir::separator() + info.baseName() + ".db";
}

bool openDefault(const QString &file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QSqlDatabase::defaultConnection);
    db.setDatabaseName(file);
    // Wait for another connection's lock rather than fail at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        qDebug() << "QSqlDatabase::open failed." << db.lastError().text();
        return false;
    }
    // Write-ahead logging lets look-ups read the installed index while an
    // installation (in this process or another) writes its transaction.
    // The mode is stored in the file; a read-only file simply keeps its mode.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    return true;
}

bool isEmpty()
{
    return QSqlDatabase::database().tables(QSql::Tables).isEmpty();
}

static void critical(const char *message, const QSqlError &error)
{
    qCritical("%s (%s)", message, error.text().toLocal8Bit().constData());
}

bool createSchema()
{
    QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, true);
    QSqlQuery query(db);
    if (!db.transaction()) {
        critical("QSqlDatabase::transaction failed.", db.lastError());
        return false;
    }

    struct Step
    {
        const char *sql;
        const char *failure;
        bool seed;
    };
    const Step steps[] = {
        {createStatements[0], "create table m_dictionary failed.", false},
        {"INSERT INTO m_dictionary (id, name) VALUES (?, ?)", "insert m_dictionary failed.", true},
        {createStatements[1], "create table t_dictionary failed.", false},
        {createStatements[2], "create table t_word failed.", false},
        {createStatements[3], "create index t_word_name failed.", false},
    };
    for (const Step &step : steps) {
        // SQLite reports most failures (a file that is no database, one it
        // cannot open) when the statement is prepared; exec() after a failed
        // prepare() would replace that error with a vague "No query".
        const bool prepared = query.prepare(step.sql);
        if (prepared && step.seed) {
            query.addBindValue(1);
            query.addBindValue(QStringLiteral("Eijiro"));
        }
        if (!prepared || !query.exec()) {
            critical(step.failure, query.lastError());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        critical("QSqlDatabase::commit failed.", db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

bool removeDictionary(int id, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, true);
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!db.transaction()) {
        qDebug() << "QSqlDatabase::transaction failed." << db.lastError().text();
        return fail(db.lastError().text());
    }
    {
        QSqlQuery query(db);
        for (const char *sql :
             {"DELETE FROM t_word WHERE id = ?", "DELETE FROM t_dictionary WHERE id = ?"}) {
            bool ok = query.prepare(sql);
            if (ok) {
                query.addBindValue(id);
                ok = query.exec();
            }
            if (!ok) {
                qDebug() << "QSqlQuery::exec failed." << query.executedQuery();
                const QString reason = query.lastError().text();
                query.finish();
                db.rollback();
                return fail(reason);
            }
        }
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        qDebug() << "QSqlDatabase::commit failed." << reason;
        db.rollback();
        return fail(reason);
    }
    return true;
}

} // namespace Database
