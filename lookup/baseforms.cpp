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
    "become became",
    "begin began begun",
    "bend bent",
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
    "do does did done",
    "draw drew drawn",
    "dream dreamt",
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
    "forget forgot forgotten",
    "forgive forgave forgiven",
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
    "pay paid",
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
    "shine shone",
    "shoot shot",
    "show shown",
    "shrink shrank shrunk",
    "sing sang sung",
    "sink sank sunk",
    "sit sat",
    "sleep slept",
    "slide slid",
    "sling slung",
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
    "strike struck stricken",
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
    "throw threw thrown",
    "tie tying",
    "tread trod trodden",
    "understand understood",
    "vie vying",
    "wake woke woken",
    "wear wore worn",
    "weave wove woven",
    "weep wept",
    "win won",
    "wind wound",
    "withdraw withdrew withdrawn",
    "write wrote written",
};

QList<QStringList> rows()
{
    QList<QStringList> rows;
    for (const char *row : verbs)
        rows << QString::fromLatin1(row).split(u' ');
    return rows;
}

// Form -> its verbs, all upper-cased as keys are.
const QHash<QString, QStringList> &irregular()
{
    static const QHash<QString, QStringList> table = [] {
        QHash<QString, QStringList> forms;
        for (const QStringList &row : rows()) {
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
