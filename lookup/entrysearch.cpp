#include "lookup/entrysearch.h"

#include "database/installeddictionaries.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/edict.h"
#include "dictionary/format.h"
#include "lookup/boundedreader.h"
#include "lookup/entrymatch.h"
#include "lookup/lineencoding.h"
#include "lookup/mappedfile.h"
#include "lookup/searchthread.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace EntrySearch;

namespace {

constexpr qint64 longestLine = BoundedReader::longestLine;
// Read past a block's end at once, for the line that goes on past it.
constexpr qint64 tailBytes = 4096;
// Bytes the pattern is chosen by.
constexpr qint64 sampleBytes = 64 << 10;

// How the search of one file ended.
enum class Ending {
    None,    // read to its end
    Limit,   // the rows asked for were handed out, and no count was asked for
    Stopped, // a stop request
    Failed,  // it could not be searched
    Short,   // the file was shortened while it was read: it changed
};

// What one block of a file gave.
struct Found
{
    qint64 count = 0;
    QList<Row> rows; // the matching lines, when they were asked for
};

// Checks the lines of blocks: those the pattern stands in, or all of them.
class LineChecker
{
public:
    LineChecker(const EntryMatch &match, const LineEncoding &encoding, int dictionary, int type)
        : m_match(match), m_encoding(encoding), m_decoder(encoding.decoder()),
          m_dictionary(dictionary), m_type(type)
    {
    }

    // The lines in [from, to), whose first byte is at file offset `offset`.
    void check(const char *from, const char *to, qint64 offset, bool collect, Found *found,
               const std::atomic<bool> *stop);

private:
    // Counts the line if it holds the text (unless its bytes told it does)
    // and is an entry line, by decoding it; with `collect`, as a row.
    void decodeAndCheck(QByteArrayView bytes, bool lineFeed, bool cut, bool held, bool collect,
                        qint64 offset, Found *found);

    const EntryMatch &m_match;
    const LineEncoding &m_encoding;
    Eijiro::Decoder m_decoder;
    const int m_dictionary;
    const int m_type;
    QString m_line;
    Eijiro::IndexerReading m_reading;
};

void LineChecker::check(const char *from, const char *to, qint64 offset, bool collect, Found *found,
                        const std::atomic<bool> *stop)
{
    using Answer = EntryMatch::Answer;
    const bool everyLine = m_match.plan() == EntryMatch::Plan::EveryLine;
    // Checks the line that starts at `lineStart` and holds the pattern at
    // `hit`; returns where the next line starts, or null to stop.
    const auto checkLine = [&](const char *lineStart, const char *hit) -> const char * {
        if (stop && stop->load(std::memory_order_relaxed))
            return nullptr;
        const void *lf = std::memchr(hit, '\n', std::size_t(to - hit));
        const char *const lineEnd = lf ? static_cast<const char *>(lf) + 1 : to;
        const bool cut = lineEnd - lineStart > longestLine;
        const QByteArrayView bytes(lineStart, cut ? longestLine : lineEnd - lineStart);
        const bool lineFeed = !cut && lineEnd[-1] == '\n';
        const bool crlf = lineFeed && lineEnd - lineStart >= 2 && lineEnd[-2] == '\r';
        // The bytes as decoded: without a byte-order mark the decoder leaves out.
        const qsizetype leftOut = m_encoding.leftOut(bytes);
        const char *const start = lineStart + leftOut;
        const QByteArrayView text = bytes.sliced(leftOut).chopped(int(lineFeed) + int(crlf));
        if (!m_match.mayHold(text) || hit < start)
            return lineEnd;
        const Answer holds =
            everyLine ? Answer::Unknown : m_match.holdsInBytes(start, hit, text.end());
        if (holds == Answer::No)
            return lineEnd;
        const Answer entry =
            holds == Answer::Yes ? m_match.entryInBytes(start, bytes.end()) : Answer::Unknown;
        if (entry == Answer::No)
            return lineEnd;
        if (entry == Answer::Yes && !collect)
            ++found->count;
        else
            decodeAndCheck(bytes, lineFeed, cut, holds == Answer::Yes, collect,
                           offset + (lineStart - from), found);
        return lineEnd;
    };
    if (everyLine) {
        for (const char *line = from; line && line < to;)
            line = checkLine(line, line);
        return;
    }
    const char *lineStart = from;
    m_match.findEach(from, to, [&](const char *hit) -> const char * {
        if (const void *lf = memrchr(lineStart, '\n', std::size_t(hit - lineStart)))
            lineStart = static_cast<const char *>(lf) + 1;
        return lineStart = checkLine(lineStart, hit);
    });
}

void LineChecker::decodeAndCheck(QByteArrayView bytes, bool lineFeed, bool cut, bool held,
                                 bool collect, qint64 offset, Found *found)
{
    m_decoder.decode(bytes, &m_line);
    // The line end as decoded, for the text without it.
    qsizetype length = m_line.size();
    if (lineFeed && m_line.endsWith(u'\n'))
        --length;
    if (lineFeed && bytes.endsWith("\r\n") && QStringView(m_line).first(length).endsWith(u'\r'))
        --length;
    if (!held && !m_match.holds(QStringView(m_line).first(length)))
        return;
    // The row takes the decoded line itself, without its end: the next
    // line is decoded into a new one anyway.
    const auto addRow = [&](QString &&entryWord) {
        m_line.truncate(length);
        if (cut)
            m_line += QChar(0x2026);
        found->rows.append({m_dictionary, offset, std::move(entryWord), std::move(m_line)});
    };
    // An EDICT line is an entry wherever it lies; its first head names it.
    if (m_type == Records::edictType) {
        QStringView head;
        if (!Edict::firstHead(m_line, &head))
            return;
        ++found->count;
        if (collect)
            addRow(head.toString());
        return;
    }
    if (!collect) {
        found->count += Eijiro::isEntryLine(m_line);
        return;
    }
    // The entry word comes from the line with its end, as the index's does.
    if (!Eijiro::readIndexer(m_line, &m_reading))
        return;
    ++found->count;
    addRow(std::move(m_reading.entryWord));
}

// One file's lines from an offset on, in blocks: a block holds the lines
// that start in it, the last one read on past the block's end to its line
// end or its cut. Two threads read blocks in turn, the calling one also
// hands out their rows in block order; none reads more than blocksAhead
// blocks ahead of those handed out, so what waits stays bounded.
class Scan
{
public:
    struct Setup
    {
        const char *bytes; // the file's, mapped
        qint64 from;
        qint64 size;
        int dictionary;
        int type;
        qint64 limit; // rows to hand out at most
        bool countAll;
    };

