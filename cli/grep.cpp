#include "cli/commands.h"
#include "cli/output.h"

#include "lookup/entrysearch.h"

#include <algorithm>

int grepCommand(const QString &text, qint64 limit, const QList<int> &dictionaries)
{
    // Every line holds the empty text: that is no search.
    if (text.isEmpty()) {
        Output::fail(QStringLiteral("grep: the text to search for is empty"));
        return 2;
    }
    EntrySearch::Request request;
    request.text = text;
    request.limit = limit;
    request.countAll = false;
    QString reason;
    if (!EntrySearch::installed(&request.dictionaries, &reason)) {
        Output::fail(QStringLiteral("cannot read the installed dictionaries: ") + reason);
        return 2;
    }
    if (request.dictionaries.isEmpty()) {
        Output::fail(QStringLiteral("no dictionary is installed"));
        return 1;
    }
    // The dictionaries named, in dictionary order.
    if (!dictionaries.isEmpty()) {
        for (const int id : dictionaries) {
            if (std::none_of(request.dictionaries.cbegin(), request.dictionaries.cend(),
                             [id](const EntrySearch::Dictionary &d) { return d.id == id; })) {
                Output::fail(QStringLiteral("grep: no dictionary with id %1 is installed").arg(id));
                return 2;
            }
        }
        request.dictionaries.removeIf([&dictionaries](const EntrySearch::Dictionary &d) {
            return !dictionaries.contains(d.id);
        });
    }
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
