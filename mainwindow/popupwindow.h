#pragma once

#include <QFrame>
#include <QTimer>

class PageLoader;
class QPushButton;
class ResultView;
class ViewSettings;

// A small window beside the mouse pointer that shows a word's page
// (`orvel --popup`), on top of what the user reads, without bringing
// Orvel's window forward. It closes on Escape, on a click outside it, or
// when the pointer, once in it, leaves it; Open in Orvel shows the word in
// the main window. The user's size for it is kept in the settings.
class PopupWindow : public QFrame
{
    Q_OBJECT

public:
    explicit PopupWindow(ViewSettings *settings, QWidget *parent = nullptr);

    // Shows the page of `text` beside the pointer, found as the window
    // would find it (View > Find What I Mean); empty, it shows nothing.
    void showWord(const QString &text);
    const QString &word() const { return m_word; }
    ResultView *view() const { return m_view; }

    // Where a window of `size` goes beside `pointer` on a screen of
    // `screen`: below and right of it, clear of it, or where that has no
    // room above or left of it; always on the screen, and `gap` above or
    // below the pointer (shorter where neither side has the room).
    static QRect placement(const QPoint &pointer, QSize size, const QRect &screen);
    // Space between the pointer and the window.
    static constexpr int gap = 12;
    // How long the pointer may be outside before the window closes.
    static constexpr int leaveDelay = 300;

signals:
    // Open in Orvel: the main window is to show `word`.
    void openRequested(const QString &word);
    // The page of the word asked for is on display.
    void pageShown();
    void closed();

protected:
    bool event(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The pointer is in the window now, or not.
    void pointerIn(bool in);

    ViewSettings *settings;
    ResultView *m_view;
    QPushButton *openButton;
    PageLoader *pages;
    QString m_word;
    // The pointer has been in the window since it was shown.
    bool entered = false;
    QTimer leaving;
};
