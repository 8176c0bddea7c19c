#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class QUrl;

// One paragraph of a page: what it says and what it is, no markup. Its text
// is cut into pieces at `cuts`; what a cut stands for depends on the kind.
struct PageBlock
{
    enum Kind : quint8 {
        // An entry word. Its pieces alternate plain and highlighted, starting
        // plain: the highlighted ones show the typed word.
        Heading,
        // A part-of-speech badge. A new numbered list starts with it.
        Label,
        // A new numbered list without a badge; no text.
        NewList,
        // A translation, numbered in its list; a line break between pieces.
        Item,
        // The one heading of the not-found page.
        NotFound,
        // The text of the no-dictionary and failure pages; a line break
        // between pieces.
        Message,
        // A link on a failure page: the text shown, then the address.
        Link,
        // The name of the dictionary whose section of a page of several
        // follows: up to the next such block, that section is a page of
        // its own.
        Dictionary,
        // The mark of a common word, after its heading (EDICT's (P)).
        Common,
        // A sense of an entry, numbered in its list like an item: its first
        // tips.size() pieces are its tags, the rest its glosses.
        Sense,
        // The line above a page of several dictionaries: a piece for each
        // section, its dictionary's name and how many lines it has of the
        // word; `tips` holds each one's section number (sectionAnchor).
        Contents,
        // The end of a section whose lines of the word go on: `text` is the
        // word, `marked` the index of the place they go on in Page::more.
        More,
        // The entry words that follow a section's own lines, each a piece,
        // shown as links that look them up.
        Then,
    };

    Kind kind;
    QString text;
    // Ascending positions in `text`; one may repeat (an empty piece).
    QList<qsizetype> cuts;
    // A heading whose marks show the typed word in other letters than the
    // entry word has ("RUN" typed, "run" in the file): the entry word as
    // the dictionary spells it. Null otherwise. No writer writes it.
    QString spelling = QString();
    // A sense's tags' meanings, one for each tag; empty otherwise.
    QStringList tips = QStringList();
    // The piece of a sense that the page's key was found by; -1 for none.
    // A Dictionary block's section number (sectionAnchor), a More block's
    // index in Page::more.
    qsizetype marked = -1;

    qsizetype pieceCount() const { return cuts.size() + 1; }
    QStringView piece(qsizetype index) const
    {
        const qsizetype from = index == 0 ? 0 : cuts.at(index - 1);
        const qsizetype to = index == cuts.size() ? text.size() : cuts.at(index);
        return QStringView(text).mid(from, to - from);
    }
};

// Moved as bytes when a page's list of blocks grows.
Q_DECLARE_TYPEINFO(PageBlock, Q_RELOCATABLE_TYPE);

// Where a result page's window of lines ended while lines of its entry
// word went on: what reading and rendering the next window takes. No
// writer writes it; the page's text and HTML are its window's alone.
struct PageContinuation
{
    int dictionary = 0; // the id of the dictionary the window was read from
    QString location;   // and its file
    qint64 offset = -1; // where the next line starts; -1: nothing goes on
    QString key;        // the entry word's key, which the next lines have
    QString word;       // the word the headings mark
    // Where the renderer stood at the window's end.
    QString lastHead;
    QString lastLabel;
    // A section of a page of several: it goes on only with lines of `key`.
    bool keyOnly = false;

    bool isValid() const { return offset >= 0; }
};

// A page as a look-up makes it. A result page is a heading per entry word,
// each followed by a numbered list of items; a label or a NewList closes the
// list and opens the next. The not-found page is a single NotFound block,
// the no-dictionary and failure pages a single Message. A page of several
// dictionaries is their pages one after the other, each after a Dictionary
// block with its name. PageHtml, PageText and the view's PageDocument each
// write it in their form.
struct Page
{
    QList<PageBlock> blocks;
    // Above the page, when it shows an entry other than the text typed:
    // what for what ("running -> run"). Empty for the others.
    QString note;
    // Under a not-found page: the words the user may have meant, as the
    // dictionary spells them, each a link that looks it up.
    QStringList suggestions;
    PageContinuation next;
    // Lines a look-up's window holds, and a section's next window.
    static constexpr int windowLines = 128;
    // Where each section of a page of several goes on (PageBlock::More).
    QList<PageContinuation> more;

    bool isResult() const { return !blocks.isEmpty() && blocks.first().kind == PageBlock::Heading; }

    static Page notFound(const QString &text) { return of({PageBlock::NotFound, text, {}}); }
    // A page of one block.
    static Page of(const PageBlock &block)
    {
        Page page;
        page.blocks.append(block);
        return page;
    }
    // A page of lines: `text` holds its line breaks as '\n', and each %1 to
    // %9 in it stands for that argument. An argument is text whatever it
    // holds: a line break or a "%2" in a file name stays as it is.
    static Page message(const QString &text, const QStringList &arguments = {});
    static PageBlock link(const QString &text, const QString &address)
    {
        return {PageBlock::Link, text + address, {text.size()}};
    }

    // The entry word of the page's first heading, as the dictionary spells
    // it; empty for a page without one.
    QString firstEntryWord() const;

    // The text that leads the suggestions.
    static QString suggestionsLead();
    // The address of a link that looks `word` up: "orvel:lookup/" and the
    // word percent-encoded, so any text survives the trip; and the word
    // back from such a link, null for any other.
    static QString lookUpAddress(const QString &word);
    static QString lookedUpWord(const QUrl &link);
    // Appends `section`, the page of the dictionary named `name`.
    void addSection(const QString &name, const Page &section)
    {
        blocks.append({PageBlock::Dictionary, name, {}});
        blocks.append(section.blocks);
    }

    // The texts of a page of several dictionaries, in the language of the
    // window: what leads the top line and a section's folded line, and the
    // line where a section's lines go on.
    static QString contentsLead();
    static QString thenLead();
    static QString moreLines(const QString &word);
    static QString showMoreLines(int lines);
    // The name of a section's anchor, and the link to it.
    static QString sectionAnchor(qsizetype number);
    // The address of the link that shows the next lines of the section
    // whose place to go on is more[index]; the index back from such a link,
    // -1 for any other.
    static QString moreAddress(qsizetype index);
    static qsizetype moreIndex(const QUrl &link);
    // Puts the blocks of the next window of section `index` before its
    // More block: that section then goes on at `next`, or ends when
    // `next` is not valid.
    void extendSection(qsizetype index, const QList<PageBlock> &window,
                       const PageContinuation &next);
};

// The colours a page is shown in, whatever writes it.
namespace PageStyle {
inline constexpr char highlightColor[] = "#C00000";
inline constexpr char badgeColor[] = "#e0e0e0";
inline constexpr char commonColor[] = "#c8e6c9";
inline constexpr char noteColor[] = "#808080";
// Behind the name of a dictionary above its section of a page.
inline constexpr char dictionaryColor[] = "#dde6f0";
} // namespace PageStyle
