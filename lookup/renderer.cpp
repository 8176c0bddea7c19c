#include "lookup/renderer.h"

#include "dictionary/format.h"

#include <QCoreApplication>

#include <utility>

ResultRenderer::ResultRenderer(const QString &word) : m_word(word)
{
}

ResultRenderer::ResultRenderer(const QString &word, const QString &lastHead,
                               const QString &lastLabel)
    : m_lastHead(lastHead), m_lastLabel(lastLabel), m_word(word)
{
}

// Every occurrence of the typed word in the head, found case-insensitively,
// non-overlapping, from left to right, is shown as typed and highlighted.
void ResultRenderer::addHeading(QStringView head)
{
    m_page.blocks.append(heading(head, m_word));
}

PageBlock ResultRenderer::heading(QStringView head, const QString &word)
{
    PageBlock heading{PageBlock::Heading, QString(), {}};
    qsizetype copied = 0;
    if (!word.isEmpty()) {
        for (qsizetype at; (at = head.indexOf(word, copied, Qt::CaseInsensitive)) >= 0;
             copied = at + word.size()) {
            // The word as typed is as long as what it matches.
            if (copied == 0)
                heading.text.reserve(head.size());
            heading.text += head.mid(copied, at - copied);
            heading.cuts << heading.text.size();
            heading.text += word;
            heading.cuts << heading.text.size();
        }
    }
    if (copied == 0) {
        heading.text = head.toString();
    } else {
        heading.text += head.mid(copied);
        if (heading.text != head)
            heading.spelling = head.toString();
    }
    return heading;
}

void ResultRenderer::renderLine(const QString &line)
{
    Eijiro::RendererReading reading;
    if (!Eijiro::readRenderer(line, &reading))
        return;
    if (!reading.hasLabel) {
        if (reading.head == m_lastHead) {
            // A further unlabelled sense of the same head: a list of its own.
            m_page.blocks.append({PageBlock::NewList, QString(), {}});
        } else {
            m_lastHead = reading.head.toString();
            addHeading(reading.head);
        }
    } else {
        if (reading.entryWord != m_lastHead) {
            addHeading(reading.entryWord);
            m_lastHead = reading.entryWord.toString();
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
