#include "lookup/entrymatch.h"

#include "dictionary/format.h"

#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// Bytes of the longest pattern: more would rarely tell lines apart better.
constexpr std::size_t longestPattern = 32;
} // namespace

void EntryMatch::ByteSet::add(quint8 byte)
{
    if (has(byte))
        return;
    bits[byte >> 6] |= quint64(1) << (byte & 63);
    if (size < int(some.size()))
        some[std::size_t(size)] = char(byte);
    ++size;
}

EntryMatch::EntryMatch(const QString &text, const LineEncoding::Forms &forms, QByteArrayView sample)
    : m_text(text), m_forms(forms), m_marker(forms.exactly(Eijiro::marker.unicode()))
{
    const QList<QByteArray> colon = forms.exactly(u':');
    if (colon.size() == 1 && colon.front().size() == 1 && !forms.mayLead(quint8(colon.front()[0])))
        m_colon = quint8(colon.front()[0]);
    m_folded.reserve(text.size());
    for (const QChar c : text)
        m_folded.append(QChar(LineEncoding::Forms::fold(c.unicode())));
    if (text.isEmpty())
        return;
    // Without the encoding's forms nothing can be told from the bytes.
    m_plan = Plan::EveryLine;
    if (m_marker.isEmpty())
        return;

    std::vector<Stretch> stretches;
    Stretch stretch;
    const auto close = [&](qsizetype next) {
        if (!stretch.pattern.empty())
            stretches.push_back(std::move(stretch));
        stretch.pattern.clear();
        stretch.start = next;
    };
    for (qsizetype unit = 0; unit < text.size(); ++unit) {
        const char16_t c = text.at(unit).unicode();
        // A stand-in for unreadable bytes is at least one byte, any byte.
        if (forms.unfixed(c)) {
            m_fewestBytes += 1;
            close(unit + 1);
            continue;
        }
        const QList<QByteArray> sequences = forms.folding(c);
        // No byte sequence decodes to a unit that matches this one.
        if (sequences.isEmpty()) {
            m_plan = Plan::Nothing;
            return;
        }
        qsizetype shortest = std::numeric_limits<qsizetype>::max();
        bool fixed = true;
        for (const QByteArray &sequence : sequences) {
            shortest = qMin(shortest, sequence.size());
            fixed = fixed && sequence.size() == sequences.front().size();
        }
        m_fewestBytes += shortest;
        if (!fixed || stretch.pattern.size() + std::size_t(shortest) > longestPattern)
            close(fixed ? unit : unit + 1);
        if (!fixed)
            continue;
        const std::size_t at = stretch.pattern.size();
        stretch.pattern.resize(at + std::size_t(shortest));
        for (const QByteArray &sequence : sequences) {
            for (qsizetype i = 0; i < sequence.size(); ++i)
                stretch.pattern[at + std::size_t(i)].add(quint8(sequence[i]));
        }
    }
    close(text.size());
    choosePattern(stretches, sample);
    const auto compared = [](const ByteSet &set) { return set.size <= int(set.some.size()); };
    m_exactPlaces = m_plan == Plan::Bytes && m_pattern.size() <= 2 && m_first == 0 &&
                    m_second == int(m_pattern.size()) - 1 && compared(m_pattern.front()) &&
                    compared(m_pattern.back());
    if (m_plan != Plan::Bytes)
        return;
    for (std::size_t k = 0; k < 4; ++k) {
        const ByteSet &first = m_pattern[std::size_t(m_first)];
        const ByteSet &second = m_pattern[std::size_t(m_second)];
        m_splats[k].fill(first.some[std::min<std::size_t>(k, std::size_t(first.size - 1))]);
        m_splats[k + 4].fill(second.some[std::min<std::size_t>(k, std::size_t(second.size - 1))]);
    }
}

void EntryMatch::choosePattern(const std::vector<Stretch> &stretches, QByteArrayView sample)
{
    std::array<double, 256> count;
    count.fill(1);
    for (const char byte : sample)
        ++count[quint8(byte)];
    const double all = double(sample.size()) + 256;
    const auto weight = [&count](const ByteSet &set) {
        if (set.size > int(ByteSet().some.size()))
            return std::numeric_limits<double>::infinity();
        double sum = 0;
        for (int b = 0; b < 256; ++b)
            sum += set.has(quint8(b)) ? count[std::size_t(b)] : 0;
        return sum;
    };

    // How often, in the sample, two places of a pattern would match at
    // once; one place alone counts as if the other matched anything. The
    // text's first stretch wins a tie: its lines can be read from the bytes.
    double best = std::numeric_limits<double>::infinity();
    for (const Stretch &stretch : stretches) {
        const std::vector<ByteSet> &pattern = stretch.pattern;
        const int n = int(pattern.size());
        std::vector<double> weights(pattern.size());
        for (int i = 0; i < n; ++i)
            weights[std::size_t(i)] = weight(pattern[std::size_t(i)]);
        for (int i = 0; i < n; ++i) {
            for (int j = i; j < n; ++j) {
                const double both =
                    weights[std::size_t(i)] * (i == j ? all : weights[std::size_t(j)]);
                if (both < best) {
                    best = both;
                    m_pattern = pattern;
                    m_patternStart = stretch.start;
                    m_first = i;
                    m_second = j;
                    m_plan = Plan::Bytes;
                }
            }
        }
    }
}

