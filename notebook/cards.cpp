#include "notebook/cards.h"

#include "notebook/pageentries.h"

#include <QDateTime>

namespace Cards {

namespace {

const QString lineBreak = QStringLiteral("<br>");
const QString noteRule = QStringLiteral("<hr>");
const QString readingOpen = QStringLiteral(" 【");
const QString readingClose = QStringLiteral("】");

QString html(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A pair stays as it is; a lone half could not be written in UTF-8.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\n':
            out += lineBreak;
            break;
        default:
            // Tabs, carriage returns and the other controls, and the line
            // and paragraph separators some readers end lines at.
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator || c.isSurrogate())
                out += QStringLiteral("&#%1;").arg(c.unicode());
            else
                out += c;
        }
    }
    return out;
}

// Anki takes a line that starts with "#" for a header or a comment.
QString lineStart(QString field)
{
    if (field.startsWith(u'#'))
        field.replace(0, 1, QStringLiteral("&#35;"));
    return field;
}

QString front(const Star &star)
{
    QString front = html(PageEntries::shownWord(star));
    if (!star.reading.isEmpty())
        front += html(readingOpen + star.reading + readingClose);
    return lineStart(front);
}

QString back(const Star &star)
{
    QString back = html(star.lines);
    if (!star.note.isEmpty())
        back += noteRule + html(star.note);
    return back;
}

// A tag is one word to a flash-card program.
QString tag(const QString &dictionary)
{
    QString tag = dictionary;
    for (QChar &c : tag) {
        if (c.isSpace() || c.unicode() < 0x20 || c == u'"')
            c = u'_';
    }
    return tag;
}

QString line(const QStringList &fields, Format format)
{
    if (format == Format::Tsv)
        return fields.join(u'\t') + u'\n';
    QStringList quoted;
    for (const QString &field : fields) {
        const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                           field.contains(u'\n');
        quoted << (quote ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"'
                         : field);
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

// The character a reference stands for; -1 for none.
int reference(QStringView name)
{
    static const struct
    {
        const char *name;
        char16_t c;
    } named[] = {{"amp", u'&'},  {"lt", u'<'},    {"gt", u'>'},
                 {"quot", u'"'}, {"apos", u'\''}, {"nbsp", 0xa0}};
    for (const auto &entity : named) {
        if (name == QLatin1String(entity.name))
            return entity.c;
    }
    if (!name.startsWith(u'#'))
        return -1;
    bool number = false;
    const uint code = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X')
                          ? name.mid(2).toUInt(&number, 16)
                          : name.mid(1).toUInt(&number, 10);
    return number && code <= 0xffff ? int(code) : -1;
}

} // namespace

QString header(Format format, bool history)
{
    if (format == Format::Csv)
        return QString();
    return history ? QStringLiteral("#separator:tab\n#html:true\n")
                   : QStringLiteral("#separator:tab\n#html:true\n#tags column:3\n");
}

QString card(const Star &star, Format format)
{
    return line({front(star), back(star), tag(star.dictionary)}, format);
}

QString historyLine(const HistoryWord &word, Format format)
{
    const QString time = QDateTime::fromMSecsSinceEpoch(word.time, Qt::UTC).toString(Qt::ISODate);
    return line({lineStart(html(word.word)), QString::number(word.count), time}, format);
}

bool write(Notebook &notebook, bool history, Format format,
           const std::function<bool(const QString &)> &out, int *count, QString *error)
{
    QList<HistoryWord> words;
    QList<Star> stars;
    if (history ? !notebook.history(&words) : !notebook.stars(&stars)) {
        if (error)
            *error = notebook.lastError();
        return false;
    }
    bool written = out(header(format, history));
    int lines = 0;
    for (const HistoryWord &word : std::as_const(words))
        written = written && out(historyLine(word, format)) && ++lines;
    for (const Star &star : std::as_const(stars))
        written = written && out(card(star, format)) && ++lines;
    if (count)
        *count = lines;
    if (!written && error)
        *error = QStringLiteral("the cards could not be written");
    return written;
}

QStringList fields(QStringView line, Format format)
{
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    if (format == Format::Tsv)
        return line.toString().split(u'\t');
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c != u'"')
                field += c;
            else if (i + 1 < line.size() && line.at(i + 1) == u'"')
                field += line.at(++i);
            else
                quoted = false;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << std::exchange(field, QString());
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QString text(QStringView html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (c == u'<' && html.mid(i).startsWith(lineBreak, Qt::CaseInsensitive)) {
            out += u'\n';
            i += lineBreak.size() - 1;
            continue;
        }
        const qsizetype end = c == u'&' ? html.indexOf(u';', i) : -1;
        const int code = end > i && end - i <= 10 ? reference(html.mid(i + 1, end - i - 1)) : -1;
        if (code < 0) {
            out += c;
            continue;
        }
        out += QChar(char16_t(code));
        i = end;
    }
    return out;
}

Star starOf(const QStringList &fields)
{
    Star star;
    QString front = text(fields.value(0));
    if (front.endsWith(readingClose)) {
        const qsizetype open = front.lastIndexOf(readingOpen);
        if (open > 0) {
            star.reading =
                front.mid(open + readingOpen.size(), front.size() - open - readingOpen.size() - 1);
            front.truncate(open);
        }
    }
    star.word = front;
    const QString back = fields.value(1);
    const qsizetype rule = back.indexOf(noteRule);
    star.lines = text(rule < 0 ? QStringView(back) : QStringView(back).left(rule));
    star.note = rule < 0 ? QString() : text(QStringView(back).mid(rule + noteRule.size()));
    star.dictionary = fields.value(2);
    return star;
}

} // namespace Cards
