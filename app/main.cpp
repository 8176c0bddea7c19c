#include "app/translation.h"
#include "database/settingsstore.h"
#include "dictionary/convertthread.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
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

    MainWindow window;
    window.show();
    const int result = app.exec();

    // An index build may still be running when the window closes; let it
    // stop and roll back rather than cut it off at exit.
    ConvertThread::stopAll();
    return result;
}
