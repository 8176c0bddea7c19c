#include "lookup/pagetext.h"

#include <utility>

namespace {

// Builds the text line by line.
class Writer
{
public:
    QString finish()
    {
        endLine();
        while (m_out.endsWith(u'\n'))
            m_out.chop(1);
        return std::exchange(m_out, QString());
    }

    // The text built so far but the line breaks at its end, which wait for
    // what follows: after the last line there is none.
    QString take()
    {
        qsizetype end = m_out.size();
        while (end > 0 && m_out.at(end - 1) == u'\n')
            --end;
        QString taken = m_out.first(end);
        m_out.remove(0, end);
        m_taken = m_taken || end > 0;
        return taken;
    }

    // A blank line between blocks, none at the start.
    void startHeading()
    {
        endLine();
        if ((m_taken || !m_out.isEmpty()) && !m_out.endsWith(QStringLiteral("\n\n")))
            m_out += u'\n';
    }

    // Starts a line after the one being built, with `prefix` in front of it.
    void startLine(const QString &prefix)
    {
        endLine();
        m_line = prefix;
    }

    // Adds text in which white space runs count as one space; none at the
    // start or the end of a line. With `skipNbsp`, no-break spaces are left
    // out (a badge's padding).
    void add(QStringView text, bool skipNbsp = false)
    {
        for (const QChar c : text) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
                m_pendingSpace = true;
                continue;
            }
            if (skipNbsp && c == QChar::Nbsp)
                continue;
            if (m_pendingSpace && m_hasText)
                m_line += u' ';
            m_hasText = true;
            m_pendingSpace = false;
            m_line += c;
        }
    }

    // Ends the line being built even when it holds only its prefix, and
    // starts the next with `indent`.
    void lineBreak(const QString &indent = QString())
    {
        while (m_line.endsWith(u' '))
            m_line.chop(1);
        m_out += m_line + u'\n';
        m_line = indent;
        m_pendingSpace = false;
        m_hasText = false;
    }

    // Ends the line being built, if it holds any text.
    void endLine()
    {
        if (m_hasText)
            lineBreak();
        m_line.clear();
        m_pendingSpace = false;
    }

    // Ends a line that needs no text to stand (a badge without a label).
    void closeLine(QChar last)
    {
        m_line += last;
        lineBreak();
    }

private:
    QString m_out;
    bool m_taken = false; // some text has been taken
    QString m_line;
    bool m_pendingSpace = false;
    bool m_hasText = false; // the line holds text beyond its prefix
};

} // namespace

struct PageText::Stream::State
{
    std::function<void(const QString &)> out;
    Writer writer;
    int number = 0; // of the last item in the list being written
};

PageText::Stream::Stream(std::function<void(const QString &)> out) : d(std::make_unique<State>())
{
    d->out = std::move(out);
}

PageText::Stream::~Stream() = default;

void PageText::Stream::add(const Page &part)
{
    Writer &out = d->writer;
    int &number = d->number;
    if (!part.note.isEmpty()) {
        out.add(part.note);
        out.endLine();
    }
    for (qsizetype b = 0; b < part.blocks.size(); ++b) {
        const PageBlock &block = part.blocks.at(b);
        switch (block.kind) {
        case PageBlock::Heading:
        case PageBlock::NotFound:
            out.startHeading();
            out.add(block.text);
            // A common word's mark goes on its heading's line.
            if (b + 1 < part.blocks.size() && part.blocks.at(b + 1).kind == PageBlock::Common) {
                out.add(u" (");
                out.add(part.blocks.at(b + 1).text);
                out.add(u")");
            }
            out.endLine();
            number = 0;
            break;
        case PageBlock::Common:
            break;
        case PageBlock::Sense: {
            const QString prefix = QStringLiteral("  %1. ").arg(++number);
            out.startLine(prefix);
            const qsizetype tags = block.tips.size();
            if (tags > 0) {
                QStringList names;
                for (qsizetype i = 0; i < tags; ++i)
                    names << block.piece(i).toString();
                out.add(QStringLiteral("[%1] ").arg(names.join(QStringLiteral(", "))));
            }
            for (qsizetype i = tags; i < block.pieceCount(); ++i) {
                if (i > tags)
                    out.add(u"; ");
                out.add(block.piece(i));
            }
            out.endLine();
            break;
        }
        case PageBlock::Label:
            out.startLine(QStringLiteral("  ["));
            out.add(block.text, true);
            out.closeLine(u']');
            number = 0;
            break;
        case PageBlock::NewList:
            number = 0;
            break;
        case PageBlock::Item: {
            const QString prefix = QStringLiteral("  %1. ").arg(++number);
            const QString indent(prefix.size() + 2, u' ');
            out.startLine(prefix);
            for (qsizetype i = 0; i < block.pieceCount(); ++i) {
                if (i > 0)
                    out.lineBreak(indent);
                out.add(block.piece(i));
            }
            out.endLine();
            break;
        }
        case PageBlock::Message:
            for (qsizetype i = 0; i < block.pieceCount(); ++i) {
                if (i > 0)
                    out.lineBreak();
                out.add(block.piece(i));
            }
            break;
        case PageBlock::Link:
            out.add(block.piece(0));
            out.endLine();
            break;
        case PageBlock::Contents:
        case PageBlock::Then:
            if (block.kind == PageBlock::Then)
                out.startHeading();
            out.add(block.kind == PageBlock::Then ? Page::thenLead() : Page::contentsLead());
            for (qsizetype i = 0; i < block.pieceCount(); ++i) {
                out.add(i == 0 ? u" " : u", ");
                out.add(block.piece(i));
            }
            out.endLine();
            break;
        case PageBlock::More:
            out.startLine(QStringLiteral("  "));
            out.add(Page::moreLines(block.text));
            out.endLine();
            break;
        case PageBlock::Dictionary:
            out.startHeading();
            out.add(u"== ");
            out.add(block.text);
            out.add(u" ==");
            out.endLine();
            number = 0;
            break;
        }
    }
    if (!part.suggestions.isEmpty()) {
        out.startHeading();
        out.add(Page::suggestionsLead());
        for (const QString &word : part.suggestions) {
            out.startLine(QStringLiteral("  "));
            out.add(word);
        }
        out.endLine();
    }
    if (const QString text = out.take(); !text.isEmpty())
        d->out(text);
}

void PageText::Stream::finish()
{
    if (const QString text = d->writer.finish(); !text.isEmpty())
        d->out(text);
}

QString PageText::write(const Page &page)
{
    QString text;
    Stream stream([&text](const QString &part) { text += part; });
    stream.add(page);
    stream.finish();
    return text;
}
