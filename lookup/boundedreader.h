#pragma once

#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"

#include <QByteArrayView>

#include <mutex>

class QIODevice;

// The one permit for reading a long stretch of a dictionary file, shared by
// every look-up and word list of the process. Each keystroke starts both on
// threads of their own, so without it a file of very long lines would let
// their windows add up; with it only one at a time holds more than
// BoundedReader::freeBytes. Taken when a reader first needs it, and held
// until this object goes, so a worker keeps it until its page is written.
class LongReadPermit
{
public:
    // Waits until no other look-up holds it.
    void take();
    bool isHeld() const { return m_lock.owns_lock(); }

private:
    std::unique_lock<std::mutex> m_lock;
};

// A look-up's reading of its dictionary file, bounded whatever the file
// holds (one without line breaks, a line of many MiB): a line longer than
// longestLine is cut there and the rest of it skipped, and no more than
// mostBytes are read in all, past freeBytes only under the permit. A
// dictionary's lines are far shorter and its window far smaller, so its
// pages stay exactly as read.
class BoundedReader
{
public:
    static constexpr qint64 longestLine = 1 << 20;
    static constexpr qint64 freeBytes = 256 << 10;
    static constexpr qint64 mostBytes = 5 << 19; // 2.5 MiB

    // Reads `device` from where it is, `readAhead` bytes at a time; takes
    // `permit` when it needs it.
    BoundedReader(QIODevice *device, qint64 readAhead, LongReadPermit *permit);

    // The next line, cut as above; empty at the end of the file or of what
    // may be read. Valid until the next call.
    QByteArrayView readLine();
    // The same decoded, with a cut line ending in "…".
    void readLine(Eijiro::Decoder &decoder, QString *line);
    // `bytes`, the line given last, decoded so.
    void decode(QByteArrayView bytes, Eijiro::Decoder &decoder, QString *line) const;
    // Bytes from where reading began (or from the position lineAt() was
    // given) to the line the next readLine() gives, and whether the line
    // given last was cut.
    qint64 offset() const { return m_reader.offset() - m_before; }
    bool lineCut() const { return m_reader.lineCut(); }
    // The line that starts at byte `position` of the file, cut as above,
    // when that line is an entry line whose entry word has the key `key`
    // (Eijiro::lineHasKey): the line an index row of `key` points at, if
    // the file is still the one indexed. Null when it is not, and when no
    // line starts there (past the end of the file, or not after a line
    // end). Reading goes on after it.
    QByteArrayView entryLineAt(qint64 position, const QString &key, Eijiro::Decoder &decoder);
    // The entry word of that line as the file spells it; null when the
    // line is not the entry; `key` itself when the bytes this reader may
    // read were spent before it (the rows of a list after long lines).
    // For a dictionary of another type than Eijiro's (`type`), the spelling
    // that type's reading of the line gives the key.
    QString entryWordAt(qint64 position, const QString &key, Eijiro::Decoder &decoder,
                        int type = DictionaryFormat::Eijiro);
    // The line that starts at byte `position`, whatever it holds; null
    // when no line starts there.
    QByteArrayView lineAt(qint64 position);
    // Whether every byte this reader may read has been read.
    bool spent() const { return m_reader.limitReached() && m_reader.bytesRead() >= mostBytes; }

private:
    QIODevice *m_device;
    Eijiro::LineReader m_reader;
    LongReadPermit *m_permit;
    qint64 m_before = 0; // bytes read before the position asked for
};
