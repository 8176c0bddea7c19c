#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QAbstractSlider;

// The pages the user settled on in this run, for Back and Forward, as a
// browser keeps the pages visited, and the page on display that may yet
// enter. Going back and forward moves through the list without changing
// it; a page that enters while the user stands further back drops the
// pages ahead, as a browser does.
//
// A page enters when the user settles on it: confirmed with Enter, picked
// from the word list, double-clicked or handed over from outside at once;
// a found page left on display for settleTime; one on display when the
// user goes on to another page (not by typing) if it was found. Back is
// measured from the page on display: from one not yet in the list, Back
// leads to the list's current page. A text whose page turns out not found
// leaves the list again. Back and Forward bring a page back scrolled where
// it was left.
class History : public QObject
{
    Q_OBJECT

public:
    // The oldest pages go beyond this many.
    static constexpr int capacity = 100;
    // How long a found page stays on display before it enters.
    static constexpr int settleTime = 1000;

    // A page: a typed word's, or an entry's picked from the word list or
    // from the lines found in entries. A phrase has no typed word's page,
    // so an entry is shown again from its key.
    struct Visit
    {
        QString word;  // as the search field shows it
        QString entry; // the picked entry's key; empty for a typed word
        // For an entry found in entries: the text searched for, which the
        // field shows and the page marks.
        QString found = QString();
        int scroll = 0; // where the view stood when the page was left

        bool operator==(const Visit &other) const
        {
            return word == other.word && entry == other.entry && found == other.found;
        }
        bool operator!=(const Visit &other) const { return !(*this == other); }
    };

    explicit History(QObject *parent = nullptr);
    // The view's scroll bar: read as a page is left, set as Back or Forward
    // brings it back.
    void followScroll(QAbstractSlider *bar);

    // --- The page on display

    // The search field's text became `visit`'s word, or a row of the word
    // list became the current one: its page is on its way (or none, for an
    // empty field), and settling starts afresh.
    void typed(const Visit &visit);
    // A page was asked for; until it arrives, the one on display was not
    // found.
    void pageAsked();
    // A page arrived; `found` when it is a result page, `newest` when it
    // answers the newest request. Left on display, a found page enters; a
    // newest one not found leaves the list if it entered.
    void pageArrived(bool found, bool newest);
    // The page that arrived shows `visit`'s page: what the window found the
    // typed text to mean ("running" shows run's entry). That is the page
    // that enters (or stands for the page entered already), and the one
    // Back and Forward come back to.
    void arrivedAs(const Visit &visit);
    // The user settled on the page on display.
    void settle() { enter(m_onDisplay); }
    // The user settled on `visit`, which is on display now (or on its way).
    void enter(const Visit &visit);
    // Another page is to be shown, not by typing: the one on display enters
    // if it was found.
    void goingOn();
    const Visit &onDisplay() const { return m_onDisplay; }

    // --- Back and Forward: they emit goTo() with the page to show, which
    // is then the one on display.

    void back();
    void forward();
    bool canGoBack() const;
    bool canGoForward() const;

    // The words of the pages, oldest first.
    QStringList words() const;
    const QList<Visit> &visits() const { return m_visits; }
    Visit current() const { return m_current < 0 ? Visit() : m_visits.at(m_current); }

signals:
    // Show `visit`'s page, its word in the search field.
    void goTo(const History::Visit &visit);
    // `visit` entered the list as a new page, and its page was found: a
    // word the user settled on. Sent once its page is on display, as what
    // it shows.
    void kept(const History::Visit &visit);
    void canGoBackChanged(bool canGoBack);
    void canGoForwardChanged(bool canGoForward);

private:
    // Whether `visit` entered the list as a new page.
    bool add(const Visit &visit);
    // Sends kept() for the current page, when it waits for that.
    void sendKept();
    void keepCurrent();
    void go(const Visit &visit);
    void announce();
    // Notes where the view stands in the page on display, if it is the
    // list's current one.
    void keepScroll();
    void restoreScroll();

    QList<Visit> m_visits;
    // Index of the current page; -1 while the list is empty.
    int m_current = -1;
    // The page on display, or on its way.
    Visit m_onDisplay;
    // The page on display is a found page answering the newest request.
    bool found = false;
    // Runs while a found page is on display and unchanged.
    QTimer settleTimer;
    QPointer<QAbstractSlider> m_bar;
    // A page brought back, to be scrolled once it has come and is long
    // enough.
    struct
    {
        Visit visit;
        bool arrived = false;
    } m_restore;
    // The page on display is a not-found page.
    bool notFound = false;
    // A page that entered before it came; and, once it came found, the
    // kept() to send after the window has seen what it shows.
    bool enteredBeforeItCame = false;
    QTimer keptTimer;
};
