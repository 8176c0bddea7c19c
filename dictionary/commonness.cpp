#include "dictionary/commonness.h"

#include <algorithm>
#include <cstring>

namespace {

// Letters of Japanese script (kanji, kana, the long vowel mark, half-width
// katakana) are not letters of a word here.
bool isJapanese(char32_t c)
{
    if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF66 && c <= 0xFF9F))
        return true;
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Han || script == QChar::Script_Hiragana ||
           script == QChar::Script_Katakana;
}

bool isWordCharacter(char32_t c)
{
    if (c == u'\'' || c == 0x2019)
        return true;
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    // Kana and the common kanji, most of a Japanese text, without a look
    // into the character tables.
    if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF))
        return false;
    return (QChar::isLetter(c) || QChar::isDigit(c)) && !isJapanese(c);
}

// Calls `each` with every word of `text` as it stands there.
template <typename Each> void forEachWord(QStringView text, Each each)
{
    qsizetype start = -1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype at = i;
        char32_t c = text.at(i++).unicode();
        if (QChar::isHighSurrogate(c) && i < n && text.at(i).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text.at(i++).unicode());
        if (isWordCharacter(c)) {
            if (start < 0)
                start = at;
        } else if (start >= 0) {
            each(text.sliced(start, at - start));
            start = -1;
        }
    }
    if (start >= 0)
        each(text.sliced(start));
}

} // namespace

QStringList CommonnessCounter::words(QStringView text)
{
    QStringList out;
    forEachWord(text, [&out](QStringView word) { out << word.toString().toUpper(); });
    return out;
}

namespace {

size_t slotOf(size_t hash, size_t room)
{
    return hash & (room - 1);
}

// FNV-1a over the UTF-16 units, mixed at the end: far cheaper than qHash
// on the short words counted here, and spread well enough.
size_t wordHash(QStringView word)
{
    quint64 h = 0xcbf29ce484222325ULL;
    for (const QChar c : word)
        h = (h ^ c.unicode()) * 0x100000001b3ULL;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 32;
    return size_t(h);
}

size_t edgeHash(quint64 key)
{
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return size_t(key);
}

} // namespace

// A word's slot holds its hash's high half (never 0: 0 is an empty slot)
// and where the word lies in m_chars, so that a probe reads no other word
// and a hit reads only its own letters.
int CommonnessCounter::wordId(QStringView word) const
{
    if (m_wordSlots.empty())
        return -1;
    const size_t hash = wordHash(word);
    const quint32 tag = quint32(hash >> 32) | 1;
    const size_t room = m_wordSlots.size();
    for (size_t slot = slotOf(hash, room);; slot = slotOf(slot + 1, room)) {
        const WordSlot &entry = m_wordSlots[slot];
        if (entry.tag == 0)
            return -1;
        if (entry.tag == tag && entry.length == quint32(word.size()) &&
            std::memcmp(m_chars.constData() + entry.start, word.data(), size_t(entry.length) * 2) ==
                0)
            return entry.id;
    }
}

void CommonnessCounter::placeWord(const WordSlot &word, size_t hash)
{
    size_t slot = slotOf(hash, m_wordSlots.size());
    while (m_wordSlots[slot].tag != 0)
        slot = slotOf(slot + 1, m_wordSlots.size());
    m_wordSlots[slot] = word;
}

int CommonnessCounter::addWord(QStringView word)
{
    if (const int id = wordId(word); id >= 0)
        return id;
    if (2 * (m_wordCount + 1) > m_wordSlots.size()) {
        std::vector<WordSlot> old(std::max<size_t>(1024, m_wordSlots.size() * 2));
        old.swap(m_wordSlots);
        for (const WordSlot &entry : old) {
            if (entry.tag != 0)
                placeWord(entry, wordHash(QStringView(m_chars).sliced(entry.start, entry.length)));
        }
    }
    const size_t hash = wordHash(word);
    const int id = int(m_wordCount++);
    placeWord({quint32(hash >> 32) | 1, id, quint32(m_chars.size()), quint32(word.size())}, hash);
    m_chars += word;
    return id;
}

int CommonnessCounter::newNode()
{
    m_lines.push_back(0);
    return int(m_lines.size()) - 1;
}

int CommonnessCounter::child(int node, int word) const
{
    if (m_edgeKeys.empty())
        return -1;
    const quint64 key = (quint64(quint32(node) + 1) << 32) | quint32(word);
    for (size_t slot = slotOf(edgeHash(key), m_edgeKeys.size());;
         slot = slotOf(slot + 1, m_edgeKeys.size())) {
        if (m_edgeKeys[slot] == key)
            return m_edgeNodes[slot];
        if (m_edgeKeys[slot] == 0)
            return -1;
    }
}

int CommonnessCounter::addChild(int node, int word)
{
    if (2 * (m_edges + 1) > m_edgeKeys.size()) {
        std::vector<quint64> keys(std::max<size_t>(1024, m_edgeKeys.size() * 2), 0);
        std::vector<int> nodes(keys.size(), -1);
        for (size_t i = 0; i < m_edgeKeys.size(); ++i) {
            if (m_edgeKeys[i] == 0)
                continue;
            size_t slot = slotOf(edgeHash(m_edgeKeys[i]), keys.size());
            while (keys[slot] != 0)
                slot = slotOf(slot + 1, keys.size());
            keys[slot] = m_edgeKeys[i];
            nodes[slot] = m_edgeNodes[i];
        }
        m_edgeKeys.swap(keys);
        m_edgeNodes.swap(nodes);
    }
    const quint64 key = (quint64(quint32(node) + 1) << 32) | quint32(word);
    size_t slot = slotOf(edgeHash(key), m_edgeKeys.size());
    while (m_edgeKeys[slot] != 0)
        slot = slotOf(slot + 1, m_edgeKeys.size());
    const int next = newNode();
    m_edgeKeys[slot] = key;
    m_edgeNodes[slot] = next;
    ++m_edges;
    return next;
}

