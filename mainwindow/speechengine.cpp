#include "mainwindow/speechengine.h"

#include "mainwindow/voicechoice.h"

#include <QPointer>
#include <QTextToSpeech>
#include <QThread>

SpeechEngine::SpeechEngine(const QString &engine, QObject *parent) : QObject(parent), engine(engine)
{
}

SpeechEngine::~SpeechEngine()
{
    if (!thread)
        return;
    thread->quit();
    thread->wait();
}

void SpeechEngine::start()
{
    thread = new QThread(this);
    thread->setObjectName(QStringLiteral("speech"));
    worker = new QObject;
    worker->moveToThread(thread);
    // Deleted on its thread, the engine with it, once the thread's loop
    // has ended.
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start();
    QPointer<SpeechEngine> self(this);
    QMetaObject::invokeMethod(worker, [worker = worker, name = engine, self] {
        auto *speech = new QTextToSpeech(name, worker);
        speech->setObjectName(QStringLiteral("speech"));
        const auto report = [self](auto &&what) {
            QMetaObject::invokeMethod(self, [self, what] {
                if (self)
                    what(self.data());
            });
        };
        if (speech->state() == QTextToSpeech::Error) {
            const QString reason = speech->errorString();
            report([reason](SpeechEngine *engine) { emit engine->failed(reason); });
            return;
        }
        const QList<QLocale> locales = speech->availableLocales();
        report([locales](SpeechEngine *engine) { emit engine->started(locales); });
        QObject::connect(speech, &QTextToSpeech::errorOccurred, worker,
                         [report](QTextToSpeech::ErrorReason, const QString &reason) {
                             report(
                                 [reason](SpeechEngine *engine) { emit engine->failed(reason); });
                         });
    });
}

void SpeechEngine::say(const QString &text)
{
    if (!thread)
        start();
    QPointer<SpeechEngine> self(this);
    // Queued after the engine's making, on its thread.
    QMetaObject::invokeMethod(worker, [worker = worker, text, self] {
        auto *speech = worker->findChild<QTextToSpeech *>(QStringLiteral("speech"));
        if (!speech || speech->state() == QTextToSpeech::Error)
            return;
        const std::optional<QLocale> locale =
            VoiceChoice::localeFor(text, speech->availableLocales(), QLocale::system());
        if (!locale) {
            QMetaObject::invokeMethod(self, [self, text] {
                if (self)
                    emit self->noVoice(text);
            });
            return;
        }
        speech->stop();
        if (speech->locale() != *locale)
            speech->setLocale(*locale);
        speech->say(text);
    });
}
