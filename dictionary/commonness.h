#pragma once

#include "database/records.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// How common each entry word is: the number of entry lines whose
// translation (the text after the entry word and its label) holds the
// key's words one after another. Words are the maximal runs of letters,
// digits and apostrophes, compared ignoring case; Japanese script is no
// letter here, so a Japanese key has no word and counts 0. A line counts
// once for a key however often it holds it.
//
// The keys come first and make a tree of their words; each line is then
// walked through the tree as it is read and dropped, so the memory is the
// keys' words and the tree, never the file's text. Keys sharing their
// words ("LOOK-UP", "LOOK UP") share their count.
class CommonnessCounter
{
public:
    // Each key (an upper-cased entry word), before any text. Keys are
    // numbered in the order given, from 0; a key may come twice.
    void addKey(QStringView key);
    // One entry line's translation text, after the keys.
    void countText(QStringView text);
    // A key the dictionary itself marks as common (EDICT's "(P)"): it comes
    // before the keys of equal commonness without the mark.
    void markCommon(const QString &key);

    // How many lines hold key number `index` (not whether it is marked).
    Records::Commonness commonness(qsizetype index) const;
    // After the last text: lets go of all but the counts.
    void finishTexts();
    // Whether a key was marked common; whether any was.
    bool isMarked(const QString &key) const { return m_marked.contains(key); }
    bool anyMarked() const { return !m_marked.isEmpty(); }
    qsizetype keys() const { return qsizetype(m_keyNode.size()); }

    // The words of `text`, upper-cased.
    static QStringList words(QStringView text);

private:
    // Open addressing, a power of two slots at most half full: the keys'
    // words, stored once in m_chars, and the tree's edges below its first
    // level (a key's first word is its node on the first level).
    int wordId(QStringView word) const;
    int addWord(QStringView word);
    struct WordSlot;
    void placeWord(const WordSlot &word, size_t hash);
    int child(int node, int word) const;
    int addChild(int node, int word);
    int newNode();

    QString m_chars; // the words, one after the other
    struct WordSlot
    {
        quint32 tag = 0; // 0: empty
        qint32 id = -1;
        quint32 start = 0, length = 0; // in m_chars
    };
    std::vector<WordSlot> m_wordSlots; // see wordId()
    size_t m_wordCount = 0;
    std::vector<int> m_wordNode;     // per word: its first-level node, or -1
    std::vector<int> m_keyNode;      // per key: its node, or -1
    std::vector<quint64> m_edgeKeys; // (node + 1, word), 0 for none
    std::vector<int> m_edgeNodes;
    size_t m_edges = 0;
    std::vector<quint32> m_lines; // per node
    std::vector<int> m_reached;   // the nodes the text being counted reaches
    std::vector<int> m_textWords; // the words of the text being counted
    QHash<QString, bool> m_marked;
    QString m_upper; // a text word upper-cased
};

// The Records::prefixKept commonest keys of each prefix that more than
// Records::prefixSpread counted keys share. A prefix not listed is shared
// by at most that many, which a look-up reads and compares on the spot.
namespace PrefixBest {
// `counts` in key order.
std::vector<Records::PrefixCommon> of(const std::vector<Records::Common> &counts);
} // namespace PrefixBest
