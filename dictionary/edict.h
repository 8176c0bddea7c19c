#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The EDICT line format: one entry a line,
//   KANJI [KANA] /gloss/gloss/.../   or, for a word in kana only,   KANA /gloss/.../
// Several heads or readings may be joined by ';' (EDICT2), each possibly
// with parenthesised marks such as (P) or (iK). A gloss may begin with tags
// in parentheses: parts of speech and flags ("(v1,vt)"), a field ("(MA)")
// and a sense number ("(2)"), which starts the next sense. A gloss that is
// only (P) marks a common word; a field starting "EntL" is the entry's
// sequence number. The file's first line ("　？？？ /EDICT, ...") is its
// header, not an entry. Everything here is pure and thread-safe.
namespace Edict {

struct Sense
{
    QStringList tags; // as the line has them: "v1", "vt", "MA"
    QStringList glosses;
};

struct Entry
{
    QStringList heads;    // the written forms; a kana-only word's one head is its kana
    QStringList readings; // empty for a word written in kana only
    QList<Sense> senses;
    bool common = false; // (P)
};

// Entry lines are far shorter than this; a longer line is no entry.
inline constexpr qsizetype longestLine = 64 * 1024;

// Takes a decoded line apart. False for a line that is no entry: the
// header, an empty line, a line without the slashes around its glosses, a
// bracket not closed before the glosses, a head holding a space or a
// character that could not be decoded, or not one gloss.
bool read(QStringView line, Entry *entry);

// The entry word of a line: read()'s heads.first(), a part of `line`,
// found without taking the rest apart or allocating. False where read() is.
bool firstHead(QStringView line, QStringView *head);

// The key of a gloss: its text upper-cased, without a leading "to " (the
// infinitive's), so "to eat" and "eat" give EAT. Null when nothing is left.
QString glossKey(const QString &gloss);

// The keys of an entry, each once, in this order: every head, every
// reading, every gloss's key.
QStringList keys(const Entry &entry);

// Whether `key` is among keys(entry), found without listing them.
bool hasKey(const Entry &entry, const QString &key);

// What a tag means, for the reader ("v1": "Ichidan verb"); null for a tag
// this program does not know.
QString tagMeaning(QStringView tag);

// The spelling of `key` in the entry as the line has it: the head, the
// reading or the gloss whose key it is; null when the entry has no such key.
QString spellingOf(const Entry &entry, const QString &key);

} // namespace Edict
