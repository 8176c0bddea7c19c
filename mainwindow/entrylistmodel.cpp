#include "mainwindow/entrylistmodel.h"

#include "dictionary/format.h"
#include "lookup/entrysearchthread.h"

#include <QBrush>
#include <QColor>
#include <QLocale>
#include <QPoint>

namespace {
// Characters of the line shown before the match, and in all.
constexpr qsizetype before = 16;
constexpr qsizetype snippetLength = 160;
} // namespace

EntryListModel::EntryListModel(QObject *parent) : QAbstractListModel(parent)
{
}

void EntryListModel::setText(const QString &text)
{
    EntrySearch::Request request;
    request.text = text;
    QString reason;
    if (text.isEmpty() || !EntrySearch::installed(&request.dictionaries, &reason)) {
        // Searches still on their way belong to text that is gone.
        searches.dropPending();
        const bool failed = !text.isEmpty();
        show(nullptr,
             failed ? QStringList{tr("The installed dictionaries cannot be read: %1").arg(reason)}
                    : QStringList());
        setSummary(failed ? tr("The search failed.") : QString());
        return;
    }
    request.limit = batch;
    auto *worker = new EntrySearchThread;
    worker->setRequest(request);
    searches.askInParts(worker, &EntrySearchThread::rowsReady, &EntrySearchThread::stop,
                        [this](EntrySearchThread *done) { takePart(done); });
    setSummary(tr("Searching…"));
}

void EntryListModel::show(EntrySearchThread *worker, const QStringList &failures)
{
    beginResetModel();
    m_text = worker ? worker->request().text : QString();
    m_dictionaries = worker ? worker->request().dictionaries : QList<EntrySearch::Dictionary>();
    m_rows.clear();
    m_shown.clear();
    m_failures = failures;
    m_showing = worker;
    m_handed = 0;
    m_pending = worker;
    m_complete = !worker;
    m_fetching = false;
    endResetModel();
}

void EntryListModel::takePart(EntrySearchThread *worker)
{
    bool ended = false;
    QList<EntrySearch::Row> rows = worker->takeRows(&ended);
    if (worker != m_showing)
        show(worker, {});
    m_handed += rows.size();
    append(std::move(rows));
    // The first rows asked for are there: more may be asked for, while the
    // count goes on.
    m_pending = !ended && m_handed < batch;
    if (!ended)
        return;
    const EntrySearch::Outcome outcome = worker->outcome();
    // Stopped: a newer search takes the list's place.
    if (outcome.stopped)
        return;
    dropFailed(outcome.failures);
    m_complete = m_complete || m_handed < batch || outcome.count == m_rows.size();
    if (outcome.count == 0 && !outcome.failures.isEmpty())
        setSummary(tr("The search failed."));
    else
        setSummary(outcome.count == 1 ? tr("1 entry")
                                      : tr("%1 entries").arg(QLocale().toString(outcome.count)));
}

void EntryListModel::takeMore(EntrySearchThread *worker)
{
    bool ended = false;
    QList<EntrySearch::Row> rows = worker->takeRows(&ended);
    m_fetching = false;
    const bool all = rows.size() < batch;
    append(std::move(rows));
    const EntrySearch::Outcome outcome = worker->outcome();
    m_complete = m_complete || (all && !outcome.stopped);
    dropFailed(outcome.failures);
}

void EntryListModel::append(QList<EntrySearch::Row> &&rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + rows.size()) - 1);
    for (EntrySearch::Row &row : rows) {
        m_shown.append(shown(row));
        m_rows.append(std::move(row));
    }
    endInsertRows();
}

void EntryListModel::dropFailed(const QList<EntrySearch::Failure> &failures)
{
    if (failures.isEmpty())
        return;
    // A failed dictionary's rows may come from a file that changed since:
    // a line saying so stands in their place.
    beginResetModel();
    for (const EntrySearch::Failure &failure : failures) {
        for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
            if (m_rows[i].dictionary == failure.dictionary) {
                m_rows.removeAt(i);
                m_shown.removeAt(i);
            }
        }
        m_failures << (failure.fileChanged
                           ? tr("The dictionary file %1 has changed since it was installed. "
                                "Rebuild its index to search it.")
                                 .arg(failure.location)
                           : tr("The dictionary file %1 cannot be searched: %2")
                                 .arg(failure.location, failure.reason));
    }
    m_complete = true;
    endResetModel();
}

EntryListModel::Shown EntryListModel::shown(const EntrySearch::Row &row) const
{
    // The body around the first place of the text, or the body's start
    // when the text is in the head.
    Eijiro::RendererReading reading;
    const QStringView body =
        Eijiro::readRenderer(row.line, &reading) ? reading.body : QStringView(row.line);
    const qsizetype at = body.indexOf(m_text, 0, Qt::CaseInsensitive);
    const qsizetype from = at > before ? at - before : 0;
    Shown out;
    out.text = row.entryWord + QStringLiteral("  ") + (from > 0 ? QStringLiteral("…") : QString());
    out.text += body.mid(from, snippetLength);
    out.wordLength = int(row.entryWord.size());
    for (qsizetype place = out.text.indexOf(m_text, 0, Qt::CaseInsensitive); place >= 0;
         place = out.text.indexOf(m_text, place + m_text.size(), Qt::CaseInsensitive))
        out.marks << QPoint(int(place), int(m_text.size()));
    return out;
}

const EntrySearch::Row *EntryListModel::row(int index) const
{
    return index >= 0 && index < m_rows.size() ? &m_rows.at(index) : nullptr;
}

QString EntryListModel::summary() const
{
    return m_summary;
}

void EntryListModel::setSummary(const QString &summary)
{
    if (summary == m_summary)
        return;
    m_summary = summary;
    emit summaryChanged(summary);
}

int EntryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size() + m_failures.size());
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const
{
    const int at = index.row();
    if (!index.isValid() || at >= rowCount())
        return QVariant();
    if (at >= m_rows.size()) {
        const QString &failure = m_failures.at(at - m_rows.size());
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return failure;
        return role == Qt::ForegroundRole ? QBrush(QColor(0xC0, 0x20, 0x20)) : QVariant();
    }
    const Shown &shown = m_shown.at(at);
    switch (role) {
    case Qt::DisplayRole:
        return shown.text;
    case Qt::ToolTipRole:
        return m_rows.at(at).line;
    case MarksRole:
        return shown.marks;
    case WordLengthRole:
        return shown.wordLength;
    default:
        return QVariant();
    }
}

bool EntryListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_rows.isEmpty() && !m_pending && !m_complete && !m_fetching &&
           searches.canAskMore();
}

void EntryListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    EntrySearch::Request request;
    request.text = m_text;
    request.dictionaries = m_dictionaries;
    request.afterDictionary = m_rows.constLast().dictionary;
    request.afterOffset = m_rows.constLast().offset;
    request.limit = batch;
    request.countAll = false;
    auto *worker = new EntrySearchThread;
    worker->setRequest(request);
    m_fetching = true;
    searches.askMore(
        worker, &EntrySearchThread::ended, [this](EntrySearchThread *done) { takeMore(done); },
        &EntrySearchThread::stop);
}