    Scan(const Setup &setup, const EntryMatch &match, const LineEncoding &encoding,
         const std::atomic<bool> *stop)
        : m_setup(setup), m_match(match), m_encoding(encoding), m_stop(stop),
          m_blocks(setup.size <= setup.from
                       ? 0
                       : 1 + (qMax<qint64>(0, setup.size - setup.from - firstBlockBytes) +
                              blockBytes - 1) /
                                 blockBytes),
          m_collecting(setup.limit > 0)
    {
    }

    // Runs the scan; what it found is in count() and handed().
    Ending run(const Rows &rows)
    {
        std::optional<std::thread> helper;
        if (m_blocks > 1)
            helper.emplace([this] { work(nullptr); });
        work(&rows);
        if (helper)
            helper->join();
        return m_ending;
    }

    qint64 count() const { return m_count; }
    qint64 handed() const { return m_handed; }

private:
    struct Slot
    {
        bool done = false;
        Found found;
    };

    // The first block is a small one, so that the first rows come at once.
    qint64 blockStart(qint64 block) const
    {
        return block == 0 ? m_setup.from
                          : m_setup.from + firstBlockBytes + (block - 1) * blockBytes;
    }

    bool stopRequested() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    // Scans blocks until none is left; with `rows`, also hands out what
    // the blocks found, in order.
    void work(const Rows *rows)
    {
        LineChecker checker(m_match, m_encoding, m_setup.dictionary, m_setup.type);
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (stopRequested() && m_ending == Ending::None)
                halt(Ending::Stopped);
            Slot &next = m_slots[std::size_t(m_handedBlocks % blocksAhead)];
            if (rows && next.done && m_ending == Ending::None) {
                Found found = std::move(next.found);
                next = Slot();
                ++m_handedBlocks;
                lock.unlock();
                m_changed.notify_all();
                const Ending ending = hand(std::move(found), *rows);
                lock.lock();
                if (ending != Ending::None && m_ending == Ending::None)
                    halt(ending);
                continue;
            }
            if (m_ending != Ending::None || (rows ? m_handedBlocks : m_next) == m_blocks)
                break;
            // The blocks scanned, all before the next one, hold the rows
            // asked for: the next one's are past them.
            const bool enough = m_rowsFound >= m_setup.limit;
            if (m_next < m_blocks && m_next - m_handedBlocks < blocksAhead &&
                !(enough && !m_setup.countAll)) {
                const qint64 block = m_next++;
                const bool collect = m_collecting && !enough;
                lock.unlock();
                Found found = scanBlock(block, checker, collect);
                lock.lock();
                m_rowsFound += found.rows.size();
                m_slots[std::size_t(block % blocksAhead)] = {true, std::move(found)};
                m_changed.notify_all();
                continue;
            }
            m_changed.wait(lock);
        }
    }

