#pragma once

#include "lookup/page.h"

#include <QString>

#include <functional>
#include <memory>

// The page as plain text, for `orvel-cli lookup`: the note on the first
// line, each heading on a line of its own after a blank line, a label as
// "  [label]", items numbered per list as "  1. ", each line break of an
// item starting a line indented beneath its text, the suggestions after a
// blank line under their lead, indented. White space runs become one space, as a browser shows
// them. No line end after the last line.
namespace PageText {

QString write(const Page &page);

// The same text for a page handed over in parts (SearchThread::PageParts),
// whose lines and blank lines run on from one part into the next:
// each part's text goes to `out` once it is added, but for the line breaks
// at its end, which wait for what follows. All that `out` gets, in order,
// is write() of the page the parts make.
class Stream
{
public:
    explicit Stream(std::function<void(const QString &)> out);
    ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // The next part: its note, if any, only in the first, its
    // suggestions only in the last.
    void add(const Page &part);
    // After the last part: the rest.
    void finish();

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace PageText
