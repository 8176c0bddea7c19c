#pragma once

#include "mainwindow/history.h"

#include <QObject>

class PageLoader;
class QAction;
class QTextBrowser;
class QUrl;

// The window's side of View > Find What I Mean. While it is on, a typed
// text shows the page of what the user means (the page loader applies the
// rules, the page says what it shows instead), the history keeps the entry
// such a page shows, a suggestion's link looks its word up, moving through
// the word list shows each row's page, and words from outside lose the
// punctuation around them. Off, the window does none of it.
class WhatIMean : public QObject
{
    Q_OBJECT

public:
    // `setting` is the checkable action; `view` shows `pages`' pages.
    WhatIMean(QAction *setting, QTextBrowser *view, PageLoader *pages, History *history,
              QObject *parent = nullptr);

    bool isOn() const;
    // A word from the command line, the selection or another Orvel, as it
    // is looked up.
    QString outsideWord(const QString &text) const;
    // The page on display is looked up again, `text` in the field: a page
    // the rules found is found again from the text, not from the entry.
    void lookingUpAgain(const QString &text);

signals:
    // A suggestion's link was clicked.
    void lookUpWanted(const QString &word);
    // The user turned the setting on or off: the page on display follows.
    void turned();

private:
    void pageShown();
    void followLink(const QUrl &link);

    QAction *setting;
    PageLoader *pages;
    History *history;
    // The last page the rules found, as the history keeps it.
    History::Visit meant;
};
