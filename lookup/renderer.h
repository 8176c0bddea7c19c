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

    // Renders one decoded dictionary line (terminator included). Lines that
    // are not entry lines add nothing.
    void renderLine(const QString &line);

    // True when no entry line has been rendered yet.
    bool isEmpty() const { return m_page.blocks.isEmpty(); }

    // The result page, or the not-found page when nothing was rendered.
    Page finish() const;

private:
    void addHeading(QStringView head);
    // Where the typed word next occurs in `head` from `from` on, found
    // case-insensitively; `asciiHead` when head and word are short ASCII.
    qsizetype findWord(QStringView head, bool asciiHead, qsizetype from) const;

    Page m_page;
    QString m_lastHead;
    QString m_lastLabel;
    // As typed: the writers escape whatever it holds.
    QString m_word;
    // The typed word folded, when it is ASCII; empty otherwise.
    QString m_asciiWord;
};
