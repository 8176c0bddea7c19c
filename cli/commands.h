#pragma once

#include <QString>

// orvel-cli lookup: prints the page of a look-up of `word` to stdout, the
// HTML exactly as the result view receives it (UTF-8) or, without `html`, as
// readable plain text. Expects the default connection to be open.
// Returns 0 when entries were found, 1 for the not-found or no-dictionary
// page, 2 on failure (after one clear line on stderr).
int lookupCommand(const QString &word, bool html);
