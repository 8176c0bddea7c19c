#pragma once

#include <QString>

struct sqlite3;

// The file that look-ups read: the default connection's, named here as it
// is opened and closed. Readers of it share SQLite's page cache and parsed
// schema (its shared-cache mode), which a connection kept for that alone
// holds while the file is named.
namespace ReaderFile {

// The file readers open from now on, or none (empty). Keeps the shared
// cache alive for that file meanwhile.
void set(const QString &file);
// The file readers open now; empty when none is.
QString name();

enum class Opened { Open, NoFile, Failed };
// Opens a connection for reading on the file, never creating it: through
// the shared cache while the file at the path is the one it holds, else
// with a cache of its own. After Failed, `*db` may still say why; the
// caller closes it.
Opened open(sqlite3 **db);

} // namespace ReaderFile
