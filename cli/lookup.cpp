#include "cli/commands.h"
#include "cli/output.h"

#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"

int lookupCommand(const QString &word, bool html, bool entry, const QList<int> &only, int lines)
{
    Page page;
    QString error;
    const SearchThread::Status status =
        entry ? SearchThread::lookUpEntry(word, &page, &error, only, lines)
              : SearchThread::lookUp(word, &page, &error, only, lines);

    if (status == SearchThread::Failed) {
        Output::fail(error);
        return 2;
    }
    // Into a pipe or file the page byte for byte, as the result view
    // receives it; the text rendering ends its last line like any text.
    Output::write(stdout, html ? PageHtml::write(page) : PageText::write(page) + u'\n');
    return status == SearchThread::Found ? 0 : 1;
}

namespace {

QString ruleName(Meaning::Rule rule)
{
    switch (rule) {
    case Meaning::Word:
        return QStringLiteral("word");
    case Meaning::Entry:
        return QStringLiteral("entry");
    case Meaning::Base:
        return QStringLiteral("base");
    case Meaning::Fold:
        return QStringLiteral("fold");
    case Meaning::Romaji:
        return QStringLiteral("romaji");
    case Meaning::Nearest:
        return QStringLiteral("nearest");
    case Meaning::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace

int showCommand(const QString &text, bool html, const QList<int> &only)
{
    Page page;
    Meaning meaning;
    QString error;
    const SearchThread::Status status =
        SearchThread::findWhatIMean(text, &page, &meaning, &error, only);
    if (status == SearchThread::Failed) {
        Output::fail(error);
        return 2;
    }
    if (html) {
        Output::write(stdout, PageHtml::write(page));
    } else if (status == SearchThread::NoDictionary) {
        Output::fail(QStringLiteral("no dictionary is installed"));
    } else {
        QString out = ruleName(meaning.rule) + u'\t' + meaning.shown + u'\n';
        for (const QString &word : std::as_const(page.suggestions))
            out += QStringLiteral("suggest\t") + word + u'\n';
        Output::write(stdout, out);
    }
    return status == SearchThread::Found ? 0 : 1;
}

int wordsCommand(const QString &text, int limit, const QList<int> &only)
{
    WordListThread::Request request = WordListThread::from(text, limit);
    request.only = only;
    const WordListThread::List list = WordListThread::list(request);
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
            QStringLiteral("a dictionary lists single words only: install it again to list "
                           "phrases too (orvel-cli remove, then install)"));
    QString out;
    for (const WordListThread::Row &row : list.rows)
        out += row.shown + u'\n';
    Output::write(stdout, out);
    return 0;
}
