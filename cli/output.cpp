#include "cli/output.h"

#include <unistd.h>

namespace {

enum class Shown { AsItIs, Picture, Escaped };

Shown howShown(char16_t c)
{
    if ((c < 0x20 && c != u'\t' && c != u'\n') || c == 0x7f)
        return Shown::Picture;
    if ((c >= 0x80 && c <= 0x9f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069))
        return Shown::Escaped;
    return Shown::AsItIs;
}

} // namespace

QString Output::visible(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        switch (howShown(c.unicode())) {
        case Shown::AsItIs:
            shown += c;
            break;
        case Shown::Picture:
            // U+2400 onwards pictures the C0 controls in order; DEL's is U+2421.
            shown += QChar(c.unicode() == 0x7f ? 0x2421 : 0x2400 + c.unicode());
            break;
        case Shown::Escaped:
            shown += QString::asprintf("\\u%04X", unsigned(c.unicode()));
            break;
        }
    }
    return shown;
}

void Output::write(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = (isatty(fileno(stream)) ? visible(text) : text).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void Output::fail(const QString &line)
{
    write(stderr, QStringLiteral("orvel-cli: ") + line + u'\n');
}
