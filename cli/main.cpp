// orvel-cli: Orvel's dictionary index from the command line, on the same
// core code as the program: install a dictionary, list, look a word up,
// list a dictionary's entry words, remove a dictionary, rebuild its index,
// switch it on or off.
#include "app/settingsstore.h"
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "database/dictionaryremoval.h"
#include "database/dictionarysettings.h"
#include "database/installeddictionaries.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryformat.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

const char usage[] =
    "Usage: orvel-cli [--database PATH] COMMAND\n"
    "\n"
    "Commands:\n"
    "  install [--name NAME] [--type eijiro|edict] FILE\n"
    "                       build the index of the dictionary FILE (an Eijiro file\n"
    "                       in Shift_JIS or UTF-8, or an EDICT file in EUC-JP,\n"
    "                       UTF-8 or Shift_JIS; the type is told by its lines\n"
    "                       unless --type names it) and register it beside those\n"
    "                       installed, named NAME (default: the file's name\n"
    "                       without its extension)\n"
    "  list                 print the installed dictionaries in the order their\n"
    "                       pages show: id, name, type, on or off, entry lines,\n"
    "                       file\n"
    "  lookup [--html] [--entry] [--lines N] [--dictionary ID]... WORD\n"
    "                       print WORD's entries as Orvel shows them, a section per\n"
    "                       dictionary that has it; with --html the page exactly as\n"
    "                       the result view receives it; with --entry the page of\n"
    "                       the word list's entry WORD, as the dictionary first\n"
    "                       spells it, phrases included; with --lines N from N lines\n"
    "                       of each dictionary (default 128)\n"
    "  show [--html] [--dictionary ID]... TEXT\n"
    "                       print what Orvel's window shows for TEXT when it finds\n"
    "                       what you mean: the rule that applied and the entry word\n"
    "                       shown, separated by a tab (word, entry, base, fold,\n"
    "                       romaji, typo, nearest; none with no word, then a line\n"
    "                       \"suggest<TAB>WORD\" per suggestion); with --html the\n"
    "                       page exactly as the window shows it\n"
    "  words [--limit N] [--dictionary ID]... TEXT\n"
    "                       print the word list from TEXT on: at most N entry words\n"
    "                       (default 20) in the dictionaries' spelling, one per\n"
    "                       line, in the order of their upper-cased forms, phrases\n"
    "                       included\n"
    "  grep [--limit N] [--dictionary ID]... TEXT\n"
    "                       print every entry line that contains TEXT, ignoring\n"
    "                       case: its entry word, a tab and the line without its\n"
    "                       line end, in dictionary then file order; at most N\n"
    "                       lines\n"
    "  remove [ID]          remove the installed dictionary ID (needed when several\n"
    "                       are installed) and its index; the file stays\n"
    "  rebuild [ID]         build the index of the installed dictionary ID (needed\n"
    "                       when several are installed) again from its file, after\n"
    "                       the file has changed; the old index answers until the\n"
    "                       new one replaces it\n"
    "  enable [ID]          switch the installed dictionary ID (needed when several\n"
    "  disable [ID]         are installed) on or off, as Preferences does\n"
    "  history [--limit N]  print the words looked up in Orvel's window, newest\n"
    "                       first (every one, or the newest N): the time, how\n"
    "                       often and the word, separated by tabs; a backslash, tab\n"
    "                       or line end in a word as \\\\, \\t, \\n, \\r\n"
    "  star [--dictionary ID] WORD\n"
    "                       star the entry of WORD (as lookup --entry finds it) in\n"
    "                       the notebook: in dictionary ID, or in the first one\n"
    "                       switched on that has it\n"
    "  unstar WORD          take the stars of WORD away\n"
    "  notebook [--format tsv|csv] [--history]\n"
    "                       print the starred entries (or the history) as flash\n"
    "                       cards, as File > Export Notebook... writes them:\n"
    "                       front, back and tag, tab-separated (default) or CSV\n"
    "\n"
    "lookup, show, words, grep and star read the dictionaries switched on, in their\n"
    "order; each --dictionary ID names one to read instead, switched on or off.\n"
    "The notebook lies beside Orvel's settings, whatever --database names.\n"
    "\n"
    "Options:\n"
    "  --database PATH      use the index database at PATH instead of Orvel's own,\n"
    "                       which lies beside its settings; only install creates it\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 on success. install, list, remove, rebuild, enable, disable: 1\n"
    "on failure.\n"
    "lookup: 1 when the word or any dictionary is not found, 2 on failure.\n"
    "show: 0 when an entry is shown, 1 for none or when no dictionary is installed\n"
    "or switched on, 2 on failure.\n"
    "words: 0 even for an empty list, 1 when no dictionary is installed or switched\n"
    "on, 2 on failure. grep: 0 when lines were found, 1 when none, 2 on failure.\n"
    "star: 1 when no dictionary has the word or the notebook cannot be written, 2\n"
    "when the look-up failed. unstar: 1 when the word is not starred or the\n"
    "notebook cannot be written. history, notebook: 2 when the notebook cannot be\n"
    "read.\n"
    "list, lookup, show, words, grep, remove, rebuild, enable, disable: 2 when the\n"
    "database does not exist. 2 for a wrong command line.\n";

