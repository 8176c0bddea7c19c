#pragma once

#include "database/records.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// How common each entry word of a dictionary is: the number of its entry
// lines whose translation (the text after the entry word and its label)
// holds the key's words one after another. Words are the maximal runs of
// letters, digits and apostrophes, compared ignoring case; Japanese script
// is no letter here, so a Japanese key has no word and counts 0. A line
// counts once for a key however often it holds it.
//
// Keys sharing their words ("LOOK-UP", "LOOK UP") share their count. Each
// line is walked once through a tree of the keys' words, so counting costs
// about as much as splitting the text into words.
class CommonnessCounter
{
public:
    // `keys`: the dictionary's entry keys (upper-cased entry words).
    explicit CommonnessCounter(const QStringList &keys);

    // A key the dictionary itself marks as common (EDICT's "(P)"): it comes
    // before the keys of equal commonness without the mark.
    void markCommon(const QString &key);
    // One entry line's translation text.
    void countText(QStringView text);

    // The keys counted in some line or marked, in the order given.
    std::vector<Records::Common> counts() const;

    // The words of `text`, upper-cased.
    static QStringList words(QStringView text);

private:
    int wordId(const QString &word) const { return m_wordIds.value(word, -1); }
    int child(int node, int word) const
    {
        return m_children.value((quint64(quint32(node)) << 32) | quint32(word), -1);
    }

    QStringList m_keys;
    QList<int> m_keyNode; // each key's node, -1 for a key without words
    QHash<QString, int> m_wordIds;
    QHash<quint64, int> m_children; // (node, word) -> node
    std::vector<qint64> m_lines;    // per node
    std::vector<qint64> m_lastLine; // per node: the line that counted last
    QHash<QString, bool> m_marked;
    qint64 m_line = 0;
};

// The commonest key of each prefix that more than Records::prefixSpread
// counted keys share. A prefix not listed is shared by at most that many,
// which a look-up reads and compares on the spot.
namespace PrefixBest {
// `counts` in key order.
std::vector<Records::PrefixCommon> of(const std::vector<Records::Common> &counts);
} // namespace PrefixBest
