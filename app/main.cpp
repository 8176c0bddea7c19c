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
} // namespace

int main(int argc, char *argv[])
{
    // Takes the toolkit's own options out of the arguments first.
    QApplication app(argc, argv);
    SettingsStore::nameApplication(app);
    const QString locale = QLocale::system().name();

    // Qt's own texts (wizard buttons, message box buttons) in the same
    // language, from the toolkit's installed catalogues.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    QTranslator translator;
    loadTranslation(translator, locale);
    // Installed even when empty: an empty translator changes no text.
    QCoreApplication::installTranslator(&translator);

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

    SingleInstance instance;
    if (instance.claim(word, command.popup) == SingleInstance::Role::HandedOver)
        return 0;
    // A pop-up of nothing would leave a run with no window at all.
    if (command.popup && word.isEmpty()) {
        std::fprintf(stderr, "orvel: %s\n", qPrintable(CommandLine::nothingSelected()));
        return 1;
    }

    MainWindow window;
    openIndex(&window);
    PopupWindow popup(window.viewSettings());
    QObject::connect(&instance, &SingleInstance::wordReceived, &window,
                     &MainWindow::showFromOutside);
    QObject::connect(&instance, &SingleInstance::popupReceived, &popup, &PopupWindow::showWord);
    QObject::connect(&popup, &PopupWindow::openRequested, &window, &MainWindow::showFromOutside);
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
