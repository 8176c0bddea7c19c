#include "lookup/boundedreader.h"

namespace {
std::mutex longReads;
} // namespace

void LongReadPermit::take()
{
    if (!isHeld())
        m_lock = std::unique_lock(longReads);
}

BoundedReader::BoundedReader(QIODevice *device, qint64 readAhead, LongReadPermit *permit)
    : m_reader(device, readAhead), m_permit(permit)
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
    decoder.decode(readLine(), line);
    if (m_reader.lineCut())
        line->append(QChar(0x2026));
}
