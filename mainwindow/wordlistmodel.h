#pragma once

#include "lookup/wordlistthread.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

#include <functional>

// The rows of the word list beside the result view. Each change of the
// search text asks a worker for the entries from it on; scrolling to the
// end asks for the next ones (fetchMore(), which the view calls). Lists are
// numbered as they are asked for, and one replaces the list on display only
// when it was asked for later, so a slow older list never takes the rows
// back to text no longer typed; more rows join only the list they follow.
class WordListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // Makes the worker of one request, not yet configured or started.
    using ThreadFactory = std::function<WordListThread *()>;
    explicit WordListModel(ThreadFactory createThread, QObject *parent = nullptr);
    ~WordListModel() override;

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
    void ask(const WordListThread::Request &request, quint64 ticket, bool more);
    void arrived(quint64 ticket, bool more, const WordListThread::List &list);
    // Sets `flag` to `value`, announcing a change through `changed`.
    void setFlag(bool *flag, bool value, void (WordListModel::*changed)(bool));

    ThreadFactory m_createThread;
    QList<WordListThread::Row> m_rows;
    quint64 listsAsked = 0;
    quint64 shownTicket = 0;
    // The list on display when more rows were last asked for: one request
    // for more at a time.
    quint64 moreAskedFor = 0;
    // The dictionary has no rows after the last one on display.
    bool complete = true;
    bool m_withoutPhrases = false;
    bool m_fileChanged = false;
    // Workers not yet deleted; waited for when the model goes.
    QList<QPointer<WordListThread>> running;
};
