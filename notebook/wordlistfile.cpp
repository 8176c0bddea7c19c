#include "notebook/wordlistfile.h"

#include "dictionary/dictionaryfile.h"
#include "dictionary/format.h"

namespace {

// UTF-16 text without a byte-order mark: in text of Latin letters every
// other byte is zero, the first of each pair (big-endian) or the second.
std::optional<bool> utf16BigEndian(const QByteArray &start)
{
    qsizetype zeros[2] = {0, 0};
    for (qsizetype i = 0; i < start.size(); ++i)
        zeros[i % 2] += start.at(i) == 0 ? 1 : 0;
    const qsizetype pairs = start.size() / 2;
    if (zeros[0] == 0 && zeros[1] > pairs / 2)
        return false;
    if (zeros[1] == 0 && zeros[0] > pairs / 2)
        return true;
    return std::nullopt;
}

} // namespace

WordListFile::WordListFile(const QString &path) : m_path(path)
{
}

WordListFile::~WordListFile() = default;

bool WordListFile::refuse(const QString &why)
{
    m_error = QStringLiteral("%1 cannot be imported: %2").arg(m_path, why);
    return false;
}

std::optional<WordListFile::Encoding> WordListFile::sniff(const QByteArray &start, qsizetype *bom)
{
    *bom = 0;
    if (start.startsWith("\xef\xbb\xbf")) {
        *bom = 3;
        return Encoding::Utf8;
    }
    if (start.startsWith("\xff\xfe") || start.startsWith("\xfe\xff")) {
        *bom = 2;
        return start.at(0) == '\xff' ? Encoding::Utf16LE : Encoding::Utf16BE;
    }
    const qsizetype nul = start.indexOf('\0');
    if (nul >= 0) {
        if (const std::optional<bool> big = utf16BigEndian(start))
            return *big ? Encoding::Utf16BE : Encoding::Utf16LE;
        refuse(QStringLiteral("it is no text file (a NUL byte at offset %1)").arg(nul));
        return std::nullopt;
    }
    // A character cut at the end of what was looked at is no fault.
    if (Eijiro::Utf8Check().feed(start) < 0)
        return Encoding::Utf8;
    if (!Eijiro::Decoder(Eijiro::Encoding::ShiftJis)
             .decode(start)
             .contains(QChar::ReplacementCharacter))
        return Encoding::ShiftJis;
    refuse(QStringLiteral("it is neither UTF-8, UTF-16 nor Shift_JIS text"));
    return std::nullopt;
}

bool WordListFile::open()
{
    QString reason;
    if (DictionaryFile::open(&m_file, m_path, &reason) != DictionaryFile::Opened)
        return refuse(reason);
    m_size = m_file.size();
    const QByteArray start = m_file.read(sniffed);
    qsizetype bom = 0;
    const std::optional<Encoding> encoding = sniff(start, &bom);
    if (!encoding)
        return false;
    m_encoding = *encoding;
    if (!m_file.seek(bom))
        return refuse(m_file.errorString());
    m_read = bom;
    if (m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE) {
        m_utf16 = QStringDecoder(m_encoding == Encoding::Utf16LE ? QStringDecoder::Utf16LE
                                                                 : QStringDecoder::Utf16BE);
    } else {
        m_decoder = std::make_unique<Eijiro::Decoder>(
            m_encoding == Encoding::Utf8 ? Eijiro::Encoding::Utf8 : Eijiro::Encoding::ShiftJis);
        m_lines = std::make_unique<Eijiro::LineReader>(&m_file);
        m_lines->setLongestLine(longestLine);
        // Text has no NUL byte: reading stops at the chunk that has one.
        m_lines->setChunkCheck([this, bom](qint64 offset, QByteArrayView chunk) {
            const qsizetype nul = chunk.indexOf('\0');
            if (nul >= 0)
                refuse(QStringLiteral("it is no text file (a NUL byte at offset %1)")
                           .arg(bom + offset + nul));
            return nul < 0;
        });
    }
    if (m_path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        m_cards = Cards::Format::Csv;
    return true;
}

bool WordListFile::next(QString *word)
{
    QString line;
    while (m_error.isEmpty() && readLine(&line)) {
        *word = wordOf(line);
        if (!word->isEmpty())
            return true;
    }
    return false;
}

bool WordListFile::readLine(QString *line)
{
    if (!m_lines)
        return readUtf16Line(line);
    for (;;) {
        const QByteArrayView bytes = m_lines->readLineView();
        m_read = m_file.pos();
        if (bytes.isEmpty()) {
            if (m_lines->failed())
                refuse(m_file.errorString());
            return false;
        }
        if (m_lines->lineCut()) {
            ++m_skipped;
            continue;
        }
        m_decoder->decode(bytes, line);
        return true;
    }
}

bool WordListFile::readUtf16Line(QString *line)
{
    constexpr qsizetype longest = longestLine / 2;
    for (;;) {
        const qsizetype end = m_pending.indexOf(u'\n');
        if (end >= 0) {
            *line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            if (!std::exchange(m_cut, false) && line->size() <= longest)
                return true;
            ++m_skipped;
            continue;
        }
        // A line too long so far goes unheld until its end.
        if (m_pending.size() > longest) {
            m_cut = true;
            m_pending.clear();
        }
        const QByteArray chunk = m_file.read(1 << 20);
        if (chunk.isEmpty()) {
            if (m_file.error() != QFileDevice::NoError)
                return refuse(m_file.errorString());
            *line = std::exchange(m_pending, QString());
            if (m_cut)
                ++m_skipped;
            return !line->isEmpty() && !std::exchange(m_cut, false);
        }
        const QString text = m_utf16.decode(chunk);
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            return refuse(
                QStringLiteral("it is no text file (a NUL character after byte %1)").arg(m_read));
        m_read += chunk.size();
        m_pending += text;
    }
}

QString WordListFile::wordOf(const QString &line)
{
    // An export's own lines: its header, then cards whose front is the word.
    if (std::exchange(m_first, false) && line.startsWith(QLatin1String("#separator:")))
        m_cards = Cards::Format::Tsv;
    if (m_cards == Cards::Format::Tsv && line.startsWith(u'#'))
        return QString();
    if (!m_cards && line.contains(u'\t'))
        m_cards = Cards::Format::Tsv;
    if (m_cards)
        return Cards::starOf(Cards::fields(line, *m_cards)).word.trimmed();
    return line.trimmed();
}
