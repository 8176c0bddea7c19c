#include "lookup/meaning.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/format.h"
#include "lookup/baseforms.h"
#include "lookup/japanesebaseforms.h"
#include "lookup/partsofspeech.h"
#include "lookup/romaji.h"
#include "lookup/wordkeys.h"

#include <functional>

using Records::Answer;

namespace {

// The single-word keys, read once per state of the index.
std::shared_ptr<const WordKeys> keysOf(IndexReader &reader, const QString &dictionary, int id)
{
    QString state;
    if (reader.wordsState(id, &state) == Answer::Failed)
        return nullptr;
    return WordKeys::shared(reader, ReaderFile::name() + u'\n' + dictionary + u'\n' + state);
}

// The suggestions under the not-found page of `key`.
bool suggest(IndexReader &reader, const QString &dictionary, const QString &key,
             FindWhatIMean::Found *found, int id)
{
    *found = {};
    if (key.toUcs4().size() < WordKeys::shortest)
        return true;
    const auto keys = keysOf(reader, dictionary, id);
    if (!keys)
        return false;
    for (const QString &near : keys->closest(key)) {
        qint64 position = 0;
        const Answer answer = reader.firstPosition(near, &position);
        if (answer == Answer::Failed)
            return false;
        if (answer == Answer::Found)
            found->suggestions.append({near, position});
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

    // The first key in key order that starts with the text, of them all.
    Records::Entry nearest{QString(), 0};
    answer = Answer::None;
    for (const int id : ids) {
        Records::Entry candidate{QString(), 0};
        const Answer one = reader.entryStartingWith(listOf(id), key, &candidate, id);
        if (one == Answer::Failed)
            return false;
        if (one == Answer::Found &&
            (answer == Answer::None || candidate.key.toUcs4() < nearest.key.toUcs4())) {
            nearest = candidate;
            answer = Answer::Found;
        }
    }
    position = nearest.position;
    if (shows(Meaning::Nearest, nearest.key))
        return answer == Answer::Found;
    return suggest(reader, dictionary, key, found, ids.value(0, Records::eijiroId));
}

} // namespace FindWhatIMean
