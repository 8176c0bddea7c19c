#pragma once

#include "notebook/notebook.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// The notebook as flash cards: one card a line, in UTF-8, that a
// flash-card program (Anki: File > Import) takes as it is, and that Orvel
// reads back.
//
// A starred entry's card has three fields: the front, the entry word and
// its reading ("apple 【アップル】"); the back, its senses as HTML lines
// joined by <br>, then the user's note after <hr> when there is one; and
// the dictionary's name as a tag (white space made "_"). Every field is
// HTML: & < > " are escaped, a line break is <br>, a tab, a carriage return
// and every other control character a numeric reference, so no field holds
// a tab or a line end of its own and the HTML reads back to the very text.
// A word of the history is a line of its word (HTML as above), the times
// it was looked up and the last time (ISO 8601, UTC).
//
// A line that would start with "#" (a comment to Anki) starts with "&#35;".
//
// Tsv: fields separated by tabs, lines ended by LF, after the header lines
// Anki reads ("#separator:tab", "#html:true", "#tags column:3"). Csv: RFC 4180, fields
// separated by commas, quoted when they hold a comma, a quote or a line
// end (a quote doubled), lines ended by CR LF, no header.
namespace Cards {

enum class Format { Tsv, Csv };

// The lines before the first card or word.
QString header(Format format, bool history);
QString card(const Star &star, Format format);
QString historyLine(const HistoryWord &word, Format format);

// The fields of one line (a CSV record without a line end in it) as
// written, still HTML; an unquoted field's spaces stay.
QStringList fields(QStringView line, Format format);
// The text of a field as card() wrote it: <br> a line break, references
// the characters they stand for.
QString text(QStringView html);

// Writes the notebook's starred entries (or, with `history`, its history)
// to `out`, the header first, then a card (or word) at a time, newest
// first; false when the notebook cannot be read or `out` returns false.
// `count` gets how many were written, `error` why it failed.
bool write(Notebook &notebook, bool history, Format format,
           const std::function<bool(const QString &text)> &out, int *count = nullptr,
           QString *error = nullptr);

// A card's fields read back: the entry word and reading of the front (a
// reading only where the front ends in one in 【】), the lines and note of
// the back, the tag as the dictionary.
Star starOf(const QStringList &fields);

} // namespace Cards
