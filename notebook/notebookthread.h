#pragma once

#include "notebook/cards.h"
#include "notebook/notebook.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>

// The window's notebook: the file opened on a thread of its own, where
// every read and write runs in the order asked. The GUI thread only asks,
// so a look-up never waits for the disk; answers and changes come back as
// signals, queued to the receivers' threads. Asked from one thread (the
// GUI's); what was asked is done before the object goes.
class NotebookThread : public QObject
{
    Q_OBJECT

public:
    explicit NotebookThread(const QString &path = Notebook::defaultPath(),
                            QObject *parent = nullptr);
    ~NotebookThread() override;

    // `word` was looked up now.
    void record(const QString &word);
    void removeFromHistory(const QStringList &words);
    void clearHistory();
    // Stars `star` now (its time is set here).
    void star(Star star);
    void unstar(const QString &word, const QString &dictionary);
    void setNote(const QString &word, const QString &dictionary, const QString &note);
    // The history and the stars whose text holds `filter` (ignoring case;
    // every one for an empty filter), newest first.
    void readHistory(const QString &filter = QString());
    void readStars(const QString &filter = QString());
    // Writes the stars (or the history) as cards to `file`, replacing it
    // whole or not at all.
    void exportTo(const QString &file, bool history, Cards::Format format);
    // Runs `job` on the notebook's thread after what was asked before.
    void run(std::function<void(Notebook &notebook)> job);
    // The file was changed by another connection (an import): what shows
    // it is read again.
    void changedElsewhere();

signals:
    // Something went wrong in one line: the file was damaged and moved
    // aside, or it cannot be read or written.
    void problem(const QString &line);
    void historyChanged();
    void starsChanged();
    // The answers of readHistory() and readStars(), with the filter asked.
    void historyRead(const QString &filter, const QList<HistoryWord> &words);
    void starsRead(const QString &filter, const QList<Star> &stars);
    // An export ended: `count` cards written, or `error` says why none.
    void exported(const QString &file, int count, const QString &error);

private:
    // Runs `change` and says if it failed; `changed` is emitted after, either way.
    void change(std::function<bool(Notebook &)> change, void (NotebookThread::*changed)());

    QThread m_thread;
    QObject *m_context;
    // Made, opened, used and closed on m_thread.
    std::unique_ptr<Notebook> m_notebook;
    QString m_path;
    // The last failure said, so that a notebook that cannot be written says
    // so once, not at every word.
    QString m_said;
};
