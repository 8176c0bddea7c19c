#pragma once

#include "lookup/searchthread.h"

#include <QList>
#include <QString>
#include <QStringList>

struct Invocation;

// What a command takes after its options.
enum class Argument {
    None,       // list
    One,        // install FILE, lookup WORD: not empty
    MaybeEmpty, // words TEXT: empty for the list from its start
    OptionalId, // remove [ID], rebuild [ID]: a dictionary id from 1 on, 1 when left out
};

// One row of orvel-cli's command table.
struct Command
{
    const char *name;
    Argument argument;
    const char *argumentName; // as the usage names it: "FILE", "WORD", ...
    // Which of the command options the command takes: "html", "entry"
    // (flags), "limit", "lines" (counts from 1 to Invocation::maxLimit),
    // "name" (a text), "dictionary" (an id from 1 on, repeatable),
    // "format" (tsv or csv), "history" (a flag).
    QStringList options;
    // Only a command that may make a new database (install) opens a file
    // that is not yet an Orvel database; for the others the file must be
    // one already, and it is left as it is when it is not.
    bool createsDatabase;
    // Exit status when the database exists but cannot be used.
    int unusable;
    int (*run)(const Invocation &);
    // Only a command that reads the dictionary index opens the database
    // first; the notebook's own commands do not need it.
    bool readsIndex = true;
};

// What orvel-cli is asked on its command line:
//   orvel-cli [--database PATH] COMMAND [OPTIONS] [ARGUMENT]
// Options come before the argument; "--" ends them, for a word that starts
// with a dash.
struct Invocation
{
    enum Action {
        Run,
        ShowHelp,    // -h, --help, before or after the command
        ShowVersion, // --version
        Wrong,       // `error` names the argument that is wrong
    };
    static constexpr int defaultLimit = 20;
    static constexpr int maxLimit = 100000;

    Action action = Run;
    QString error;
    QString database; // --database; empty for Orvel's own
    const Command *command = nullptr;
    QString argument; // Argument::One
    int id = 1;       // Argument::OptionalId
    bool idGiven = false;
    QString name;            // --name, as it is kept; null when not given
    int type = 0;            // install --type: a DictionaryFormat::Type; 0 tells by the lines
    QList<int> dictionaries; // --dictionary, each once; empty for every one switched on
    bool html = false;
    bool entry = false;
    int limit = defaultLimit;
    bool limitGiven = false;
    int lines = SearchThread::windowLines; // lookup --lines: the window's length
    bool csv = false;                      // notebook --format csv (tsv by default)
    bool history = false;                  // notebook --history

    // `arguments` as QCoreApplication::arguments() gives them, the
    // program's name first; `commands` the table, which must outlive the
    // result.
    static Invocation parse(const QStringList &arguments, const QList<Command> &commands);
};
