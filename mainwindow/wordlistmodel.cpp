#include "mainwindow/wordlistmodel.h"

WordListModel::WordListModel(QObject *parent) : QAbstractListModel(parent)
{
}

void WordListModel::setText(const QString &text)
{
    if (text.isEmpty()) {
        // Lists still on their way belong to text that is gone.
        lists.dropPending();
        show({WordListThread::Listed, {}, true, QString()});
        return;
    }
    auto *worker = new WordListThread;
    worker->setRequest(WordListThread::from(text, batch));
    lists.ask(worker, &WordListThread::listReady,
              [this](WordListThread *done) { show(done->result()); });
}

int WordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant WordListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    return m_rows.at(index.row()).shown;
}

bool WordListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !complete && lists.canAskMore();
}

void WordListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    auto *worker = new WordListThread;
    worker->setRequest(WordListThread::after(m_rows.constLast().key, batch));
    lists.askMore(worker, &WordListThread::listReady,
                  [this](WordListThread *done) { append(done->result()); });
}

void WordListModel::show(const WordListThread::List &list)
{
    // Without a dictionary, or with one that cannot be read, the list
    // stays empty: the page says why.
    const bool listed = list.status == WordListThread::Listed;
    beginResetModel();
    m_rows = listed ? list.rows : QList<WordListThread::Row>();
    complete = m_rows.size() < batch;
    endResetModel();
    setFlag(&m_withoutPhrases, listed && !list.phrases, &WordListModel::withoutPhrasesChanged);
    setFlag(&m_fileChanged, list.status == WordListThread::FileChanged,
            &WordListModel::fileChangedChanged);
    emit listShown();
}

void WordListModel::append(const WordListThread::List &list)
{
    const bool listed = list.status == WordListThread::Listed;
    if (listed && !list.rows.isEmpty()) {
        beginInsertRows(QModelIndex(), int(m_rows.size()),
                        int(m_rows.size() + list.rows.size()) - 1);
        m_rows += list.rows;
        endInsertRows();
    }
    complete = !listed || list.rows.size() < batch;
}

void WordListModel::setFlag(bool *flag, bool value, void (WordListModel::*changed)(bool))
{
    if (*flag == value)
        return;
    *flag = value;
    emit(this->*changed)(value);
}
