#include "mainwindow/speaker.h"

#include "mainwindow/headingmarks.h"
#include "mainwindow/pageloader.h"
#include "mainwindow/resultview.h"
#include "mainwindow/speechengine.h"
#include "mainwindow/voicechoice.h"
#include "notebook/pageentries.h"
#include "preferences/viewsettings.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextToSpeech>

namespace {

// A loudspeaker with two sound waves, drawn rather than taken from a font,
// which may have no such sign.
void drawSpeaker(QPainter &painter, const QRectF &place)
{
    const qreal unit = place.width() / 12;
    const QPointF origin = place.topLeft();
    const auto at = [&](qreal x, qreal y) { return origin + QPointF(x * unit, y * unit); };
    QPainterPath body;
    body.moveTo(at(2, 4.5));
    body.lineTo(at(4, 4.5));
    body.lineTo(at(6.5, 2.5));
    body.lineTo(at(6.5, 9.5));
    body.lineTo(at(4, 7.5));
    body.lineTo(at(2, 7.5));
    body.closeSubpath();
    painter.fillPath(body, painter.pen().color());
    for (const qreal radius : {2.0, 3.5}) {
        const QRectF wave(at(6.5 - radius, 6 - radius), QSizeF(2 * radius, 2 * radius) * unit);
        painter.drawArc(wave, -45 * 16, 90 * 16);
    }
}

} // namespace

Speaker::Speaker(const Parts &parts, ViewSettings *settings, QObject *parent)
    : QObject(parent), view(parts.view), pages(parts.pages),
      m_speak(new QAction(tr("&Speak"), this)), wanted(qEnvironmentVariable("ORVEL_SPEECH_ENGINE")),
      // Only the plug-ins are looked at: no engine is started yet.
      installed(QTextToSpeech::availableEngines())
{
    engine = new SpeechEngine(wanted, this);
    connect(engine, &SpeechEngine::started, this, [this](const QList<QLocale> &spoken) {
        locales = spoken;
        updateAction();
    });
    connect(engine, &SpeechEngine::failed, this, &Speaker::engineFailed);
    connect(engine, &SpeechEngine::noVoice, this,
            [this](const QString &word) { emit said(whyNot(word)); });

    m_speak->setObjectName(QStringLiteral("actionSpeak"));
    m_speak->setShortcut(QKeySequence(Qt::Key_F7));
    connect(m_speak, &QAction::triggered, this, &Speaker::speakTop);
    parts.viewMenu->addSeparator();
    parts.viewMenu->addAction(m_speak);
    // Where the action is off, its tooltip says why.
    parts.viewMenu->setToolTipsVisible(true);
    parts.window->addAction(m_speak);
    connect(this, &Speaker::said, parts.statusBar,
            [bar = parts.statusBar](const QString &text) { bar->showMessage(text, 10000); });

    gutter = new HeadingColumn(view, QStringLiteral("speakerGutter"),
                               {[this] { return words().size(); },
                                [this](QPainter &painter, int entry, const QRectF &place) {
                                    paint(painter, entry, place);
                                },
                                [this](int entry) {
                                    const QString reason = whyNot(words().at(entry));
                                    return reason.isEmpty()
                                               ? tr("Read “%1” aloud").arg(words().at(entry))
                                               : reason;
                                },
                                [this](int entry) { speak(entry); }});
    gutter->setShown(settings->speakers());
    connect(settings, &ViewSettings::speakersChanged, gutter, &HeadingColumn::setShown);

    connect(pages, &PageLoader::pageShown, this, &Speaker::pageChanged);
    connect(pages, &PageLoader::pageExtended, this, &Speaker::pageChanged);
    connect(view, &QTextEdit::textChanged, this, &Speaker::pageChanged);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &Speaker::updateAction);
    updateAction();
}

const QStringList &Speaker::words()
{
    if (!wordsRead) {
        m_words.clear();
        for (const Star &entry : PageEntries::read(pages->page(), QString()))
            m_words << PageEntries::shownWord(entry);
        wordsRead = true;
    }
    return m_words;
}

QString Speaker::whyNot(const QString &word) const
{
    if (!failure.isEmpty())
        return tr("Speech is off: %1").arg(failure);
    return VoiceChoice::whyNot(installed, wanted, locales, word);
}

void Speaker::speak(int index)
{
    if (index < 0 || index >= words().size())
        return;
    const QString word = words().at(index);
    const QString reason = whyNot(word);
    if (!reason.isEmpty()) {
        emit said(reason);
        return;
    }
    // Answers come back as signals; nothing here waits for the engine.
    engine->say(word);
}

void Speaker::speakTop()
{
    const int top = HeadingMarks::atTop(view, words().size());
    if (top < 0)
        emit said(tr("This page has no entry to speak."));
    else
        speak(top);
}

void Speaker::updateAction()
{
    const int top = HeadingMarks::atTop(view, words().size());
    const QString reason = whyNot(top < 0 ? QString() : words().at(top));
    m_speak->setEnabled(reason.isEmpty());
    m_speak->setToolTip(reason.isEmpty() ? tr("Read “%1” aloud (%2)")
                                               .arg(words().at(top), m_speak->shortcut().toString(
                                                                         QKeySequence::NativeText))
                                         : reason);
}

void Speaker::engineFailed(const QString &reason)
{
    failure = reason.isEmpty() ? tr("the speech engine failed.") : reason;
    updateAction();
    gutter->update();
    emit said(whyNot(QString()));
}

void Speaker::paint(QPainter &painter, int entry, const QRectF &place)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = whyNot(words().at(entry)).isEmpty()
                              ? view->colours().link
                              : view->palette().color(QPalette::Disabled, QPalette::Text);
    painter.setPen(QPen(colour, qMax<qreal>(1, place.width() / 14)));
    drawSpeaker(painter, place);
}

void Speaker::pageChanged()
{
    wordsRead = false;
    gutter->pageChanged();
    updateAction();
}
