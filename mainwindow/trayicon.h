#pragma once

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class ViewSettings;

// Orvel's icon in the desktop's system tray, where the desktop has one,
// from the window's first showing on:
// its menu shows the window, switches the look-up of copied words (the
// window's own action) and quits. While ViewSettings::closeToTray() is on,
// closing the window hides it there and Orvel runs on; Quit, in either
// menu, ends the run.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // `quit` is the window's File > Quit. `available` says whether the
    // desktop has a tray; without one there is no icon and closing the
    // window closes it as ever.
    TrayIcon(QWidget *window, QAction *watchClipboard, QAction *quit, ViewSettings *settings,
             bool available = desktopHasTray());
    static bool desktopHasTray();
    ~TrayIcon() override;

    // Whether the window's close is to hide it in the tray: the user chose
    // so, there is a tray, and the close is no Quit.
    bool keepsWindow() const;
    // The icon's menu; null without a tray.
    QMenu *menu() const { return m_menu; }

    // Brings the window back from the tray (or from behind others).
    void showWindow();
    // Ends the run, the window closed as on Quit.
    void quit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window;
    ViewSettings *settings;
    QSystemTrayIcon *icon = nullptr;
    QMenu *m_menu = nullptr;
    bool quitting = false;
};
