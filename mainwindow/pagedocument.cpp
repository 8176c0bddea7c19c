#include "mainwindow/pagedocument.h"

#include "lookup/pagemarkup.h"

#include <QBrush>
#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>

namespace PageDocument {

namespace {

// The tags the renderer writes, and nothing else.
enum class Tag {
    ListOpen,
    ListClose,
    HeadingOpen,
    PlainHeadingOpen, // the not-found page's
    HeadingClose,
    MarkOpen,
    BadgeOpen,
    SpanClose,
    ItemOpen,
    ItemClose,
    Break,
    Unknown
};

struct TagText
{
    Tag tag;
    const QString &text;
};

const TagText tags[] = {
    {Tag::ListOpen, PageMarkup::listOpen},
    {Tag::ListClose, PageMarkup::listClose},
    {Tag::HeadingOpen, PageMarkup::headingOpen},
    {Tag::PlainHeadingOpen, PageMarkup::plainHeadingOpen},
    {Tag::HeadingClose, PageMarkup::headingClose},
    {Tag::MarkOpen, PageMarkup::highlightOpen},
    {Tag::BadgeOpen, PageMarkup::badgeOpen},
    {Tag::SpanClose, PageMarkup::spanClose},
    {Tag::ItemOpen, PageMarkup::itemOpen},
    {Tag::ItemClose, PageMarkup::itemClose},
    {Tag::Break, PageMarkup::lineBreak},
};

Tag readTag(QStringView page, qsizetype *pos)
{
    const QStringView rest = page.mid(*pos);
    for (const TagText &t : tags) {
        if (rest.startsWith(t.text)) {
            *pos += t.text.size();
            return t.tag;
        }
    }
    return Tag::Unknown;
}

// The entities escaping produces, plus the badge's padding. Returns a null
// character for anything else.
QChar readEntity(QStringView page, qsizetype *pos)
{
    static const struct
    {
        QStringView name;
        char16_t c;
    } entities[] = {{u"&amp;", u'&'},
                    {u"&lt;", u'<'},
                    {u"&gt;", u'>'},
                    {u"&quot;", u'"'},
                    {PageMarkup::badgeSpace, QChar::Nbsp}};
    const QStringView rest = page.mid(*pos);
    for (const auto &e : entities) {
        if (rest.startsWith(e.name)) {
            *pos += e.name.size();
            return QChar(e.c);
        }
    }
    return QChar();
}

// Characters that would start a block or frame of their own. Line feeds and
// carriage returns are white space to HTML and never get that far.
bool splitsBlocks(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

// White space as Qt's HTML importer sees it in ordinary (non-pre) text:
// every run becomes one space, and a run at the start of a paragraph or
// right after a line break goes.
class Text
{
public:
    void startBlock() { m_dropSpace = true; }

    void add(Run::Format format, QChar c, QList<Run> *runs)
    {
        if (c.isSpace() && c != QChar::Nbsp && c != QChar::ParagraphSeparator) {
            if (m_dropSpace)
                return;
            m_dropSpace = true;
            c = u' ';
        } else {
            m_dropSpace = false;
        }
        append(format, c, runs);
    }

    // A line break is kept wherever it stands; the spaces after it are not.
    void addBreak(QList<Run> *runs)
    {
        append(Run::Item, QChar::LineSeparator, runs);
        m_dropSpace = true;
    }

private:
    static void append(Run::Format format, QChar c, QList<Run> *runs)
    {
        if (runs->isEmpty() || runs->last().format != format)
            runs->append({format, QString()});
        runs->last().text += c;
    }

    bool m_dropSpace = true;
};

bool hasText(const Block &block)
{
    for (const Run &run : block.runs)
        if (!run.text.isEmpty())
            return true;
    return false;
}

} // namespace

bool parse(const QString &page, QList<Block> *blocks)
{
    enum class Where { Top, List, Heading, Mark, Item, Badge };
    Where where = Where::Top;
    Text text;
    // Whether the open list has items yet, whether anything at all came
    // after its opening tag, and whether the list before it was just closed:
    // the importer opens a badge's paragraph only in that case.
    bool listHasItems = false;
    bool listHasContent = false;
    bool listJustClosed = false;
    blocks->clear();

    const auto startBlock = [&](Block::Kind kind) {
        // An empty paragraph would be merged with the next one, and the
        // importer treats the document's first block apart unless it is a
        // heading.
        if (blocks->isEmpty() ? kind != Block::Heading : !hasText(blocks->last()))
            return false;
        Block block;
        block.kind = kind;
        blocks->append(block);
        text.startBlock();
        return true;
    };

    const QStringView view(page);
    qsizetype pos = 0;
    while (pos < view.size()) {
        const QChar c = view.at(pos);
        if (c == u'<') {
            const Tag tag = readTag(view, &pos);
            switch (where) {
            case Where::Top:
                if (tag == Tag::ListOpen) {
                    where = Where::List;
                    listHasItems = listHasContent = false;
                } else if (tag == Tag::HeadingOpen || tag == Tag::PlainHeadingOpen) {
                    if (!startBlock(Block::Heading))
                        return false;
                    // The importer adds an explicit zero indent to a first
                    // heading that follows a closed list.
                    blocks->last().opensDocument = blocks->size() == 1 && listJustClosed;
                    listJustClosed = false;
                    where = Where::Heading;
                } else {
                    return false;
                }
                break;
            case Where::List:
                if (tag == Tag::ListClose) {
                    if (listHasItems) {
                        blocks->last().lastInList = true;
                    } else if (listHasContent) {
                        return false;
                    }
                    where = Where::Top;
                    listJustClosed = true;
                } else if (tag == Tag::ItemOpen) {
                    if (!startBlock(Block::Item))
                        return false;
                    Block &item = blocks->last();
                    item.firstInList = !listHasItems;
                    listHasItems = listHasContent = true;
                    where = Where::Item;
                } else if (tag == Tag::BadgeOpen && !listHasContent && listJustClosed) {
                    if (!startBlock(Block::Badge))
                        return false;
                    listHasContent = true;
                    where = Where::Badge;
                } else {
                    return false;
                }
                if (tag != Tag::ListClose)
                    listJustClosed = false;
                break;
            case Where::Heading:
                if (tag == Tag::MarkOpen)
                    where = Where::Mark;
                else if (tag == Tag::HeadingClose)
                    where = Where::Top;
                else
                    return false;
                break;
            case Where::Mark:
                if (tag != Tag::SpanClose)
                    return false;
                where = Where::Heading;
                break;
            case Where::Item:
                if (tag == Tag::Break)
                    text.addBreak(&blocks->last().runs);
                else if (tag == Tag::ItemClose)
                    where = Where::List;
                else
                    return false;
                break;
            case Where::Badge: {
                if (tag != Tag::SpanClose)
                    return false;
                // A badge of nothing but white space gets no paragraph.
                const QString label = blocks->last().runs.value(0).text;
                if (std::all_of(label.begin(), label.end(), [](QChar b) { return b.isSpace(); }))
                    return false;
                where = Where::List;
                break;
            }
            }
            continue;
        }

        QChar ch = c;
        if (c == u'&') {
            ch = readEntity(view, &pos);
            if (ch.isNull())
                return false;
        } else {
            ++pos;
        }
        if (splitsBlocks(ch))
            return false;
        Run::Format format;
        switch (where) {
        case Where::Heading:
            format = Run::Heading;
            break;
        case Where::Mark:
            format = Run::Mark;
            break;
        case Where::Item:
            format = Run::Item;
            break;
        case Where::Badge:
            format = Run::Badge;
            break;
        default:
            return false;
        }
        text.add(format, ch, &blocks->last().runs);
    }
    return where == Where::Top && !blocks->isEmpty() && hasText(blocks->last());
}

bool build(const QString &page, QTextDocument *document)
{
    QList<Block> blocks;
    if (!parse(page, &blocks))
        return false;

    QTextCharFormat heading;
    heading.setProperty(QTextFormat::FontSizeAdjustment, 2);
    heading.setFontWeight(QFont::Bold);
    QTextCharFormat mark = heading;
    mark.setForeground(QBrush(QColor(0xc0, 0x00, 0x00)));
    QTextCharFormat badge;
    badge.setBackground(QBrush(QColor(0xe0, 0xe0, 0xe0)));
    const QTextCharFormat item;
    const QTextCharFormat *formats[] = {&item, &heading, &mark, &badge};

    QTextListFormat listFormat;
    listFormat.setStyle(QTextListFormat::ListDecimal);
    listFormat.setIndent(1);

    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QTextList *list = nullptr;
    bool first = true;
    for (const Block &block : std::as_const(blocks)) {
        QTextBlockFormat blockFormat;
        QTextCharFormat blockCharFormat;
        switch (block.kind) {
        case Block::Heading:
            blockFormat.setTopMargin(16);
            blockFormat.setBottomMargin(12);
            if (block.opensDocument)
                blockFormat.setIndent(0);
            blockFormat.setHeadingLevel(2);
            blockCharFormat = heading;
            break;
        case Block::Badge:
            blockFormat.setIndent(1);
            blockCharFormat = badge;
            break;
        case Block::Item:
            if (block.firstInList)
                blockFormat.setTopMargin(12);
            if (block.lastInList)
                blockFormat.setBottomMargin(12);
            break;
        }
        if (first) {
            // The document's own first block takes the first paragraph.
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(blockCharFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, blockCharFormat);
        }
        if (block.kind == Block::Item) {
            if (block.firstInList)
                list = cursor.createList(listFormat);
            else
                list->add(cursor.block());
        }
        for (const Run &run : block.runs)
            cursor.insertText(run.text, *formats[run.format]);
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
    return true;
}

} // namespace PageDocument
