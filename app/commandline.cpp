#include "app/commandline.h"
#include "app/x11selection.h"

#include <QClipboard>
#include <QCommandLineParser>
#include <QGuiApplication>

CommandLine CommandLine::parse(const QStringList &arguments)
{
    const QCommandLineOption selectionOption(QStringLiteral("selection"));
    const QCommandLineOption popupOption(QStringLiteral("popup"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    QCommandLineParser parser;
    parser.addOptions({selectionOption, popupOption, helpOption, versionOption});

    CommandLine command;
    if (!parser.parse(arguments)) {
        command.action = Wrong;
        command.error = parser.errorText();
        return command;
    }
    command.selection = parser.isSet(selectionOption);
    command.popup = parser.isSet(popupOption);
    command.word = parser.positionalArguments().join(u' ');
    if (parser.isSet(helpOption)) {
        command.action = ShowHelp;
    } else if (parser.isSet(versionOption)) {
        command.action = ShowVersion;
    } else if (command.selection && !command.word.isEmpty()) {
        command.action = Wrong;
        command.error = tr("--selection looks up the selected text, not a word.");
    } else if (command.popup && !command.selection && command.word.isEmpty()) {
        command.action = Wrong;
        command.error = tr("--popup shows a word, or with --selection the selected text.");
    }
    return command;
}

QStringList CommandLine::withoutToolkitOptions(const QStringList &arguments)
{
    // Those QGuiApplication, QApplication and the X11 platform take, after
    // one dash or two, with their value after them or after "=".
    static const QStringList withValue{"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "session",
                                       "display",
                                       "geometry",
                                       "title",
                                       "icon",
                                       "name",
                                       "visual",
                                       "style",
                                       "stylesheet",
                                       "qmljsdebugger"};
    static const QStringList flags{"reverse", "widgetcount", "testability", "sync"};
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
                             : argument.startsWith(u'-')              ? argument.mid(1)
                                                                      : QString();
        const QString bare = name.section(u'=', 0, 0);
        if (name.isEmpty() || !(withValue.contains(bare) || flags.contains(name))) {
            kept << argument;
            continue;
        }
        if (withValue.contains(bare) && !name.contains(u'='))
            ++i;
    }
    return kept;
}

QString CommandLine::usage()
{
    return tr("Usage: orvel [--popup] [--selection | WORD...]");
}

QString CommandLine::help()
{
    return usage() + QStringLiteral("\n\n") +
           tr("Shows WORD in Orvel's window; with Orvel running already, in that window.\n"
              "\n"
              "  --selection   look up the text selected in any program (the primary\n"
              "                selection, or the clipboard where there is none)\n"
              "  --popup       show it in a small window beside the mouse pointer\n"
              "                instead, leaving Orvel's window where it is\n"
              "  -h, --help    show this help\n"
              "  --version     show the version\n");
}

QString CommandLine::noSelection()
{
    return tr("No selection could be read: the program that holds it does not answer.");
}

QString CommandLine::nothingSelected()
{
    return tr("No text is selected: the pop-up has nothing to show.");
}

QString CommandLine::runningButBusy()
{
    return tr("Orvel is running but takes no word now: every connection to it is in use. "
              "Please try again.");
}

std::optional<QString> selectedText()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QString text;
        switch (X11Selection::read(QByteArray(), QDeadlineTimer(selectionTimeout), &text)) {
        case X11Selection::Outcome::Read:
            return text;
        case X11Selection::Outcome::NoAnswer:
            return std::nullopt;
        case X11Selection::Outcome::NoServer:
            break;
        }
    }
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QString selected =
        clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : QString();
    return selected.trimmed().isEmpty() ? clipboard->text(QClipboard::Clipboard) : selected;
}
