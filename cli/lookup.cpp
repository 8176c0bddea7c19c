#include "cli/commands.h"
#include "cli/output.h"

#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"

int lookupCommand(const QString &word, bool html, bool entry)
{
    Page page;
    QString error;
    const SearchThread::Status status = entry ? SearchThread::lookUpEntry(word, &page, &error)
                                              : SearchThread::lookUp(word, &page, &error);

    if (status == SearchThread::Failed) {
        Output::fail(error);
        return 2;
    }
    // Into a pipe or file the page byte for byte, as the result view
    // receives it; the text rendering ends its last line like any text.
    Output::write(stdout, html ? PageHtml::write(page) : PageText::write(page) + u'\n');
    return status == SearchThread::Found ? 0 : 1;
}

int wordsCommand(const QString &text, int limit)
{
    const WordListThread::List list = WordListThread::list(WordListThread::from(text, limit));
    switch (list.status) {
    case WordListThread::Listed:
        break;
    case WordListThread::NoDictionary:
        Output::fail(QStringLiteral("no dictionary is installed"));
        return 1;
    case WordListThread::Failed:
    case WordListThread::FileChanged:
        Output::fail(list.error);
        return 2;
    }
    if (!list.phrases)
        Output::fail(
            QStringLiteral("this dictionary lists single words only: install it again to list "
                           "phrases too (orvel-cli remove, then install)"));
    QString out;
    for (const WordListThread::Row &row : list.rows)
        out += row.shown + u'\n';
    Output::write(stdout, out);
    return 0;
}
