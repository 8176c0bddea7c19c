#pragma once

#include <QList>
#include <QString>

class QTextDocument;

// Turns a result page into the text document QTextDocument::setHtml() would
// make of it, without parsing HTML. A page holds only the handful of tags the
// renderer writes, so their blocks and formats can be built directly, several
// times faster; that time is part of every keystroke.
//
// Anything outside that handful, or text that would make Qt's importer merge
// or split blocks (a block left empty, a paragraph separator), is refused,
// and the caller falls back to setHtml().
namespace PageDocument {

// One stretch of text in one character format.
struct Run
{
    enum Format { Item, Heading, Mark, Badge };
    Format format;
    QString text;
};

// One paragraph of the document, with its text already as Qt's importer
// leaves it (entities decoded, white space collapsed).
struct Block
{
    enum Kind { Heading, Badge, Item };
    Kind kind;
    // Items: whether they open or close their list.
    bool firstInList = false;
    bool lastInList = false;
    // Headings: the page's first block takes its format over the document's
    // initial block, which leaves an explicit zero indent on it.
    bool opensDocument = false;
    QList<Run> runs;
};

// Reads `page` into blocks; false if the page holds anything the direct
// construction does not reproduce exactly.
bool parse(const QString &page, QList<Block> *blocks);

// Fills `document`, which must be new and empty, from `page`. Returns false
// and leaves the document as it was when parse() refuses the page.
bool build(const QString &page, QTextDocument *document);

} // namespace PageDocument
