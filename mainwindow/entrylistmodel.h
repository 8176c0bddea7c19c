#pragma once

#include "lookup/entrysearch.h"
#include "lookup/requests.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QStringList>

class EntrySearchThread;

// The lines found in entries (Find in Entries), one row per entry line
// that holds the search text: its entry word and a snippet of the line
// around the match, the places of the text marked. Each change of the text
// asks a worker (EntrySearchThread) for the first rows and the count, whose
// rows join as it finds them; scrolling to the end asks for the next ones
// (fetchMore()). Which answer is shown, and which rows join it, is the
// requests' rule, and an answer no longer wanted is stopped. A dictionary
// that could not be searched gives a row of its own saying why, after the
// others.
class EntryListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // For the delegate: the places of the text in DisplayRole's text, as
    // QPoint(start, length) in a QVariantList; the length of the entry word
    // at its start.
    enum Role { MarksRole = Qt::UserRole + 1, WordLengthRole };

    explicit EntryListModel(QObject *parent = nullptr);

    // Rows asked for at a time: more than a list shows at once.
    static constexpr int batch = 100;

    // Searches for `text`; an empty text empties the list at once.
    void setText(const QString &text);
    // The text whose rows are shown.
    QString text() const { return m_text; }
    // The found line of row `index`; null for a row saying what failed.
    const EntrySearch::Row *row(int index) const;
    // What the list holds in a few words: "1,234 entries", or that the
    // search is on its way.
    QString summary() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    void summaryChanged(const QString &summary);

private:
    // A found line as the list shows it.
    struct Shown
    {
        QString text; // the entry word, two spaces, the snippet
        QVariantList marks;
        int wordLength;
    };
    Shown shown(const EntrySearch::Row &row) const;
    // Empties the list for the rows of `worker` (none for null), or for
    // the lines saying what failed.
    void show(EntrySearchThread *worker, const QStringList &failures);
    // Rows of the answer on display, or the first of a new one.
    void takePart(EntrySearchThread *worker);
    void takeMore(EntrySearchThread *worker);
    void append(QList<EntrySearch::Row> &&rows);
    // Lines saying what failed in place of the rows of those dictionaries.
    void dropFailed(const QList<EntrySearch::Failure> &failures);
    void setSummary(const QString &summary);

    QString m_text;
    QList<EntrySearch::Dictionary> m_dictionaries;
    QList<EntrySearch::Row> m_rows;
    QList<Shown> m_shown;
    QStringList m_failures;
    QString m_summary;
    // The worker whose rows are shown (gone once it has ended), and how
    // many it handed out.
    QPointer<EntrySearchThread> m_showing;
    qint64 m_handed = 0;
    // The answer on display may still add rows of itself; there are no
    // rows after the last one; a request for more is on its way.
    bool m_pending = false;
    bool m_complete = true;
    bool m_fetching = false;
    Requests searches;
};
