#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class IndexReader;

// The installed dictionary's single-word keys, held in memory for the
// suggestions under a not-found page and for the keys typed another way:
// the keys closest to a typed text are found by walking them as a tree of
// prefixes, never by comparing the text with every key, and those that
// fold alike (Fold) through a list of the keys folding changes, sorted by
// their folded form. Read from the index once and shared by every look-up
// while the index stays the same; one dictionary's keys are a few MB
// (2.5 million generated lines: 283,000 keys, 4.4 MB).
class WordKeys
{
public:
    // Suggestions are given for a key of this many code points or more,
    // those at distance 2 for one of twoEditsFrom or more.
    static constexpr int shortest = 4;
    static constexpr int twoEditsFrom = 7;
    static constexpr int most = 5;
    // Closest keys ranked by how common they are, for the `most` shown.
    static constexpr int ranked = 256;

    // The keys `reader` reads, or those read before while the index was in
    // `state` (IndexReader::wordsState and what else tells indexes apart).
    // Null when reading failed.
    static std::shared_ptr<const WordKeys> shared(IndexReader &reader, const QString &state);
    // Keys in code point order, each once (for tests and tools).
    static std::shared_ptr<const WordKeys> fromSorted(const QStringList &keys);

    // Up to `limit` keys in key order at the smallest optimal string
    // alignment distance (insert, delete, replace, swap of neighbours, on
    // code points) from `key`: 1, or else 2, as the thresholds above allow.
    // Bounded for any `key`: the walk goes no deeper than the longest key.
    QStringList closest(const QString &key, int limit = most) const;

    // The keys, in key order, that fold to what `text` folds to (`text`'s
    // own key among them when it is one). A binary search: no key is
    // compared with the text but those it passes.
    QStringList foldingAlike(const QString &text) const;

    qsizetype size() const { return qsizetype(m_starts.size()) - 1; }
    // Bytes the list of keys that folding changes takes.
    qsizetype foldedBytes() const { return qsizetype(m_folded.capacity() * sizeof(quint32)); }

private:
    WordKeys() = default;
    void append(QByteArrayView key);
    // Lists the keys that folding changes, once all are read.
    void indexFolds();
    QString foldedKey(quint32 index) const;
    QByteArrayView key(qsizetype index) const
    {
        return QByteArrayView(m_bytes).sliced(m_starts[size_t(index)], m_starts[size_t(index) + 1] -
                                                                           m_starts[size_t(index)]);
    }
    friend class KeyWalk;

    QByteArray m_bytes;                 // the keys' UTF-8, one after the other
    std::vector<qsizetype> m_starts{0}; // where each key starts, and the end
    qsizetype m_longest = 0;            // code points of the longest key
    // The keys that folding changes, in the order of their folded forms,
    // then of the keys.
    std::vector<quint32> m_folded;
};
