#include "lookup/page.h"

#include <QCoreApplication>
#include <QUrl>

#include <algorithm>

namespace {
constexpr QLatin1StringView lookUpScheme("orvel:lookup/");
constexpr QLatin1StringView moreScheme("orvel:more/");
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

QString Page::contentsLead()
{
    //: Above a page of several dictionaries, before the dictionaries that
    //: have the word, each with how many lines it has of it.
    return QCoreApplication::translate("Page", "In this page:");
}

QString Page::thenLead()
{
    //: Under a dictionary's lines of a word, before the entries that follow
    //: it in that dictionary.
    return QCoreApplication::translate("Page", "Then:");
}

// The same texts as the line under a page of one dictionary.
QString Page::moreLines(const QString &word)
{
    return QCoreApplication::translate("PageDocument", "More lines of “%1” follow.").arg(word);
}

QString Page::showMoreLines(int lines)
{
    return QCoreApplication::translate("PageDocument", "Show the next %1 lines").arg(lines);
}

QString Page::sectionAnchor(qsizetype number)
{
    return QStringLiteral("section-%1").arg(number);
}

QString Page::moreAddress(qsizetype index)
{
    return moreScheme + QString::number(index);
}

qsizetype Page::moreIndex(const QUrl &link)
{
    const QString address = link.toString();
    if (!address.startsWith(moreScheme))
        return -1;
    bool ok = false;
    const qsizetype index = QStringView(address).mid(moreScheme.size()).toLongLong(&ok);
    return ok && index >= 0 ? index : -1;
}

void Page::extendSection(qsizetype index, const QList<PageBlock> &window,
                         const PageContinuation &next)
{
    const auto at = std::find_if(blocks.begin(), blocks.end(), [index](const PageBlock &block) {
        return block.kind == PageBlock::More && block.marked == index;
    });
    if (at == blocks.end() || index >= more.size())
        return;
    more[index] = next;
    qsizetype position = at - blocks.begin();
    if (!next.isValid())
        blocks.remove(position);
    for (const PageBlock &block : window)
        blocks.insert(position++, block);
}
