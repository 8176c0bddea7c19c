// A speech engine for the tests, with the voices ORVEL_TEST_VOICES names
// ("en_US,ja_JP"): it adds "locale|text" of each text said to the
// application's "orvelTestSpoken" property, on the application's thread.
#include <QCoreApplication>
#include <QTextToSpeechEngine>
#include <QTextToSpeechPlugin>

class ProbeEngine : public QTextToSpeechEngine
{
public:
    explicit ProbeEngine(QObject *parent) : QTextToSpeechEngine(parent)
    {
        for (const QString &name :
             qEnvironmentVariable("ORVEL_TEST_VOICES").split(u',', Qt::SkipEmptyParts))
            locales << QLocale(name);
        current = locales.value(0, QLocale::c());
    }
    QList<QLocale> availableLocales() const override { return locales; }
    QList<QVoice> availableVoices() const override { return {}; }
    void say(const QString &text) override
    {
        QMetaObject::invokeMethod(qApp, [spoken = current.name() + u'|' + text] {
            qApp->setProperty("orvelTestSpoken", qApp->property("orvelTestSpoken").toStringList()
                                                     << spoken);
        });
    }
    void stop(QTextToSpeech::BoundaryHint) override {}
    void pause(QTextToSpeech::BoundaryHint) override {}
    void resume() override {}
    double rate() const override { return 0; }
    bool setRate(double) override { return true; }
    double pitch() const override { return 0; }
    bool setPitch(double) override { return true; }
    QLocale locale() const override { return current; }
    bool setLocale(const QLocale &locale) override
    {
        if (!locales.contains(locale))
            return false;
        current = locale;
        return true;
    }
    double volume() const override { return 1; }
    bool setVolume(double) override { return true; }
    QVoice voice() const override { return QVoice(); }
    bool setVoice(const QVoice &) override { return false; }
    QTextToSpeech::State state() const override { return QTextToSpeech::Ready; }
    QTextToSpeech::ErrorReason errorReason() const override
    {
        return QTextToSpeech::ErrorReason::NoError;
    }
    QString errorString() const override { return QString(); }

private:
    QList<QLocale> locales;
    QLocale current;
};

class SpeechProbe : public QObject, public QTextToSpeechPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.qt.speech.tts.plugin/6.0" FILE "speechprobe.json")
    Q_INTERFACES(QTextToSpeechPlugin)

public:
    QTextToSpeechEngine *createTextToSpeechEngine(const QVariantMap &, QObject *parent,
                                                  QString *) const override
    {
        return new ProbeEngine(parent);
    }
};

#include "speechprobe.moc"
