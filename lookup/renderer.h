#pragma once

#include <QString>
#include <QStringList>

// Turns the window of dictionary lines read by a look-up into the result page:
// one heading per head word with the typed word marked in red, a grey badge
// per label, numbered lists of translations. No threads, no database.
class ResultRenderer
{
public:
    // Starts an empty page for the word as the user typed it.
    explicit ResultRenderer(const QString &word);

    // Renders one decoded dictionary line (terminator included, not escaped).
    // Lines that are not entry lines add nothing.
    void renderLine(const QString &line);

    // True when no entry line has been rendered yet.
    bool isEmpty() const { return m_fragments.isEmpty(); }

    // The result page, or the not-found page when nothing was rendered.
    QString finish() const;

private:
    QString highlight(const QString &heading) const;

    QStringList m_fragments;
    QString m_lastHead;
    QString m_lastLabel;
    // The typed word HTML-escaped: markup in it is shown, never interpreted.
    QString m_escapedWord;
};
