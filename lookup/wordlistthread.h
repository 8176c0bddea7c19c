#pragma once

#include <QList>
#include <QString>
#include <QThread>

#include <functional>

// Lists the dictionaries' entry words on a worker thread, for the word list
// beside the result view: the entries from a typed text on, or the next ones
// after the last row shown (scrolling). Rows come in key order (Unicode code
// point order of the upper-cased entry words), each key once across every
// dictionary switched on, phrases included; each shows its key's first entry
// line's entry word in the first dictionary (in the user's order) that has
// it, and its key gives the entry's page (SearchThread::lookUpEntry).
//
// Configured with setRequest() before start(); the list is written by the
// worker before listReady() and read, through result(), where that signal
// arrives. list() does the same synchronously on any thread.
class WordListThread : public QThread
{
    Q_OBJECT

public:
    // What to list.
    struct Request
    {
        QString key;        // where the list starts
        bool after = false; // only keys after `key`, not `key` itself
        int limit = 0;      // at most this many rows
        // The dictionaries to list; empty for those switched on.
        QList<int> only;
    };
    // The first `limit` entries whose key is at or after the key of `text`,
    // continuing past the entries that start with it.
    static Request from(const QString &text, int limit);
    // The `limit` entries that follow the entry whose key is `key`.
    static Request after(const QString &key, int limit);

    struct Row
    {
        QString key;
        QString shown; // the entry word as the key's first entry line spells it
    };
    enum Status {
        Listed,       // the rows, maybe none
        NoDictionary, // no dictionary is installed
        Failed,       // the database or the dictionary file cannot be read
        FileChanged,  // the file differs from the one the index was built of
    };
    struct List
    {
        Status status = Failed;
        QList<Row> rows;
        // False for a dictionary installed before phrases were listed: its
        // rows are single words only, until it is installed again.
        bool phrases = false;
        QString error; // on Failed and FileChanged, what failed in one line
    };

    void setRequest(const Request &request);
    const Request &request() const { return m_request; }

    // The list for `request`, made on the calling thread with a database
    // connection of its own.
    static List list(const Request &request);
    // Takes rows as they are listed.
    using Rows = std::function<void(QList<Row> &&rows)>;
    // The same list handed to `rows` in order, some at a time, as it is
    // read, so that a long one is never held whole; the list returned
    // holds none. Rows go on only while the list is Listed; an index that
    // fails to read after some went on ends it as Failed.
    static List list(const Request &request, const Rows &rows);

    // The list announced by listReady().
    const List &result() const { return m_list; }

signals:
    void listReady();

protected:
    void run() override;

private:
    Request m_request;
    List m_list;
};
