#pragma once

#include "lookup/page.h"

#include <QString>

// Turns the window of dictionary lines read by a look-up into the result page:
// one heading per head word with the typed word highlighted, a badge per
// label, numbered lists of translations. No threads, no database.
class ResultRenderer
{
public:
    // Starts an empty page for the word as the user typed it.
    explicit ResultRenderer(const QString &word);
    // Goes on where a renderer that stood at `lastHead` and `lastLabel`
    // stopped: the next window of the same lines.
    ResultRenderer(const QString &word, const QString &lastHead, const QString &lastLabel);

    // Renders one decoded dictionary line (terminator included). Lines that
    // are not entry lines add nothing.
    void renderLine(const QString &line);

    // True when no entry line has been rendered yet.
    bool isEmpty() const { return m_page.blocks.isEmpty(); }

    // The result page, or the not-found page when nothing was rendered.
    Page finish() const;

    const QString &word() const { return m_word; }
    const QString &lastHead() const { return m_lastHead; }
    const QString &lastLabel() const { return m_lastLabel; }

    // The heading of `head` with every occurrence of the typed `word`
    // marked, found case-insensitively, shown as typed.
    static PageBlock heading(QStringView head, const QString &word);

private:
    void addHeading(QStringView head);

    Page m_page;
    QString m_lastHead;
    QString m_lastLabel;
    // As typed: the writers escape whatever it holds.
    QString m_word;
};
