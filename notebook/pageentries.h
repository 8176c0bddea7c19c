#pragma once

#include "lookup/page.h"
#include "notebook/notebook.h"

#include <QList>
#include <QString>

// The entries of a result page as the notebook stars them: one per
// heading, in the page's order, with what follows the heading up to the
// next one. Pure: no threads, no database.
namespace PageEntries {

// The entries of `page`. A page of several dictionaries names each
// section's; a page without sections is that of `soleDictionary`. Each
// star's time is left 0 and its note empty.
QList<Star> read(const Page &page, const QString &soleDictionary);

// The entry whose entry word has the list key of `word` (Eijiro::entryKey),
// the first of the page's; else the first whose reading has it; null when
// none has.
const Star *find(const QList<Star> &entries, const QString &word);

// The reading the dictionary gives of an entry: a Japanese entry word's
// in full-width braces after it ("愛｛あい｝"), or the kana after "【＠】"
// in its lines ("【＠】アップル、..."); empty when it gives none.
QString readingOf(const QString &entryWord, const QString &lines);

// The entry word as a card's front shows it, without a reading in braces
// after it ("愛" for "愛｛あい｝").
QString shownWord(const Star &star);

} // namespace PageEntries
