#include "lookup/boundedreader.h"

#include <QIODevice>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
std::mutex longReads;
} // namespace

void LongReadPermit::take()
{
    if (isHeld())
        return;
    m_lock = std::unique_lock(longReads);
#ifdef __GLIBC__
    // A long window's page and document take megabytes, made on a worker
    // thread of their own. glibc keeps a freed block that large in the
    // thread's arena once it has raised its threshold for mapping such
    // blocks, which each one freed does, so look-up after look-up would
    // leave its megabytes with the process. A fixed threshold gives them
    // back as they are freed.
    static std::once_flag fixed;
    std::call_once(fixed, [] { mallopt(M_MMAP_THRESHOLD, 128 * 1024); });
#endif
}

BoundedReader::BoundedReader(QIODevice *device, qint64 readAhead, LongReadPermit *permit)
    : m_device(device), m_reader(device, readAhead), m_permit(permit)
{
    m_reader.setLongestLine(longestLine);
    m_reader.setByteLimit(permit->isHeld() ? mostBytes : freeBytes);
}

QByteArrayView BoundedReader::readLine()
{
    const QByteArrayView line = m_reader.readLineView();
    if (!line.isEmpty() || !m_reader.limitReached() || m_reader.bytesRead() >= mostBytes)
        return line;
    // Past the free bytes: on under the permit, from where it stopped.
    m_permit->take();
    m_reader.setByteLimit(mostBytes);
    return m_reader.readLineView();
}

void BoundedReader::readLine(Eijiro::Decoder &decoder, QString *line)
{
    decode(readLine(), decoder, line);
}

void BoundedReader::decode(QByteArrayView bytes, Eijiro::Decoder &decoder, QString *line) const
{
    decoder.decode(bytes, line);
    if (m_reader.lineCut())
        line->append(QChar(0x2026));
}

QByteArrayView BoundedReader::entryLineAt(qint64 position, const QString &key,
                                          Eijiro::Decoder &decoder)
{
    // Read from the byte before, which must be a line end: a line that
    // merely holds the entry's text from `position` on is not the entry.
    // A position past the end is never sought: some file systems refuse
    // it, and there is no line there.
    const QByteArrayView line = lineAt(position);
    return !line.isNull() && Eijiro::lineHasKey(line, &decoder, key, lineCut()) ? line
                                                                                : QByteArrayView();
}

QByteArrayView BoundedReader::lineAt(qint64 position)
{
    m_before = qMin<qint64>(position, 1);
    if (position < 0 || position >= m_device->size() || !m_device->seek(position - m_before))
        return QByteArrayView();
    m_reader.restart();
    if (m_before > 0 && readLine() != "\n")
        return QByteArrayView();
    const QByteArrayView line = readLine();
    return line.isEmpty() ? QByteArrayView() : line;
}

QString BoundedReader::entryWordAt(qint64 position, const QString &key, Eijiro::Decoder &decoder,
                                   int type)
{
    if (type != DictionaryFormat::Eijiro) {
        const QByteArrayView line = lineAt(position);
        if (line.isNull())
            return spent() ? key : QString();
        QString decoded;
        decode(line, decoder, &decoded);
        return DictionaryFormat::make(type)->spellingFor(decoded, key);
    }
    const QByteArrayView line = entryLineAt(position, key, decoder);
    if (line.isNull())
        return spent() ? key : QString();
    // A cut line's reading may end its head early; its key still fits.
    const QString word = Eijiro::entryWordFor(decoder.decode(line), key);
    return word.isNull() ? key : word;
}
