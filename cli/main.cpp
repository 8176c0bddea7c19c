// orvel-cli: Orvel's dictionary index from the command line, on the same
// core code as the program: install a dictionary, list, look a word up.
#include "cli/commands.h"
#include "database/database.h"
#include "dictionary/convertthread.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>
#include <unistd.h>

namespace {

const char usage[] =
    "Usage: orvel-cli [--database PATH] COMMAND\n"
    "\n"
    "Commands:\n"
    "  install FILE         build the index of the Eijiro-format dictionary FILE\n"
    "                       (Shift_JIS, one entry per line) and register it\n"
    "  list                 print the installed dictionaries: id, type, file\n"
    "  lookup [--html] WORD print WORD's entries as Orvel shows them; with --html\n"
    "                       the page exactly as the result view receives it\n"
    "\n"
    "Options:\n"
    "  --database PATH      use the index database at PATH (created when new)\n"
    "                       instead of Orvel's own, which lies beside its settings\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 on success; install and list: 1 on failure; lookup: 1 when\n"
    "the word or any dictionary is not found, 2 on failure.\n";

void fail(const QString &line)
{
    std::fprintf(stderr, "orvel-cli: %s\n", qPrintable(line));
}

bool openDatabase(QString path)
{
    if (path.isEmpty()) {
        path = Database::path();
        // Orvel itself creates this folder when it writes its settings;
        // the command line may come first.
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    if (!Database::openDefault(path)) {
        fail(QStringLiteral("cannot open the database %1").arg(path));
        return false;
    }
    if (Database::isEmpty() && !Database::createSchema()) {
        fail(QStringLiteral("cannot create the database schema in %1").arg(path));
        return false;
    }
    return true;
}

void drawProgress(int percent)
{
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled,
                 "========================================", width - filled, "", percent);
    std::fflush(stderr);
}

int install(const QString &file)
{
    ConvertThread thread;
    thread.setDictionary(QStringLiteral("Eijiro"), file);
    const bool tty = isatty(fileno(stderr));
    QEventLoop loop;
    QObject::connect(&thread, &ConvertThread::frameChanged, &loop, [tty](int percent) {
        if (tty)
            drawProgress(percent);
    });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start(QThread::InheritPriority);
    loop.exec();
    thread.wait();
    QCoreApplication::processEvents();
    if (tty)
        std::fprintf(stderr, "\n");
    if (thread.outcome() != ConvertThread::Committed) {
        QString reason = thread.errorString();
        if (thread.outcome() == ConvertThread::FinalInsertFailed)
            reason += QStringLiteral(" (is a dictionary installed already? see 'orvel-cli list')");
        fail(QStringLiteral("install failed: %1").arg(reason));
        return 1;
    }
    QSqlQuery query;
    query.prepare("SELECT count FROM t_dictionary WHERE id = 1");
    const bool counted = query.exec() && query.next();
    std::printf("installed %s (%s entry lines)\n", qPrintable(file),
                counted ? qPrintable(query.value(0).toString()) : "?");
    return 0;
}

int list()
{
    QSqlQuery query;
    if (!query.exec("SELECT t.id, m.name, t.location FROM t_dictionary t INNER JOIN m_dictionary m "
                    "USING (id)")) {
        fail(QStringLiteral("cannot read the dictionary list"));
        return 1;
    }
    while (query.next())
        std::printf("%s\t%s\t%s\n", qPrintable(query.value(0).toString()),
                    qPrintable(query.value(1).toString()), qPrintable(query.value(2).toString()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString database;
    while (!args.isEmpty() && args.first().startsWith("-")) {
        const QString option = args.takeFirst();
        if (option == "-h" || option == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (option == "--database" && !args.isEmpty()) {
            database = args.takeFirst();
            continue;
        }
        std::fputs(usage, stderr);
        return 2;
    }
    if (args.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    bool html = false;
    if (command == "lookup" && !args.isEmpty() && args.first() == "--html") {
        html = true;
        args.removeFirst();
    }
    const bool wantsArgument = command == "install" || command == "lookup";
    if ((command != "list" && !wantsArgument) || args.size() != (wantsArgument ? 1 : 0)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!openDatabase(database))
        return command == "lookup" ? 2 : 1;
    if (command == "install")
        return install(args.first());
    if (command == "list")
        return list();
    return lookupCommand(args.first(), html);
}
