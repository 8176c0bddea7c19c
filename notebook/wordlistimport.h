#pragma once

#include <QString>

#include <atomic>
#include <functional>

class Notebook;

// File > Import Word List: stars each word of a word list (WordListFile)
// that a dictionary switched on has, the entry of the word list whose key
// it has, and counts those no dictionary has. Runs on the calling thread
// with connections of its own; the stars go into the notebook a batch at a
// time, each batch one transaction, so a stop or a failure keeps those
// written before it.
namespace WordListImport {

inline constexpr int batch = 200;

struct Outcome
{
    int starred = 0;  // new stars
    int already = 0;  // found, but starred before
    int notFound = 0; // no dictionary has them
    int skipped = 0;  // lines too long to be a word
    bool stopped = false;
    // Why the import ended early: the file refused (one line), the index
    // or the notebook failed. Empty when it read the whole file.
    QString error;
};

// `progress` (if given) is told the bytes read and the file's size after
// each batch; `stop` (if given) ends the import at the next word.
Outcome run(const QString &file, Notebook *notebook, const std::atomic<bool> *stop = nullptr,
            const std::function<void(qint64 done, qint64 total)> &progress = nullptr);

} // namespace WordListImport
