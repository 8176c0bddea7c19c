#include "mainwindow/history.h"

void History::add(const QString &word)
{
    if (word.isEmpty() || word == current())
        return;
    m_words.erase(m_words.begin() + (m_current + 1), m_words.end());
    m_words.append(word);
    if (m_words.size() > capacity)
        m_words.removeFirst();
    m_current = int(m_words.size()) - 1;
}

bool History::canGoBack(const QString &shown) const
{
    return m_current > 0 || (m_current == 0 && shown != current());
}

bool History::canGoForward() const
{
    return m_current + 1 < m_words.size();
}

QString History::goBack(const QString &shown)
{
    if (!canGoBack(shown))
        return QString();
    if (shown == current())
        --m_current;
    return current();
}

QString History::goForward()
{
    if (!canGoForward())
        return QString();
    return m_words.at(++m_current);
}
