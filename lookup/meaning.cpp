#include "lookup/meaning.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/format.h"
#include "lookup/baseforms.h"
#include "lookup/wordkeys.h"

#include <functional>

using Records::Answer;

namespace {

// The suggestions under the not-found page of `key`.
bool suggest(IndexReader &reader, const QString &dictionary, const QString &key,
             FindWhatIMean::Found *found, int id)
{
    *found = {};
    if (key.toUcs4().size() < WordKeys::shortest)
        return true;
    QString state;
    if (reader.wordsState(id, &state) == Answer::Failed)
        return false;
    const auto keys =
        WordKeys::shared(reader, ReaderFile::name() + u'\n' + dictionary + u'\n' + state);
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
             const QList<int> &ids, bool several)
{
    const QString key = Eijiro::queryKey(text);
    // Each rule's answer: Found ends the rules with what it shows, Failed
    // ends the look-up, None goes on to the next rule. A rule that holds in
    // any dictionary holds: their positions are each one's own.
    Answer answer = Answer::None;
    qint64 position = 0;
    const auto shows = [&](Meaning::Rule rule, const QString &shown) {
        if (answer == Answer::Found)
            *found = {rule, shown, position, {}};
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
    inAny([&](int id) { return reader.firstPosition(key, &position, several ? id : 0); });
    if (shows(Meaning::Word, key))
        return answer == Answer::Found;
    QList<Records::EntryList> lists;
    for (const int id : ids) {
        lists << Records::EntryList();
        if (reader.entryLists(&lists.last(), id) == Answer::Failed)
            return false;
    }
    const auto listOf = [&](int id) { return lists.at(ids.indexOf(id)); };
    // Without the list of every entry word, the entries are the words.
    inAny([&](int id) {
        return listOf(id) == Records::EntryList::AllEntryWords
                   ? reader.entryPosition(listOf(id), key, &position, id)
                   : Answer::None;
    });
    if (shows(Meaning::Entry, key))
        return answer == Answer::Found;
    for (const QString &base : BaseForms::of(key)) {
        inAny([&](int id) { return reader.entryPosition(listOf(id), base, &position, id); });
        if (shows(Meaning::Base, base))
            return answer == Answer::Found;
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
