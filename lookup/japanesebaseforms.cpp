#include "lookup/japanesebaseforms.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace JapaneseBaseForms {
namespace {

// One step back towards a dictionary form: a form of class `form` ending in
// `ending` is `putBack` in its place, a word of class `result`.
struct Rule
{
    QString ending;
    QString putBack;
    Class form;
    Class result;
};

// A godan verb's row: its dictionary ending, the kana of its a, i, e and o
// stems, its te-form and past endings.
struct GodanRow
{
    Class verb;
    const char16_t *dictionary, *a, *i, *e, *o, *te, *past;
};

const GodanRow godanRows[] = {
    {Class::GodanU, u"う", u"わ", u"い", u"え", u"お", u"って", u"った"},
    {Class::GodanK, u"く", u"か", u"き", u"け", u"こ", u"いて", u"いた"},
    {Class::GodanG, u"ぐ", u"が", u"ぎ", u"げ", u"ご", u"いで", u"いだ"},
    {Class::GodanS, u"す", u"さ", u"し", u"せ", u"そ", u"して", u"した"},
    {Class::GodanT, u"つ", u"た", u"ち", u"て", u"と", u"って", u"った"},
    {Class::GodanN, u"ぬ", u"な", u"に", u"ね", u"の", u"んで", u"んだ"},
    {Class::GodanB, u"ぶ", u"ば", u"び", u"べ", u"ぼ", u"んで", u"んだ"},
    {Class::GodanM, u"む", u"ま", u"み", u"め", u"も", u"んで", u"んだ"},
    {Class::GodanR, u"る", u"ら", u"り", u"れ", u"ろ", u"って", u"った"},
};

// A godan verb's inflections, each on the stem it takes, with what the
// inflected form is.
enum class Stem { A, I, E, O, Te, Past };
struct Inflection
{
    Stem stem;
    const char16_t *suffix;
    Class form;
};

const Inflection godanInflections[] = {
    {Stem::A, u"ない", Class::AdjectiveI},        // negative
    {Stem::I, u"ます", Class::Inflected},         // polite
    {Stem::I, u"ました", Class::Inflected},       //
    {Stem::I, u"ません", Class::Inflected},       //
    {Stem::I, u"ませんでした", Class::Inflected}, //
    {Stem::Past, u"", Class::Past},               // past
    {Stem::Te, u"", Class::TeForm},               // te-form
    {Stem::I, u"たい", Class::AdjectiveI},        // desire
    {Stem::E, u"る", Class::Ichidan},             // potential
    {Stem::A, u"れる", Class::Ichidan},           // passive
    {Stem::A, u"せる", Class::Ichidan},           // causative
    {Stem::A, u"される", Class::Ichidan},         // causative-passive
    {Stem::E, u"ば", Class::Inflected},           // conditional
    {Stem::O, u"う", Class::Inflected},           // volitional
};

QString godanEnding(const GodanRow &row, const Inflection &inflection)
{
    const char16_t *stem = nullptr;
    switch (inflection.stem) {
    case Stem::A:
        stem = row.a;
        break;
    case Stem::I:
        stem = row.i;
        break;
    case Stem::E:
        stem = row.e;
        break;
    case Stem::O:
        stem = row.o;
        break;
    case Stem::Te:
        return QString::fromUtf16(row.te);
    case Stem::Past:
        return QString::fromUtf16(row.past);
    }
    return QString::fromUtf16(stem) + QString::fromUtf16(inflection.suffix);
}

void addGodan(std::vector<Rule> &rules)
{
    for (const GodanRow &row : godanRows) {
        for (const Inflection &inflection : godanInflections) {
            // さされる would be two causatives.
            if (row.verb == Class::GodanS && QStringView(inflection.suffix) == u"される")
                continue;
            rules.push_back({godanEnding(row, inflection), QString::fromUtf16(row.dictionary),
                             inflection.form, row.verb});
        }
    }
}

// Ichidan verbs, する and 来る, each inflection's ending written out: what
// each inflected form is, then the verbs' rows (none where the verb has
// no such form).
const Class irregularForms[] = {
    Class::AdjectiveI, // negative
    Class::Inflected,  // polite
    Class::Inflected,  //
    Class::Inflected,  //
    Class::Inflected,  //
    Class::Past,       // past
    Class::TeForm,     // te-form
    Class::AdjectiveI, // desire
    Class::Ichidan,    // potential and passive
    Class::Ichidan,    // potential without ら
    Class::Ichidan,    // passive (する)
    Class::Ichidan,    // causative
    Class::Inflected,  // conditional
    Class::Inflected,  // volitional
};
constexpr size_t irregularCount = sizeof(irregularForms) / sizeof(*irregularForms);

struct IrregularRow
{
    Class verb;
    const char16_t *dictionary;
    const char16_t *endings[irregularCount];
};

const IrregularRow irregularRows[] = {
    {Class::Ichidan,
     u"る",
     {u"ない", u"ます", u"ました", u"ません", u"ませんでした", u"た", u"て", u"たい", u"られる",
      u"れる", nullptr, u"させる", u"れば", u"よう"}},
    {Class::Suru,
     u"する",
     {u"しない", u"します", u"しました", u"しません", u"しませんでした", u"した", u"して",
      u"したい", u"できる", nullptr, u"される", u"させる", u"すれば", u"しよう"}},
    {Class::Kuru,
     u"来る",
     {u"来ない", u"来ます", u"来ました", u"来ません", u"来ませんでした", u"来た", u"来て",
      u"来たい", u"来られる", u"来れる", nullptr, u"来させる", u"来れば", u"来よう"}},
    {Class::Kuru,
     u"くる",
     {u"こない", u"きます", u"きました", u"きません", u"きませんでした", u"きた", u"きて",
      u"きたい", u"こられる", u"これる", nullptr, u"こさせる", u"くれば", u"こよう"}},
};

void addIrregular(std::vector<Rule> &rules)
{
    for (const IrregularRow &row : irregularRows) {
        for (size_t i = 0; i < irregularCount; ++i) {
            if (row.endings[i])
                rules.push_back({QString::fromUtf16(row.endings[i]),
                                 QString::fromUtf16(row.dictionary), irregularForms[i], row.verb});
        }
    }
    // 行く's past and te-form; its other forms are a godan く verb's.
    for (const char16_t *stem : {u"行", u"い"}) {
        const QString s = QString::fromUtf16(stem);
        rules.push_back({s + QStringLiteral("った"), s + u'く', Class::Past, Class::IkuSpecial});
        rules.push_back({s + QStringLiteral("って"), s + u'く', Class::TeForm, Class::IkuSpecial});
    }
    // A noun before する.
    rules.push_back({QStringLiteral("する"), QString(), Class::Suru, Class::SuruNoun});
}

void addAdjectives(std::vector<Rule> &rules)
{
    const std::pair<const char16_t *, Class> adjectiveI[] = {
        {u"くない", Class::AdjectiveI}, {u"かった", Class::Past},      {u"くて", Class::TeForm},
        {u"ければ", Class::Inflected},  {u"かろう", Class::Inflected},
    };
    for (const auto &[ending, form] : adjectiveI)
        rules.push_back(
            {QString::fromUtf16(ending), QStringLiteral("い"), form, Class::AdjectiveI});
    const std::pair<const char16_t *, Class> adjectiveNa[] = {
        {u"だ", Class::Inflected}, {u"だった", Class::Past}, {u"な", Class::Inflected},
        {u"に", Class::Inflected}, {u"で", Class::TeForm},
    };
    for (const auto &[ending, form] : adjectiveNa)
        rules.push_back({QString::fromUtf16(ending), QString(), form, Class::AdjectiveNa});
}

// Forms of forms: the progressive conjugates as an ichidan verb on a
// te-form, たら and だら are a past form's conditional.
void addAuxiliaries(std::vector<Rule> &rules)
{
    for (const char16_t *ending : {u"ている", u"てる"})
        rules.push_back(
            {QString::fromUtf16(ending), QStringLiteral("て"), Class::Ichidan, Class::TeForm});
    for (const char16_t *ending : {u"でいる", u"でる"})
        rules.push_back(
            {QString::fromUtf16(ending), QStringLiteral("で"), Class::Ichidan, Class::TeForm});
    rules.push_back({QStringLiteral("たら"), QStringLiteral("た"), Class::Inflected, Class::Past});
    rules.push_back({QStringLiteral("だら"), QStringLiteral("だ"), Class::Inflected, Class::Past});
}

// The rules by the last character of their ending.
const QHash<QChar, std::vector<Rule>> &rulesByLastCharacter()
{
    static const QHash<QChar, std::vector<Rule>> table = [] {
        std::vector<Rule> rules;
        addGodan(rules);
        addIrregular(rules);
        addAdjectives(rules);
        addAuxiliaries(rules);
        QHash<QChar, std::vector<Rule>> out;
        for (const Rule &rule : rules)
            out[rule.ending.back()].push_back(rule);
        return out;
    }();
    return table;
}

bool isDictionaryForm(Class c)
{
    return c < Class::Past;
}

bool isKana(QChar c)
{
    return c.unicode() >= 0x3041 && c.unicode() <= 0x30FF;
}

bool isBase(const QString &form)
{
    const qsizetype characters = form.toUcs4().size();
    return characters >= 2 || (characters == 1 && !isKana(form.front()));
}

bool inKeyOrder(const QString &a, const QString &b)
{
    return a.toUcs4() < b.toUcs4();
}

// Each dictionary class's tags, as EDICT spells them.
const std::pair<Class, const char *> classTags[] = {
    {Class::Suru, "vs-i vs-s"},
    {Class::Kuru, "vk"},
    {Class::IkuSpecial, "v5k-s"},
    {Class::Ichidan, "v1 v1-s"},
    {Class::GodanU, "v5u v5u-s"},
    {Class::GodanK, "v5k v5k-s"},
    {Class::GodanG, "v5g"},
    {Class::GodanS, "v5s"},
    {Class::GodanT, "v5t"},
    {Class::GodanN, "v5n"},
    {Class::GodanB, "v5b"},
    {Class::GodanM, "v5m"},
    {Class::GodanR, "v5r v5r-i v5aru"},
    {Class::AdjectiveI, "adj-i adj-ix"},
    {Class::AdjectiveNa, "adj-na"},
    {Class::SuruNoun, "vs"},
};

// Parts of speech none of the classes inflects as.
const char otherTags[] = "n n-adv n-t n-suf n-pref n-pr pn adv adv-to adj-no adj-pn adj-t adj-f "
                         "adj-ku adj-shiku adj-nari aux aux-v aux-adj conj cop cop-da ctr exp int "
                         "num pref prt suf unc v5 v5uru vz vn vr vs-c iv";

const QHash<QString, QList<Class>> &tagClasses()
{
    static const QHash<QString, QList<Class>> table = [] {
        QHash<QString, QList<Class>> out;
        for (const auto &[wordClass, tags] : classTags) {
            for (const QString &tag : QString::fromLatin1(tags).split(u' '))
                out[tag].append(wordClass);
        }
        for (const QString &tag : QString::fromLatin1(otherTags).split(u' '))
            out.insert(tag, {});
        return out;
    }();
    return table;
}

} // namespace

