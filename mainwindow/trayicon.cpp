#include "mainwindow/trayicon.h"

#include "preferences/viewsettings.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSystemTrayIcon>
#include <QWidget>

TrayIcon::TrayIcon(QWidget *window, QAction *watchClipboard, QAction *quit, ViewSettings *settings,
                   bool available)
    : QObject(window), window(window), settings(settings)
{
    connect(quit, &QAction::triggered, this, [this] {
        QScopedValueRollback closing(quitting, true);
        this->window->close();
    });
    if (!available)
        return;
    m_menu = new QMenu;
    connect(m_menu->addAction(tr("Show Orvel")), &QAction::triggered, this, &TrayIcon::showWindow);
    m_menu->addAction(watchClipboard);
    m_menu->addSeparator();
    connect(m_menu->addAction(tr("Quit")), &QAction::triggered, this, &TrayIcon::quit);
    icon = new QSystemTrayIcon(window->windowIcon(), this);
    icon->setToolTip(QStringLiteral("Orvel"));
    icon->setContextMenu(m_menu);
    connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger)
            showWindow();
    });
    // Shown with the window: a run of the pop-up alone leaves no icon.
    window->installEventFilter(this);
}

bool TrayIcon::desktopHasTray()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TrayIcon::~TrayIcon()
{
    // A menu of a tray icon has no parent widget to delete it.
    delete m_menu;
}

bool TrayIcon::keepsWindow() const
{
    return icon && settings->closeToTray() && !quitting;
}

void TrayIcon::showWindow()
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void TrayIcon::quit()
{
    {
        QScopedValueRollback closing(quitting, true);
        window->close();
    }
    // The window may have been in the tray already, or the pop-up open.
    QCoreApplication::quit();
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    // In the tray, the window is no window whose close ends the run: the
    // pop-up, closed meanwhile, would end it. Shown, it is one again.
    if (watched == window && event->type() == QEvent::Show) {
        QGuiApplication::setQuitOnLastWindowClosed(true);
        icon->show();
    } else if (watched == window && event->type() == QEvent::Hide && keepsWindow()) {
        QGuiApplication::setQuitOnLastWindowClosed(false);
    }
    return QObject::eventFilter(watched, event);
}
