#pragma once

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class HeadingColumn;
class PageLoader;
class QAction;
class QMenu;
class QPainter;
class QRectF;
class QStatusBar;
class QWidget;
class ResultView;
class SpeechEngine;
class ViewSettings;

// The page's entry words read aloud: a speaker beside each entry heading,
// in a column beside the stars, speaks that entry's word when clicked, and
// View > Speak (F7) the word of the entry at the top of the view. Japanese
// words are read in a Japanese voice, Latin ones in an English voice. With
// no speech engine, or none with a voice for the word, the action is off and
// its tooltip (the speaker's too) says why. Like the stars, the speakers
// leave the page itself as the look-up made it.
class Speaker : public QObject
{
    Q_OBJECT

public:
    // The window's pieces it uses: Speak goes at the end of `viewMenu`,
    // its key works in `window`, and what was done shows in `statusBar`.
    struct Parts
    {
        ResultView *view;
        PageLoader *pages;
        QWidget *window;
        QMenu *viewMenu;
        QStatusBar *statusBar;
    };
    // The speakers beside the headings while `settings` says so. The
    // engine is the one the environment's ORVEL_SPEECH_ENGINE names, or
    // Qt's choice.
    Speaker(const Parts &parts, ViewSettings *settings, QObject *parent = nullptr);

    // The page's entry words, one per heading, in its order, as a card's
    // front shows them (without a reading in braces).
    const QStringList &words();
    // Why `word` cannot be spoken now; empty when it can.
    QString whyNot(const QString &word) const;
    // Speaks entry `index`'s word.
    void speak(int index);
    // Speaks the word of the entry whose heading is at the top of the view.
    void speakTop();

signals:
    // What was done, for the status bar.
    void said(const QString &text);

private:
    void paint(QPainter &painter, int entry, const QRectF &place);
    void pageChanged();
    // The action on or off as the word at the top can be spoken or not.
    void updateAction();
    void engineFailed(const QString &reason);

    ResultView *view;
    PageLoader *pages;
    HeadingColumn *gutter;
    QAction *m_speak;
    SpeechEngine *engine;
    QString wanted;
    QStringList installed;
    // What the engine speaks, once it has started.
    std::optional<QList<QLocale>> locales;
    QString failure;
    QStringList m_words;
    bool wordsRead = false;
};
