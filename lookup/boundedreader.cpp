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
    decoder.decode(readLine(), line);
    if (m_reader.lineCut())
        line->append(QChar(0x2026));
}

QString BoundedReader::entryWordAt(qint64 position, const QString &key, Eijiro::Decoder &decoder)
{
    QString shown;
    if (m_device->seek(position)) {
        restart();
        shown = Eijiro::entryWordFor(decoder.decode(readLine()), key);
    }
    return shown.isNull() ? key : shown;
}
