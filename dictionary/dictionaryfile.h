#pragma once

#include <QString>

class QFile;

// Opening a dictionary text file. Only a regular file can be one: a FIFO
// would block the reader until some other program writes to it, and a
// device or a directory never ends or never reads. Whatever the path names,
// opening never blocks.
namespace DictionaryFile {

enum Status {
    Opened,     // a regular file, open read-only (unbuffered)
    NotRegular, // a FIFO, device, socket or directory; nothing is open
    OpenFailed, // missing, unreadable, no name; nothing is open
};

// Opens `path` into `file`. On NotRegular and OpenFailed, `error` (if given)
// says why in a few words ("not a regular file", "No such file or
// directory").
Status open(QFile *file, const QString &path, QString *error = nullptr);

} // namespace DictionaryFile
