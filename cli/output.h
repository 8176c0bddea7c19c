#pragma once

#include <QString>

#include <cstdio>

// Everything orvel-cli prints goes through here. Text from a dictionary
// file or from the command line may hold control characters, and on a
// terminal they would act: an ESC sequence retitles or recolours the
// terminal, a bidirectional override turns the rest of the line around. On
// a terminal each is therefore shown instead:
// - the C0 controls but tab and line feed as their Control Pictures,
//   U+2400 to U+241F (ESC as "␛", carriage return as "␍"), DEL as U+2421 "␡";
// - the C1 controls (U+0080 to U+009F) and the bidirectional embeddings,
//   overrides and isolates (U+202A to U+202E, U+2066 to U+2069) as a
//   backslash, "u" and four upper-case hex digits ("\u202E").
// Into a pipe or a file every character goes out unchanged, so
// `lookup --html` there is the page byte for byte.
namespace Output {

// `text` with every character above replaced by what shows it.
QString visible(const QString &text);
// Writes `text` in UTF-8 to `stream`, as visible() shows it when `stream`
// is a terminal, and flushes it.
void write(std::FILE *stream, const QString &text);
// One line on stderr: "orvel-cli: " and `line`.
void fail(const QString &line);

} // namespace Output
