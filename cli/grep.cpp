#include "cli/commands.h"
#include "cli/output.h"

#include "lookup/entrysearch.h"

int grepCommand(const QString &text, qint64 limit, const QList<int> &dictionaries)
{
    EntrySearch::Request request;
    request.text = text;
    request.limit = limit;
    request.countAll = false;
    QString reason;
    if (!EntrySearch::installed(&request.dictionaries, &reason, dictionaries)) {
        Output::fail(QStringLiteral("grep: ") + reason);
        return 2;
    }
    if (request.dictionaries.isEmpty())
        return nothingToRead();
    const EntrySearch::Outcome outcome =
        EntrySearch::run(request, [](QList<EntrySearch::Row> &&rows) {
            // Sized at once: a block may bring thousands of rows.
            qsizetype size = 0;
            for (const EntrySearch::Row &row : std::as_const(rows))
                size += row.entryWord.size() + row.line.size() + 2;
            QString lines;
            lines.reserve(size);
            for (const EntrySearch::Row &row : std::as_const(rows)) {
                lines += row.entryWord;
                lines += u'\t';
                lines += row.line;
                lines += u'\n';
            }
            Output::write(stdout, lines);
        });
    // The lines printed before a failure may be wrong: the file changed.
    for (const EntrySearch::Failure &failure : outcome.failures)
        Output::fail(failure.error);
    if (!outcome.failures.isEmpty())
        return 2;
    return outcome.count > 0 ? 0 : 1;
}