QtMessageHandler previousHandler = nullptr;

// The core reports its failures as debug lines, and the schema's as
// critical ones; every command already prints its failure as one line of
// its own, with the same reason, so these are dropped.
void dropDiagnostics(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && type != QtCriticalMsg && previousHandler)
        previousHandler(type, context, text);
}

// Exit status of a database that is not there, or not Orvel's.
constexpr int noDatabase = 2;

// Opens the database at `path` (Orvel's own when empty) for `command`;
// 0 when it is ready, else the exit status after one line saying why.
// Only a command that creates databases (install) may make a new one or
// write into a file that is not an Orvel database yet: a mistyped path must
// not leave an empty database behind that later looks like a real one, and
// another program's file must stay as it is.
int openDatabase(QString path, const Command &command)
{
    if (path.isEmpty())
        path = Database::path();
    if (!QFileInfo::exists(path)) {
        if (!command.createsDatabase) {
            Output::fail(
                QStringLiteral("no database at %1: nothing has been installed there").arg(path));
            return noDatabase;
        }
        // Orvel itself creates this folder when it writes its settings;
        // the command line may come first.
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    QString reason;
    switch (DictionaryDatabase::openOwnDefault(path, command.createsDatabase, &reason)) {
    case DictionaryDatabase::Opened::Ready:
        return 0;
    case DictionaryDatabase::Opened::Failed:
        Output::fail(QStringLiteral("cannot open the database %1: %2").arg(path, reason));
        return command.unusable;
    case DictionaryDatabase::Opened::NotADatabase:
        Output::fail(
            (command.createsDatabase
                 ? QStringLiteral("%1 is not a database: install into another file")
                 : QStringLiteral("%1 is not a database: nothing has been installed there"))
                .arg(path));
        return command.unusable;
    case DictionaryDatabase::Opened::SchemaFailed:
        Output::fail(
            QStringLiteral("cannot create the database schema in %1: %2").arg(path, reason));
        return command.unusable;
    case DictionaryDatabase::Opened::WithoutTables:
        Output::fail(QStringLiteral("%1 is not an Orvel database: nothing has been installed there")
                         .arg(path));
        return noDatabase;
    case DictionaryDatabase::Opened::Foreign:
        break;
    }
    if (command.createsDatabase) {
        Output::fail(QStringLiteral("%1 is another program's database: install into another file")
                         .arg(path));
        return command.unusable;
    }
    Output::fail(QStringLiteral("%1 is another program's database, not Orvel's").arg(path));
    return noDatabase;
}

void drawProgress(int percent)
{
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled,
                 "========================================", width - filled, "", percent);
    std::fflush(stderr);
}

// Runs a set-up builder to its end, its progress drawn on a terminal.
// Returns 0 when it committed, else 1 after one line saying why (`what`
// failed).
int runBuilder(ConvertThread &thread, const QString &what)
{
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
    // Installed, and said so: only the room of the log was not given back.
    if (thread.outcome() == ConvertThread::CheckpointFailed) {
        Output::fail(thread.errorString());
        return 0;
    }
    if (thread.outcome() != ConvertThread::Committed) {
        Output::fail(what + " failed: " + thread.errorString());
        return 1;
    }
    return 0;
}

