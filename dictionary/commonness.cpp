#include "dictionary/commonness.h"

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

CommonnessCounter::CommonnessCounter(const QStringList &keys) : m_keys(keys)
{
    m_lines.push_back(0); // the root
    m_lastLine.push_back(-1);
    m_keyNode.reserve(keys.size());
    for (const QString &key : keys) {
        const QStringList keyWords = words(key);
        if (keyWords.isEmpty()) {
            m_keyNode << -1;
            continue;
        }
        int node = 0;
        for (const QString &word : keyWords) {
            int id = wordId(word);
            if (id < 0) {
                id = int(m_wordIds.size());
                m_wordIds.insert(word, id);
            }
            int next = child(node, id);
            if (next < 0) {
                next = int(m_lines.size());
                m_children.insert((quint64(quint32(node)) << 32) | quint32(id), next);
                m_lines.push_back(0);
                m_lastLine.push_back(-1);
            }
            node = next;
        }
        m_keyNode << node;
    }
}

void CommonnessCounter::markCommon(const QString &key)
{
    m_marked.insert(key, true);
}

void CommonnessCounter::countText(QStringView text)
{
    // The text's words as the keys' words' ids; -1 for a word no key has,
    // which no sequence of a key's words crosses.
    std::vector<int> ids;
    forEachWord(text, [&](QStringView word) {
        // Most words of a text are already upper-case or not a key's.
        ids.push_back(wordId(word.toString().toUpper()));
    });
    for (size_t start = 0; start < ids.size(); ++start) {
        int node = 0;
        for (size_t i = start; i < ids.size() && ids[i] >= 0; ++i) {
            node = child(node, ids[i]);
            if (node < 0)
                break;
            if (m_lastLine[size_t(node)] != m_line) {
                m_lastLine[size_t(node)] = m_line;
                ++m_lines[size_t(node)];
            }
        }
    }
    ++m_line;
}

std::vector<Records::Common> CommonnessCounter::counts() const
{
    std::vector<Records::Common> out;
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        const int node = m_keyNode.at(i);
        const qint64 lines = node < 0 ? 0 : m_lines[size_t(node)];
        const bool marked = m_marked.contains(m_keys.at(i));
        if (lines > 0 || marked)
            out.push_back({m_keys.at(i), {lines, marked}});
    }
    return out;
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
            size_t best = range.lo;
            for (size_t i = range.lo + 1; i < range.hi; ++i) {
                if (counts[i].commonness.beats(counts[best].commonness))
                    best = i;
            }
            const QList<uint> &first = codes[range.lo];
            out.push_back({QString::fromUcs4(reinterpret_cast<const char32_t *>(first.constData()),
                                             range.depth),
                           counts[best].key, counts[best].commonness});
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
