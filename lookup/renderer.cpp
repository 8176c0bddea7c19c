#include "lookup/renderer.h"

#include "dictionary/format.h"
#include "lookup/pagemarkup.h"

#include <QCoreApplication>

namespace {
using namespace PageMarkup;

// True when `pos` in escaped text does not fall inside a character entity,
// that is, between its "&" and its ";" (both boundaries excluded). Escaped
// text holds "&" only as the start of an entity, at most six characters long
// ("&quot;"), so only the five characters before `pos` can hold the "&" that
// decides. Looking further back would make highlighting a long heading with
// many matches quadratic.
bool atEntityBoundary(const QString &escaped, qsizetype pos)
{
    if (pos <= 0 || pos >= escaped.size())
        return true;
    for (qsizetype amp = pos - 1; amp >= 0 && amp >= pos - 5; --amp) {
        if (escaped.at(amp) == QLatin1Char('&')) {
            const qsizetype semicolon = escaped.indexOf(QLatin1Char(';'), amp);
            return semicolon < 0 || semicolon < pos;
        }
    }
    return true;
}

// Appends the pieces one after the other, without building temporaries.
template <typename... Pieces> void append(QString &to, const Pieces &...pieces)
{
    (to.append(pieces), ...);
}

// About one look-up window's page, so appending rarely reallocates.
constexpr qsizetype expectedPageSize = 24 * 1024;
} // namespace

ResultRenderer::ResultRenderer(const QString &word) : m_escapedWord(Eijiro::escape(word))
{
}

// Marks every occurrence of the typed word in an escaped heading, found
// case-insensitively, non-overlapping, from left to right; the mark shows the
// word as typed. A match that would cut through an entity (typing "amp" over
// "&amp;") is passed over, since splitting the entity would break the text.
QString ResultRenderer::highlight(const QString &heading) const
{
    const QString &word = m_escapedWord;
    if (word.isEmpty())
        return heading;

    QString out;
    qsizetype copied = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = heading.indexOf(word, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        const qsizetype end = at + word.size();
        if (!atEntityBoundary(heading, at) || !atEntityBoundary(heading, end)) {
            from = at + 1;
            continue;
        }
        out += QStringView(heading).mid(copied, at - copied);
        out += highlightOpen;
        out += word;
        out += spanClose;
        copied = from = end;
    }
    if (copied == 0)
        return heading;
    out += QStringView(heading).mid(copied);
    return out;
}

void ResultRenderer::renderLine(const QString &line)
{
    Eijiro::RendererReading reading;
    if (!Eijiro::readRenderer(Eijiro::escape(line), &reading))
        return;
    if (m_body.isEmpty())
        m_body.reserve(expectedPageSize);

    if (!reading.hasLabel) {
        if (reading.head == m_lastHead) {
            // A further unlabelled sense of the same head: a list of its own.
            append(m_body, listClose, listOpen);
        } else {
            m_lastHead = reading.head;
            append(m_body, listClose, headingOpen, highlight(reading.head), headingClose, listOpen);
        }
    } else {
        if (reading.entryWord != m_lastHead)
            append(m_body, listClose, headingOpen, highlight(reading.entryWord), headingClose,
                   listOpen);
        m_lastHead = reading.entryWord;
        // The last label survives a change of heading on purpose: the same
        // label under the next word gets no second badge.
        if (reading.label != m_lastLabel) {
            m_lastLabel = reading.label;
            append(m_body, listClose, listOpen, badgeOpen, badgeSpace, reading.label, badgeSpace,
                   spanClose);
        }
    }

    m_body += itemOpen;
    // Each sub-item mark becomes a break, copied piece by piece.
    QStringView body(reading.body);
    for (qsizetype at; (at = body.indexOf(Eijiro::marker)) >= 0; body = body.mid(at + 1)) {
        append(m_body, body.left(at), lineBreak);
    }
    append(m_body, body, itemClose);
}

QString ResultRenderer::finish() const
{
    if (m_body.isEmpty()) {
        // Both placeholders in one pass, so a typed "%2" stays as typed.
        return QString(plainHeadingOpen + QStringLiteral("%1 %2") + headingClose)
            .arg(m_escapedWord, QCoreApplication::translate("SearchThread", " is not found."));
    }
    return listOpen + m_body + listClose;
}
