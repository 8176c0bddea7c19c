#pragma once

#include "dictionary/format.h"

#include <QString>

#include <atomic>
#include <functional>

class CommonnessCounter;

// Counts in an installed dictionary's file how common the entry words of
// every installed dictionary are (CommonnessCounter), and stores the counts
// with its index, where look-ups add up those of the dictionaries switched
// on: after a build committed, on the build's thread.
namespace CommonnessCount {

enum class Result {
    Stored,   // counted and stored (or the dictionary went meanwhile)
    Canceled, // stopped on request; nothing stored
    Failed,   // the file or the database failed; nothing stored
};

// What one decoded line of a dictionary file gives the counter: its
// translation (countText), and for a format that marks common words, its
// keys marked (markCommon).
using LineCounter = std::function<void(const QString &line, CommonnessCounter &counter)>;

// An Eijiro line: the translation of an entry line, what follows its head
// and the separator after it.
void countEijiroLine(const QString &line, CommonnessCounter &counter);

// The line reading of a DictionaryFormat type: its translation counted,
// the keys of a line it marks common marked.
LineCounter lineCounterFor(int type);

// The lines of dictionary `id`, whose file is `path` in `encoding`, each
// through `countLine`, against the keys of every installed dictionary.
// `canceled` is read once per line. `error` tells why it failed.
Result count(int id, const QString &path, Eijiro::Encoding encoding,
             const std::atomic_bool &canceled, QString *error,
             const LineCounter &countLine = countEijiroLine);

// The lines of every installed dictionary but `id` counted again, after
// `id` was built, against its keys only (and those of any dictionary their
// stored counts do not cover yet), merged into their stored counts. One
// whose file cannot be read keeps its counts (Failed, with `error`), the
// others are counted.
Result countOthers(int id, const std::atomic_bool &canceled, QString *error);

} // namespace CommonnessCount
