#include "app/commandline.h"
#include "app/openindex.h"
#include "app/settingsstore.h"
#include "app/singleinstance.h"
#include "app/translation.h"
#include "dictionary/convertthread.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/outsideword.h"
#include "mainwindow/popupwindow.h"
#include "version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <optional>

namespace {
// Every word the window takes fits into one message.
static_assert(SingleInstance::maxMessageBytes >
                  3 * OutsideWord::maxLength + sizeof SingleInstance::popupPrefix,
              "a word of UTF-16 units takes at most three bytes each in UTF-8");

// What a command line that opens no window asks for; the exit status.
int answer(const CommandLine &command)
{
    switch (command.action) {
    case CommandLine::ShowHelp:
        std::fputs(qPrintable(CommandLine::help()), stdout);
        return 0;
    case CommandLine::ShowVersion:
        std::printf("orvel %s\n", ORVEL_VERSION);
        return 0;
    case CommandLine::Wrong:
    case CommandLine::Run:
        break;
    }
    std::fprintf(stderr, "orvel: %s\n%s\n", qPrintable(command.error),
                 qPrintable(CommandLine::usage()));
    return 2;
}

// Qt's texts (wizard buttons, message box buttons, the command line's
// errors) from the toolkit's installed catalogues, and Orvel's own, in the
// system's language.
struct Translators
{
    QTranslator qt;
    QTranslator own;

    Translators()
    {
        if (qt.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qt);
        loadTranslation(own, QLocale::system().name());
        // Installed even when empty: an empty translator changes no text.
        QCoreApplication::installTranslator(&own);
    }
};

// A command line that opens no window (help, the version, a mistake) is
// answered before the application needs a display, which may be missing.
std::optional<int> answerWithoutDisplay(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    arguments = CommandLine::withoutToolkitOptions(arguments);
    if (CommandLine::parse(arguments).action == CommandLine::Run)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const Translators translators;
    // Read again, to say it in the user's language.
    return answer(CommandLine::parse(arguments));
}
} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> answered = answerWithoutDisplay(argc, argv))
        return *answered;
    // Takes the toolkit's own options out of the arguments first.
    QApplication app(argc, argv);
    SettingsStore::nameApplication(app);
    const Translators translators;

    const CommandLine command = CommandLine::parse(QCoreApplication::arguments());
    if (command.action != CommandLine::Run)
        return answer(command);
    QString word = command.word;
    if (command.selection) {
        // The window then starts, or comes forward, as for no word.
        const std::optional<QString> selected = selectedText();
        if (!selected)
            std::fprintf(stderr, "orvel: %s\n", qPrintable(CommandLine::noSelection()));
        word = selected.value_or(QString());
    }
    word = OutsideWord::clean(word);

    // A pop-up of nothing would leave a run with no window at all, and
    // one handed to a running Orvel would show nothing: said here, either
    // way.
    if (command.popup && word.isEmpty()) {
        std::fprintf(stderr, "orvel: %s\n", qPrintable(CommandLine::nothingSelected()));
        return 1;
    }

    SingleInstance instance;
    switch (instance.claim(word, command.popup)) {
    case SingleInstance::Role::HandedOver:
        return 0;
    case SingleInstance::Role::Busy:
        std::fprintf(stderr, "orvel: %s\n", qPrintable(CommandLine::runningButBusy()));
        return 1;
    case SingleInstance::Role::Listening:
    case SingleInstance::Role::Alone:
        break;
    }

    MainWindow window;
    openIndex(&window);
    PopupWindow popup(window.viewSettings());
    QObject::connect(&instance, &SingleInstance::wordReceived, &window,
                     &MainWindow::showFromOutside);
    QObject::connect(&instance, &SingleInstance::popupReceived, &popup, &PopupWindow::showWord);
    QObject::connect(&popup, &PopupWindow::openRequested, &window, &MainWindow::showFromOutside);
    QObject::connect(&window, &MainWindow::wordCopied, &popup, &PopupWindow::showWord);
    if (command.popup) {
        // The pop-up alone: the run ends with it, unless the window was
        // opened meanwhile.
        QObject::connect(&popup, &PopupWindow::closed, &app, [&window] {
            if (!window.isVisible())
                QCoreApplication::quit();
        });
        popup.showWord(word);
    } else {
        window.show();
        window.start(word);
    }
    const int result = app.exec();

    // An index build may still be running when the window closes; let it
    // stop and roll back rather than cut it off at exit.
    ConvertThread::stopAll();
    return result;
}
