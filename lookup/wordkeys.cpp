#include "lookup/wordkeys.h"

#include "database/indexreader.h"
#include "lookup/fold.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

// Beyond any distance looked for.
constexpr int far = 1 << 20;

// The code point that starts at `at` in `bytes` (valid UTF-8, as the index
// holds it) and its length in bytes.
char32_t decode(QByteArrayView bytes, qsizetype at, qsizetype *length)
{
    const auto lead = uchar(bytes.at(at));
    qsizetype n = lead < 0x80         ? 1
                  : (lead >> 5) == 6  ? 2
                  : (lead >> 4) == 14 ? 3
                  : (lead >> 3) == 30 ? 4
                                      : 1;
    n = std::min(n, bytes.size() - at);
    char32_t c = n == 1 ? lead : lead & (0x7f >> n);
    for (qsizetype i = 1; i < n; ++i)
        c = (c << 6) | (uchar(bytes.at(at + i)) & 0x3f);
    *length = n;
    return c;
}

qsizetype codePoints(QByteArrayView utf8)
{
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char c) { return (uchar(c) & 0xc0) != 0x80; });
}

} // namespace

// A depth-first walk of the keys as a tree of prefixes, in key order. Each
// prefix carries the band of its distances to the typed key's prefixes that
// can still be small enough (Ukkonen's band: a distance of at most D needs
// lengths within D of each other), one row of the optimal string alignment
// table; a prefix whose band holds nothing within D has no key within D
// below it, and is skipped with all the keys that start with it. The
// prefixes' keys are ranges of the sorted list, so a prefix's children are
// found by searching the range, not by trying characters.
class KeyWalk
{
public:
    KeyWalk(const WordKeys &keys, const QList<uint> &typed, int distance, int limit)
        : m_keys(keys), m_typed(typed), m_distance(distance), m_width(2 * distance + 1),
          m_limit(limit)
    {
    }

    // The first keys (at most the walk's limit) at exactly the walk's
    // distance, or with `orLess` at 1 up to it, in key order.
    QList<qsizetype> run(bool orLess)
    {
        QList<qsizetype> found;
        std::vector<Frame> path;
        Frame root{0, m_keys.size(), 0, 0, 0, 0, {}};
        for (int k = 0; k < m_width; ++k) {
            const qsizetype j = k - m_distance;
            root.row[size_t(k)] = j < 0 || j > m_typed.size() ? far : int(j);
        }
        root.next = skipPrefixKey(root);
        path.push_back(root);
        while (!path.empty() && found.size() < m_limit) {
            Frame &frame = path.back();
            if (frame.next >= frame.hi) {
                path.pop_back();
                continue;
            }
            Frame child = childAt(path, frame.next);
            frame.next = child.hi;
            if (!within(child))
                continue;
            if (m_keys.key(child.lo).size() == child.bytes) {
                const int distance = distanceOf(child);
                if (distance > 0 && (distance == m_distance || (orLess && distance < m_distance)))
                    found.append(child.lo);
            }
            child.next = skipPrefixKey(child);
            path.push_back(child);
        }
        return found;
    }

private:
    struct Frame
    {
        qsizetype lo, hi; // the keys that start with the prefix
        qsizetype next;   // where the keys of the next child begin
        qsizetype bytes;  // the prefix's length in bytes
        qsizetype depth;  // and in code points
        char32_t last;    // its last code point
        // Distances from the prefix to the typed key's first j code points,
        // j = depth - distance + k.
        std::array<int, 5> row;
    };

    // Past the key that is the prefix itself, which comes first.
    qsizetype skipPrefixKey(const Frame &frame) const
    {
        return frame.lo < frame.hi && m_keys.key(frame.lo).size() == frame.bytes ? frame.lo + 1
                                                                                 : frame.lo;
    }

    // The child of the path's last prefix whose keys begin at `first`.
    Frame childAt(const std::vector<Frame> &path, qsizetype first) const
    {
        const Frame &parent = path.back();
        const QByteArrayView key = m_keys.key(first);
        qsizetype length = 0;
        const char32_t c = decode(key, parent.bytes, &length);
        Frame child{first, 0, first, parent.bytes + length, parent.depth + 1, c, {}};
        child.hi = childEnd(parent, key.sliced(parent.bytes, length), first);

        const Frame *grand = path.size() >= 2 ? &path[path.size() - 2] : nullptr;
        const qsizetype n = m_typed.size();
        for (int k = 0; k < m_width; ++k) {
            const qsizetype j = child.depth - m_distance + k;
            int &cell = child.row[size_t(k)];
            if (j < 0 || j > n) {
                cell = far;
                continue;
            }
            if (j == 0) {
                cell = int(child.depth);
                continue;
            }
            int best = parent.row[size_t(k)] + (m_typed.at(j - 1) == c ? 0 : 1);
            if (k + 1 < m_width)
                best = std::min(best, parent.row[size_t(k) + 1] + 1);
            if (k >= 1)
                best = std::min(best, child.row[size_t(k) - 1] + 1);
            if (grand && j >= 2 && m_typed.at(j - 2) == c && m_typed.at(j - 1) == parent.last)
                best = std::min(best, grand->row[size_t(k)] + 1);
            cell = std::min(best, far);
        }
        return child;
    }

