#include "notebook/notebookthread.h"

#include <QDateTime>
#include <QSaveFile>

namespace {

bool holds(const QString &text, const QString &filter)
{
    return text.contains(filter, Qt::CaseInsensitive);
}

} // namespace

NotebookThread::NotebookThread(const QString &path, QObject *parent)
    : QObject(parent), m_context(new QObject), m_path(path)
{
    m_context->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("notebook"));
    m_thread.start();
    run([](Notebook &) {});
}

NotebookThread::~NotebookThread()
{
    QMetaObject::invokeMethod(m_context, [this] {
        m_notebook.reset();
        m_thread.quit();
    });
    m_thread.wait();
    delete m_context;
}

void NotebookThread::run(std::function<void(Notebook &)> job)
{
    QMetaObject::invokeMethod(m_context, [this, job = std::move(job)] {
        if (!m_notebook) {
            m_notebook = std::make_unique<Notebook>(m_path);
            QString moved;
            switch (m_notebook->open(&moved)) {
            case Notebook::Opened::Ready:
                break;
            case Notebook::Opened::MovedAside:
                emit problem(moved);
                break;
            case Notebook::Opened::Failed:
                m_said = m_notebook->lastError();
                emit problem(
                    tr("The notebook %1 cannot be opened: %2").arg(m_notebook->path(), m_said));
                break;
            }
        }
        job(*m_notebook);
    });
}

void NotebookThread::change(std::function<bool(Notebook &)> change,
                            void (NotebookThread::*changed)())
{
    run([this, change = std::move(change), changed](Notebook &notebook) {
        if (change(notebook)) {
            m_said.clear();
        } else if (notebook.lastError() != std::exchange(m_said, notebook.lastError())) {
            emit problem(tr("The notebook %1 cannot be written: %2")
                             .arg(notebook.path(), notebook.lastError()));
        }
        // Also after a failure: whoever showed the change at once reads
        // what the notebook really holds.
        emit(this->*changed)();
    });
}

void NotebookThread::record(const QString &word)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    change([word, now](Notebook &notebook) { return notebook.record(word, now); },
           &NotebookThread::historyChanged);
}

void NotebookThread::removeFromHistory(const QStringList &words)
{
    change([words](Notebook &notebook) { return notebook.removeFromHistory(words); },
           &NotebookThread::historyChanged);
}

void NotebookThread::clearHistory()
{
    change([](Notebook &notebook) { return notebook.clearHistory(); },
           &NotebookThread::historyChanged);
}

void NotebookThread::star(Star star)
{
    star.time = QDateTime::currentMSecsSinceEpoch();
    change([star](Notebook &notebook) { return notebook.star({star}); },
           &NotebookThread::starsChanged);
}

void NotebookThread::unstar(const QString &word, const QString &dictionary)
{
    change([word, dictionary](Notebook &notebook) { return notebook.unstar(word, dictionary); },
           &NotebookThread::starsChanged);
}

void NotebookThread::setNote(const QString &word, const QString &dictionary, const QString &note)
{
    change([=](Notebook &notebook) { return notebook.setNote(word, dictionary, note); },
           &NotebookThread::starsChanged);
}

void NotebookThread::changedElsewhere()
{
    run([this](Notebook &) {
        emit historyChanged();
        emit starsChanged();
    });
}

void NotebookThread::readHistory(const QString &filter)
{
    run([this, filter](Notebook &notebook) {
        QList<HistoryWord> words;
        notebook.history(&words);
        if (!filter.isEmpty())
            words.removeIf([&](const HistoryWord &word) { return !holds(word.word, filter); });
        emit historyRead(filter, words);
    });
}

void NotebookThread::readStars(const QString &filter)
{
    run([this, filter](Notebook &notebook) {
        QList<Star> stars;
        notebook.stars(&stars);
        if (!filter.isEmpty())
            stars.removeIf([&](const Star &star) {
                return !holds(star.word, filter) && !holds(star.reading, filter) &&
                       !holds(star.note, filter);
            });
        emit starsRead(filter, stars);
    });
}

void NotebookThread::exportTo(const QString &file, bool history, Cards::Format format)
{
    run([=](Notebook &notebook) {
        QSaveFile out(file);
        int count = 0;
        QString error;
        const auto write = [&out](const QString &text) {
            const QByteArray bytes = text.toUtf8();
            return out.write(bytes) == bytes.size();
        };
        if (!out.open(QIODevice::WriteOnly))
            error = out.errorString();
        else if (!Cards::write(notebook, history, format, write, &count, &error))
            error = out.error() != QFileDevice::NoError ? out.errorString() : error;
        else if (!out.commit())
            error = out.errorString();
        emit exported(file, error.isEmpty() ? count : 0, error);
    });
}
