#pragma once

#include "dictionary/format.h"

#include <QString>

#include <atomic>

// Counts how common an installed dictionary's entry words are in its own
// file (CommonnessCounter) and stores the counts with its index, where
// look-ups find them: after its build committed, on the build's thread.
namespace CommonnessCount {

enum class Result {
    Stored,   // counted and stored (or the dictionary went meanwhile)
    Canceled, // stopped on request; nothing stored
    Failed,   // the file or the database failed; nothing stored
};

// Dictionary `id`, whose file is `path` in `encoding`. `canceled` is read
// once per line. `error` tells why it failed.
Result count(int id, const QString &path, Eijiro::Encoding encoding,
             const std::atomic_bool &canceled, QString *error);

// The translation of entry line `line`: what follows its head and the
// separator after it; null for a line that is no entry line.
QStringView translation(const QString &line);

} // namespace CommonnessCount
