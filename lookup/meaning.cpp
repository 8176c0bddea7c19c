#include "lookup/meaning.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/format.h"
#include "lookup/baseforms.h"
#include "lookup/japanesebaseforms.h"
#include "lookup/partsofspeech.h"
#include "lookup/romaji.h"
#include "lookup/wordkeys.h"

#include <QSet>

#include <algorithm>
#include <functional>

using Records::Answer;

namespace {

// A misspelt word is taken for a common one only when it is this long, and
// the word is common in this many lines, and this many times as common as
// the entry that starts with what was typed.
constexpr int typoShortest = 3;
constexpr qint64 typoLeast = 100;
constexpr qint64 typoFactor = 10;

// The single-word keys, read once per state of the index.
std::shared_ptr<const WordKeys> keysOf(IndexReader &reader, const QString &dictionary, int id)
{
    QString state;
    if (reader.wordsState(id, &state) == Answer::Failed)
        return nullptr;
    return WordKeys::shared(reader, ReaderFile::name() + u'\n' + dictionary + u'\n' + state);
}

// How common `key` is in the dictionaries `ids`: their lines added up,
// marked when one marks it.
Answer commonIn(IndexReader &reader, const QList<int> &ids, const QString &key,
                Records::Commonness *sum)
{
    *sum = {};
    for (const int id : ids) {
        Records::Commonness one;
        const Answer answer = reader.commonness(key, id, &one);
        if (answer == Answer::Failed)
            return answer;
        if (answer == Answer::Found) {
            sum->lines += one.lines;
            sum->marked = sum->marked || one.marked;
        }
    }
    return Answer::Found;
}

// Whether `key` (as common as `commonness`) ranks before `best`: the
// commoner, then the first in key order. Any key beats a null best.
bool ranksBefore(const Records::Common &candidate, const Records::Common &best)
{
    if (best.key.isNull() || candidate.commonness.beats(best.commonness))
        return true;
    return !best.commonness.beats(candidate.commonness) &&
           candidate.key.toUcs4() < best.key.toUcs4();
}

// Whether `a` and `b` are one edit apart: an insertion, a deletion, a
// replacement or a swap of neighbours, on code points.
bool oneEditApart(const QList<uint> &a, const QList<uint> &b)
{
    const qsizetype n = a.size(), m = b.size();
    if (n - m > 1 || m - n > 1)
        return false;
    qsizetype i = 0;
    while (i < n && i < m && a.at(i) == b.at(i))
        ++i;
    if (n == m) {
        if (i == n)
            return false;
        if (std::equal(a.begin() + i + 1, a.end(), b.begin() + i + 1))
            return true;
        return i + 1 < n && a.at(i) == b.at(i + 1) && a.at(i + 1) == b.at(i) &&
               std::equal(a.begin() + i + 2, a.end(), b.begin() + i + 2);
    }
    // Past the first difference the longer, without its character there,
    // is the shorter.
    const QList<uint> &longer = n > m ? a : b;
    const QList<uint> &shorter = n > m ? b : a;
    return std::equal(shorter.begin() + i, shorter.end(), longer.begin() + i + 1);
}

// Whether a key is one of the dictionaries switched on (Found), or None.
using Owned = std::function<Answer(const QString &key)>;

// The key of the single word meant by a misspelt `key`: one edit from it,
// common (in typoLeast lines at least) and typoFactor times as common as
// `nearestLines` at least, `owned`; the commonest, then the first in key
// order. A null string when there is none; false when the index could not
// be read.
bool typo(IndexReader &reader, const QString &key, const QList<int> &ids, qint64 nearestLines,
          const Owned &owned, QString *meant)
{
    *meant = QString();
    const QList<uint> typed = key.toUcs4();
    if (typed.size() < typoShortest || ids.isEmpty())
        return true;
    const qint64 least = std::max(typoLeast, typoFactor * nearestLines);
    // A key that common has a share of its lines in one dictionary at least.
    const qint64 share = (least + ids.size() - 1) / ids.size();
    QSet<QString> seen;
    Records::Common best{QString(), {}};
    for (const int id : ids) {
        QList<Records::Common> common;
        if (!reader.commonKeys(id, share, &common))
            return false;
        for (Records::Common &candidate : common) {
            if (candidate.key.contains(u' '))
                continue;
            // Each key once, from the first dictionary that has it.
            if (ids.size() > 1) {
                if (seen.contains(candidate.key))
                    continue;
                seen.insert(candidate.key);
            }
            if (!oneEditApart(typed, candidate.key.toUcs4()))
                continue;
            if (ids.size() > 1 &&
                commonIn(reader, ids, candidate.key, &candidate.commonness) == Answer::Failed)
                return false;
            if (candidate.commonness.lines < least || !ranksBefore(candidate, best))
                continue;
            // Counted in these dictionaries' lines, it may be a key of
            // another one only.
            const Answer has = owned(candidate.key);
            if (has == Answer::Failed)
                return false;
            if (has == Answer::Found)
                best = candidate;
        }
    }
    *meant = best.key;
    return true;
}

// The commonest key that starts with `key` of those `owned` by the
// dictionaries `ids`, by their lines added up, then the first in key order;
// a null key when none is counted in their lines or marked. The keys each
// dictionary keeps of a prefix decide when the best of them is commoner
// than any key they leave out can be; else every counted key of the
// prefix is added up.
Answer commonestStartingWith(IndexReader &reader, const QString &key, const QList<int> &ids,
                             const Owned &owned, Records::Common *nearest)
{
    *nearest = {QString(), {}};
    // What a key none of the lists holds can reach at most.
    Records::Commonness bound;
    bool cut = false, known = true;
    QList<Records::Common> candidates;
    QSet<QString> seen;
    for (const int id : ids) {
        QList<Records::Common> ranked;
        bool whole = true;
        if (reader.rankedStartingWith(key, id, &ranked, &whole) == Answer::Failed)
            return Answer::Failed;
        if (!whole) {
            cut = true;
            known = known && !ranked.isEmpty();
            if (!ranked.isEmpty()) {
                bound.lines += ranked.last().commonness.lines;
                bound.marked = bound.marked || ranked.last().commonness.marked;
            }
        }
        for (const Records::Common &common : std::as_const(ranked)) {
            if (!seen.contains(common.key)) {
                seen.insert(common.key);
                candidates << common;
            }
        }
    }
    for (Records::Common &candidate : candidates) {
        if (ids.size() > 1 &&
            commonIn(reader, ids, candidate.key, &candidate.commonness) == Answer::Failed)
            return Answer::Failed;
        if (!ranksBefore(candidate, *nearest))
            continue;
        const Answer has = owned(candidate.key);
        if (has == Answer::Failed)
            return has;
        if (has == Answer::Found)
            *nearest = candidate;
    }
    // One dictionary's list is in rank order: a key it leaves out ranks
    // after its last.
    if (!cut ||
        (known && !nearest->key.isNull() && (ids.size() == 1 || nearest->commonness.beats(bound))))
        return nearest->key.isNull() ? Answer::None : Answer::Found;

    QHash<QString, Records::Commonness> sums;
    for (const int id : ids) {
        if (!reader.commonStartingWith(key, id, [&sums](const Records::Common &common) {
                Records::Commonness &sum = sums[common.key];
                sum.lines += common.commonness.lines;
                sum.marked = sum.marked || common.commonness.marked;
                return true;
            }))
            return Answer::Failed;
    }
    QList<Records::Common> all;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        all.append({it.key(), it.value()});
    std::sort(all.begin(), all.end(),
              [](const Records::Common &a, const Records::Common &b) { return ranksBefore(a, b); });
    *nearest = {QString(), {}};
    for (const Records::Common &candidate : std::as_const(all)) {
        const Answer has = owned(candidate.key);
        if (has != Answer::None) {
            if (has == Answer::Found)
                *nearest = candidate;
            return has;
        }
    }
    return Answer::None;
}

// The suggestions under the not-found page of `key`: the closest keys, the
// commonest first, then in key order.
bool suggest(IndexReader &reader, const QString &dictionary, const QString &key,
             FindWhatIMean::Found *found, const QList<int> &ids)
{
    *found = {};
    if (key.toUcs4().size() < WordKeys::shortest)
        return true;
    const auto keys = keysOf(reader, dictionary, ids.value(0, Records::eijiroId));
    if (!keys)
        return false;
    QList<Records::Common> ranked;
    for (const QString &near : keys->closest(key, WordKeys::ranked)) {
        Records::Common candidate{near, {}};
        if (commonIn(reader, ids, near, &candidate.commonness) == Answer::Failed)
            return false;
        ranked << candidate;
    }
    // Stable: the closest keys came in key order.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.commonness.beats(b.commonness); });
    for (const Records::Common &near : std::as_const(ranked)) {
        if (found->suggestions.size() == WordKeys::most)
            break;
        qint64 position = 0;
        const Answer answer = reader.firstPosition(near.key, &position);
        if (answer == Answer::Failed)
            return false;
        if (answer == Answer::Found)
            found->suggestions.append({near.key, position});
    }
    return true;
}

} // namespace

