#include "lookup/entrymatch.h"

#include "dictionary/format.h"

#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace {
// Bytes of the longest pattern: more would rarely tell lines apart better.
constexpr std::size_t longestPattern = 32;

#ifdef __SSE2__
// The two places of the pattern compared many bytes at a time: their
// offsets in it and the first bytes of their sets (m_splats).
struct Compared
{
    const char *splats;
    int first, second;
    int firstBytes, secondBytes;
};
// Whether the processor compares 32 bytes at a time.
bool wide()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// Calls `visit` with each place of `mask` from `p` on, but those before
// the place it returns; the place to go on from, past the `width` bytes
// at least, or null when `visit` stopped.
inline const char *visitAll(unsigned mask, const char *p, int width, EntryMatch::Visit visit,
                            void *context)
{
    while (mask != 0) {
        const char *on = visit(context, p + __builtin_ctz(mask));
        if (!on || on >= p + width)
            return on;
        mask &= ~0u << (on - p);
    }
    return p + width;
}

// Looks from *from on, 16 bytes at a time while they fit before `last`
// (where the pattern's last place may start), and calls `visit` with each
// place where both compared places hold one of their bytes; it goes on
// from the place `visit` returns. Leaves *from where it stopped for a
// byte-by-byte look at the rest; false when `visit` stopped it.
bool scanNarrow(const Compared &c, const char **from, const char *last, EntryMatch::Visit visit,
                void *context)
{
    const auto *splats = reinterpret_cast<const __m128i *>(c.splats);
    const auto anyOf = [](__m128i v, const __m128i *set, int bytes) {
        __m128i in = _mm_cmpeq_epi8(v, _mm_load_si128(set));
        for (int k = 1; k < bytes; ++k)
            in = _mm_or_si128(in, _mm_cmpeq_epi8(v, _mm_load_si128(set + k)));
        return in;
    };
    const char *p = *from;
    // Both loads end at most at the pattern's last byte at `last`.
    while (last - p >= 15) {
        __m128i both = anyOf(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + c.first)),
                             splats, c.firstBytes);
        if (c.second != c.first)
            both = _mm_and_si128(
                both, anyOf(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + c.second)),
                            splats + 4, c.secondBytes));
        p = visitAll(unsigned(_mm_movemask_epi8(both)), p, 16, visit, context);
        if (!p)
            return false;
    }
    *from = p;
    return true;
}

// The same 32 bytes at a time.
__attribute__((target("avx2"))) bool scanWide(const Compared &c, const char **from,
                                              const char *last, EntryMatch::Visit visit,
                                              void *context)
{
    const auto *splats = reinterpret_cast<const __m128i *>(c.splats);
    __m256i first[4];
    __m256i second[4];
    for (int k = 0; k < 4; ++k) {
        first[k] = _mm256_broadcastsi128_si256(_mm_load_si128(splats + k));
        second[k] = _mm256_broadcastsi128_si256(_mm_load_si128(splats + 4 + k));
    }
    const char *p = *from;
    while (last - p >= 31) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + c.first));
        __m256i both = _mm256_cmpeq_epi8(x, first[0]);
        for (int k = 1; k < c.firstBytes; ++k)
            both = _mm256_or_si256(both, _mm256_cmpeq_epi8(x, first[k]));
        if (c.second != c.first) {
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + c.second));
            __m256i in = _mm256_cmpeq_epi8(y, second[0]);
            for (int k = 1; k < c.secondBytes; ++k)
                in = _mm256_or_si256(in, _mm256_cmpeq_epi8(y, second[k]));
            both = _mm256_and_si256(both, in);
        }
        p = visitAll(unsigned(_mm256_movemask_epi8(both)), p, 32, visit, context);
        if (!p)
            return false;
    }
    *from = p;
    return scanNarrow(c, from, last, visit, context);
}
#endif
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

EntryMatch::EntryMatch(const QString &text, const LineEncoding::Forms &forms, QByteArrayView sample,
                       bool marked)
    : m_text(text), m_forms(forms), m_marker(forms.exactly(Eijiro::marker.unicode())),
      m_marked(marked)
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
    if (!marked)
        m_marker.clear();

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
    const ByteSet &first = m_pattern[std::size_t(m_first)];
    const ByteSet &second = m_pattern[std::size_t(m_second)];
    m_firstBytes = first.size;
    m_secondBytes = second.size;
    for (std::size_t k = 0; k < 4; ++k) {
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

void EntryMatch::findEach(const char *from, const char *end, Visit visit, void *context) const
{
    const qsizetype span = qsizetype(m_pattern.size());
    if (end - from < span)
        return;
    const char *const last = end - span;
    const char *p = from;
#ifdef __SSE2__
    // The places compared tell where the whole pattern may stand.
    struct Whole
    {
        const EntryMatch *match;
        Visit visit;
        void *context;
    } whole{this, visit, context};
    const Visit wholeOnly = [](void *checked, const char *at) {
        const auto *w = static_cast<Whole *>(checked);
        return w->match->m_exactPlaces || w->match->wholeAt(at) ? w->visit(w->context, at) : at + 1;
    };
    const Compared compared{m_splats.data()->data(), m_first, m_second, m_firstBytes,
                            m_secondBytes};
    if (!(wide() ? scanWide : scanNarrow)(compared, &p, last, wholeOnly, &whole))
        return;
#endif
    while (p && p <= last)
        p = wholeAt(p) ? visit(context, p) : p + 1;
}

const char *EntryMatch::find(const char *from, const char *end) const
{
    const char *found = end;
    findEach(from, end, [&found](const char *at) -> const char * {
        found = at;
        return nullptr;
    });
    return found;
}

bool EntryMatch::mayHold(QByteArrayView line) const
{
    return line.size() >= m_fewestBytes && (m_marker.isEmpty() || markerAt(line) > 0);
}

qsizetype EntryMatch::markerAt(QByteArrayView line) const
{
    // Shift_JIS has one marker of two bytes, looked at on every line.
    if (m_marker.size() == 1 && m_marker.front().size() == 2) {
        const char *marker = m_marker.front().constData();
        return line.size() >= 2 && line[0] == marker[0] && line[1] == marker[1] ? 2 : 0;
    }
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
    if (!m_marked)
        return Answer::Unknown;
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
