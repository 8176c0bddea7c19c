#include "mainwindow/wordlistmodel.h"

WordListModel::WordListModel(ThreadFactory createThread, QObject *parent)
    : QAbstractListModel(parent), m_createThread(std::move(createThread))
{
}

WordListModel::~WordListModel()
{
    // A list takes milliseconds; a late one has nowhere to go.
    for (const QPointer<WordListThread> &thread : std::as_const(running)) {
        if (thread) {
            thread->wait();
            delete thread.data();
        }
    }
}

void WordListModel::setText(const QString &text)
{
    const quint64 ticket = ++listsAsked;
    if (!text.isEmpty()) {
        ask(WordListThread::from(text, batch), ticket, false);
        return;
    }
    // Lists still on their way belong to text that is gone.
    arrived(ticket, false, {WordListThread::Listed, {}, true, QString()});
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
    return !parent.isValid() && !complete && moreAskedFor != shownTicket;
}

void WordListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    moreAskedFor = shownTicket;
    ask(WordListThread::after(m_rows.constLast().key, batch), shownTicket, true);
}

void WordListModel::ask(const WordListThread::Request &request, quint64 ticket, bool more)
{
    WordListThread *thread = m_createThread();
    connect(thread, &WordListThread::listReady, this,
            [this, ticket, more, thread] { arrived(ticket, more, thread->result()); });
    // Connected after listReady, so the worker goes only after its list
    // has been delivered.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    running.removeIf([](const QPointer<WordListThread> &done) { return done.isNull(); });
    running << thread;
    thread->setRequest(request);
    thread->start(QThread::InheritPriority);
}

void WordListModel::arrived(quint64 ticket, bool more, const WordListThread::List &list)
{
    // Without a dictionary, or with one that cannot be read, the list
    // stays empty: the page says why.
    const bool listed = list.status == WordListThread::Listed;
    if (more) {
        if (ticket != shownTicket)
            return;
        if (listed && !list.rows.isEmpty()) {
            beginInsertRows(QModelIndex(), int(m_rows.size()),
                            int(m_rows.size() + list.rows.size()) - 1);
            m_rows += list.rows;
            endInsertRows();
        }
        complete = !listed || list.rows.size() < batch;
        // The next request for more may go.
        moreAskedFor = 0;
        return;
    }
    if (ticket <= shownTicket)
        return;
    shownTicket = ticket;
    beginResetModel();
    m_rows = listed ? list.rows : QList<WordListThread::Row>();
    complete = m_rows.size() < batch;
    moreAskedFor = 0;
    endResetModel();
    setFlag(&m_withoutPhrases, listed && !list.phrases, &WordListModel::withoutPhrasesChanged);
    setFlag(&m_fileChanged, list.status == WordListThread::FileChanged,
            &WordListModel::fileChangedChanged);
    emit listShown();
}

void WordListModel::setFlag(bool *flag, bool value, void (WordListModel::*changed)(bool))
{
    if (*flag == value)
        return;
    *flag = value;
    emit(this->*changed)(value);
}