    // The end of the keys from `first` on whose code point after the
    // parent's prefix is `character`: galloping, then halving.
    qsizetype childEnd(const Frame &parent, QByteArrayView character, qsizetype first) const
    {
        const auto same = [&](qsizetype index) {
            const QByteArrayView key = m_keys.key(index);
            return key.size() >= parent.bytes + character.size() &&
                   std::memcmp(key.data() + parent.bytes, character.data(),
                               size_t(character.size())) == 0;
        };
        qsizetype inside = first; // known to be the same
        qsizetype step = 1;
        while (inside + step < parent.hi && same(inside + step)) {
            inside += step;
            step *= 2;
        }
        qsizetype outside = std::min(inside + step, parent.hi);
        while (outside - inside > 1) {
            const qsizetype middle = inside + (outside - inside) / 2;
            (same(middle) ? inside : outside) = middle;
        }
        return outside;
    }

    bool within(const Frame &frame) const
    {
        return *std::min_element(frame.row.begin(), frame.row.begin() + m_width) <= m_distance;
    }

    int distanceOf(const Frame &frame) const
    {
        const qsizetype k = m_typed.size() - frame.depth + m_distance;
        return k >= 0 && k < m_width ? frame.row[size_t(k)] : far;
    }

    const WordKeys &m_keys;
    const QList<uint> &m_typed;
    const int m_distance;
    const int m_width;
    const int m_limit;
};

void WordKeys::append(QByteArrayView key)
{
    m_bytes.append(key);
    m_starts.push_back(m_bytes.size());
    m_longest = std::max(m_longest, codePoints(key));
}

std::shared_ptr<const WordKeys> WordKeys::shared(IndexReader &reader, const QString &state)
{
    static std::mutex mutex;
    static QString sharedState;
    static std::shared_ptr<const WordKeys> shared;
    const std::lock_guard<std::mutex> lock(mutex);
    if (shared && sharedState == state)
        return shared;
    // Only one dictionary's keys at a time: the old ones go first.
    shared.reset();
    std::shared_ptr<WordKeys> keys(new WordKeys);
    if (!reader.wordKeys([&keys](QByteArrayView key) {
            keys->append(key);
            return true;
        }))
        return nullptr;
    keys->m_bytes.squeeze();
    keys->m_starts.shrink_to_fit();
    keys->indexFolds();
    shared = keys;
    sharedState = state;
    return shared;
}

std::shared_ptr<const WordKeys> WordKeys::fromSorted(const QStringList &keys)
{
    std::shared_ptr<WordKeys> made(new WordKeys);
    for (const QString &key : keys)
        made->append(key.toUtf8());
    made->indexFolds();
    return made;
}

QString WordKeys::foldedKey(quint32 index) const
{
    return Fold::key(QString::fromUtf8(key(index)));
}

void WordKeys::indexFolds()
{
    // Folding leaves an ASCII key as it is: it is upper-cased already.
    std::vector<std::pair<QString, quint32>> changed;
    for (qsizetype i = 0; i < size(); ++i) {
        const QByteArrayView bytes = key(i);
        if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
            continue;
        const QString text = QString::fromUtf8(bytes);
        QString folded = Fold::key(text);
        if (folded != text)
            changed.emplace_back(std::move(folded), quint32(i));
    }
    std::sort(changed.begin(), changed.end());
    m_folded.clear();
    m_folded.reserve(changed.size());
    for (const auto &[folded, index] : changed)
        m_folded.push_back(index);
}

QStringList WordKeys::foldingAlike(const QString &text) const
{
    const QString folded = Fold::key(text);
    std::vector<quint32> found;
    // A key that folding leaves as it is folds alike only when it is the
    // folded text itself.
    const QByteArray utf8 = folded.toUtf8();
    qsizetype lo = 0, hi = size();
    while (lo < hi) {
        const qsizetype middle = lo + (hi - lo) / 2;
        if (key(middle).compare(utf8) < 0)
            lo = middle + 1;
        else
            hi = middle;
    }
    if (lo < size() && key(lo) == QByteArrayView(utf8))
        found.push_back(quint32(lo));
    const auto first =
        std::lower_bound(m_folded.begin(), m_folded.end(), folded,
                         [this](quint32 index, const QString &f) { return foldedKey(index) < f; });
    const auto last =
        std::upper_bound(first, m_folded.end(), folded,
                         [this](const QString &f, quint32 index) { return f < foldedKey(index); });
    found.insert(found.end(), first, last);
    std::sort(found.begin(), found.end());
    QStringList keys;
    for (const quint32 index : found)
        keys << QString::fromUtf8(key(index));
    return keys;
}

QStringList WordKeys::closest(const QString &key, int limit) const
{
    const QList<uint> typed = key.toUcs4();
    const qsizetype n = typed.size();
    QList<qsizetype> found;
    if (n >= shortest)
        found = KeyWalk(*this, typed, 1, limit).run(true);
    // A key within two edits is two code points longer at most.
    if (found.isEmpty() && n >= twoEditsFrom && n <= m_longest + 2)
        found = KeyWalk(*this, typed, 2, limit).run(false);
    QStringList keys;
    for (const qsizetype index : std::as_const(found))
        keys << QString::fromUtf8(this->key(index));
    return keys;
}