// What the database now says of the dictionary a build committed.
Records::Installed registered(int id, const QString &file)
{
    Records::Installed installed{id, QString(), file, QString()};
    InstalledDictionaries().find(id, &installed);
    return installed;
}

QString count(const Records::Installed &dictionary)
{
    return dictionary.count < 0 ? QStringLiteral("?") : QString::number(dictionary.count);
}

int install(const Invocation &invocation)
{
    const QString &file = invocation.argument;
    ConvertThread thread;
    thread.setDictionary(invocation.name, file);
    thread.setType(invocation.type);
    if (const int failed = runBuilder(thread, QStringLiteral("install")))
        return failed;
    const Records::Installed installed = registered(thread.installedId(), file);
    Output::write(stdout, QStringLiteral("installed %1 as dictionary %2, %3 (%4 entry lines)\n")
                              .arg(installed.location, QString::number(installed.id),
                                   installed.name, count(installed)));
    return 0;
}

int cannotReadList(const InstalledDictionaries &database)
{
    Output::fail(QStringLiteral("cannot read the dictionary list: %1").arg(database.lastError()));
    return 1;
}

// The dictionary `invocation` names, or the only one installed; 0 after a
// line saying why there is none (`what` failed).
int dictionaryOf(const Invocation &invocation, const QString &what)
{
    if (invocation.idGiven)
        return invocation.id;
    InstalledDictionaries database;
    QList<Records::Installed> installed;
    if (!database.list(&installed)) {
        cannotReadList(database);
        return 0;
    }
    if (installed.size() == 1)
        return installed.first().id;
    Output::fail(installed.isEmpty()
                     ? QStringLiteral("%1 failed: no dictionary is installed").arg(what)
                     : QStringLiteral("%1 failed: %2 dictionaries are installed: name one by its "
                                      "id (orvel-cli list)")
                           .arg(what, QString::number(installed.size())));
    return 0;
}

int rebuild(const Invocation &invocation)
{
    const int id = dictionaryOf(invocation, QStringLiteral("rebuild"));
    if (id == 0)
        return 1;
    ConvertThread thread;
    thread.setRebuild(id);
    if (const int failed = runBuilder(thread, QStringLiteral("rebuild")))
        return failed;
    const Records::Installed rebuilt = registered(id, QString());
    Output::write(
        stdout,
        QStringLiteral("rebuilt %1 (%2 entry lines)\n").arg(rebuilt.location, count(rebuilt)));
    return 0;
}

int list(const Invocation &)
{
    InstalledDictionaries database;
    QList<Records::Installed> installed;
    if (!database.list(&installed))
        return cannotReadList(database);
    QString lines;
    for (const Records::Installed &dictionary : std::as_const(installed))
        lines += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                     .arg(QString::number(dictionary.id), dictionary.name,
                          DictionaryFormat::nameOf(dictionary.type),
                          dictionary.enabled ? QStringLiteral("on") : QStringLiteral("off"),
                          count(dictionary), dictionary.location);
    Output::write(stdout, lines);
    return 0;
}

int remove(const Invocation &invocation)
{
    const int id = dictionaryOf(invocation, QStringLiteral("remove"));
    if (id == 0)
        return 1;
    InstalledDictionaries database;
    Records::Registration installed;
    switch (database.registration(id, &installed)) {
    case Records::Answer::Found:
        break;
    case Records::Answer::None:
        Output::fail(
            QStringLiteral("remove failed: no dictionary with id %1 is installed").arg(id));
        return 1;
    case Records::Answer::Failed:
        return cannotReadList(database);
    }
    DictionaryRemoval removal;
    if (!removal.remove(id)) {
        Output::fail("remove failed: " + removal.lastError());
        return 1;
    }
    if (!removal.notice().isEmpty())
        Output::fail(removal.notice());
    Output::write(stdout, QStringLiteral("removed %1\n").arg(installed.location));
    return 0;
}

// Switches dictionary `id` (or the only one) on or off.
int switchDictionary(const Invocation &invocation, bool on)
{
    const QString what = on ? QStringLiteral("enable") : QStringLiteral("disable");
    const int id = dictionaryOf(invocation, what);
    if (id == 0)
        return 1;
    DictionarySettings settings;
    if (!settings.setEnabled(id, on)) {
        Output::fail(what + " failed: " + settings.lastError());
        return 1;
    }
    const Records::Installed switched = registered(id, QString());
    Output::write(stdout, QStringLiteral("switched %1 %2, %3\n")
                              .arg(on ? QStringLiteral("on") : QStringLiteral("off"),
                                   QString::number(id), switched.name));
    return 0;
}

