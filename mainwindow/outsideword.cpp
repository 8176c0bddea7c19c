#include "mainwindow/outsideword.h"

namespace {
// The marks and overrides that turn text around, and the isolates.
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E ||
           u == 0x200F || u == 0x061C;
}
} // namespace

QString OutsideWord::clean(const QString &text)
{
    QString word = text;
    word.removeIf([](QChar c) {
        return (c.category() == QChar::Other_Control && !c.isSpace()) || isBidiControl(c);
    });
    word = word.simplified();
    if (word.size() > maxLength) {
        word.truncate(maxLength);
        if (word.back().isHighSurrogate())
            word.chop(1);
        word = word.trimmed();
    }
    return word;
}
