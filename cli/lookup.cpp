#include "commands.h"

#include "lookup/searchthread.h"

#include <QStringList>
#include <cstdio>

namespace {

// Decodes the character references a page can hold: the four the escaping
// produces, &nbsp; of the label badges, and numeric ones from translations.
QString decodeEntity(QStringView name)
{
    if (name == u"lt")
        return QStringLiteral("<");
    if (name == u"gt")
        return QStringLiteral(">");
    if (name == u"amp")
        return QStringLiteral("&");
    if (name == u"quot")
        return QStringLiteral("\"");
    if (name == u"apos")
        return QStringLiteral("'");
    if (name == u"nbsp")
        return QString(QChar(0x00A0));
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                              ? name.mid(2).toUInt(&ok, 16)
                              : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
    }
    return QString();
}

bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Plain text from a result page. The page grammar is small and fixed:
// headings (<h2>), lists (<ol>) whose items (<li>) may hold <br />, label
// badges (a <span> with a background) and highlight spans. Headings stand on
// their own lines, labels as [label], items numbered per list as a browser
// numbers them, and each <br /> starts a new indented line.
class PlainText
{
public:
    QString convert(const QString &html)
    {
        qsizetype i = 0;
        while (i < html.size()) {
            const QChar c = html[i];
            if (c == u'<') {
                const qsizetype close = html.indexOf(u'>', i);
                if (close < 0) {
                    text(QStringView(html).mid(i));
                    break;
                }
                tag(QStringView(html).mid(i + 1, close - i - 1));
                i = close + 1;
            } else if (c == u'&') {
                const qsizetype semicolon = html.indexOf(u';', i);
                const QString decoded =
                    semicolon > i && semicolon - i <= 10
                        ? decodeEntity(QStringView(html).mid(i + 1, semicolon - i - 1))
                        : QString();
                if (decoded.isEmpty()) {
                    text(QStringView(html).mid(i, 1));
                    ++i;
                } else {
                    text(decoded);
                    i = semicolon + 1;
                }
            } else {
                qsizetype end = i;
                while (end < html.size() && html[end] != u'<' && html[end] != u'&')
                    ++end;
                text(QStringView(html).mid(i, end - i));
                i = end;
            }
        }
        endLine();
        while (m_out.endsWith(u'\n'))
            m_out.chop(1);
        return m_out;
    }

private:
    enum Block { None, Heading, Label, Item };

    void tag(QStringView inside)
    {
        QStringView name = inside;
        bool closing = false;
        if (name.startsWith(u'/')) {
            closing = true;
            name = name.mid(1);
        }
        const qsizetype space = name.indexOf(u' ');
        const QStringView attributes = space < 0 ? QStringView() : name.mid(space);
        if (space >= 0)
            name = name.left(space);
        if (name.endsWith(u'/'))
            name.chop(1);

        if (name.compare(u"h2", Qt::CaseInsensitive) == 0) {
            if (closing) {
                endLine();
                m_block = None;
            } else {
                blankLine();
                m_block = Heading;
            }
        } else if (name.compare(u"ol", Qt::CaseInsensitive) == 0) {
            if (!closing)
                m_number = 0;
        } else if (name.compare(u"li", Qt::CaseInsensitive) == 0) {
            if (closing) {
                endLine();
                m_block = None;
            } else {
                endLine();
                const QString prefix = QStringLiteral("  %1. ").arg(++m_number);
                m_line = prefix;
                m_indent = QString(prefix.size() + 2, u' ');
                m_block = Item;
            }
        } else if (name.compare(u"span", Qt::CaseInsensitive) == 0) {
            if (!closing && attributes.contains(u"background")) {
                endLine();
                m_line = QStringLiteral("  [");
                m_block = Label;
                m_spans << true;
            } else if (!closing) {
                m_spans << false;
            } else if (!m_spans.isEmpty() && m_spans.takeLast()) {
                m_line += u']';
                flushLine();
                m_block = None;
            }
        } else if (name.compare(u"br", Qt::CaseInsensitive) == 0) {
            const QString indent = m_block == Item ? m_indent : QString();
            flushLine();
            m_line = indent;
        }
    }

    void text(QStringView piece)
    {
        for (const QChar c : piece) {
            if (isHtmlSpace(c)) {
                m_pendingSpace = true;
                continue;
            }
            if (c == QChar(0x00A0) && m_block == Label)
                continue;
            if (m_pendingSpace && m_hasText)
                m_line += u' ';
            m_hasText = true;
            m_pendingSpace = false;
            m_line += c;
        }
    }

    // Writes the line being built, even when it is only indentation.
    void flushLine()
    {
        while (m_line.endsWith(u' '))
            m_line.chop(1);
        m_out += m_line + u'\n';
        m_line.clear();
        m_pendingSpace = false;
        m_hasText = false;
    }

    // Ends the line being built if it holds anything.
    void endLine()
    {
        if (m_hasText)
            flushLine();
        m_line.clear();
        m_pendingSpace = false;
        m_hasText = false;
    }

    // A blank line between blocks, none at the start.
    void blankLine()
    {
        endLine();
        if (!m_out.isEmpty() && !m_out.endsWith(QStringLiteral("\n\n")))
            m_out += u'\n';
    }

    QString m_out;
    QString m_line;
    QString m_indent;
    QList<bool> m_spans; // open spans: true for a label badge
    Block m_block = None;
    int m_number = 0;
    bool m_pendingSpace = false;
    bool m_hasText = false; // the line holds text beyond its prefix
};

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int lookupCommand(const QString &word, bool html)
{
    QString page;
    QString error;
    const SearchThread::Status status = SearchThread::lookUp(word, &page, &error);

    if (status == SearchThread::Failed) {
        const QByteArray line = "orvel-cli: " + error.toLocal8Bit() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        return 2;
    }
    // The page byte for byte, as the result view receives it; the text
    // rendering ends its last line like any text.
    writeOut(html ? page.toUtf8() : PlainText().convert(page).toUtf8() + '\n');
    return status == SearchThread::Found ? 0 : 1;
}
