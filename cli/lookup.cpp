#include "commands.h"

#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"

#include <cstdio>

namespace {

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void fail(const QString &error)
{
    const QByteArray line = "orvel-cli: " + error.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace

int lookupCommand(const QString &word, bool html, bool entry)
{
    Page page;
    QString error;
    const SearchThread::Status status = entry ? SearchThread::lookUpEntry(word, &page, &error)
                                              : SearchThread::lookUp(word, &page, &error);

    if (status == SearchThread::Failed) {
        fail(error);
        return 2;
    }
    // The page byte for byte, as the result view receives it; the text
    // rendering ends its last line like any text.
    writeOut(html ? PageHtml::write(page).toUtf8() : PageText::write(page).toUtf8() + '\n');
    return status == SearchThread::Found ? 0 : 1;
}

int wordsCommand(const QString &text, int limit)
{
    const WordListThread::List list = WordListThread::list(WordListThread::from(text, limit));
    switch (list.status) {
    case WordListThread::Listed:
        break;
    case WordListThread::NoDictionary:
        fail(QStringLiteral("no dictionary is installed"));
        return 1;
    case WordListThread::Failed:
        fail(list.error);
        return 2;
    }
    if (!list.phrases)
        fail(QStringLiteral("this dictionary lists single words only: install it again to list "
                            "phrases too (orvel-cli remove, then install)"));
    QByteArray out;
    for (const WordListThread::Row &row : list.rows)
        out += row.shown.toUtf8() + '\n';
    writeOut(out);
    return 0;
}
