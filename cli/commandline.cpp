#include "cli/commandline.h"

#include "dictionary/dictionaryformat.h"

#include "database/dictionarysettings.h"

#include <QCommandLineParser>
#include <QHash>

#include <limits>
#include <utility>

namespace {

// Options come before the command and before its argument, so "-ing" or
// a word after the command is never taken for an option of orvel-cli; a
// single dash starts a long option too ("-help").
void configure(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

Invocation wrong(const QString &error)
{
    Invocation invocation;
    invocation.action = Invocation::Wrong;
    invocation.error = error;
    return invocation;
}

const QCommandLineOption &helpOption()
{
    static const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    return help;
}

Invocation shown(Invocation::Action action)
{
    Invocation invocation;
    invocation.action = action;
    return invocation;
}

// Help and the version stand alone: an argument beside them is a mistake
// the user would otherwise never hear of.
Invocation unexpected(const QString &prefix, const QString &argument)
{
    return wrong(prefix + QStringLiteral("unexpected argument '%1'").arg(argument));
}

// `value` as a whole number from 1 to `max`; 0 for anything else.
int count(const QString &value, int max)
{
    bool number = false;
    const qlonglong count = value.toLongLong(&number);
    return number && count >= 1 && count <= max ? int(count) : 0;
}

// The command's own options and argument.
Invocation parseCommand(const QStringList &arguments, const Command &command)
{
    const QString prefix = QLatin1String(command.name) + QStringLiteral(": ");
    QCommandLineParser parser;
    configure(parser);
    parser.addOption(helpOption());
    // Options with a value, and what the usage calls it.
    const QHash<QString, QString> values{{QStringLiteral("limit"), QStringLiteral("N")},
                                         {QStringLiteral("lines"), QStringLiteral("N")},
                                         {QStringLiteral("name"), QStringLiteral("NAME")},
                                         {QStringLiteral("type"), QStringLiteral("TYPE")},
                                         {QStringLiteral("format"), QStringLiteral("FORMAT")},
                                         {QStringLiteral("dictionary"), QStringLiteral("ID")}};
    for (const QString &name : command.options)
        parser.addOption(values.contains(name) ? QCommandLineOption(name, QString(), values[name])
                                               : QCommandLineOption(name));
    // Entry words such as "-ing" or "-able" start with a dash: a last
    // argument with a single dash that names no option is the word itself,
    // as it was before options were parsed, not an unknown option.
    QStringList line = arguments;
    const QString last = line.size() > 1 ? line.constLast() : QString();
    const bool text = command.argument == Argument::One || command.argument == Argument::MaybeEmpty;
    if (text && last.size() > 1 && last.startsWith(u'-') && !last.startsWith(QLatin1String("--")) &&
        !command.options.contains(last.mid(1)) && !helpOption().names().contains(last.mid(1)) &&
        !line.contains(QLatin1String("--")))
        line.insert(line.size() - 1, QStringLiteral("--"));
    // The command's name stands where the parser expects the program's.
    if (!parser.parse(line))
        return wrong(prefix + parser.errorText());

    const QStringList given = parser.positionalArguments();
    if (parser.isSet(helpOption()))
        return given.isEmpty() ? shown(Invocation::ShowHelp) : unexpected(prefix, given.first());
    Invocation invocation;
    invocation.command = &command;
    invocation.html = command.options.contains(QLatin1String("html")) && parser.isSet("html");
    invocation.entry = command.options.contains(QLatin1String("entry")) && parser.isSet("entry");
    invocation.history =
        command.options.contains(QLatin1String("history")) && parser.isSet("history");
    if (command.options.contains(QLatin1String("format")) && parser.isSet("format")) {
        const QString format = parser.value("format");
        if (format != QLatin1String("tsv") && format != QLatin1String("csv"))
            return wrong(prefix +
                         QStringLiteral("--format must be tsv or csv, not '%1'").arg(format));
        invocation.csv = format == QLatin1String("csv");
    }
    // Options that take a count, and where it goes.
    const struct
    {
        const char *name;
        int Invocation::*count;
    } counts[] = {{"limit", &Invocation::limit}, {"lines", &Invocation::lines}};
    for (const auto &option : counts) {
        const QString name = QLatin1String(option.name);
        if (!command.options.contains(name) || !parser.isSet(name))
            continue;
        const QString value = parser.value(name);
        invocation.*option.count = count(value, Invocation::maxLimit);
        invocation.limitGiven = invocation.limitGiven || name == QLatin1String("limit");
        if (invocation.*option.count == 0)
            return wrong(prefix +
                         QStringLiteral("--%1 must be a whole number from 1 to %2, not '%3'")
                             .arg(name, QString::number(Invocation::maxLimit), value));
    }

    if (command.options.contains(QLatin1String("name")) && parser.isSet("name")) {
        QString refused;
        invocation.name = DictionarySettings::cleanName(parser.value("name"), &refused);
        if (invocation.name.isNull())
            return wrong(prefix + QStringLiteral("--name: ") + refused);
    }
    if (command.options.contains(QLatin1String("type")) && parser.isSet("type")) {
        invocation.type = DictionaryFormat::typeNamed(parser.value("type"));
        if (invocation.type == 0)
            return wrong(prefix + QStringLiteral("--type must be eijiro or edict, not '%1'")
                                      .arg(parser.value("type")));
    }
    if (command.options.contains(QLatin1String("dictionary"))) {
        for (const QString &value : parser.values("dictionary")) {
            const int id = count(value, std::numeric_limits<int>::max());
            if (id == 0)
                return wrong(prefix +
                             QStringLiteral("--dictionary must be a whole number from 1 on, not "
                                            "'%1'")
                                 .arg(value));
            if (!invocation.dictionaries.contains(id))
                invocation.dictionaries << id;
        }
    }

    const qsizetype most = command.argument == Argument::None ? 0 : 1;
    if (given.size() > most)
        return unexpected(prefix, given.at(most));
    const QLatin1String argumentName(command.argumentName);
    switch (command.argument) {
    case Argument::None:
        break;
    case Argument::One:
    case Argument::MaybeEmpty:
        if (given.isEmpty())
            return wrong(prefix + QStringLiteral("missing %1").arg(argumentName));
        // Nothing to look up or install: a quoting mistake, most likely.
        if (given.first().isEmpty() && command.argument == Argument::One)
            return wrong(prefix + QStringLiteral("%1 is empty").arg(argumentName));
        invocation.argument = given.first();
        break;
    case Argument::OptionalId:
        if (!given.isEmpty()) {
            invocation.idGiven = true;
            invocation.id = count(given.first(), std::numeric_limits<int>::max());
            if (invocation.id == 0)
                return wrong(prefix +
                             QStringLiteral("%1 must be a whole number from 1 on, not '%2'")
                                 .arg(argumentName, given.first()));
        }
        break;
    }
    return invocation;
}

} // namespace

Invocation Invocation::parse(const QStringList &arguments, const QList<Command> &commands)
{
    const QCommandLineOption databaseOption(QStringLiteral("database"), QString(),
                                            QStringLiteral("PATH"));
    const QCommandLineOption versionOption(QStringLiteral("version"));
    QCommandLineParser parser;
    configure(parser);
    parser.addOptions({helpOption(), versionOption, databaseOption});
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    const QStringList rest = parser.positionalArguments();
    for (const auto &[option, action] :
         {std::pair{&helpOption(), ShowHelp}, std::pair{&versionOption, ShowVersion}}) {
        if (parser.isSet(*option))
            return rest.isEmpty() ? shown(action) : unexpected(QString(), rest.first());
    }
    // Empty would silently mean Orvel's own database.
    const QString database = parser.value(databaseOption);
    if (parser.isSet(databaseOption) && database.isEmpty())
        return wrong(QStringLiteral("--database needs a file name"));

    if (rest.isEmpty())
        return wrong(QStringLiteral("missing command"));
    for (const Command &command : commands) {
        if (rest.first() == QLatin1String(command.name)) {
            Invocation invocation = parseCommand(rest, command);
            invocation.database = database;
            return invocation;
        }
    }
    return wrong(QStringLiteral("unknown command '%1'").arg(rest.first()));
}
