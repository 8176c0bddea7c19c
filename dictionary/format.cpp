#include "dictionary/format.h"

#include "dictionary/shiftjistable.h"

#include <cstring>

namespace Eijiro {

namespace {
constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");
constexpr QByteArrayView utf8Marker("\xE2\x96\xA0");
constexpr QByteArrayView shiftJisMarker("\x81\xA1");

QByteArrayView withoutByteOrderMarks(QByteArrayView bytes)
{
    while (bytes.startsWith(byteOrderMark))
        bytes = bytes.sliced(byteOrderMark.size());
    return bytes;
}

// How many bytes at the end of `bytes` begin a UTF-8 character that is not
// all there.
qsizetype cutCharacter(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= qMin<qsizetype>(3, n); ++back) {
        const quint8 b = quint8(bytes[n - back]);
        if ((b & 0xC0) == 0x80)
            continue;
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}
} // namespace

Encoding encodingNamed(const QString &recorded)
{
    if (recorded == QLatin1String("EUC-JP"))
        return Encoding::EucJp;
    return recorded == QLatin1String("UTF-8") ? Encoding::Utf8 : Encoding::ShiftJis;
}

QString encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::EucJp:
        return QStringLiteral("EUC-JP");
    case Encoding::ShiftJis:
        break;
    }
    return QStringLiteral("");
}

bool isEucJp(QByteArrayView chunk)
{
    const auto inRange = [](char c) { return quint8(c) >= 0xA1 && quint8(c) <= 0xFE; };
    qint64 valid = 0, invalid = 0;
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        const quint8 b = quint8(chunk[i]);
        if (b < 0x80)
            continue;
        // Half-width katakana (0x8E), JIS X 0212 (0x8F), or two bytes of 0xA1-0xFE.
        const int trail = b == 0x8F ? 2 : 1;
        bool ok = b == 0x8E || b == 0x8F || inRange(char(b));
        for (int t = 1; ok && t <= trail && i + t < chunk.size(); ++t)
            ok = inRange(chunk[i + t]);
        if (ok) {
            ++valid;
            i += trail;
        } else {
            ++invalid;
        }
    }
    // A stray line of another encoding does not make the file another's:
    // its characters cannot be read, and its line is no entry.
    return valid > 0 && invalid * 20 < valid;
}

Decoder::Decoder(Encoding encoding) : m_encoding(encoding)
{
}

bool Decoder::isValid() const
{
    if (m_encoding == Encoding::EucJp)
        return QStringDecoder("EUC-JP").isValid();
    return m_encoding == Encoding::Utf8 || ShiftJisTable::isAvailable();
}

QString Decoder::decode(QByteArrayView bytes)
{
    QString line;
    decode(bytes, &line);
    return line;
}

bool Decoder::startsEntryLine(QByteArrayView bytes) const
{
    if (m_encoding == Encoding::ShiftJis)
        return bytes.startsWith(shiftJisMarker);
    return withoutByteOrderMarks(bytes).startsWith(utf8Marker);
}

void Decoder::decode(QByteArrayView bytes, QString *line)
{
    if (m_encoding == Encoding::Utf8) {
        bytes = withoutByteOrderMarks(bytes);
        *line = QString::fromUtf8(bytes.chopped(cutCharacter(bytes)));
        return;
    }
    if (m_encoding == Encoding::EucJp) {
        if (!m_decoder)
            m_decoder.emplace("EUC-JP", QStringConverter::Flag::Stateless);
        m_decoder->resetState();
        *line = m_decoder->decode(bytes);
        return;
    }
    if (ShiftJisTable::decode(bytes, line))
        return;
    // A lead byte left dangling at the end of one line must not combine
    // with the first byte of the next.
    if (!m_decoder)
        m_decoder.emplace("Shift_JIS", QStringConverter::Flag::Stateless);
    m_decoder->resetState();
    *line = m_decoder->decode(bytes);
}

LineReader::LineReader(QIODevice *device, qint64 bufferSize) : m_device(device), m_chunk(bufferSize)
{
}

