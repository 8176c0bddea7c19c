#include "cli/commands.h"
#include "cli/output.h"

#include "database/installeddictionaries.h"
#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/searchthread.h"
#include "lookup/wordlistthread.h"

namespace {

bool everySwitchedOff()
{
    QList<Records::Installed> installed;
    return InstalledDictionaries().list(&installed) && !installed.isEmpty();
}

} // namespace

int nothingToRead()
{
    Output::fail(everySwitchedOff()
                     ? QStringLiteral("every dictionary is switched off: switch one on with "
                                      "orvel-cli enable ID (orvel-cli list shows them)")
                     : QStringLiteral("no dictionary is installed"));
    return 1;
}

int lookupCommand(const QString &word, bool html, bool entry, const QList<int> &only, int lines)
{
    // Printed as it is read, a section at a time: many dictionaries' long
    // windows would not fit in memory as one page and its text.
    const auto print = [](const QString &text) { Output::write(stdout, text); };
    PageText::Stream text(print);
    const auto add = [&](const Page &part) {
        if (html)
            print(PageHtml::write(part));
        else
            text.add(part);
    };
    Page page;
    QString error;
    const SearchThread::Status status =
        entry ? SearchThread::lookUpEntry(word, &page, &error, only, lines, add)
              : SearchThread::lookUp(word, &page, &error, only, lines, add);

    if (status == SearchThread::Failed) {
        Output::fail(error);
        return 2;
    }
    // The window's page would send the user to its Preferences.
    if (status == SearchThread::NoDictionary && !html && everySwitchedOff())
        return nothingToRead();
    // Into a pipe or file the page byte for byte, as the result view
    // receives it; the text rendering ends its last line like any text.
    add(page);
    if (!html) {
        text.finish();
        print(QStringLiteral("\n"));
    }
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
    case Meaning::Typo:
        return QStringLiteral("typo");
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
        return nothingToRead();
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
    // Printed as the rows are read: many dictionaries' long lists would
    // not fit in memory whole.
    const WordListThread::List list =
        WordListThread::list(request, [](QList<WordListThread::Row> &&rows) {
            QString out;
            for (const WordListThread::Row &row : std::as_const(rows))
                out += row.shown + u'\n';
            Output::write(stdout, out);
        });
    switch (list.status) {
    case WordListThread::Listed:
        break;
    case WordListThread::NoDictionary:
        return nothingToRead();
    case WordListThread::Failed:
    case WordListThread::FileChanged:
        Output::fail(list.error);
        return 2;
    }
    if (!list.phrases)
        Output::fail(
            QStringLiteral("a dictionary lists single words only: install it again to list "
                           "phrases too (orvel-cli remove, then install)"));
    return 0;
}
