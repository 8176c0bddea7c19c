#include "mainwindow/history.h"

#include <QAbstractSlider>

#include <utility>

History::History(QObject *parent) : QObject(parent)
{
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(settleTime);
    connect(&settleTimer, &QTimer::timeout, this, &History::settle);
    keptTimer.setSingleShot(true);
    keptTimer.setInterval(0);
    connect(&keptTimer, &QTimer::timeout, this, &History::keepCurrent);
}

void History::followScroll(QAbstractSlider *bar)
{
    m_bar = bar;
    // The view lays a long page out bit by bit: its range grows after it
    // came.
    connect(bar, &QAbstractSlider::rangeChanged, this, &History::restoreScroll);
    // The user's own scrolling comes first.
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { m_restore = {}; });
}

void History::typed(const Visit &visit)
{
    keepScroll();
    if (visit != m_restore.visit)
        m_restore = {};
    settleTimer.stop();
    found = false;
    notFound = false;
    enteredBeforeItCame = false;
    m_onDisplay = visit;
    announce();
}

void History::pageAsked()
{
    found = false;
    notFound = false;
}

void History::pageArrived(bool foundPage, bool newest)
{
    found = foundPage && newest;
    notFound = !foundPage && newest;
    if (found)
        settleTimer.start();
    // Settled on before its page came (Enter, a word from outside): it was
    // no page to come back to.
    if (notFound && m_current >= 0 && current() == m_onDisplay) {
        m_visits.removeAt(m_current--);
        announce();
    }
    // What it shows is known once the window has seen it (arrivedAs()).
    if (newest && std::exchange(enteredBeforeItCame, false) && found)
        keptTimer.start();
    if (found && m_onDisplay == m_restore.visit) {
        m_restore.arrived = true;
        restoreScroll();
    }
}

void History::arrivedAs(const Visit &visit)
{
    // Settled on before its page came (handed over, double-clicked): the
    // visit becomes what the page shows, one with the visit before it when
    // that showed the same word.
    if (m_current >= 0 && current() == m_onDisplay) {
        if (m_current > 0 && m_visits.at(m_current - 1).word == visit.word)
            m_visits.removeAt(m_current--);
        m_visits[m_current] = visit;
    }
    m_onDisplay = visit;
    announce();
}

void History::enter(const Visit &visit)
{
    if (notFound && visit == m_onDisplay)
        return;
    // A word picked from a list is on display while the field keeps what
    // was typed.
    m_onDisplay = visit;
    if (add(visit)) {
        if (found)
            emit kept(visit);
        else
            enteredBeforeItCame = true;
    }
    announce();
}

void History::goingOn()
{
    if (found)
        settle();
    settleTimer.stop();
}

void History::back()
{
    if (!canGoBack())
        return;
    sendKept();
    keepScroll();
    if (m_onDisplay == current())
        --m_current;
    go(current());
}

void History::forward()
{
    if (!canGoForward())
        return;
    sendKept();
    keepScroll();
    go(m_visits.at(++m_current));
}

bool History::canGoBack() const
{
    return m_current > 0 || (m_current == 0 && m_onDisplay != current());
}

bool History::canGoForward() const
{
    return m_current + 1 < m_visits.size();
}

QStringList History::words() const
{
    QStringList words;
    words.reserve(m_visits.size());
    for (const Visit &visit : m_visits)
        words << visit.word;
    return words;
}

bool History::add(const Visit &visit)
{
    sendKept();
    if (visit.word.isEmpty() || visit == current())
        return false;
    // The word on display picked from the list as well (or typed after its
    // pick) is one visit, kept as it was reached last.
    if (m_current >= 0 && visit.word == current().word) {
        m_visits[m_current] = visit;
        return false;
    }
    m_visits.erase(m_visits.begin() + (m_current + 1), m_visits.end());
    m_visits.append(visit);
    if (m_visits.size() > capacity)
        m_visits.removeFirst();
    m_current = int(m_visits.size()) - 1;
    return true;
}

void History::sendKept()
{
    if (keptTimer.isActive()) {
        keptTimer.stop();
        keepCurrent();
    }
}

void History::keepCurrent()
{
    if (m_current >= 0)
        emit kept(current());
}

void History::go(const Visit &visit)
{
    m_restore = {visit, false};
    // The window compares with the page on display, which is then this.
    emit goTo(visit);
    m_onDisplay = visit;
    announce();
}

void History::keepScroll()
{
    if (m_bar && m_current >= 0 && m_onDisplay == current())
        m_visits[m_current].scroll = m_bar->value();
}

void History::restoreScroll()
{
    if (!m_bar || !m_restore.arrived || m_bar->maximum() < m_restore.visit.scroll)
        return;
    m_bar->setValue(m_restore.visit.scroll);
    m_restore = {};
}

void History::announce()
{
    emit canGoBackChanged(canGoBack());
    emit canGoForwardChanged(canGoForward());
}
