#include "mainwindow/history.h"

History::History(QObject *parent) : QObject(parent)
{
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(settleTime);
    connect(&settleTimer, &QTimer::timeout, this, &History::settle);
}

void History::typed(const Visit &visit)
{
    settleTimer.stop();
    found = false;
    m_onDisplay = visit;
    announce();
}

void History::pageAsked()
{
    found = false;
}

void History::pageArrived(bool foundPage)
{
    found = foundPage;
    if (found)
        settleTimer.start();
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
    // A word picked from a list is on display while the field keeps what
    // was typed.
    m_onDisplay = visit;
    add(visit);
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
    if (m_onDisplay == current())
        --m_current;
    go(current());
}

void History::forward()
{
    if (canGoForward())
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

void History::add(const Visit &visit)
{
    if (visit.word.isEmpty() || visit == current())
        return;
    // The word on display picked from the list as well (or typed after its
    // pick) is one visit, kept as it was reached last.
    if (m_current >= 0 && visit.word == current().word) {
        m_visits[m_current] = visit;
        return;
    }
    m_visits.erase(m_visits.begin() + (m_current + 1), m_visits.end());
    m_visits.append(visit);
    if (m_visits.size() > capacity)
        m_visits.removeFirst();
    m_current = int(m_visits.size()) - 1;
}

void History::go(const Visit &visit)
{
    // The window compares with the page on display, which is then this.
    emit goTo(visit);
    m_onDisplay = visit;
    announce();
}

void History::announce()
{
    emit canGoBackChanged(canGoBack());
    emit canGoForwardChanged(canGoForward());
}
