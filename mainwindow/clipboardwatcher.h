#pragma once

#include <QObject>
#include <QString>

class QAction;
class QClipboard;
class ViewSettings;

// Looks up words copied in other programs (Window > Look Up Copied Words):
// while the action is checked, each text copied to the clipboard that
// wordToLookUp() takes is handed on with wordCopied(), for the pop-up.
// The action shows and sets ViewSettings::watchClipboard().
class ClipboardWatcher : public QObject
{
    Q_OBJECT

public:
    ClipboardWatcher(QAction *toggle, ViewSettings *settings, QObject *parent = nullptr);

    // A copy of more words is a passage being quoted, not a word to look up.
    static constexpr int maxWords = 5;
    // Text with no space in it (Japanese) is one word however long it is;
    // past this many characters it is a sentence all the same.
    static constexpr int maxCharacters = 64;

    // What to look up of `copied`, or nothing: text of one to maxWords
    // words (split at white space, which runs as one space in what is
    // returned) and at most maxCharacters, not copied in Orvel itself
    // (`ownCopy`), and not `last`, the text looked up this way last. A copy
    // made again (a second Ctrl+C) asks for the pop-up only once.
    static QString wordToLookUp(const QString &copied, bool ownCopy, const QString &last);

signals:
    void wordCopied(const QString &word);

private:
    void watch(bool on);
    void clipboardChanged();

    QClipboard *clipboard;
    QString last;
};