    void halt(Ending ending)
    {
        m_ending = ending;
        m_changed.notify_all();
    }

    // Hands out a block's rows up to the limit; how the scan ends there.
    Ending hand(Found &&found, const Rows &rows)
    {
        m_count += found.count;
        const qint64 room = m_setup.limit - m_handed;
        if (found.rows.size() > room)
            found.rows.resize(room);
        m_handed += found.rows.size();
        if (!found.rows.isEmpty())
            rows(std::move(found.rows));
        if (m_handed < m_setup.limit)
            return Ending::None;
        std::lock_guard lock(m_mutex);
        m_collecting = false;
        return m_setup.countAll ? Ending::None : Ending::Limit;
    }

    // The lines that start in the block, the last one to its line end.
    Found scanBlock(qint64 block, LineChecker &checker, bool collect)
    {
        Found found;
        const char *const file = m_setup.bytes;
        const qint64 begin = blockStart(block);
        const qint64 end = qMin(blockStart(block + 1), m_setup.size);
        // The byte before the block tells whether a line starts with it.
        const char *start = file + begin;
        if (begin > 0 && file[begin - 1] != '\n') {
            const void *lf = std::memchr(start, '\n', std::size_t(end - begin));
            if (!lf)
                return found;
            start = static_cast<const char *>(lf) + 1;
        }
        if (start >= file + end)
            return found;
        // The end of the last one: its line end, its cut or the file's end.
        const char *last = file + end - 1;
        const char *reach = file + qMin(end + tailBytes, m_setup.size);
        const void *lf = std::memchr(last, '\n', std::size_t(reach - last));
        if (!lf) {
            const void *before = memrchr(start, '\n', std::size_t(last - start));
            const char *lastStart = before ? static_cast<const char *>(before) + 1 : start;
            reach = file + qMin(lastStart - file + longestLine + 1, m_setup.size);
            lf = std::memchr(last, '\n', std::size_t(reach - last));
        }
        const char *stop = lf ? static_cast<const char *>(lf) + 1 : reach;
        checker.check(start, stop, start - file, collect, &found, m_stop);
        return found;
    }

    const Setup m_setup;
    const EntryMatch &m_match;
    const LineEncoding &m_encoding;
    const std::atomic<bool> *const m_stop;
    const qint64 m_blocks;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Under m_mutex.
    std::array<Slot, blocksAhead> m_slots;
    qint64 m_next = 0;         // the next block to scan
    qint64 m_handedBlocks = 0; // blocks whose rows were handed out
    bool m_collecting;         // rows are still wanted
    qint64 m_rowsFound = 0;    // in the blocks scanned
    Ending m_ending = Ending::None;
    // On the handing thread only.
    qint64 m_count = 0;
    qint64 m_handed = 0;
};

// Searches one dictionary's file from `from` on. Returns false with
// `failure` filled when it could not be searched to its end or limit.
class FileSearch
{
public:
    FileSearch(const Request &request, const Dictionary &dictionary, const std::atomic<bool> *stop)
        : m_request(request), m_dictionary(dictionary), m_stop(stop)
    {
        m_failure.dictionary = dictionary.id;
        m_failure.location = dictionary.location;
    }

