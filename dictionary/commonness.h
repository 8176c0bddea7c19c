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
    // One entry line's translation text; every text before any key. Only
    // the words are kept, as numbers.
    void countText(QStringView text);
    // Each of the dictionary's entry keys (upper-cased entry words), in key
    // order, after the texts. A key with a word no text has counts 0 at
    // once and takes no room.
    void addKey(QStringView key);
    // A key the dictionary itself marks as common (EDICT's "(P)"), before
    // the keys are added: it comes before the keys of equal commonness
    // without the mark.
    void markCommon(const QString &key);

    // The keys counted in some line or marked, in the order given.
    std::vector<Records::Common> counts();

    // The words of `text`, upper-cased.
    static QStringList words(QStringView text);

private:
    // Open addressing, a power of two slots at most half full: the texts'
    // words, stored once in m_chars, and the tree's edges.
    int wordId(QStringView word) const;
    int addWord(QStringView word);
    void placeWord(int id, size_t hash);
    int child(int node, int word) const;
    int addChild(int node, int word);

    QString m_chars;                                      // the words, one after the other
    std::vector<std::pair<qsizetype, qsizetype>> m_words; // each word's place in m_chars
    std::vector<quint64> m_wordSlots;                     // see wordId()
    std::vector<int> m_texts;                             // the texts' words, each text ended by -1
    QStringList m_keys;                                   // those with words every text may have
    std::vector<int> m_keyNode;
    std::vector<quint64> m_edgeKeys; // (node + 1, word), 0 for none
    std::vector<int> m_edgeNodes;
    size_t m_edges = 0;
    std::vector<quint32> m_lines;   // per node
    std::vector<qint32> m_lastLine; // per node: the text that counted last
    QHash<QString, bool> m_marked;
    QString m_upper; // a text word upper-cased
};

// The commonest key of each prefix that more than Records::prefixSpread
// counted keys share. A prefix not listed is shared by at most that many,
// which a look-up reads and compares on the spot.
namespace PrefixBest {
// `counts` in key order.
std::vector<Records::PrefixCommon> of(const std::vector<Records::Common> &counts);
} // namespace PrefixBest