void CommonnessCounter::addKey(QStringView key)
{
    int node = -1;
    forEachWord(key, [&](QStringView word) {
        const int id = addWord(word);
        if (node < 0) {
            if (size_t(id) >= m_wordNode.size())
                m_wordNode.resize(size_t(id) + 1, -1);
            if (m_wordNode[size_t(id)] < 0)
                m_wordNode[size_t(id)] = newNode();
            node = m_wordNode[size_t(id)];
            return;
        }
        const int next = child(node, id);
        node = next >= 0 ? next : addChild(node, id);
    });
    m_keyNode.push_back(node);
}

void CommonnessCounter::countText(QStringView text)
{
    // A word no key has ends every run of the keys' words through it.
    m_textWords.clear();
    forEachWord(text, [&](QStringView word) {
        bool ascii = true;
        for (const QChar c : word)
            ascii = ascii && c.unicode() < 0x80;
        if (!ascii) {
            m_textWords.push_back(wordId(word.toString().toUpper()));
            return;
        }
        m_upper.resize(word.size());
        QChar *out = m_upper.data();
        for (qsizetype i = 0; i < word.size(); ++i) {
            const char16_t c = word[i].unicode();
            out[i] = QChar(c >= u'a' && c <= u'z' ? char16_t(c - 32) : c);
        }
        m_textWords.push_back(wordId(m_upper));
    });
    // Through the tree from each of the text's words: a node counts a text
    // once, however often the text holds its words.
    m_reached.clear();
    const size_t n = m_textWords.size();
    for (size_t start = 0; start < n; ++start) {
        const int first = m_textWords[start];
        if (first < 0 || size_t(first) >= m_wordNode.size())
            continue;
        int node = m_wordNode[size_t(first)];
        for (size_t i = start + 1; node >= 0; ++i) {
            m_reached.push_back(node);
            if (i == n || m_textWords[i] < 0 || m_edges == 0)
                break;
            node = child(node, m_textWords[i]);
        }
    }
    std::sort(m_reached.begin(), m_reached.end());
    m_reached.erase(std::unique(m_reached.begin(), m_reached.end()), m_reached.end());
    for (const int reached : m_reached)
        ++m_lines[size_t(reached)];
}

void CommonnessCounter::markCommon(const QString &key)
{
    m_marked.insert(key, true);
}

void CommonnessCounter::finishTexts()
{
    const auto release = [](auto &v) { std::decay_t<decltype(v)>().swap(v); };
    m_chars = QString();
    m_wordCount = 0;
    release(m_wordSlots);
    release(m_wordNode);
    release(m_edgeKeys);
    release(m_edgeNodes);
    release(m_reached);
    release(m_textWords);
    m_edges = 0;
}

Records::Commonness CommonnessCounter::commonness(qsizetype index) const
{
    const int node = m_keyNode[size_t(index)];
    return {node < 0 ? 0 : qint64(m_lines[size_t(node)]), false};
}

std::vector<Records::PrefixCommon> PrefixBest::of(const std::vector<Records::Common> &counts)
{
    std::vector<QList<uint>> codes;
    codes.reserve(counts.size());
    for (const Records::Common &count : counts)
        codes.push_back(count.key.toUcs4());
    std::vector<Records::PrefixCommon> out;
    // Ranges of keys sharing their first `depth` code points, widest first.
    struct Range
    {
        size_t lo, hi;
        qsizetype depth;
    };
    std::vector<Range> stack{{0, counts.size(), 0}};
    while (!stack.empty()) {
        const Range range = stack.back();
        stack.pop_back();
        if (range.hi - range.lo <= size_t(Records::prefixSpread))
            continue;
        if (range.depth > 0) {
            // The kept keys, commonest first; of equal ones the first in
            // key order, which is the order they come in.
            std::vector<size_t> kept;
            for (size_t i = range.lo; i < range.hi; ++i) {
                if (kept.size() == size_t(Records::prefixKept) &&
                    !counts[i].commonness.beats(counts[kept.back()].commonness))
                    continue;
                auto at = kept.end();
                while (at != kept.begin() &&
                       counts[i].commonness.beats(counts[*(at - 1)].commonness))
                    --at;
                kept.insert(at, i);
                if (kept.size() > size_t(Records::prefixKept))
                    kept.pop_back();
            }
            const QList<uint> &first = codes[range.lo];
            Records::PrefixCommon prefix{
                QString::fromUcs4(reinterpret_cast<const char32_t *>(first.constData()),
                                  range.depth),
                {}};
            for (const size_t i : kept)
                prefix.ranked.append(counts[i]);
            out.push_back(std::move(prefix));
        }
        // The key that is the prefix itself comes first; then the keys of
        // each next code point.
        size_t i = range.lo;
        while (i < range.hi && codes[i].size() == range.depth)
            ++i;
        while (i < range.hi) {
            const uint c = codes[i].at(range.depth);
            size_t j = i + 1;
            while (j < range.hi && codes[j].at(range.depth) == c)
                ++j;
            stack.push_back({i, j, range.depth + 1});
            i = j;
        }
    }
    return out;
}
