#include "lookup/baseforms.h"

#include <QHash>

namespace {

// Each verb, then its forms that no suffix rule gives. Forms that equal the
// base (put, cut, set) need no row: the word itself is looked up first.
const char *const verbs[] = {
    "arise arose arisen",
    "awake awoke awoken",
    "be am is are was were been",
    "bear bore born borne",
    "beat beaten",
    "behold beheld",
    "become became",
    "begin began begun",
    "bend bent",
    "bid bade bidden",
    "bind bound",
    "bite bit bitten",
    "bleed bled",
    "blow blew blown",
    "break broke broken",
    "breed bred",
    "bring brought",
    "build built",
    "burn burnt",
    "buy bought",
    "catch caught",
    "choose chose chosen",
    "cling clung",
    "come came",
    "creep crept",
    "deal dealt",
    "die dying",
    "dig dug",
    "dive dove",
    "do does did done",
    "draw drew drawn",
    "dream dreamt",
    "dwell dwelt",
    "drink drank drunk",
    "drive drove driven",
    "eat ate eaten",
    "fall fell fallen",
    "feed fed",
    "feel felt",
    "fight fought",
    "find found",
    "flee fled",
    "fling flung",
    "fly flew flown",
    "forbid forbade forbidden",
    "foresee foresaw foreseen",
    "forget forgot forgotten",
    "forgive forgave forgiven",
    "forsake forsook forsaken",
    "freeze froze frozen",
    "get got gotten",
    "give gave given",
    "go went gone",
    "grind ground",
    "grow grew grown",
    "hang hung",
    "have has had",
    "hear heard",
    "hide hid hidden",
    "hold held",
    "keep kept",
    "kneel knelt",
    "know knew known",
    "lay laid",
    "lead led",
    "lean leant",
    "leap leapt",
    "learn learnt",
    "leave left",
    "lend lent",
    "lie lay lain lying",
    "light lit",
    "lose lost",
    "make made",
    "mean meant",
    "meet met",
    "mislead misled",
    "mistake mistook mistaken",
    "mow mown",
    "overcome overcame",
    "overtake overtook overtaken",
    "pay paid",
    "prove proven",
    "ride rode ridden",
    "ring rang rung",
    "rise rose risen",
    "run ran",
    "say said",
    "see saw seen",
    "seek sought",
    "sell sold",
    "send sent",
    "sew sewn",
    "shake shook shaken",
    "shear shorn",
    "shine shone",
    "shoot shot",
    "show shown",
    "shrink shrank shrunk",
    "sing sang sung",
    "sink sank sunk",
    "sit sat",
    "slay slew slain",
    "sleep slept",
    "slide slid",
    "sling slung",
    "smite smote smitten",
    "sow sown",
    "smell smelt",
    "speak spoke spoken",
    "speed sped",
    "spell spelt",
    "spend spent",
    "spill spilt",
    "spin spun",
    "spit spat",
    "spoil spoilt",
    "spring sprang sprung",
    "stand stood",
    "steal stole stolen",
    "stick stuck",
    "sting stung",
    "stink stank stunk",
    "stride strode stridden",
    "strike struck stricken",
    "string strung",
    "strive strove striven",
    "swear swore sworn",
    "sweep swept",
    "swell swollen",
    "swim swam swum",
    "swing swung",
    "take took taken",
    "teach taught",
    "tear tore torn",
    "tell told",
    "think thought",
    "thrive throve thriven",
    "throw threw thrown",
    "tie tying",
    "tread trod trodden",
    "undergo underwent undergone",
    "understand understood",
    "undertake undertook undertaken",
    "uphold upheld",
    "vie vying",
    "wake woke woken",
    "wear wore worn",
    "weave wove woven",
    "weep wept",
    "win won",
    "wind wound",
    "withdraw withdrew withdrawn",
    "withhold withheld",
    "wring wrung",
    "write wrote written",
};

// Each noun, then its plurals that no suffix rule gives: changed vowels,
// -en, -ves for -f and -fe, and the Latin and Greek ones. A plural that
// is also the plural of another word by rule (bases, axes) has no row:
// the rule finds that one.
const char *const nouns[] = {
    "alumnus alumni",
    "analysis analyses",
    "antenna antennae",
    "apex apices",
    "appendix appendices",
    "bacterium bacteria",
    "cactus cacti",
    "calf calves",
    "child children",
    "crisis crises",
    "criterion criteria",
    "curriculum curricula",
    "datum data",
    "diagnosis diagnoses",
    "elf elves",
    "emphasis emphases",
    "focus foci",
    "foot feet",
    "formula formulae",
    "fungus fungi",
    "goose geese",
    "half halves",
    "hoof hooves",
    "hypothesis hypotheses",
    "index indices",
    "knife knives",
    "larva larvae",
    "leaf leaves",
    "life lives",
    "loaf loaves",
    "louse lice",
    "man men",
    "matrix matrices",
    "medium media",
    "memorandum memoranda",
    "mouse mice",
    "nucleus nuclei",
    "oasis oases",
    "ox oxen",
    "parenthesis parentheses",
    "person people",
    "phenomenon phenomena",
    "radius radii",
    "scarf scarves",
    "self selves",
    "sheaf sheaves",
    "shelf shelves",
    "stimulus stimuli",
    "stratum strata",
    "syllabus syllabi",
    "synthesis syntheses",
    "thesis theses",
    "thief thieves",
    "tooth teeth",
    "vertebra vertebrae",
    "vertex vertices",
    "wharf wharves",
    "wife wives",
    "wolf wolves",
    "woman women",
};

QList<QStringList> rows()
{
    QList<QStringList> rows;
    for (const char *row : verbs)
        rows << QString::fromLatin1(row).split(u' ');
    return rows;
}

QList<QStringList> nounRows()
{
    QList<QStringList> rows;
    for (const char *row : nouns)
        rows << QString::fromLatin1(row).split(u' ');
    return rows;
}

// Form -> its verbs and nouns, all upper-cased as keys are.
const QHash<QString, QStringList> &irregular()
{
    static const QHash<QString, QStringList> table = [] {
        QHash<QString, QStringList> forms;
        for (const QStringList &row : rows() + nounRows()) {
            for (qsizetype i = 1; i < row.size(); ++i)
                forms[row.at(i).toUpper()].append(row.first().toUpper());
        }
        return forms;
    }();
    return table;
}

bool isConsonant(QChar c)
{
    return c >= u'A' && c <= u'Z' && !QStringView(u"AEIOU").contains(c);
}

// A base has two characters at least: no English word inflects from one.
bool isBase(QStringView form)
{
    qsizetype characters = 0;
    for (const QChar c : form)
        characters += c.isLowSurrogate() ? 0 : 1;
    return characters >= 2;
}

class Candidates
{
public:
    explicit Candidates(QStringView rest) : m_rest(rest) {}
    void add(QStringView base)
    {
        if (!isBase(base))
            return;
        QString key = base.toString();
        key += m_rest;
        if (!m_keys.contains(key))
            m_keys.append(key);
    }
    // `stem` with its doubled last consonant single, if it ends in one.
    void addUndoubled(QStringView stem)
    {
        const qsizetype n = stem.size();
        if (n >= 2 && stem.at(n - 1) == stem.at(n - 2) && isConsonant(stem.at(n - 1)))
            add(stem.chopped(1));
    }
    // `word` without `suffix` and then with `ending` after it, if it ends
    // in `suffix`.
    void addReplaced(QStringView word, QStringView suffix, QStringView ending)
    {
        if (word.size() > suffix.size() && word.endsWith(suffix))
            add(word.chopped(suffix.size()).toString().append(ending));
    }
    QStringList keys() const { return m_keys; }

private:
    QStringView m_rest;
    QStringList m_keys;
};

// -ed, -ing, -er, -est: the base with the e the suffix took or began
// with, as it is, with its doubled consonant single, with the y that
// became i.
void addSuffixed(Candidates &out, QStringView word, QStringView suffix, QStringView iSuffix)
{
    if (word.size() <= suffix.size() || !word.endsWith(suffix))
        return;
    const QStringView stem = word.chopped(suffix.size());
    out.add(stem.toString() + u'E');
    out.add(stem);
    out.addUndoubled(stem);
    if (!iSuffix.isEmpty())
        out.addReplaced(word, iSuffix, u"Y");
}

} // namespace

namespace BaseForms {

QStringList of(const QString &key)
{
    const qsizetype space = key.indexOf(u' ');
    const QStringView word = QStringView(key).left(space < 0 ? key.size() : space);
    Candidates out(QStringView(key).mid(word.size()));
    for (const QString &base : irregular().value(word.toString()))
        out.add(base);
    out.addReplaced(word, u"S", u"");
    out.addReplaced(word, u"ES", u"");
    out.addReplaced(word, u"IES", u"Y");
    addSuffixed(out, word, u"ED", u"IED");
    addSuffixed(out, word, u"ING", u"");
    addSuffixed(out, word, u"ER", u"IER");
    addSuffixed(out, word, u"EST", u"IEST");
    return out.keys();
}

} // namespace BaseForms

QList<QStringList> BaseForms::irregularVerbs()
{
    return rows();
}

QList<QStringList> BaseForms::irregularNouns()
{
    return nounRows();
}
