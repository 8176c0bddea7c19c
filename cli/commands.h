#pragma once

#include <QList>
#include <QString>

// orvel-cli lookup: prints the page of a look-up of `word` to stdout, the
// HTML exactly as the result view receives it (UTF-8; on a terminal with its
// control characters shown, see Output) or, without `html`, as
// readable plain text; with `entry`, the page of the word list's entry with
// the key of `word` (SearchThread::lookUpEntry), phrases included. Expects
// the default connection to be open. The page is read from `lines` lines of
// the dictionary.
// Returns 0 when entries were found, 1 for the not-found or no-dictionary
// page, 2 on failure (after one clear line on stderr).
// `only` names the dictionaries to read; empty for those switched on.
int lookupCommand(const QString &word, bool html, bool entry, const QList<int> &only, int lines);

// orvel-cli words: prints the word list from `text` on, at most `limit`
// entry words as the dictionary spells them, one per line in UTF-8.
// Returns 0 (even for an empty list), 1 when no dictionary is installed,
// 2 on failure. A dictionary installed before phrases were listed lists
// single words only, which a line on stderr says.
int wordsCommand(const QString &text, int limit, const QList<int> &only);

// orvel-cli show: what the window shows for the typed `text` when it finds
// what the user means (SearchThread::findWhatIMean). Prints the rule and
// the entry word shown, separated by a tab ("word\trun", "base\trun",
// "none\t"), then for none a line "suggest\tWORD" per suggestion; with
// `html`, instead, the page exactly as the window shows it. Expects the
// default connection to be open.
// Returns 0 when something is shown, 1 for none or when no dictionary is
// installed, 2 on failure.
int showCommand(const QString &text, bool html, const QList<int> &only);

// orvel-cli grep: prints every entry line that contains `text` (not empty:
// every line holds that), ignoring
// case as the window's Find in Entries does (EntrySearch): its entry word, a
// tab and the line without its line end, one per line in UTF-8, in
// dictionary then file order; at most `limit` of them. Searches every
// installed dictionary, or those of `dictionaries`. Returns 0 when lines
// were found, 1 when none were or no dictionary is installed, 2 on failure
// (after a line on stderr for each dictionary that failed).
int grepCommand(const QString &text, qint64 limit, const QList<int> &dictionaries);

// Says on stderr why a command has no dictionary to read: none is
// installed, or every one is switched off, and then how to switch one on.
// Returns 1, the exit status of either.
int nothingToRead();

// orvel-cli history: the words looked up in the window, newest first, at
// most `limit` (every one for a negative limit): the time (ISO 8601, local
// with its offset), a tab, how often, a tab and the word, a backslash, tab
// or line end in it as \\, \t, \n, \r. Returns 0, 2 when the notebook
// cannot be read.
int historyCommand(int limit);

// orvel-cli star: stars the entry of the word list whose key `word` has
// (SearchThread::lookUpEntry), in the first dictionary of `only` (those
// switched on when empty) that has it. Returns 0 when it is starred (or
// was), 1 when no dictionary has it or the notebook cannot be written, 2
// when the look-up failed.
int starCommand(const QString &word, const QList<int> &only);

// orvel-cli unstar: takes the stars of `word` away, of every dictionary.
// Returns 0, 1 when it was not starred or the notebook cannot be written.
int unstarCommand(const QString &word);

// orvel-cli notebook: the starred entries (or the history) as cards
// (Cards), tab-separated or as CSV. Returns 0, 2 when the notebook cannot
// be read.
int notebookCommand(bool csv, bool history);