bool LineReader::fill()
{
    if (m_eof)
        return false;
    qint64 want = m_chunk;
    if (m_limit >= 0) {
        want = qMin(want, m_limit - m_read);
        m_limitReached = want <= 0;
        if (m_limitReached)
            return false;
    }
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_scanned -= m_pos;
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + want);
    qint64 got = m_device->read(m_buffer.data() + old, want);
    if (got < 0) {
        m_failed = true;
        got = 0;
    }
    if (got == 0)
        m_eof = true;
    m_buffer.resize(old + got);
    if (got > 0 && m_check && !m_check(m_read, QByteArrayView(m_buffer).sliced(old))) {
        // Nothing of what is buffered is handed out any more.
        m_stopped = m_eof = true;
        m_buffer.clear();
        m_pos = m_scanned = 0;
        return false;
    }
    m_read += got;
    return got > 0;
}

bool LineReader::atEnd()
{
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return true;
    }
    return false;
}

QByteArrayView LineReader::readLineView()
{
    m_cut = false;
    if (m_skipping && !skipRest())
        return QByteArrayView();
    for (;;) {
        const char *data = m_buffer.constData();
        if (m_scanned < m_pos)
            m_scanned = m_pos;
        const void *lf = std::memchr(data + m_scanned, '\n', m_buffer.size() - m_scanned);
        if (lf || m_eof) {
            const qsizetype end = lf ? static_cast<const char *>(lf) - data + 1 : m_buffer.size();
            QByteArrayView line(data + m_pos, end - m_pos);
            m_offset += end - m_pos;
            m_pos = end;
            m_scanned = end;
            m_cut = m_longest >= 0 && line.size() > m_longest;
            return m_cut ? line.first(m_longest) : line;
        }
        // Not found in what is buffered: remember how far we looked, so a
        // very long line is scanned once, not once per chunk.
        m_scanned = m_buffer.size();
        if (m_longest >= 0 && m_buffer.size() - m_pos >= m_longest)
            return cutLine();
        // At the byte limit the line read so far waits for a higher one.
        if (!fill() && !m_eof)
            return QByteArrayView();
    }
}

QByteArrayView LineReader::cutLine()
{
    const QByteArrayView held = QByteArrayView(m_buffer).sliced(m_pos);
    // The buffer stays as it is until the next call, and the view with it.
    m_offset += held.size();
    m_pos = m_scanned = m_buffer.size();
    m_skipping = m_cut = true;
    return held.first(m_longest);
}

bool LineReader::skipRest()
{
    for (;;) {
        const char *data = m_buffer.constData();
        const void *lf = std::memchr(data + m_pos, '\n', m_buffer.size() - m_pos);
        const qsizetype end = lf ? static_cast<const char *>(lf) - data + 1 : m_buffer.size();
        m_offset += end - m_pos;
        m_pos = m_scanned = end;
        if (lf || (!fill() && m_eof)) {
            m_skipping = false;
            return true;
        }
        if (m_limitReached)
            return false;
    }
}

void LineReader::restart()
{
    m_buffer.clear();
    m_pos = m_scanned = 0;
    m_offset = 0;
    m_eof = m_cut = m_skipping = m_limitReached = false;
}

QByteArray LineReader::readLine()
{
    return readLineView().toByteArray();
}

