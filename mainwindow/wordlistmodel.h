#pragma once

#include "lookup/requests.h"
#include "lookup/wordlistthread.h"

#include <QAbstractListModel>
#include <QList>

// The rows of the word list beside the result view. Each change of the
// search text asks a worker for the entries from it on; scrolling to the
// end asks for the next ones (fetchMore(), which the view calls). Which
// list is shown, and which rows join it, is the requests' rule: a slow
// older list never takes the rows back to text no longer typed, and more
// rows join only the list they follow.
class WordListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit WordListModel(QObject *parent = nullptr);

    // Rows asked for at a time: more than a list shows at once.
    static constexpr int batch = 60;

    // Lists the entries from the key of `text` on; an empty text empties
    // the list at once.
    void setText(const QString &text);

    WordListThread::Row row(int index) const { return m_rows.value(index); }
    // The list on display comes from a dictionary installed before phrases
    // were listed.
    bool withoutPhrases() const { return m_withoutPhrases; }
    // The list on display is empty because the dictionary file has changed
    // since its index was built.
    bool fileChanged() const { return m_fileChanged; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // A new list replaced the rows (not sent when more rows join).
    void listShown();
    void withoutPhrasesChanged(bool withoutPhrases);
    void fileChangedChanged(bool fileChanged);

private:
    void show(const WordListThread::List &list);
    void append(const WordListThread::List &list);
    // Sets `flag` to `value`, announcing a change through `changed`.
    void setFlag(bool *flag, bool value, void (WordListModel::*changed)(bool));

    QList<WordListThread::Row> m_rows;
    // The dictionary has no rows after the last one on display.
    bool complete = true;
    bool m_withoutPhrases = false;
    bool m_fileChanged = false;
    Requests lists;
};
