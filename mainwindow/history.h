#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The pages looked at in this run, for Back and Forward, as a browser keeps
// the pages visited. Going back and forward moves through the list without
// changing it; a page that enters while the user stands further back drops
// the pages ahead, as a browser does.
//
// The page on display need not be in the list (it enters only when the
// user settles on it), so Back is measured from it: from a page not yet in
// the list, Back leads to the list's current page.
class History
{
public:
    // The oldest pages go beyond this many.
    static constexpr int capacity = 100;

    // A page: a typed word's, or an entry's picked from the word list. A
    // phrase has no typed word's page, so an entry is shown again from its
    // key.
    struct Visit
    {
        QString word;  // as the search field shows it
        QString entry; // the picked entry's key; empty for a typed word

        bool operator==(const Visit &other) const
        {
            return word == other.word && entry == other.entry;
        }
        bool operator!=(const Visit &other) const { return !(*this == other); }
    };

    // `visit` enters after the current page, unless it is the current page.
    void add(const Visit &visit);
    void add(const QString &word) { add(Visit{word, QString()}); }

    bool canGoBack(const Visit &shown) const;
    bool canGoForward() const;
    // The page to show next; the current page moves to it. An empty word
    // when there is nowhere to go.
    Visit goBack(const Visit &shown);
    Visit goForward();

    // The words of the pages, oldest first.
    QStringList words() const;
    const QList<Visit> &visits() const { return m_visits; }
    Visit current() const { return m_current < 0 ? Visit() : m_visits.at(m_current); }

private:
    QList<Visit> m_visits;
    // Index of the current page; -1 while the list is empty.
    int m_current = -1;
};
