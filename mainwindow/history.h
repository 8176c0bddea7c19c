#pragma once

#include <QString>
#include <QStringList>

// The words looked up in this run, for Back and Forward, as a browser keeps
// the pages visited. Going back and forward moves through the list without
// changing it; a word that enters while the user stands further back drops
// the words ahead, as a browser does.
//
// The word on display need not be in the list (it enters only when the
// user settles on it), so Back is measured from it: from a word not yet in
// the list, Back leads to the list's current word.
class History
{
public:
    // The oldest words go beyond this many.
    static constexpr int capacity = 100;

    // `word` enters after the current word, unless it is the current word.
    void add(const QString &word);

    bool canGoBack(const QString &shown) const;
    bool canGoForward() const;
    // The word to show next; the current word moves to it. Empty when there
    // is nowhere to go.
    QString goBack(const QString &shown);
    QString goForward();

    QStringList words() const { return m_words; }
    QString current() const { return m_current < 0 ? QString() : m_words.at(m_current); }

private:
    QStringList m_words;
    // Index of the current word; -1 while the list is empty.
    int m_current = -1;
};
