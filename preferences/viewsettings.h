#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// How the user has set up the window and its result view, as the settings
// store keeps it across runs: the keys, their defaults and the font's bounds
// live here and nowhere else. The main window loads it at start, shows what
// it holds and saves it when it closes; the preferences dialog edits the
// font, and the window follows fontChanged(). Also the word on display at
// the last close, for the next start. GUI thread only.
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
        // The frame's top-left corner; none until the window has been shown.
        std::optional<QPoint> position;
        bool menubar = true;
        bool statusbar = true;
        bool topmost = false;
        // The word list beside the result view, and the splitter's state
        // (QSplitter::saveState()) while the list was shown; empty for the
        // form's own sizes.
        bool wordList = true;
        QByteArray splitter;
    };

    // The pane sizes a splitter's state (QSplitter::saveState()) holds, or
    // none when it is no such state. Only the sizes: the rest of a stored
    // state (whether a pane may collapse, the orientation) is the form's.
    static QList<int> splitterSizes(const QByteArray &state);

    explicit ViewSettings(QObject *parent = nullptr);

    // Reads every value from the settings store (a default-constructed
    // QSettings: the application object carries its names). A missing value
    // gets its default; a value of the wrong type is taken as Qt converts
    // it, and a font size out of bounds is brought within them.
    void load();
    // Writes every value to the store; false when its file cannot be
    // written (settingsFile()), so the values go with the program.
    bool save() const;
    static QString settingsFile();

    QFont font() const;
    // The font the user chose (Preferences). Takes `font` within the bounds;
    // emits fontChanged() when the result differs from the font held. A
    // new size is remembered as the chosen size.
    void setFont(const QFont &font);
    // The font zoomed to (Bigger, Smaller, Ctrl with the wheel): as
    // setFont(), but the chosen size stays.
    void setZoomedFont(const QFont &font);
    // The size last chosen with setFont(); at first the stored size.
    int chosenFontSize() const;
    // Zooms back to the chosen size.
    void restoreChosenFontSize();

    // The word on display when the window last closed, and whether the
    // next start shows it again.
    struct LastWord
    {
        bool show = true;
        QString word;
    };
    LastWord lastWord() const;
    void setLastWord(const LastWord &lastWord);

    // Whether the view shows what a typed text most likely means (an
    // entry it is a phrase, an inflection or the start of, or suggestions)
    // rather than only the page of the text exactly as typed. On by default.
    bool findWhatIMean() const;
    void setFindWhatIMean(bool on);

    // Whether the words looked up are kept in the notebook's history
    // (Preferences > General). On by default.
    bool keepHistory() const { return m_keepHistory; }
    void setKeepHistory(bool on) { m_keepHistory = on; }
    // Whether the Notebook pane is shown (View > Notebook). Off by default.
    bool notebookShown() const { return m_notebookShown; }
    void setNotebookShown(bool shown) { m_notebookShown = shown; }

    // Whether a speaker stands beside each entry heading (Preferences;
    // written to the store at once); View > Speak is there either way. On
    // by default.
    bool speakers() const { return m_speakers; }
    void setSpeakers(bool on);

    WindowState windowState() const;
    void setWindowState(const WindowState &state);

    // The pop-up's size (orvel --popup). Written to the store at once: a
    // pop-up may be all that a run of Orvel shows.
    static constexpr QSize defaultPopupSize{420, 300};
    QSize popupSize() const { return m_popupSize; }
    void setPopupSize(const QSize &size);

    // Whether text copied in another program is looked up in the pop-up
    // (Window > Look Up Copied Words), and whether closing the window
    // keeps Orvel in the system tray (Preferences). Both off by default,
    // and written to the store at once: a run may end from the tray,
    // without the window's close.
    bool watchClipboard() const { return m_watchClipboard; }
    void setWatchClipboard(bool on);
    bool closeToTray() const { return m_closeToTray; }
    void setCloseToTray(bool on);

signals:
    void fontChanged(const QFont &font);
    void watchClipboardChanged(bool on);
    void speakersChanged(bool on);

private:
    QFont m_font;
    int m_chosenFontSize;
    WindowState m_window;
    LastWord m_lastWord;
    bool m_findWhatIMean = true;
    bool m_keepHistory = true;
    bool m_notebookShown = false;
    bool m_speakers = true;
    QSize m_popupSize = defaultPopupSize;
    bool m_watchClipboard = false;
    bool m_closeToTray = false;
};
