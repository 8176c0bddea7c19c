#include "lookup/entrysearchthread.h"

#include <QMutexLocker>

QList<EntrySearch::Row> EntrySearchThread::takeRows(bool *ended)
{
    QMutexLocker lock(&m_mutex);
    m_announced = false;
    *ended = m_ended;
    return std::exchange(m_rows, {});
}

EntrySearch::Outcome EntrySearchThread::outcome() const
{
    QMutexLocker lock(&m_mutex);
    return m_outcome;
}

void EntrySearchThread::notify()
{
    // Under m_mutex: sent at most once until the rows are taken.
    if (!std::exchange(m_announced, true))
        emit rowsReady();
}

void EntrySearchThread::run()
{
    const EntrySearch::Outcome outcome = EntrySearch::run(
        m_request,
        [this](QList<EntrySearch::Row> &&rows) {
            QMutexLocker lock(&m_mutex);
            m_rows.append(std::move(rows));
            notify();
        },
        &m_stop);
    {
        QMutexLocker lock(&m_mutex);
        m_outcome = outcome;
        m_ended = true;
        notify();
    }
    emit ended();
}
