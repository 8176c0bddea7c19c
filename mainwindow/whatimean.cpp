#include "mainwindow/whatimean.h"

#include "lookup/page.h"
#include "mainwindow/outsideword.h"
#include "mainwindow/pageloader.h"

#include <QAction>
#include <QTextBrowser>

WhatIMean::WhatIMean(QAction *setting, QTextBrowser *view, PageLoader *pages, History *history,
                     QObject *parent)
    : QObject(parent), setting(setting), pages(pages), history(history)
{
    pages->setFindWhatIMean(isOn());
    connect(setting, &QAction::toggled, pages, &PageLoader::setFindWhatIMean);
    // Only the user's own change looks the page up again, not the settings
    // restored at start.
    connect(setting, &QAction::triggered, this, &WhatIMean::turned);
    connect(pages, &PageLoader::pageShown, this, &WhatIMean::pageShown);
    // Queued: the look-up replaces the page whose link is being clicked.
    connect(view, &QTextBrowser::anchorClicked, this, &WhatIMean::followLink, Qt::QueuedConnection);
}

bool WhatIMean::isOn() const
{
    return setting->isChecked();
}

QString WhatIMean::outsideWord(const QString &text) const
{
    return isOn() ? OutsideWord::fromText(text) : OutsideWord::clean(text);
}

void WhatIMean::pageShown()
{
    // A page an older look-up left on display stands for nothing typed now.
    const Meaning &meaning = pages->meaning();
    if (meaning.rule == Meaning::None || !pages->showsNewest())
        return;
    meant = {meaning.shown, meaning.rule == Meaning::Word ? QString() : meaning.key};
    history->arrivedAs(meant);
}

void WhatIMean::lookingUpAgain(const QString &text)
{
    if (history->onDisplay() == meant)
        history->typed({text, QString()});
}

void WhatIMean::followLink(const QUrl &link)
{
    const QString word = Page::lookedUpWord(link);
    if (!word.isNull())
        emit lookUpWanted(word);
}
