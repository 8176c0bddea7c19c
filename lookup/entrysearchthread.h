#pragma once

#include "lookup/entrysearch.h"

#include <QList>
#include <QMutex>
#include <QThread>

#include <atomic>

// A search inside entry lines (EntrySearch) on a worker thread of its own,
// for the window: its rows arrive while it runs, and it stops at once when
// asked, as the search of a newer text should. Made for Requests: its
// rowsReady() is the part of askInParts(), its ended() the answer of
// askMore(), and stop() the way a request no longer wanted is stopped.
//
// Configured with setRequest() before start(). Its signals reach the
// thread that made it queued; there takeRows() gives the rows found since
// the last call and whether they are the last, and outcome() how the
// search ended.
class EntrySearchThread : public QThread
{
    Q_OBJECT

public:
    void setRequest(const EntrySearch::Request &request) { m_request = request; }
    const EntrySearch::Request &request() const { return m_request; }

    // Ends the search as soon as it can; from any thread. Its outcome then
    // says it was stopped.
    void stop() { m_stop = true; }

    // The rows found since the last call; `ended` tells whether the search
    // has ended, and so whether no more will come.
    QList<EntrySearch::Row> takeRows(bool *ended);
    // Once ended.
    EntrySearch::Outcome outcome() const;

signals:
    // Rows wait in takeRows(), or the search has ended, or both. Not sent
    // again before takeRows() has been called, so a fast search does not
    // flood the event queue; the end is always told, by this signal or by
    // one still on its way.
    void rowsReady();
    // The search has ended; sent once, after the last rowsReady().
    void ended();

protected:
    void run() override;

private:
    void notify();

    EntrySearch::Request m_request;
    std::atomic<bool> m_stop{false};
    mutable QMutex m_mutex;
    // Under m_mutex.
    QList<EntrySearch::Row> m_rows;
    EntrySearch::Outcome m_outcome;
    bool m_ended = false;
    bool m_announced = false; // rowsReady() was sent and the rows not taken yet
};
