#pragma once

#include "lookup/page.h"

class QColor;
class QTextDocument;

// Builds the result view's text document straight from a page: the blocks,
// lists and formats QTextDocument::setHtml() makes of the page's HTML, with
// no HTML written or parsed, several times faster; that time is part of
// every keystroke.
//
// A page whose text would make Qt's importer merge or split paragraphs (a
// paragraph left empty, a paragraph separator) or that is a message is
// refused, and the caller sets its HTML instead.
namespace PageDocument {

// Fills `document`, which must be new and empty, from `page`. Returns false
// and leaves the document as it was when the page is refused.
bool build(const Page &page, QTextDocument *document);

// Appends the blocks of the next window of the page in `document`
// (SearchThread::lookUpNext) in place of the link to them: they continue
// the page's last list as if its window had gone on.
void append(const Page &page, QTextDocument *document);

// The line at the end of a page whose window ended while the lines of
// `word` went on, with a link (moreLink) to the next ones; removed again.
inline constexpr char moreLink[] = "orvel:more";
void addMoreLine(QTextDocument *document, const QString &word, const QColor &muted,
                 const QColor &link);
void removeMoreLine(QTextDocument *document);

} // namespace PageDocument
