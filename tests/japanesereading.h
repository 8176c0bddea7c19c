#pragma once

// A slow reading of the Japanese base forms: each key conjugated forward
// through its class's forms, written out, until the typed text comes up.
// (Folding and romaji are read by Fold and Romaji, each checked against
// texts written out in tst_japanese.)

#include "lookup/japanesebaseforms.h"
#include "slowreading.h"

#include <algorithm>
#include <vector>

namespace SlowJapanese {

using Class = JapaneseBaseForms::Class;

// Each class's forms: what its dictionary ending (first) becomes, and
// what the form is: d done, i conjugates as an い-adjective, 1 as an
// ichidan verb, p a past form, t a te-form, s a verb of する.
struct Paradigm
{
    Class wordClass;
    QStringList forms;
};

inline const std::vector<Paradigm> &paradigms()
{
    static const std::vector<std::pair<Class, QString>> written = {
        {Class::Suru, "する しない:i します:d しました:d しません:d しませんでした:d した:p して:t "
                      "したい:i できる:1 される:1 させる:1 すれば:d しよう:d"},
        {Class::Kuru, "来る 来ない:i 来ます:d 来ました:d 来ません:d 来ませんでした:d 来た:p 来て:t "
                      "来たい:i 来られる:1 来れる:1 来させる:1 来れば:d 来よう:d"},
        {Class::Kuru, "くる こない:i きます:d きました:d きません:d きませんでした:d きた:p きて:t "
                      "きたい:i こられる:1 これる:1 こさせる:1 くれば:d こよう:d"},
        {Class::IkuSpecial, "行く 行った:p 行って:t"},
        {Class::IkuSpecial, "いく いった:p いって:t"},
        {Class::Ichidan, "る ない:i ます:d ました:d ません:d ませんでした:d た:p て:t たい:i "
                         "られる:1 れる:1 させる:1 れば:d よう:d"},
        {Class::GodanU, "う わない:i います:d いました:d いません:d いませんでした:d った:p って:t "
                        "いたい:i える:1 われる:1 わせる:1 わされる:1 えば:d おう:d"},
        {Class::GodanK, "く かない:i きます:d きました:d きません:d きませんでした:d いた:p いて:t "
                        "きたい:i ける:1 かれる:1 かせる:1 かされる:1 けば:d こう:d"},
        {Class::GodanG, "ぐ がない:i ぎます:d ぎました:d ぎません:d ぎませんでした:d いだ:p いで:t "
                        "ぎたい:i げる:1 がれる:1 がせる:1 がされる:1 げば:d ごう:d"},
        {Class::GodanS, "す さない:i します:d しました:d しません:d しませんでした:d した:p して:t "
                        "したい:i せる:1 される:1 させる:1 せば:d そう:d"},
        {Class::GodanT, "つ たない:i ちます:d ちました:d ちません:d ちませんでした:d った:p って:t "
                        "ちたい:i てる:1 たれる:1 たせる:1 たされる:1 てば:d とう:d"},
        {Class::GodanN, "ぬ なない:i にます:d にました:d にません:d にませんでした:d んだ:p んで:t "
                        "にたい:i ねる:1 なれる:1 なせる:1 なされる:1 ねば:d のう:d"},
        {Class::GodanB, "ぶ ばない:i びます:d びました:d びません:d びませんでした:d んだ:p んで:t "
                        "びたい:i べる:1 ばれる:1 ばせる:1 ばされる:1 べば:d ぼう:d"},
        {Class::GodanM, "む まない:i みます:d みました:d みません:d みませんでした:d んだ:p んで:t "
                        "みたい:i める:1 まれる:1 ませる:1 まされる:1 めば:d もう:d"},
        {Class::GodanR, "る らない:i ります:d りました:d りません:d りませんでした:d った:p って:t "
                        "りたい:i れる:1 られる:1 らせる:1 らされる:1 れば:d ろう:d"},
        {Class::AdjectiveI, "い くない:i かった:p くて:t ければ:d かろう:d"},
        {Class::AdjectiveNa, " だ:d だった:p な:d に:d で:t"},
        {Class::SuruNoun, " する:s"},
        {Class::Past, " ら:d"},
        {Class::TeForm, " いる:1 る:1"},
    };
    static const std::vector<Paradigm> table = [] {
        std::vector<Paradigm> out;
        for (const auto &[wordClass, forms] : written)
            out.push_back({wordClass, forms.split(u' ')});
        return out;
    }();
    return table;
}

inline Class kindOf(QChar kind)
{
    const Class classes[] = {Class::AdjectiveI, Class::Ichidan, Class::Past, Class::TeForm,
                             Class::Suru};
    const qsizetype at = QStringLiteral("i1pts").indexOf(kind);
    return at < 0 ? Class::Inflected : classes[at];
}

// The fewest steps in which `word` of `wordClass` conjugates into `typed`,
// or -1: every form no longer than the text, whose end alone can still
// change, is conjugated on.
inline int stepsTo(const QString &typed, const QString &word, Class wordClass)
{
    // No form changes more of a word than its last two characters.
    if (!typed.startsWith(word.chopped(std::min<qsizetype>(2, word.size()))))
        return -1;
    std::vector<std::pair<QString, Class>> level{{word, wordClass}};
    for (int steps = 1; steps <= JapaneseBaseForms::mostSteps && !level.empty(); ++steps) {
        std::vector<std::pair<QString, Class>> next;
        for (const auto &[form, formClass] : level) {
            for (const Paradigm &paradigm : paradigms()) {
                const QStringList &forms = paradigm.forms;
                if (paradigm.wordClass != formClass || !form.endsWith(forms[0]))
                    continue;
                for (const QString &one : forms.mid(1)) {
                    const QString made = form.chopped(forms[0].size()) + one.chopped(2);
                    if (made == typed)
                        return steps;
                    if (made.size() <= typed.size() && typed.startsWith(made.chopped(2)))
                        next.push_back({made, kindOf(one.back())});
                }
            }
        }
        level = next;
    }
    return -1;
}

// The tags of `key`'s lines, read from its first on as long as they are
// its.
inline QStringList tagsOf(const Slow &slow, const QString &key)
{
    QStringList tags;
    for (int i = slow.first[key]; i < slow.lines.size() && i < slow.first[key] + 64; ++i) {
        const Reference::Reading reading = Reference::read(slow.lines[i]);
        if (!reading.entry || reading.entryWord.toUpper() != key)
            break;
        if (reading.head != reading.entryWord)
            for (const QString &tag :
                 reading.head.mid(reading.entryWord.size() + 3).chopped(1).split(','))
                tags << tag.trimmed();
    }
    return tags;
}

// The base form of `key` among `entries`: fewest steps, then class, then
// key order; a null string for none.
inline QString base(const Slow &slow, const QStringList &entries, const QString &key)
{
    if (key.size() > JapaneseBaseForms::longestText)
        return QString();
    std::tuple<int, Class, QList<uint>> best{
        JapaneseBaseForms::mostSteps + 1, Class::Inflected, {}};
    QString found;
    for (const QString &entry : entries) {
        const QList<uint> code = entry.toUcs4();
        if (code.size() < 2 && (code.isEmpty() || (code[0] >= 0x3041 && code[0] <= 0x30FF)))
            continue;
        for (int c = 0; c < int(Class::Past); ++c) {
            const int steps = stepsTo(key, entry, Class(c));
            const std::tuple<int, Class, QList<uint>> here{steps, Class(c), code};
            if (steps > 0 && here < best &&
                JapaneseBaseForms::fits(Class(c), tagsOf(slow, entry))) {
                best = here;
                found = entry;
            }
        }
    }
    return found;
}

} // namespace SlowJapanese
