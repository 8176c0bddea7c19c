#pragma once

#include <QElapsedTimer>
#include <QObject>

class QStatusBar;

// What the status bar says of look-ups: how long the last one took, or
// that it failed; nothing where nothing was looked up (no dictionary is
// installed, the field was emptied). Problems that last stay beside it.
class LookUpStatus : public QObject
{
    Q_OBJECT

public:
    explicit LookUpStatus(QStatusBar *bar, QObject *parent = nullptr);

    // A look-up began.
    void started();
    // The page on display answers a look-up that took its time; `failed`
    // when it says that it failed.
    void finished(bool failed);
    // Nothing was looked up for what is on display: no time is said.
    void nothingLookedUp();
    // Problems said for as long as the window is open, with what and what
    // to do as tooltip: the settings `file` cannot be written; the index
    // `file` cannot be opened or set up, for `reason`.
    void settingsNotSaved(const QString &file);
    void indexUnusable(const QString &file, const QString &reason);

private:
    void showProblem(const QString &name, const QString &text, const QString &details);

    QStatusBar *bar;
    QElapsedTimer timer;
};
