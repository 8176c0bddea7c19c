#include "mainwindow/clipboardwatcher.h"

#include "preferences/viewsettings.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

ClipboardWatcher::ClipboardWatcher(QAction *toggle, ViewSettings *settings, QObject *parent)
    : QObject(parent), clipboard(QGuiApplication::clipboard())
{
    toggle->setCheckable(true);
    toggle->setChecked(settings->watchClipboard());
    watch(settings->watchClipboard());
    connect(toggle, &QAction::toggled, settings, &ViewSettings::setWatchClipboard);
    connect(settings, &ViewSettings::watchClipboardChanged, toggle, &QAction::setChecked);
    connect(settings, &ViewSettings::watchClipboardChanged, this, &ClipboardWatcher::watch);
}

QString ClipboardWatcher::wordToLookUp(const QString &copied, bool ownCopy, const QString &last)
{
    if (ownCopy)
        return QString();
    const QString text = copied.simplified();
    if (text.isEmpty() || text.size() > maxCharacters || text.count(u' ') >= maxWords ||
        text == last)
        return QString();
    return text;
}

void ClipboardWatcher::watch(bool on)
{
    // Connected only while on: reading what another program copied asks
    // that program for it.
    if (on)
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardWatcher::clipboardChanged,
                Qt::UniqueConnection);
    else
        disconnect(clipboard, &QClipboard::dataChanged, this, &ClipboardWatcher::clipboardChanged);
}

void ClipboardWatcher::clipboardChanged()
{
    const bool own = clipboard->ownsClipboard();
    // Orvel's own copy is not read back at all.
    const QString word = wordToLookUp(own ? QString() : clipboard->text(), own, last);
    if (word.isEmpty())
        return;
    last = word;
    emit wordCopied(word);
}
