#pragma once

#include "lookup/page.h"

#include <QString>

// The page as plain text, for `orvel-cli lookup`: the note on the first
// line, each heading on a line of its own after a blank line, a label as
// "  [label]", items numbered per list as "  1. ", each line break of an
// item starting a line indented beneath its text, the suggestions after a
// blank line under their lead, indented. White space runs become one space, as a browser shows
// them. No line end after the last line.
namespace PageText {

QString write(const Page &page);

} // namespace PageText
