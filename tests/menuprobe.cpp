// A Qt plug-in that a test loads into a running Orvel (QT_PLUGIN_PATH and
// QT_QPA_GENERIC_PLUGINS=orvelmenuprobe): once the main window shows, it
// prints the titles of its menus, one a line, and ends the program with 0
// (3 when no window shows within 20 s). So a test reads the menus of the
// very program installed, started as a user starts it.
#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>

namespace {

void printMenusOnceShown(int triesLeft)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        const auto *window = qobject_cast<QMainWindow *>(widget);
        if (!window || !window->isVisible())
            continue;
        for (const QAction *menu : window->menuBar()->actions())
            std::printf("%s\n", menu->text().toUtf8().constData());
        std::fflush(stdout);
        QCoreApplication::exit(0);
        return;
    }
    if (triesLeft == 0)
        return QCoreApplication::exit(3);
    QTimer::singleShot(50, [triesLeft] { printMenusOnceShown(triesLeft - 1); });
}

} // namespace

class MenuProbe : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "menuprobe.json")

public:
    QObject *create(const QString &, const QString &) override
    {
        QTimer::singleShot(0, [] { printMenusOnceShown(400); });
        return new QObject; // Qt keeps it to the end of the run
    }
};

#include "menuprobe.moc"
