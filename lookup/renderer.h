#pragma once

#include <QString>

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
    bool isEmpty() const { return m_body.isEmpty(); }

    // The result page, or the not-found page when nothing was rendered.
    QString finish() const;

private:
    QString highlight(const QString &heading) const;

    // The page between its opening "<ol>" and closing "</ol>", appended to
    // piece by piece.
    QString m_body;
    QString m_lastHead;
    QString m_lastLabel;
    // The typed word HTML-escaped: markup in it is shown, never interpreted.
    QString m_escapedWord;
};