namespace {

inline bool isSpace(QChar c)
{
    return c.isSpace();
}

// Index of the whitespace that starts the last "\s:\s" separator at or after
// `from` whose end (exclusive) is at most `limit`; -1 when there is none.
qsizetype lastSeparator(QStringView text, qsizetype from, qsizetype limit)
{
    const QChar *d = text.constData();
    for (qsizetype i = limit - 3; i >= from; --i) {
        if (d[i + 1] == QLatin1Char(':') && isSpace(d[i]) && isSpace(d[i + 2]))
            return i;
    }
    return -1;
}

// "^(.+)\s\s\{" ... "\}$": the longest entry word whose brace group closes
// the head and whose content satisfies `contentOk`. Returns the entry word's
// length, or -1.
template <typename ContentOk> qsizetype braceSplit(QStringView head, ContentOk contentOk)
{
    const qsizetype n = head.size();
    if (n < 6 || head.at(n - 1) != QLatin1Char('}'))
        return -1;
    const QChar *d = head.constData();
    // Entry word at least one character, content at least one character.
    for (qsizetype j = n - 5; j >= 1; --j) {
        if (d[j + 2] == QLatin1Char('{') && isSpace(d[j]) && isSpace(d[j + 1])) {
            const qsizetype contentStart = j + 3;
            if (contentOk(d + contentStart, n - 1 - contentStart))
                return j;
        }
    }
    return -1;
}

// Where the head of a raw entry line ends when its bytes alone show it: the
// offset of the space of its last " : ". Only a byte 0x3A decodes to a
// colon, so with no colon after it no later separator can follow. The bytes
// before it must be plain (ASCII, half-width kana, or a lead byte with a
// trail byte), so that the separator's space starts a character of its own
// and the head decodes alike on its own. -1 when the bytes do not show it.
qsizetype plainHeadEnd(QByteArrayView line)
{
    const qsizetype colon = line.lastIndexOf(':');
    const qsizetype end = colon - 1;
    // The marker's two bytes, one byte of head at least, and " : ".
    if (colon < 4 || colon + 1 >= line.size() || line[end] != ' ' || line[colon + 1] != ' ')
        return -1;
    for (qsizetype i = 0; i < end;) {
        const quint8 b = quint8(line[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            ++i;
            continue;
        }
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (!lead || i + 1 >= end)
            return -1;
        const quint8 t = quint8(line[i + 1]);
        if (t < 0x40 || t == 0x7F || t > 0xFC)
            return -1;
        i += 2;
    }
    return end;
}

} // namespace

// The same for a UTF-8 line, where every byte below 0x80 is a character of
// its own.
qsizetype utf8HeadEnd(QByteArrayView line)
{
    const qsizetype colon = line.lastIndexOf(':');
    if (colon < 4 || colon + 1 >= line.size() || line[colon - 1] != ' ' || line[colon + 1] != ' ')
        return -1;
    return colon - 1;
}

std::optional<qsizetype> Utf8Check::feed(QByteArrayView chunk)
{
    const auto *d = reinterpret_cast<const quint8 *>(chunk.data());
    const qsizetype n = chunk.size();
    for (qsizetype i = 0; i < n; ++i) {
        const quint8 b = d[i];
        if (m_needed > 0) {
            if ((b & 0xC0) != 0x80)
                return i - m_begun;
            m_value = (m_value << 6) | (b & 0x3F);
            ++m_begun;
            if (--m_needed == 0 && (m_value < m_smallest || m_value > 0x10FFFF ||
                                    (m_value >= 0xD800 && m_value <= 0xDFFF)))
                return i + 1 - m_begun;
            if (m_needed == 0)
                m_begun = 0;
            continue;
        }
        if (b < 0x80)
            continue;
        if (b >= 0xC2 && b <= 0xDF) {
            m_needed = 1, m_value = b & 0x1F, m_smallest = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_needed = 2, m_value = b & 0x0F, m_smallest = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_needed = 3, m_value = b & 0x07, m_smallest = 0x10000;
        } else {
            return i;
        }
        m_begun = 1;
    }
    return std::nullopt;
}

bool readIndexer(QByteArrayView line, Decoder *decoder, IndexerReading *out)
{
    const qsizetype headEnd =
        decoder->encoding() == Encoding::Utf8 ? utf8HeadEnd(line) : plainHeadEnd(line);
    // With the separator at its end, the decoded part has the same last
    // separator as the whole line.
    return readIndexer(decoder->decode(headEnd < 0 ? line : line.first(headEnd + 3)), out);
}

bool readIndexer(const QString &line, IndexerReading *out)
{
    const qsizetype n = line.size();
    if (n < 5 || line.at(0) != marker)
        return false;
    // The head is at least one character, so the separator starts at 2 or later.
    const qsizetype sep = lastSeparator(line, 2, n);
    if (sep < 0)
        return false;
    out->head = line.mid(1, sep - 1);
    const qsizetype word =
        braceSplit(out->head, [](const QChar *, qsizetype len) { return len >= 1; });
    out->entryWord = word < 0 ? out->head : out->head.left(word);
    return true;
}

bool isEntryLine(QStringView line)
{
    const qsizetype n = line.size();
    if (n < 5 || line.at(0) != marker)
        return false;
    // Any separator makes one, so the first from the head on will do.
    const QChar *d = line.constData();
    for (qsizetype i = 2; i + 3 <= n; ++i) {
        if (d[i + 1] == QLatin1Char(':') && isSpace(d[i]) && isSpace(d[i + 2]))
            return true;
    }
    return false;
}

QString indexKey(const QString &entryWord)
{
    return hasIndexKey(entryWord) ? entryKey(entryWord) : QString();
}

QStringView translationOf(QStringView line)
{
    const qsizetype n = line.size();
    if (n < 5 || line.at(0) != marker)
        return {};
    const QChar *d = line.constData();
    for (qsizetype i = n - 3; i >= 2; --i) {
        if (d[i + 1] == u':' && d[i].isSpace() && d[i + 2].isSpace())
            return line.sliced(i + 3);
    }
    return {};
}

QString entryWordFor(const QString &line, const QString &key)
{
    IndexerReading reading;
    if (readIndexer(line, &reading) && entryKey(reading.entryWord) == key)
        return reading.entryWord;
    return QString();
}

bool lineHasKey(QByteArrayView line, Decoder *decoder, const QString &key, bool cut)
{
    if (!decoder->startsEntryLine(line))
        return false;
    if (cut) {
        // Upper-casing goes character by character: the key of a prefix of
        // the text is a prefix of the key of the text.
        const QString text = decoder->decode(line);
        const QString read = text.sliced(1).toUpper();
        return read.size() >= key.size() ? read.startsWith(key) : key.startsWith(read);
    }
    IndexerReading reading;
    return readIndexer(line, decoder, &reading) && entryKey(reading.entryWord) == key;
}

bool readRenderer(QStringView line, RendererReading *out)
{
    const qsizetype n = line.size();
    if (n < 6 || line.at(0) != marker)
        return false;
    // The body needs at least one character after the separator.
    const qsizetype sep = lastSeparator(line, 2, n - 1);
    if (sep < 0)
        return false;
    out->head = line.mid(1, sep - 1);
    out->body = line.mid(sep + 3);

    // Label content: a run without hyphens, any hyphens, a run without hyphens,
    // that is, a content not starting with a hyphen whose hyphens form at most
    // one run. The candidates come from the end of the head towards its start,
    // so each content is the previous one extended to the left: only the new
    // characters are scanned, which keeps a head with many brace groups linear.
    qsizetype labelLength = 0;
    const QChar *scanned = nullptr; // leftmost character looked at so far
    const QChar *firstHyphen = nullptr;
    int hyphenRuns = 0;
    const auto labelOk = [&](const QChar *c, qsizetype len) {
        const QChar *end = c + len;
        if (!scanned)
            scanned = end;
        for (; scanned > c; --scanned) {
            const QChar *p = scanned - 1;
            if (*p == QLatin1Char('-')) {
                // Count each run once, at its last hyphen.
                if (p + 1 == end || p[1] != QLatin1Char('-'))
                    ++hyphenRuns;
                firstHyphen = p;
            }
        }
        if (len == 0 || c[0] == QLatin1Char('-') || hyphenRuns > 1)
            return false;
        labelLength = firstHyphen ? firstHyphen - c : len;
        return true;
    };
    const qsizetype word = braceSplit(out->head, labelOk);
    if (word < 0) {
        out->entryWord = out->head;
        out->label = QStringView();
        out->hasLabel = false;
    } else {
        out->entryWord = out->head.left(word);
        out->label = out->head.mid(word + 3, labelLength);
        out->hasLabel = true;
    }
    return true;
}

QString escape(const QString &text)
{
    // Most dictionary lines hold nothing to escape: share them, do not copy.
    for (const QChar c : text) {
        if (c == u'<' || c == u'>' || c == u'&' || c == u'"')
            return text.toHtmlEscaped();
    }
    return text;
}

} // namespace Eijiro
