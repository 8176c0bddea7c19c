#pragma once

#include "database/records.h"

#include <QList>
#include <QString>

class IndexReader;
class PartsOfSpeech;

// What the user means by a typed text, when the window finds what they
// mean rather than only the text's own entries: the first of these rules
// that applies, tried in this order on the text with the white space
// around it removed.
struct Meaning
{
    enum Rule {
        Word,  // the text has an index key: its own page
        Entry, // an entry word has its key (a phrase): that entry's page
        // An inflected form whose base form has an entry: English
        // (BaseForms) before Fold, Japanese (JapaneseBaseForms) after it.
        Base,
        Fold,   // a key that folds alike (Fold): the first in key order
        Romaji, // the kana of a text typed in romaji, through Word, Fold, Base
        // A far commoner word one edit away (teh -> the) than the entry
        // Nearest would show.
        Typo,
        Nearest, // the commonest entry whose key starts with the text's key
        None,    // the not-found page, with suggestions (WordKeys)
    };

    Rule rule = None;
    // The entry word shown, as the dictionary's first line of it spells it
    // (for Word the text itself); empty for None.
    QString shown;
    // Its key: the page of the entry with this key (for Word that of the
    // text) is what was shown.
    QString key;
    // For Romaji, the rule that found the kana's entry.
    Rule via = None;
};

// The rules on the index (and on the parts of speech the keys' lines give);
// the page is read from the file afterwards.
namespace FindWhatIMean {

struct Found
{
    Meaning::Rule rule = Meaning::None;
    QString key;         // of the entry shown; for Word the text's key
    qint64 position = 0; // of its first entry line
    // For None: the suggestions' keys with their first lines' offsets.
    QList<Records::Entry> suggestions;
    Meaning::Rule via = Meaning::None; // for Romaji
};

// Applies the rules to `text` (not empty, no white space around it) with
// `reader`. `dictionary` tells the installed dictionary's index apart from
// any other that was installed before (its file, as it was recorded), for
// the keys shared between look-ups. False when the index could not be
// read; the reader then says why.
// With several dictionaries (`several`), in each of `ids`: a rule that
// holds in any of them holds, each found in that one's rows; `ids` are the
// dictionaries read, the one installed when it is alone.
// `tags` tells the parts of speech of the dictionaries' keys, for the
// Japanese base forms; without it any class fits.
bool resolve(IndexReader &reader, const QString &dictionary, const QString &text, Found *found,
             const QList<int> &ids, bool several, PartsOfSpeech *tags = nullptr);

} // namespace FindWhatIMean
