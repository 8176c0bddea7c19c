#pragma once

#include "database/fileidentity.h"
#include "database/records.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <limits>
#include <optional>

// Finds the entry lines of dictionaries that contain a text, ignoring case
// exactly as QString::contains with Qt::CaseInsensitive decides on each
// decoded line without its line end (Find in Entries, orvel-cli grep). An
// entry line is one the indexer reading accepts (Eijiro::readIndexer);
// lines are cut as a look-up cuts them (BoundedReader::longestLine).
//
// Each file is read at memory speed, never whole: a block at a time on the
// calling thread and one helper, a few blocks ahead of the rows handed
// out. Where the text's bytes stand (EntryMatch), the line is mostly read
// from its bytes; it is decoded only where they do not tell for certain,
// and for the rows handed out. The rows come in dictionary order, then
// file order, a block's at a time, the first long before the file is read
// to its end; a stop request ends the search within a block.
namespace EntrySearch {

// A dictionary to search, as installed.
struct Dictionary
{
    int id = 0;
    QString location;
    QString encoding; // as recorded: empty for Shift_JIS
    // What the file looked like when its index was built; none for a
    // dictionary installed before that was recorded, which is not checked.
    std::optional<FileIdentity> recorded;
    int type = Records::eijiroType; // an EDICT file's lines are all entries
};

// The installed dictionaries switched on, in the user's order, or those of
// `only` (each must be installed), through the default connection (so on
// its thread); false, with the reason, when they cannot be read.
bool installed(QList<Dictionary> *dictionaries, QString *reason, const QList<int> &only = {});

struct Request
{
    QString text; // nothing is found for an empty one
    QList<Dictionary> dictionaries;
    // For more rows: only those after the row of this dictionary (its id)
    // and offset, the last one shown; 0 for all.
    int afterDictionary = 0;
    qint64 afterOffset = -1;
    // Rows handed out at most. Past them the search goes on to the end
    // counting the lines with `countAll`, else it ends there.
    qint64 limit = std::numeric_limits<qint64>::max();
    bool countAll = true;
};

struct Row
{
    int dictionary = 0; // its id
    qint64 offset = 0;  // of the line's first byte in the file
    QString entryWord;  // of the line's indexer reading
    // Decoded, without its line end; a cut line ends in "…".
    QString line;
};

// A dictionary whose file could not be searched.
struct Failure
{
    int dictionary = 0;
    QString location;
    bool fileChanged = false; // not (or no longer) the file its index was built of
    QString reason;           // otherwise, what failed in a few words
    QString error;            // in one line, what failed and what to do
};

struct Outcome
{
    bool stopped = false; // a stop request ended it
    // Matching entry lines: all of them when `counted` (every dictionary
    // searched to its end), else those handed out.
    qint64 count = 0;
    bool counted = false;
    // The rows of a failed dictionary that were handed out may be wrong
    // (its file changed meanwhile): a caller drops them.
    QList<Failure> failures;
};

// Gets the rows of one block or more, in order, on the thread that runs
// the search, as they are found.
using Rows = std::function<void(QList<Row> &&rows)>;

// Runs the search on the calling thread; the dictionaries are searched one
// after the other, each to its end or to the limit. `stop`, when given, may
// be set from any thread at any time.
Outcome run(const Request &request, const Rows &rows, const std::atomic<bool> *stop = nullptr);

// Bytes of a file read at a time by each thread, but for the first block
// of a search; the rows of at most blocksAhead blocks wait for those
// before them.
inline constexpr qint64 blockBytes = 256 << 10;
inline constexpr qint64 firstBlockBytes = 16 << 10;
inline constexpr int blocksAhead = 8;

} // namespace EntrySearch
