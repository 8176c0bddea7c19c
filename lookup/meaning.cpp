#include "lookup/meaning.h"

#include "database/indexreader.h"
#include "database/readerfile.h"
#include "dictionary/format.h"
#include "lookup/baseforms.h"
#include "lookup/wordkeys.h"

using Records::Answer;

namespace {

// The suggestions under the not-found page of `key`.
bool suggest(IndexReader &reader, const QString &dictionary, const QString &key,
             FindWhatIMean::Found *found)
{
    *found = {};
    if (key.toUcs4().size() < WordKeys::shortest)
        return true;
    QString state;
    if (reader.wordsState(Records::eijiroId, &state) == Answer::Failed)
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

bool resolve(IndexReader &reader, const QString &dictionary, const QString &text, Found *found)
{
    const QString key = Eijiro::queryKey(text);
    // Each rule's answer: Found ends the rules with what it shows, Failed
    // ends the look-up, None goes on to the next rule.
    Answer answer = Answer::None;
    qint64 position = 0;
    const auto shows = [&](Meaning::Rule rule, const QString &shown) {
        if (answer == Answer::Found)
            *found = {rule, shown, position, {}};
        return answer != Answer::None;
    };
    answer = reader.firstPosition(key, &position);
    if (shows(Meaning::Word, key))
        return answer == Answer::Found;
    Records::EntryList list;
    if (reader.entryLists(&list) == Answer::Failed)
        return false;
    // Without the list of every entry word, the entries are the words.
    if (list == Records::EntryList::AllEntryWords) {
        answer = reader.entryPosition(list, key, &position);
        if (shows(Meaning::Entry, key))
            return answer == Answer::Found;
    }
    for (const QString &base : BaseForms::of(key)) {
        answer = reader.entryPosition(list, base, &position);
        if (shows(Meaning::Base, base))
            return answer == Answer::Found;
    }
    Records::Entry nearest{QString(), 0};
    answer = reader.entryStartingWith(list, key, &nearest);
    position = nearest.position;
    if (shows(Meaning::Nearest, nearest.key))
        return answer == Answer::Found;
    return suggest(reader, dictionary, key, found);
}

} // namespace FindWhatIMean
