#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The base forms an inflected English word may come from, for showing the
// entry of "run" to someone who typed "running", and of "look up" for
// "looked up". Pure and thread-safe.
//
// The forms are those of the inflection classes: plural and third person
// (-s, -es, -ies), past and participles (-d, -ed, -ied, a doubled
// consonant, irregular verbs), -ing (a dropped e, a doubled consonant),
// comparative and superlative (-r, -er, -ier, -st, -est, -iest, a doubled
// consonant). Which of them is a base is the dictionary's to say: the look-up
// takes the first that has an entry.
//
// The fixed order, most likely first:
// 1. the irregular verbs' table (went -> go, taken -> take, ran -> run,
//    also does -> do, has -> have, is -> be, lying -> lie), then the
//    irregular plurals' (mice -> mouse, wolves -> wolf, criteria ->
//    criterion);
// 2. -s, -es, -ies -> y: horses -> horse before hors, ties -> tie before
//    ty, studies -> study once studie and studi are not there;
// 3. -ed, -ing, -er, -est, each in the order e restored, as it is,
//    consonant undoubled, (for -ied, -ier, -iest) y restored: hoping ->
//    hope before hop, used -> use before us, running -> run once runne
//    and runn are not there.
//
// Hunspell's stemming was weighed and is not used: with Debian's en_US its
// stem() gives hoping -> hop, caring -> car, writing -> writ, biting -> bit
// and lying -> lye (its affix data, made to accept spellings rather than
// to analyse them, attaches -ing to hop and writ and lists hopping as a
// word of its own), and nothing for running, stopped, bigger, went or
// taken. For ordering the candidates that have entries it does worse than
// the order above, and without it the order is the same on every system.
namespace BaseForms {

// The keys of the forms `key` (a query key, upper-cased) may be inflected
// from, in the order above, each once. Only its first word (up to the
// first space) is taken apart; the rest follows each base as it is.
QStringList of(const QString &key);

// The irregular verbs' table: each row the verb, then its forms.
QList<QStringList> irregularVerbs();
// The irregular plurals' table: each row the noun, then its plurals.
QList<QStringList> irregularNouns();

} // namespace BaseForms
