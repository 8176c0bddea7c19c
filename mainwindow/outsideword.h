#pragma once

#include <QString>

// A word that comes from outside the window (the command line, another
// program, the last run) as the window takes it: without control
// characters or marks that turn text around (they would turn the page and
// the title around too), white space runs as one space, none at the ends,
// at most maxLength characters.
namespace OutsideWord {
constexpr int maxLength = 256;
QString clean(const QString &text);
// A word given on the command line or selected in another program, as
// clean() leaves it and without the punctuation around it that text
// carries ("apple," or 「りんご」): quotes, brackets, commas, full stops,
// colons, semicolons, ! and ?, in their full-width and Japanese forms too.
// Punctuation inside stays ("don't"), and so does the last full stop of an
// abbreviation written with stops ("U.S."). Text of nothing but
// punctuation is left as it is.
QString fromText(const QString &text);
} // namespace OutsideWord
