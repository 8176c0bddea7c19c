#include "testutil.h"

#include "database/settingsstore.h"
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {
QMutex mutex;
QList<QPair<QtMsgType, QString>> messages;
QtMessageHandler previous = nullptr;
int captures = 0;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    {
        QMutexLocker lock(&mutex);
        messages.append({type, text});
    }
    if (qEnvironmentVariableIsSet("ORVEL_TEST_VERBOSE") && previous)
        previous(type, context, text);
}

// Every test's application object carries the program's names, so the
// settings and the database a test reaches are the program's (in the
// test's own home).
void nameTestApplication()
{
    SettingsStore::nameApplication(*QCoreApplication::instance());
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(nameTestApplication)

MessageCapture::MessageCapture()
{
    QMutexLocker lock(&mutex);
    if (captures++ == 0)
        previous = qInstallMessageHandler(handler);
    messages.clear();
}

MessageCapture::~MessageCapture()
{
    QMutexLocker lock(&mutex);
    if (--captures == 0)
        qInstallMessageHandler(previous);
}

QStringList MessageCapture::lines(QtMsgType type) const
{
    QMutexLocker lock(&mutex);
    QStringList out;
    for (const auto &m : messages)
        if (m.first == type)
            out << m.second;
    return out;
}

QStringList MessageCapture::all() const
{
    QMutexLocker lock(&mutex);
    QStringList out;
    for (const auto &m : messages)
        out << m.second;
    return out;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&mutex);
    messages.clear();
}

namespace TestUtil {

QString makeDir(const QString &name)
{
    QString base = qEnvironmentVariable("ORVEL_TEST_DIR");
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString dir = base + "/" + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

QString writeDictionary(const QString &path, const QStringList &lines, const QByteArray &eol,
                        bool terminateLast)
{
    QByteArray bytes;
    for (int i = 0; i < lines.size(); ++i) {
        bytes += Generator::toShiftJis(lines[i]);
        if (i + 1 < lines.size() || terminateLast)
            bytes += eol;
    }
    return writeBytes(path, bytes);
}

bool openFreshDatabase(const QString &dbFile)
{
    if (QSqlDatabase::contains(QSqlDatabase::defaultConnection)) {
        QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    return DictionaryDatabase::openOrCreateDefault(dbFile) == DictionaryDatabase::Opened::Ready;
}

int install(const QString &file, QList<int> *progress)
{
    ConvertThread thread;
    thread.setDictionary("Eijiro", file);
    QEventLoop loop;
    QObject::connect(&thread, &ConvertThread::frameChanged, &loop, [progress](int p) {
        if (progress)
            progress->append(p);
    });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start();
    loop.exec();
    thread.wait();
    QCoreApplication::processEvents();
    return thread.outcome();
}

QStringList wordRows()
{
    QStringList out;
    QSqlQuery query("SELECT position, name FROM t_word WHERE id = 1 ORDER BY position");
    while (query.next())
        out << query.value(0).toString() + ":" + query.value(1).toString();
    return out;
}

int rowCount(const QString &table)
{
    QSqlQuery query("SELECT COUNT(*) FROM " + table);
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace TestUtil
