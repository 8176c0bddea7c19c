#pragma once

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

class QThread;

// Qt's text-to-speech engine on a thread of its own. Starting an engine
// may wait on the speech server (speech-dispatcher is started on demand),
// and the window must not wait with it: what the engine answers comes back
// as signals. It starts at the first say(), not before, so that a window
// nobody makes speak starts no speech server.
class SpeechEngine : public QObject
{
    Q_OBJECT

public:
    // `engine` is the name of the engine to use; empty: Qt's choice.
    explicit SpeechEngine(const QString &engine, QObject *parent = nullptr);
    // Waits for the engine's thread, which the engine may hold up while it
    // connects.
    ~SpeechEngine() override;

    // Speaks `text` in a voice of its language, cutting short what is being
    // said.
    void say(const QString &text);

signals:
    // The engine has started; it speaks in these locales.
    void started(const QList<QLocale> &locales);
    // The engine could not start or failed on the way.
    void failed(const QString &reason);
    // The engine has no voice for `text`, which was not said.
    void noVoice(const QString &text);

private:
    void start();

    QString engine;
    QThread *thread = nullptr;
    // Lives on `thread`, and owns the engine there.
    QObject *worker = nullptr;
};
