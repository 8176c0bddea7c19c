#include "mainwindow/pagedocument.h"

#include "lookup/searchthread.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>

namespace PageDocument {

namespace {

// White space that Qt's HTML importer collapses in ordinary (non-pre) text.
bool collapses(QChar c)
{
    return c.isSpace() && c != QChar::Nbsp && c != QChar::ParagraphSeparator;
}

// Characters that would start a block or frame of their own.
bool splitsBlocks(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

// Whether the paragraph of `block` keeps any text: white space alone is
// dropped, and the importer would merge the empty paragraph with the next.
bool keepsText(const PageBlock &block)
{
    return (block.kind == PageBlock::Item && !block.cuts.isEmpty()) ||
           !std::all_of(block.text.begin(), block.text.end(), collapses);
}

// Whether a paragraph of `text` alone (the note, a suggestion) comes out
// of the importer as one paragraph holding it.
bool keepsParagraph(const QString &text)
{
    return !std::any_of(text.begin(), text.end(), splitsBlocks) &&
           !std::all_of(text.begin(), text.end(), collapses);
}

// Whether the document build() makes of `page` is the one setHtml() makes.
bool buildable(const Page &page)
{
    for (const PageBlock &block : page.blocks) {
        // Tags with their tooltips are left to the importer.
        // So are the links and anchors of a page of several dictionaries.
        if (block.kind == PageBlock::Message || block.kind == PageBlock::Link ||
            block.kind == PageBlock::Common || block.kind == PageBlock::Sense ||
            block.kind == PageBlock::Contents || block.kind == PageBlock::More ||
            block.kind == PageBlock::Then)
            return false;
        if (block.kind == PageBlock::NewList)
            continue;
        if (std::any_of(block.text.begin(), block.text.end(), splitsBlocks) || !keepsText(block))
            return false;
        // A badge of nothing but white space gets no paragraph.
        if (block.kind == PageBlock::Label &&
            std::all_of(block.text.begin(), block.text.end(), [](QChar c) { return c.isSpace(); }))
            return false;
    }
    if ((!page.note.isEmpty() && !keepsParagraph(page.note)) ||
        !std::all_of(page.suggestions.begin(), page.suggestions.end(), keepsParagraph))
        return false;
    // Only a heading may take the document's own first block.
    return !page.blocks.isEmpty() && (page.blocks.first().kind == PageBlock::Heading ||
                                      page.blocks.first().kind == PageBlock::NotFound ||
                                      page.blocks.first().kind == PageBlock::Dictionary);
}

// Inserts the text of one paragraph run by run, with white space as the
// importer leaves it: every run becomes one space, and none stays at the
// start of the paragraph or right after a line break.
class Paragraph
{
public:
    // With `whole`, a character that would split the paragraph stands as
    // U+FFFD instead.
    explicit Paragraph(QTextCursor *cursor, bool whole = false) : m_cursor(cursor), m_whole(whole)
    {
    }
    ~Paragraph() { flush(); }

    void add(QStringView text, const QTextCharFormat *format)
    {
        for (QChar c : text) {
            if (m_whole && splitsBlocks(c))
                c = QChar::ReplacementCharacter;
            if (collapses(c)) {
                if (m_dropSpace)
                    continue;
                m_dropSpace = true;
                c = u' ';
            } else {
                m_dropSpace = false;
            }
            append(c, format);
        }
    }

    void lineBreak(const QTextCharFormat *format)
    {
        append(QChar::LineSeparator, format);
        m_dropSpace = true;
    }

private:
    // Characters of one format go in together.
    void append(QChar c, const QTextCharFormat *format)
    {
        if (format != m_format)
            flush();
        m_format = format;
        m_text += c;
    }

    void flush()
    {
        if (!m_text.isEmpty())
            m_cursor->insertText(m_text, *m_format);
        m_text.clear();
    }

    QTextCursor *m_cursor;
    bool m_whole;
    const QTextCharFormat *m_format = nullptr;
    QString m_text;
    bool m_dropSpace = true;
};

// Writes the page's paragraphs one after the other, the first into the
// document's own first block, or after what a continued document holds.
class Writer
{
public:
    explicit Writer(QTextDocument *document, bool continued = false)
        : m_cursor(document), m_first(!continued)
    {
        m_cursor.movePosition(QTextCursor::End);
        m_cursor.beginEditBlock();
    }
    ~Writer() { m_cursor.endEditBlock(); }

    QTextCursor &startBlock(const QTextBlockFormat &format, const QTextCharFormat &charFormat)
    {
        if (m_first) {
            m_cursor.setBlockFormat(format);
            m_cursor.setBlockCharFormat(charFormat);
            m_first = false;
        } else {
            m_cursor.insertBlock(format, charFormat);
        }
        return m_cursor;
    }
    bool atStart() const { return m_first; }

private:
    QTextCursor m_cursor;
    bool m_first;
};

// A paragraph with the margins of <p>.
QTextBlockFormat paragraphFormat()
{
    QTextBlockFormat format;
    format.setTopMargin(12);
    format.setBottomMargin(12);
    return format;
}

// The grey line above the page.
void writeNote(Writer &out, const QString &note)
{
    QTextCharFormat grey;
    grey.setForeground(QBrush(QColor(QLatin1String(PageStyle::noteColor))));
    Paragraph(&out.startBlock(paragraphFormat(), grey)).add(note, &grey);
}

// The lead, then a bulleted list of links.
void writeSuggestions(Writer &out, const QStringList &words)
{
    const QTextCharFormat plain;
    Paragraph(&out.startBlock(paragraphFormat(), plain)).add(Page::suggestionsLead(), &plain);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    QTextList *list = nullptr;
    for (qsizetype i = 0; i < words.size(); ++i) {
        QTextBlockFormat format;
        if (i == 0)
            format.setTopMargin(12);
        if (i + 1 == words.size())
            format.setBottomMargin(12);
        QTextCursor &cursor = out.startBlock(format, {});
        if (list)
            list->add(cursor.block());
        else
            list = cursor.createList(bullets);
        // As the importer makes a link: in the palette's link colour,
        // underlined.
        QTextCharFormat link;
        link.setForeground(QGuiApplication::palette().link());
        link.setProperty(QTextFormat::FontUnderline, true);
        link.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        link.setAnchor(true);
        link.setAnchorHref(Page::lookUpAddress(words.at(i)));
        Paragraph(&cursor).add(words.at(i), &link);
    }
}

// Writes the blocks of a page; the first items join `list` when given.
void writeBlocks(Writer &out, const QList<PageBlock> &blocks, QTextList *list, bool whole)
{
    QTextCharFormat heading;
    heading.setProperty(QTextFormat::FontSizeAdjustment, 2);
    heading.setFontWeight(QFont::Bold);
    QTextCharFormat highlight = heading;
    highlight.setForeground(QBrush(QColor(QLatin1String(PageStyle::highlightColor))));
    QTextCharFormat badge;
    badge.setBackground(QBrush(QColor(QLatin1String(PageStyle::badgeColor))));
    const QTextCharFormat item;
    // A dictionary's name above its section, a smaller heading on its
    // colour.
    const QBrush sectionColor{QColor(QLatin1String(PageStyle::dictionaryColor))};
    QTextCharFormat section;
    section.setBackground(sectionColor);
    section.setProperty(QTextFormat::FontSizeAdjustment, 1);
    section.setFontWeight(QFont::Bold);

    QTextListFormat listFormat;
    listFormat.setStyle(QTextListFormat::ListDecimal);
    listFormat.setIndent(1);

    for (qsizetype b = 0; b < blocks.size(); ++b) {
        const PageBlock &block = blocks.at(b);
        QTextBlockFormat blockFormat;
        QTextCharFormat blockCharFormat;
        // Items: whether they open or close their list.
        const bool firstInList = b == 0 ? !list : blocks.at(b - 1).kind != PageBlock::Item;
        const bool lastInList = b + 1 == blocks.size() || blocks.at(b + 1).kind != PageBlock::Item;
        switch (block.kind) {
        case PageBlock::Heading:
        case PageBlock::NotFound:
            blockFormat.setTopMargin(16);
            blockFormat.setBottomMargin(12);
            // A result page begins with an empty list, after which the
            // importer leaves an explicit zero indent on the first
            // heading when it opens the document.
            if (b == 0 && block.kind == PageBlock::Heading && out.atStart())
                blockFormat.setIndent(0);
            blockFormat.setHeadingLevel(2);
            blockCharFormat = heading;
            break;
        case PageBlock::Label:
            blockFormat.setIndent(1);
            blockCharFormat = badge;
            break;
        case PageBlock::Item:
            if (firstInList)
                blockFormat.setTopMargin(12);
            if (lastInList)
                blockFormat.setBottomMargin(12);
            break;
        case PageBlock::Dictionary:
            blockFormat.setBackground(sectionColor);
            blockFormat.setTopMargin(14);
            blockFormat.setBottomMargin(12);
            blockFormat.setHeadingLevel(3);
            blockCharFormat = section;
            break;
        case PageBlock::NewList:
        case PageBlock::Message:
        case PageBlock::Link:
        case PageBlock::Common:
        case PageBlock::Sense:
        case PageBlock::Contents:
        case PageBlock::More:
        case PageBlock::Then:
            continue;
        }
        QTextCursor &cursor = out.startBlock(blockFormat, blockCharFormat);

        Paragraph paragraph(&cursor, whole);
        switch (block.kind) {
        case PageBlock::Heading:
            for (qsizetype i = 0; i < block.pieceCount(); ++i)
                paragraph.add(block.piece(i), i % 2 == 1 ? &highlight : &heading);
            break;
        case PageBlock::NotFound:
            paragraph.add(block.text, &heading);
            break;
        case PageBlock::Dictionary:
            paragraph.add(block.text, &section);
            break;
        case PageBlock::Label: {
            const QChar padding = QChar::Nbsp;
            paragraph.add(QStringView(&padding, 1), &badge);
            paragraph.add(block.text, &badge);
            paragraph.add(QStringView(&padding, 1), &badge);
            break;
        }
        default:
            if (firstInList)
                list = cursor.createList(listFormat);
            else
                list->add(cursor.block());
            for (qsizetype i = 0; i < block.pieceCount(); ++i) {
                if (i > 0)
                    paragraph.lineBreak(&item);
                paragraph.add(block.piece(i), &item);
            }
            break;
        }
    }
}

// Marks the paragraph of the link to the next lines.
constexpr int moreLineProperty = QTextFormat::UserProperty + 1;

} // namespace

bool build(const Page &page, QTextDocument *document)
{
    if (!buildable(page))
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    {
        Writer out(document);
        if (!page.note.isEmpty())
            writeNote(out, page.note);
        writeBlocks(out, page.blocks, nullptr, false);
        if (!page.suggestions.isEmpty())
            writeSuggestions(out, page.suggestions);
    }
    document->setUndoRedoEnabled(undo);
    return true;
}

void append(const Page &page, QTextDocument *document)
{
    removeMoreLine(document);
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    {
        Writer out(document, true);
        QTextCursor end(document);
        end.movePosition(QTextCursor::End);
        QTextList *list = end.block().textList();
        if (list && !page.blocks.isEmpty() && page.blocks.first().kind == PageBlock::Item) {
            // The list goes on: its last item is no longer its last.
            QTextBlockFormat last = end.blockFormat();
            last.clearProperty(QTextFormat::BlockBottomMargin);
            end.setBlockFormat(last);
        } else {
            list = nullptr;
        }
        writeBlocks(out, page.blocks, list, true);
    }
    document->setUndoRedoEnabled(undo);
}

void addMoreLine(QTextDocument *document, const QString &word, const QColor &muted,
                 const QColor &link)
{
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat line;
    line.setTopMargin(12);
    line.setProperty(moreLineProperty, true);
    QTextCharFormat note;
    note.setForeground(QBrush(muted));
    cursor.insertBlock(line, note);
    cursor.insertText(
        QCoreApplication::translate("PageDocument", "More lines of “%1” follow.").arg(word) +
            QLatin1Char(' '),
        note);
    QTextCharFormat anchor;
    anchor.setAnchor(true);
    anchor.setAnchorHref(QLatin1String(moreLink));
    anchor.setForeground(QBrush(link));
    anchor.setFontUnderline(true);
    cursor.insertText(QCoreApplication::translate("PageDocument", "Show the next %1 lines")
                          .arg(SearchThread::windowLines),
                      anchor);
}

void removeMoreLine(QTextDocument *document)
{
    const QTextBlock last = document->lastBlock();
    if (!last.blockFormat().boolProperty(moreLineProperty) || last == document->firstBlock())
        return;
    // From the end of the paragraph before, which keeps its format.
    QTextCursor cursor(document);
    cursor.setPosition(last.position() - 1);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace PageDocument