    Ending run(qint64 from, qint64 limit, const Rows &rows)
    {
        const QString &location = m_dictionary.location;
        const LineEncoding &encoding = LineEncoding::named(m_dictionary.encoding);
        if (!encoding.decoder().isValid())
            return fail(QStringLiteral("the dictionary file %1 cannot be decoded"),
                        QStringLiteral("no decoder for its encoding"));
        QFile file;
        QString reason;
        if (DictionaryFile::open(&file, location, &reason) != DictionaryFile::Opened)
            return fail(QStringLiteral("cannot open the dictionary file %1"), reason);
        // The offsets of another file would give rows of lines not there.
        if (m_dictionary.recorded &&
            !DictionaryFile::matches(&file, location, *m_dictionary.recorded))
            return changed();
        FileIdentity before;
        if (!DictionaryFile::identify(&file, &before))
            return fail(QStringLiteral("cannot read the dictionary file %1"), file.errorString());

        MappedFile mapped;
        if (!mapped.map(file.handle(), before.size))
            return fail(QStringLiteral("cannot read the dictionary file %1"),
                        qt_error_string(errno));
        const QByteArrayView sample(mapped.data() + qMin(from, before.size),
                                    qBound<qint64>(0, before.size - from, sampleBytes));
        // EDICT's lines have no marker: any line may be an entry.
        const EntryMatch match(m_request.text, encoding.forms(), sample,
                               m_dictionary.type != Records::edictType);
        Ending ending = Ending::None;
        if (match.plan() != EntryMatch::Plan::Nothing && from < before.size) {
            Scan scan({mapped.data(), from, before.size, m_dictionary.id, m_dictionary.type, limit,
                       m_request.countAll},
                      match, encoding, m_stop);
            ending = scan.run(rows);
            m_count = scan.count();
            m_handed = scan.handed();
            if (mapped.truncated() && ending != Ending::Stopped)
                ending = Ending::Short;
        }
        if (ending == Ending::Stopped)
            return ending;
        // Changed while it was read: some rows may come from the file before.
        FileIdentity after;
        if (ending == Ending::Short || !DictionaryFile::identify(&file, &after) ||
            !after.sameStat(before) || after.checksum != before.checksum ||
            !DictionaryFile::sizeAndTime(location, &after) || !after.sameStat(before))
            return changed();
        return ending;
    }

    qint64 count() const { return m_count; }
    qint64 handed() const { return m_handed; }
    const Failure &failure() const { return m_failure; }

private:
    // `what` names the file as %1.
    Ending fail(const QString &what, const QString &reason)
    {
        m_failure.reason = reason;
        m_failure.error = what.arg(m_dictionary.location) + QStringLiteral(": ") + reason;
        return Ending::Failed;
    }
    Ending changed()
    {
        m_failure.fileChanged = true;
        m_failure.error = SearchThread::fileChangedError(m_dictionary.location);
        return Ending::Failed;
    }

    const Request &m_request;
    const Dictionary &m_dictionary;
    const std::atomic<bool> *const m_stop;
    Failure m_failure;
    qint64 m_count = 0;
    qint64 m_handed = 0;
};

} // namespace

bool EntrySearch::installed(QList<Dictionary> *dictionaries, QString *reason,
                            const QList<int> &only)
{
    dictionaries->clear();
    InstalledDictionaries database;
    QList<Records::Installed> list;
    if (!database.list(&list)) {
        *reason = database.lastError();
        return false;
    }
    for (const int id : only) {
        if (std::none_of(list.cbegin(), list.cend(),
                         [id](const Records::Installed &one) { return one.id == id; })) {
            *reason = QStringLiteral("no dictionary with id %1 is installed").arg(id);
            return false;
        }
    }
    for (const Records::Installed &one : std::as_const(list)) {
        if (!(only.isEmpty() ? one.enabled : only.contains(one.id)))
            continue;
        Dictionary dictionary{one.id, one.location, one.encoding, std::nullopt, one.type};
        FileIdentity identity;
        switch (database.fileIdentity(one.id, &identity)) {
        case Records::Answer::Found:
            dictionary.recorded = identity;
            break;
        case Records::Answer::None:
            break;
        case Records::Answer::Failed:
            *reason = database.lastError();
            return false;
        }
        dictionaries->append(dictionary);
    }
    return true;
}

Outcome EntrySearch::run(const Request &request, const Rows &rows, const std::atomic<bool> *stop)
{
    Outcome outcome;
    outcome.counted = request.countAll;
    qsizetype first = 0;
    if (request.afterDictionary != 0) {
        while (first < request.dictionaries.size() &&
               request.dictionaries.at(first).id != request.afterDictionary)
            ++first;
    }
    qint64 handed = 0;
    for (qsizetype i = first; i < request.dictionaries.size(); ++i) {
        // Asked to stop before it began: a newer search came at once.
        if (stop && stop->load()) {
            outcome.stopped = true;
            break;
        }
        const bool resumed = i == first && request.afterDictionary != 0;
        const qint64 from = resumed ? request.afterOffset + 1 : 0;
        FileSearch search(request, request.dictionaries.at(i), stop);
        const Ending ending = search.run(from, request.limit - handed, rows);
        handed += search.handed();
        if (ending == Ending::Failed)
            outcome.failures.append(search.failure());
        else
            outcome.count += search.count();
        if (ending == Ending::Stopped)
            outcome.stopped = true;
        if (ending == Ending::Stopped || ending == Ending::Limit)
            break;
    }
    if (outcome.stopped || !request.countAll) {
        outcome.counted = false;
        outcome.count = handed;
    }
    return outcome;
}