int enable(const Invocation &invocation)
{
    return switchDictionary(invocation, true);
}

int disable(const Invocation &invocation)
{
    return switchDictionary(invocation, false);
}

int lookup(const Invocation &invocation)
{
    return lookupCommand(invocation.argument, invocation.html, invocation.entry,
                         invocation.dictionaries, invocation.lines);
}

int show(const Invocation &invocation)
{
    return showCommand(invocation.argument, invocation.html, invocation.dictionaries);
}

int words(const Invocation &invocation)
{
    return wordsCommand(invocation.argument, invocation.limit, invocation.dictionaries);
}

int history(const Invocation &invocation)
{
    return historyCommand(invocation.limitGiven ? invocation.limit : -1);
}

int star(const Invocation &invocation)
{
    return starCommand(invocation.argument, invocation.dictionaries);
}

int unstar(const Invocation &invocation)
{
    return unstarCommand(invocation.argument);
}

int notebook(const Invocation &invocation)
{
    return notebookCommand(invocation.csv, invocation.history);
}

int grep(const Invocation &invocation)
{
    return grepCommand(invocation.argument,
                       invocation.limitGiven ? invocation.limit
                                             : std::numeric_limits<qint64>::max(),
                       invocation.dictionaries);
}

// Every command: its argument, its options, whether it may make a
// database, its exit status when the database cannot be used, and what
// runs it. A new command is a row here and a line in the usage.
const QList<Command> &commands()
{
    // clang-format off
    static const QList<Command> table{
        // name     argument              shown   options            creates unusable
        {"install", Argument::One,        "FILE", {"name", "type"},        true,   1, install},
        {"list",    Argument::None,       "",     {},                false,  1, list},
        {"lookup",  Argument::One,        "WORD", {"html", "entry", "lines", "dictionary"}, false, 2, lookup},
        {"show",    Argument::One,        "TEXT", {"html", "dictionary"},          false, 2, show},
        {"words",   Argument::MaybeEmpty, "TEXT", {"limit", "dictionary"},         false, 2, words},
        {"grep",    Argument::One,        "TEXT", {"limit", "dictionary"},         false, 2, grep},
        {"remove",  Argument::OptionalId, "ID",   {},                false,  1, remove},
        {"rebuild", Argument::OptionalId, "ID",   {},                false,  1, rebuild},
        {"enable",  Argument::OptionalId, "ID",   {},                false,  1, enable},
        {"disable", Argument::OptionalId, "ID",   {},                false,  1, disable},
        {"history", Argument::None,       "",     {"limit"},         false,  2, history, false},
        {"star",    Argument::One,        "WORD", {"dictionary"},    false,  2, star},
        {"unstar",  Argument::One,        "WORD", {},                false,  1, unstar, false},
        {"notebook", Argument::None,      "",     {"format", "history"}, false, 2, notebook, false},
    };
    // clang-format on
    return table;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Orvel's own database lies beside the program's settings.
    SettingsStore::nameApplication(app);
    // A change waits for another Orvel's change (an install of a large
    // file takes minutes) rather than fail after ten seconds; a user who
    // does not want to wait stops it with Ctrl+C.
    Database::setWriteWait(30 * 60 * 1000);
    previousHandler = qInstallMessageHandler(dropDiagnostics);
    const Invocation invocation = Invocation::parse(app.arguments(), commands());
    switch (invocation.action) {
    case Invocation::ShowHelp:
        std::fputs(usage, stdout);
        return 0;
    case Invocation::ShowVersion:
        std::printf("orvel-cli %s\n", ORVEL_VERSION);
        return 0;
    case Invocation::Wrong:
        // As the GNU tools do: what is wrong, then where to read more.
        Output::fail(invocation.error);
        std::fputs("Try 'orvel-cli --help'.\n", stderr);
        return 2;
    case Invocation::Run:
        break;
    }
    const Command &command = *invocation.command;
    if (command.readsIndex)
        if (const int unusable = openDatabase(invocation.database, command))
            return unusable;
    return command.run(invocation);
}
