#include "mainwindow/history.h"

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

bool History::canGoBack(const Visit &shown) const
{
    return m_current > 0 || (m_current == 0 && shown != current());
}

bool History::canGoForward() const
{
    return m_current + 1 < m_visits.size();
}

History::Visit History::goBack(const Visit &shown)
{
    if (!canGoBack(shown))
        return Visit();
    if (shown == current())
        --m_current;
    return current();
}

History::Visit History::goForward()
{
    if (!canGoForward())
        return Visit();
    return m_visits.at(++m_current);
}

QStringList History::words() const
{
    QStringList words;
    words.reserve(m_visits.size());
    for (const Visit &visit : m_visits)
        words << visit.word;
    return words;
}
