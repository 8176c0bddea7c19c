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
            QString lines;
            for (const EntrySearch::Row &row : std::as_const(rows))
                lines += row.entryWord + u'\t' + row.line + u'\n';
            Output::write(stdout, lines);
        });
    // The lines printed before a failure may be wrong: the file changed.
    for (const EntrySearch::Failure &failure : outcome.failures)
        Output::fail(failure.error);
    if (!outcome.failures.isEmpty())
        return 2;
    return outcome.count > 0 ? 0 : 1;
}