QList<Candidate> of(const QString &key)
{
    QList<Candidate> candidates;
    if (key.size() > longestText)
        return candidates;
    struct Form
    {
        QString text;
        Class wordClass;
        bool typed;
    };
    std::vector<Form> level{{key, Class::Inflected, true}};
    QSet<std::pair<QString, int>> seen;
    int forms = 0;
    for (int steps = 1; steps <= mostSteps && !level.empty() && forms < mostForms; ++steps) {
        std::vector<Form> next;
        QList<Candidate> found;
        for (const Form &form : level) {
            const auto rules = rulesByLastCharacter().constFind(form.text.back());
            if (rules == rulesByLastCharacter().cend())
                continue;
            for (const Rule &rule : *rules) {
                if ((!form.typed && rule.form != form.wordClass) ||
                    !form.text.endsWith(rule.ending))
                    continue;
                QString undone = form.text.chopped(rule.ending.size()) + rule.putBack;
                if (undone.isEmpty() || seen.contains({undone, int(rule.result)}) ||
                    forms == mostForms)
                    continue;
                seen.insert({undone, int(rule.result)});
                ++forms;
                if (isDictionaryForm(rule.result) && isBase(undone))
                    found.append({undone, rule.result, steps});
                next.push_back({undone, rule.result, false});
            }
        }
        std::stable_sort(found.begin(), found.end(), [](const Candidate &a, const Candidate &b) {
            return a.wordClass != b.wordClass ? a.wordClass < b.wordClass
                                              : inKeyOrder(a.base, b.base);
        });
        candidates += found;
        level = std::move(next);
    }
    return candidates;
}

bool fits(Class wordClass, const QStringList &tags)
{
    bool told = false;
    for (const QString &tag : tags) {
        const auto classes = tagClasses().constFind(tag.trimmed().toLower());
        if (classes == tagClasses().cend())
            continue;
        if (classes->contains(wordClass))
            return true;
        told = true;
    }
    return !told;
}

QStringList tagsOf(Class wordClass)
{
    for (const auto &[c, tags] : classTags) {
        if (c == wordClass)
            return QString::fromLatin1(tags).split(u' ');
    }
    return {};
}

} // namespace JapaneseBaseForms
