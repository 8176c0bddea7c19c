// orvel-cli: Orvel's dictionary index from the command line, on the same
// core code as the program: install a dictionary, list, look a word up,
// list a dictionary's entry words, remove a dictionary.
#include "cli/commands.h"
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "database/settingsstore.h"
#include "dictionary/convertthread.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
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
    "  lookup [--html] [--entry] WORD\n"
    "                       print WORD's entries as Orvel shows them; with --html\n"
    "                       the page exactly as the result view receives it; with\n"
    "                       --entry the page of the word list's entry WORD, as the\n"
    "                       dictionary first spells it, phrases included\n"
    "  words [--limit N] TEXT\n"
    "                       print the word list from TEXT on: at most N entry words\n"
    "                       (default 20) in the dictionary's spelling, one per line,\n"
    "                       in the order of their upper-cased forms, phrases included\n"
    "  remove [ID]          remove the installed dictionary ID (default 1, the id\n"
    "                       install registers) and its index; the file stays\n"
    "\n"
    "Options:\n"
    "  --database PATH      use the index database at PATH instead of Orvel's own,\n"
    "                       which lies beside its settings; only install creates it\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 on success. install, list, remove: 1 on failure. lookup: 1\n"
    "when the word or any dictionary is not found, 2 on failure. words: 0 even\n"
    "for an empty list, 1 when no dictionary is installed, 2 on failure. list,\n"
    "lookup, words, remove: 2 when the database does not exist. 2 for a wrong\n"
    "command line.\n";

QtMessageHandler previousHandler = nullptr;

// The core reports its failures as debug lines as well; every command
// already prints its failure as one line of its own, so these are dropped.
void dropDebug(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && previousHandler)
        previousHandler(type, context, text);
}

void fail(const QString &line)
{
    std::fprintf(stderr, "orvel-cli: %s\n", qPrintable(line));
}

// Exit status of a command that cannot begin, as the usage text lists it.
enum Start { Ready, Failed = 1, NoDatabase = 2 };

// Opens the database at `path` (Orvel's own when empty). Only `create`
// (install) may make a new one: a mistyped path must not leave an empty
// database behind that later looks like a real one.
Start openDatabase(QString path, bool create)
{
    if (path.isEmpty())
        path = Database::path();
    if (!QFileInfo::exists(path)) {
        if (!create) {
            fail(QStringLiteral("no database at %1: nothing has been installed there").arg(path));
            return NoDatabase;
        }
        // Orvel itself creates this folder when it writes its settings;
        // the command line may come first.
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    QString reason;
    const DictionaryDatabase::Opened opened =
        DictionaryDatabase::openOrCreateDefault(path, &reason);
    if (opened == DictionaryDatabase::Opened::Failed) {
        fail(QStringLiteral("cannot open the database %1: %2").arg(path, reason));
        return Failed;
    }
    if (opened == DictionaryDatabase::Opened::SchemaFailed) {
        fail(QStringLiteral("cannot create the database schema in %1: %2").arg(path, reason));
        return Failed;
    }
    return Ready;
}

// The options a command takes before its argument.
struct CommandOptions
{
    bool usable = true; // false for a --limit that is no count
    bool html = false;  // lookup
    bool entry = false; // lookup
    int limit = 20;     // words
};

// Takes the options of `command` off the front of `args`. Anything else
// starting with dashes is left as the argument itself, as it always was
// ("--" ends the options, for a word such as "--html").
CommandOptions takeOptions(const QString &command, QStringList *args)
{
    CommandOptions options;
    while (!args->isEmpty() && args->first().startsWith("--")) {
        const QString option = args->first();
        if (option == "--" && args->size() > 1) {
            args->removeFirst();
            break;
        }
        if (command == "lookup" && (option == "--html" || option == "--entry")) {
            (option == "--html" ? options.html : options.entry) = true;
        } else if (command == "words" && option == "--limit" && args->size() > 1) {
            args->removeFirst();
            bool number = false;
            options.limit = args->first().toInt(&number);
            options.usable = options.usable && number && options.limit >= 0;
        } else {
            break;
        }
        args->removeFirst();
    }
    return options;
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
        if (thread.outcome() == ConvertThread::AlreadyInstalled)
            reason += QStringLiteral(" (orvel-cli remove)");
        fail("install failed: " + reason);
        return 1;
    }
    DictionaryDatabase::Registration installed{file, QStringLiteral("?")};
    DictionaryDatabase().registration(DictionaryDatabase::eijiroId, &installed);
    std::printf("installed %s (%s entry lines)\n", qPrintable(installed.location),
                qPrintable(installed.count));
    return 0;
}

int list()
{
    QList<DictionaryDatabase::Installed> installed;
    if (!DictionaryDatabase().installedDictionaries(&installed)) {
        fail(QStringLiteral("cannot read the dictionary list"));
        return 1;
    }
    for (const DictionaryDatabase::Installed &dictionary : std::as_const(installed))
        std::printf("%d\t%s\t%s\n", dictionary.id, qPrintable(dictionary.name),
                    qPrintable(dictionary.location));
    return 0;
}

int remove(int id)
{
    DictionaryDatabase database;
    DictionaryDatabase::Registration installed;
    switch (database.registration(id, &installed)) {
    case DictionaryDatabase::Answer::Found:
        break;
    case DictionaryDatabase::Answer::None:
        fail(QStringLiteral("remove failed: no dictionary with id %1 is installed").arg(id));
        return 1;
    case DictionaryDatabase::Answer::Failed:
        fail(QStringLiteral("cannot read the dictionary list"));
        return 1;
    }
    if (!database.removeDictionary(id)) {
        fail("remove failed: " + database.lastError());
        return 1;
    }
    std::printf("removed %s\n", qPrintable(installed.location));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Orvel's own database lies beside the program's settings.
    SettingsStore::nameApplication(app);
    previousHandler = qInstallMessageHandler(dropDebug);
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
            // Empty would silently mean Orvel's own database.
            if (database.isEmpty()) {
                fail(QStringLiteral("--database needs a file name"));
                return 2;
            }
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
    const CommandOptions options = takeOptions(command, &args);
    int id = 1;
    bool usable = options.usable;
    if (command == "install" || command == "lookup" || command == "words") {
        usable = usable && args.size() == 1;
    } else if (command == "list") {
        usable = usable && args.isEmpty();
    } else if (command == "remove") {
        usable =
            usable && (args.isEmpty() || (args.size() == 1 && (id = args.first().toInt()) > 0));
    } else {
        usable = false;
    }
    if (!usable) {
        std::fputs(usage, stderr);
        return 2;
    }
    const Start start = openDatabase(database, command == "install");
    if (start != Ready)
        return command == "lookup" || command == "words" ? 2 : start;
    if (command == "install")
        return install(args.first());
    if (command == "list")
        return list();
    if (command == "remove")
        return remove(id);
    if (command == "words")
        return wordsCommand(args.first(), options.limit);
    return lookupCommand(args.first(), options.html, options.entry);
}
