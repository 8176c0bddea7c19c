#pragma once

#include "lookup/page.h"

#include <QString>

// Turns the lines of an EDICT key into its page: for each entry its heads
// with their readings (the typed word marked in either), the mark of a
// common word, and its senses numbered, each with its tags' badges and its
// glosses, the gloss the key was found by marked. No threads, no database.
class EdictRenderer
{
public:
    // For the word as the user typed it, found by `key` (its query key).
    EdictRenderer(const QString &word, const QString &key);

    // Renders one decoded line; false, adding nothing, when it is no entry
    // line or has not the key (the file changed since it was indexed).
    bool renderLine(const QString &line);

    bool isEmpty() const { return m_page.blocks.isEmpty(); }
    // The page, or the not-found page when nothing was rendered.
    Page finish() const;

private:
    Page m_page;
    QString m_word;
    QString m_key;
};