bool EntryMatch::wholeAt(const char *at) const
{
    for (std::size_t i = 0; i < m_pattern.size(); ++i) {
        if (!m_pattern[i].has(quint8(at[i])))
            return false;
    }
    return true;
}

const char *EntryMatch::find(const char *from, const char *end) const
{
    const qsizetype span = qsizetype(m_pattern.size());
    if (end - from < span)
        return end;
    const char *const last = end - span;
    const char *p = from;
#ifdef __SSE2__
    const auto anyOf = [](__m128i v, const std::array<char, 16> *bytes) {
        const auto eq = [v](const std::array<char, 16> &b) {
            return _mm_cmpeq_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i *>(b.data())));
        };
        return _mm_or_si128(_mm_or_si128(eq(bytes[0]), eq(bytes[1])),
                            _mm_or_si128(eq(bytes[2]), eq(bytes[3])));
    };
    const std::array<char, 16> *const first = m_splats.data();
    const std::array<char, 16> *const second = first + 4;
    const bool one = m_first == m_second;
    // Both loads end at most at the pattern's last byte at `last`.
    for (; last - p >= 15; p += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + m_first));
        __m128i both = anyOf(x, first);
        if (!one) {
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + m_second));
            both = _mm_and_si128(both, anyOf(y, second));
        }
        for (unsigned mask = unsigned(_mm_movemask_epi8(both)); mask != 0; mask &= mask - 1) {
            const char *at = p + __builtin_ctz(mask);
            if (m_exactPlaces || wholeAt(at))
                return at;
        }
    }
#endif
    for (; p <= last; ++p) {
        if (wholeAt(p))
            return p;
    }
    return end;
}

bool EntryMatch::mayHold(QByteArrayView line) const
{
    return line.size() >= m_fewestBytes && (m_marker.isEmpty() || markerAt(line) > 0);
}

qsizetype EntryMatch::markerAt(QByteArrayView line) const
{
    for (const QByteArray &marker : m_marker) {
        if (line.size() >= marker.size() &&
            std::memcmp(line.data(), marker.constData(), std::size_t(marker.size())) == 0)
            return marker.size();
    }
    return 0;
}

EntryMatch::Answer EntryMatch::startsAt(const char *at, const char **known) const
{
    // Back to a byte that cannot start a two-byte character, after which
    // one starts, or to a place known to start one: from there the bytes
    // between pair up, if each pair is a character.
    const char *from = at;
    while (from > *known && m_forms.mayLead(quint8(from[-1])))
        --from;
    int length = 0;
    for (; at - from >= 2; from += 2) {
        if (m_forms.foldedAt(from, at, &length) == m_forms.noUnit || length != 2)
            return Answer::Unknown;
    }
    if (from == at) {
        *known = at;
        return Answer::Yes;
    }
    // The byte before `at` leads the character `at` is the second byte of.
    if (m_forms.foldedAt(from, at + 1, &length) == m_forms.noUnit || length != 2)
        return Answer::Unknown;
    *known = at + 1;
    return Answer::No;
}

EntryMatch::Answer EntryMatch::textAt(const char *at, const char *end) const
{
    for (const QChar folded : m_folded) {
        if (at >= end)
            return Answer::No;
        int length = 0;
        const char16_t unit = m_forms.foldedAt(at, end, &length);
        if (unit == m_forms.noUnit)
            return Answer::Unknown;
        if (unit != folded.unicode())
            return Answer::No;
        at += length;
    }
    return Answer::Yes;
}

EntryMatch::Answer EntryMatch::holdsInBytes(const char *start, const char *hit,
                                            const char *end) const
{
    // The text starts where the pattern does only with the text's first
    // stretch.
    if (!m_forms.readable() || m_patternStart != 0)
        return Answer::Unknown;
    const char *known = start;
    for (const char *at = hit; at < end; at = find(at + 1, end)) {
        const Answer starts = startsAt(at, &known);
        if (starts == Answer::Unknown)
            return starts;
        if (starts == Answer::No)
            continue;
        const Answer text = textAt(at, end);
        if (text != Answer::No)
            return text;
    }
    return Answer::No;
}

EntryMatch::Answer EntryMatch::entryInBytes(const char *start, const char *end) const
{
    const qsizetype marker = markerAt(QByteArrayView(start, end));
    if (marker == 0)
        return Answer::No;
    if (!m_forms.readable() || m_colon < 0)
        return Answer::Unknown;
    // A space, the colon and a space, one character of head at least
    // before them: the colon can only be that byte, and the spaces are the
    // bytes around it where a character starts at the first.
    const char *known = start + marker;
    for (const char *colon = start + marker + 2; colon + 1 < end; ++colon) {
        colon =
            static_cast<const char *>(std::memchr(colon, m_colon, std::size_t(end - 1 - colon)));
        if (!colon)
            break;
        if (!m_forms.isSpace(quint8(colon[-1])) || !m_forms.isSpace(quint8(colon[1])))
            continue;
        const Answer starts = startsAt(colon - 1, &known);
        if (starts != Answer::No)
            return starts;
    }
    return Answer::Unknown;
}
