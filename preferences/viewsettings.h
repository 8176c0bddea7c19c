#pragma once

#include <QFont>
#include <QObject>
#include <QSize>

// How the user has set up the window and its result view, as the settings
// store keeps it across runs: the keys, their defaults and the font's bounds
// live here and nowhere else. The main window loads it at start, shows what
// it holds and saves it when it closes; the preferences dialog edits the
// font, and the window follows fontChanged(). GUI thread only.
class ViewSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)

public:
    // The result font's sizes, in points: Qt's standard sizes. No stored,
    // typed or zoomed size leaves them, so none can make the page unreadable.
    static constexpr int minimumFontSize = 6;
    static constexpr int maximumFontSize = 72;
    // `font` with its point size brought within the bounds; a font sized in
    // pixels (it has no point size) is left as it is.
    static QFont boundedFont(const QFont &font);

    // The window's own state, restored at start and stored at the end.
    struct WindowState
    {
        QSize size{640, 360};
        bool menubar = true;
        bool statusbar = true;
        bool topmost = false;
    };

    explicit ViewSettings(QObject *parent = nullptr);

    // Reads every value from the settings store (a default-constructed
    // QSettings: the application object carries its names). A missing value
    // gets its default; a value of the wrong type is taken as Qt converts
    // it, and a font size out of bounds is brought within them.
    void load();
    // Writes every value to the store.
    void save() const;

    QFont font() const;
    // Takes `font` within the bounds; emits fontChanged() when the result
    // differs from the font held.
    void setFont(const QFont &font);

    WindowState windowState() const;
    void setWindowState(const WindowState &state);

signals:
    void fontChanged(const QFont &font);

private:
    QFont m_font;
    WindowState m_window;
};
