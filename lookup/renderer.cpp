#include "lookup/renderer.h"

#include "dictionary/format.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// About the blocks of one look-up window, so appending rarely reallocates.
constexpr qsizetype expectedBlocks = 256;

// Heads up to this long are searched unit by unit; a longer one goes to
// Qt, whose hashing keeps the search linear however the two look alike.
constexpr qsizetype shortHead = 256;

// Folds A to Z alone: what Unicode case folding does to ASCII.
char16_t asciiFold(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Copies `text` into `kept`, in the room it already has.
void keep(QString *kept, QStringView text)
{
    kept->resize(text.size());
    std::copy(text.begin(), text.end(), kept->begin());
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}
} // namespace

ResultRenderer::ResultRenderer(const QString &word) : m_word(word)
{
    if (!isAscii(word))
        return;
    m_asciiWord.reserve(word.size());
    for (const QChar c : word)
        m_asciiWord += QChar(asciiFold(c.unicode()));
}

// Qt folds each unit through the Unicode tables, which costs more than the
// rest of the heading. Between two ASCII strings that folding is A to Z
// alone, and most heads and typed words are ASCII.
qsizetype ResultRenderer::findWord(QStringView head, bool asciiHead, qsizetype from) const
{
    if (!asciiHead)
        return head.indexOf(m_word, from, Qt::CaseInsensitive);
    const char16_t *const units = head.utf16();
    const char16_t *const word = QStringView(m_asciiWord).utf16();
    const qsizetype length = m_asciiWord.size();
    for (qsizetype at = from; at + length <= head.size(); ++at) {
        qsizetype matched = 0;
        while (matched < length && asciiFold(units[at + matched]) == word[matched])
            ++matched;
        if (matched == length)
            return at;
    }
    return -1;
}

// Every occurrence of the typed word in the head, found case-insensitively,
// non-overlapping, from left to right, is shown as typed and highlighted.
void ResultRenderer::addHeading(QStringView head)
{
    PageBlock heading{PageBlock::Heading, QString(), {}};
    qsizetype copied = 0;
    if (!m_word.isEmpty()) {
        const bool asciiHead = !m_asciiWord.isEmpty() && head.size() <= shortHead && isAscii(head);
        for (qsizetype at; (at = findWord(head, asciiHead, copied)) >= 0;
             copied = at + m_word.size()) {
            // The word as typed is as long as what it matches.
            if (copied == 0)
                heading.text.reserve(head.size());
            heading.text += head.mid(copied, at - copied);
            heading.cuts << heading.text.size();
            heading.text += m_word;
            heading.cuts << heading.text.size();
        }
    }
    if (copied == 0)
        heading.text = head.toString();
    else
        heading.text += head.mid(copied);
    m_page.blocks.append(std::move(heading));
}

void ResultRenderer::renderLine(const QString &line)
{
    Eijiro::RendererReading reading;
    if (!Eijiro::readRenderer(line, &reading))
        return;
    if (m_page.blocks.isEmpty())
        m_page.blocks.reserve(expectedBlocks);

    if (!reading.hasLabel) {
        if (reading.head == m_lastHead) {
            // A further unlabelled sense of the same head: a list of its own.
            m_page.blocks.append({PageBlock::NewList, QString(), {}});
        } else {
            keep(&m_lastHead, reading.head);
            addHeading(reading.head);
        }
    } else {
        if (reading.entryWord != m_lastHead) {
            addHeading(reading.entryWord);
            keep(&m_lastHead, reading.entryWord);
        }
        // The last label survives a change of heading on purpose: the same
        // label under the next word gets no second badge.
        if (reading.label != m_lastLabel) {
            m_lastLabel = reading.label.toString();
            m_page.blocks.append({PageBlock::Label, m_lastLabel, {}});
        }
    }

    // Each sub-item mark becomes a line break.
    PageBlock item{PageBlock::Item, QString(), {}};
    if (!reading.body.contains(Eijiro::marker)) {
        item.text = reading.body.toString();
    } else {
        item.text.reserve(reading.body.size());
        item.cuts.reserve(4);
        QStringView body = reading.body;
        for (qsizetype at; (at = body.indexOf(Eijiro::marker)) >= 0; body = body.mid(at + 1)) {
            item.text += body.left(at);
            item.cuts << item.text.size();
        }
        item.text += body;
    }
    m_page.blocks.append(std::move(item));
}

Page ResultRenderer::finish() const
{
    if (m_page.blocks.isEmpty()) {
        return Page::notFound(m_word + QLatin1Char(' ') +
                              QCoreApplication::translate("SearchThread", " is not found."));
    }
    return m_page;
}
