#include "lookup/page.h"

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
    return {{block}};
}
