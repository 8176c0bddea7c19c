#include "lookup/page.h"

#include <QCoreApplication>
#include <QUrl>

namespace {
constexpr QLatin1StringView lookUpScheme("orvel:lookup/");
} // namespace

QString Page::firstEntryWord() const
{
    for (const PageBlock &block : blocks) {
        if (block.kind == PageBlock::Heading)
            return block.spelling.isNull() ? block.text : block.spelling;
    }
    return QString();
}

Page Page::message(const QString &text, const QStringList &arguments)
{
    PageBlock block{PageBlock::Message, QString(), {}};
    block.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t next = i + 1 < text.size() ? text.at(i + 1).unicode() : 0;
        const int number = c == u'%' && next >= u'1' && next <= u'9' ? next - u'0' : 0;
        if (c == u'\n') {
            block.cuts.append(block.text.size());
        } else if (number > 0 && number <= arguments.size()) {
            block.text += arguments.at(number - 1);
            ++i;
        } else {
            block.text += c;
        }
    }
    return of(block);
}

QString Page::suggestionsLead()
{
    //: Under the not-found page, before the words the user may have meant.
    return QCoreApplication::translate("Page", "Did you mean:");
}

QString Page::lookUpAddress(const QString &word)
{
    return lookUpScheme + QString::fromLatin1(QUrl::toPercentEncoding(word));
}

QString Page::lookedUpWord(const QUrl &link)
{
    const QString address = link.toString(QUrl::FullyEncoded);
    if (!address.startsWith(lookUpScheme))
        return QString();
    return QUrl::fromPercentEncoding(QStringView(address).mid(lookUpScheme.size()).toLatin1());
}
