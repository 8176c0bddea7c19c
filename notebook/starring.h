#pragma once

#include "lookup/searchthread.h"
#include "notebook/notebook.h"

#include <QList>
#include <QString>

// Finding the entry a word stars, from the index, on any thread: the entry
// of the word list whose key the word has (phrases included), in the first
// of the dictionaries read that has it. orvel-cli star and the import use
// it; the window stars what its page shows.
namespace Starring {

// The name of the one dictionary a look-up of `only` reads (those switched
// on when `only` is empty); empty when it reads several or none.
QString soleDictionary(const QList<int> &only = {});

// Finds the entry `word` stars, as `star` (its time left 0): Found, or
// NotFound when no dictionary read has it, NoDictionary, or Failed with
// `error` (if given) saying why in one line. `sole` is soleDictionary(only).
SearchThread::Status find(const QString &word, const QList<int> &only, const QString &sole,
                          Star *star, QString *error = nullptr);

} // namespace Starring
