#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What `orvel` is asked on its command line. The toolkit's own options
// (-platform, -style, ...) are no concern of parse(): QApplication takes
// them out of the arguments, or withoutToolkitOptions() before there is one.
struct CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum Action {
        Run,         // open the window, or hand the word to the one open
        ShowHelp,    // -h, --help
        ShowVersion, // --version
        Wrong,       // an unknown option, --selection with a word, --popup with none
    };

    Action action = Run;
    // --selection: look up the text selected in any program.
    bool selection = false;
    // --popup: show the word in the pop-up beside the pointer instead.
    bool popup = false;
    // The arguments after the options, joined by spaces ("look up").
    QString word;
    // What is wrong, when the action is Wrong.
    QString error;

    // `arguments` as QCoreApplication::arguments() gives them, the
    // program's name first.
    static CommandLine parse(const QStringList &arguments);
    // `arguments` as main() gets them without the toolkit's options, which
    // QApplication would take out: what parse() can read before there is
    // an application, and a display, at all.
    static QStringList withoutToolkitOptions(const QStringList &arguments);
    static QString usage();
    static QString help();
    // What --selection says when the selection could not be read.
    static QString noSelection();
    // What --popup --selection says when no text is selected.
    static QString nothingSelected();
    // What a start says when the Orvel running refused its word until it
    // gave up (SingleInstance::Role::Busy).
    static QString runningButBusy();
};

// How long --selection waits for the program that holds the selection.
constexpr int selectionTimeout = 1000;

// The text selected in any program: the primary selection of X11 (and of
// Wayland where the compositor offers it), or the clipboard where the
// selection holds none. None when the program holding it does not answer
// within selectionTimeout (on X11; elsewhere Qt's clipboard waits as it
// does).
std::optional<QString> selectedText();