namespace FindWhatIMean {

bool resolve(IndexReader &reader, const QString &dictionary, const QString &text, Found *found,
             const QList<int> &ids, bool several, PartsOfSpeech *tags)
{
    const QString key = Eijiro::queryKey(text);
    // Each rule's answer: Found ends the rules with what it shows, Failed
    // ends the look-up, None goes on to the next rule. A rule that holds in
    // any dictionary holds: their positions are each one's own.
    Answer answer = Answer::None;
    qint64 position = 0;
    Meaning::Rule via = Meaning::None;
    const auto shows = [&](Meaning::Rule rule, const QString &shown) {
        if (answer == Answer::Found)
            *found = {rule, shown, position, {}, via};
        return answer != Answer::None;
    };
    // In any dictionary read; with one installed, as it always was asked.
    const auto inAny = [&](const std::function<Answer(int id)> &ask) {
        answer = Answer::None;
        for (const int id : ids) {
            answer = ask(id);
            if (answer != Answer::None)
                break;
        }
    };
    const auto word = [&](const QString &wordKey) {
        inAny([&](int id) { return reader.firstPosition(wordKey, &position, several ? id : 0); });
    };
    word(key);
    if (shows(Meaning::Word, key))
        return answer == Answer::Found;
    QList<Records::EntryList> lists;
    for (const int id : ids) {
        lists << Records::EntryList();
        if (reader.entryLists(&lists.last(), id) == Answer::Failed)
            return false;
    }
    const auto listOf = [&](int id) { return lists.at(ids.indexOf(id)); };
    const auto entry = [&](const QString &entryKey) {
        inAny([&](int id) { return reader.entryPosition(listOf(id), entryKey, &position, id); });
    };
    // Without the list of every entry word, the entries are the words.
    inAny([&](int id) {
        return listOf(id) == Records::EntryList::AllEntryWords
                   ? reader.entryPosition(listOf(id), key, &position, id)
                   : Answer::None;
    });
    if (shows(Meaning::Entry, key))
        return answer == Answer::Found;
    for (const QString &base : BaseForms::of(key)) {
        entry(base);
        if (shows(Meaning::Base, base))
            return answer == Answer::Found;
    }

    // The Japanese rules, on the text or on the kana of its romaji: each
    // sets `answer` and gives the key it found.
    std::shared_ptr<const WordKeys> keys;
    const auto fold = [&](const QString &typed) {
        answer = Answer::None;
        if (!keys)
            keys = keysOf(reader, dictionary, ids.value(0, Records::eijiroId));
        if (!keys) {
            answer = Answer::Failed;
            return QString();
        }
        for (const QString &alike : keys->foldingAlike(typed)) {
            entry(alike);
            if (answer != Answer::None)
                return alike;
        }
        return QString();
    };
    const auto japaneseBase = [&](const QString &typedKey) {
        answer = Answer::None;
        for (const auto &candidate : JapaneseBaseForms::of(typedKey)) {
            inAny([&](int id) {
                const Answer has = reader.entryPosition(listOf(id), candidate.base, &position, id);
                if (has != Answer::Found || !tags)
                    return has;
                return JapaneseBaseForms::fits(candidate.wordClass,
                                               tags->of(id, position, candidate.base))
                           ? Answer::Found
                           : Answer::None;
            });
            if (answer != Answer::None)
                return candidate.base;
        }
        return QString();
    };
    QString shown = fold(text);
    if (shows(Meaning::Fold, shown))
        return answer == Answer::Found;
    shown = japaneseBase(key);
    if (shows(Meaning::Base, shown))
        return answer == Answer::Found;
    const QString kana = Romaji::toKana(text);
    if (!kana.isNull()) {
        const QString kanaKey = Eijiro::queryKey(kana);
        via = Meaning::Word;
        word(kanaKey);
        // A reading in a dictionary that lists every key of a line (EDICT)
        // has no word row: its entry-list row leads to its page.
        if (answer == Answer::None)
            entry(kanaKey);
        if (shows(Meaning::Romaji, kanaKey))
            return answer == Answer::Found;
        via = Meaning::Fold;
        shown = fold(kana);
        if (shows(Meaning::Romaji, shown))
            return answer == Answer::Found;
        via = Meaning::Base;
        shown = japaneseBase(kanaKey);
        if (shows(Meaning::Romaji, shown))
            return answer == Answer::Found;
        via = Meaning::None;
    }

    // The commonest key that starts with the text, of them all; in key
    // order where nothing is counted (not yet, or in no line).
    const Owned ownedEntry = [&](const QString &candidate) {
        entry(candidate);
        return answer;
    };
    Records::Common nearest;
    if (commonestStartingWith(reader, key, ids, ownedEntry, &nearest) == Answer::Failed)
        return false;
    answer = Answer::None;
    if (!nearest.key.isNull())
        entry(nearest.key);
    if (answer == Answer::None) {
        nearest = {};
        for (const int id : ids) {
            Records::Entry candidate{QString(), 0};
            const Answer one = reader.entryStartingWith(listOf(id), key, &candidate, id);
            if (one == Answer::Failed)
                return false;
            if (one == Answer::Found &&
                (nearest.key.isNull() || candidate.key.toUcs4() < nearest.key.toUcs4())) {
                nearest.key = candidate.key;
                position = candidate.position;
                answer = Answer::Found;
            }
        }
    }
    const Answer nearestAnswer = answer;
    const qint64 nearestPosition = position;

    // Before it, a far commoner single word one edit away.
    QString meant;
    const Owned ownedWord = [&](const QString &candidate) {
        // An EDICT gloss's key has no t_word row, only its entry's.
        word(candidate);
        if (answer == Answer::None)
            entry(candidate);
        return answer;
    };
    if (!typo(reader, key, ids, nearest.commonness.lines, ownedWord, &meant))
        return false;
    if (!meant.isNull()) {
        // An EDICT gloss's key has no t_word row, only its entry's.
        word(meant);
        if (answer == Answer::None)
            entry(meant);
        if (shows(Meaning::Typo, meant))
            return answer == Answer::Found;
    }
    answer = nearestAnswer;
    position = nearestPosition;
    if (shows(Meaning::Nearest, nearest.key))
        return answer == Answer::Found;
    return suggest(reader, dictionary, key, found, ids);
}

} // namespace FindWhatIMean
