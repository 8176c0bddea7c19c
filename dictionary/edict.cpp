#include "dictionary/edict.h"

#include <QStringTokenizer>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Edict {

namespace {

struct Tag
{
    const char *name;
    const char *meaning;
};

// The tags EDICT files use, with what they mean to a reader.
constexpr Tag tags[] = {
    {"n", "noun"},
    {"n-adv", "adverbial noun"},
    {"n-t", "noun (temporal)"},
    {"n-suf", "noun used as a suffix"},
    {"n-pref", "noun used as a prefix"},
    {"n-pr", "proper noun"},
    {"pn", "pronoun"},
    {"num", "numeric"},
    {"ctr", "counter"},
    {"exp", "expression"},
    {"int", "interjection"},
    {"conj", "conjunction"},
    {"prt", "particle"},
    {"pref", "prefix"},
    {"suf", "suffix"},
    {"cop", "copula"},
    {"unc", "unclassified"},
    {"adv", "adverb"},
    {"adv-to", "adverb taking the particle to"},
    {"adj-i", "i-adjective"},
    {"adj-ix", "i-adjective (yoi/ii class)"},
    {"adj-na", "na-adjective"},
    {"adj-no", "noun taking the genitive no"},
    {"adj-pn", "pre-noun adjectival"},
    {"adj-t", "taru-adjective"},
    {"adj-f", "noun or verb acting prenominally"},
    {"adj-ku", "ku-adjective (archaic)"},
    {"adj-shiku", "shiku-adjective (archaic)"},
    {"adj-nari", "nari-adjective (archaic)"},
    {"aux", "auxiliary"},
    {"aux-v", "auxiliary verb"},
    {"aux-adj", "auxiliary adjective"},
    {"v1", "Ichidan verb"},
    {"v1-s", "Ichidan verb (kureru class)"},
    {"v5u", "Godan verb ending in u"},
    {"v5u-s", "Godan verb ending in u (special class)"},
    {"v5k", "Godan verb ending in ku"},
    {"v5k-s", "Godan verb (iku/yuku)"},
    {"v5g", "Godan verb ending in gu"},
    {"v5s", "Godan verb ending in su"},
    {"v5t", "Godan verb ending in tsu"},
    {"v5n", "Godan verb ending in nu"},
    {"v5b", "Godan verb ending in bu"},
    {"v5m", "Godan verb ending in mu"},
    {"v5r", "Godan verb ending in ru"},
    {"v5r-i", "Godan verb ending in ru (irregular)"},
    {"v5aru", "Godan verb (aru class)"},
    {"v5uru", "Godan verb (uru class)"},
    {"v4r", "Yodan verb ending in ru (archaic)"},
    {"v4k", "Yodan verb ending in ku (archaic)"},
    {"v2d-s", "Nidan verb ending in zu (archaic)"},
    {"v2m-s", "Nidan verb ending in mu (archaic)"},
    {"v2r-s", "Nidan verb ending in ru (archaic)"},
    {"vk", "kuru verb"},
    {"vs", "noun taking suru"},
    {"vs-s", "suru verb (special class)"},
    {"vs-i", "suru verb (included)"},
    {"vs-c", "su verb (precursor of suru)"},
    {"vz", "zuru verb"},
    {"vn", "irregular nu verb"},
    {"vr", "irregular ru verb"},
    {"vi", "intransitive verb"},
    {"vt", "transitive verb"},
    {"P", "common word"},
    {"uk", "usually written in kana"},
    {"uK", "usually written in kanji"},
    {"abbr", "abbreviation"},
    {"arch", "archaic"},
    {"obs", "obsolete"},
    {"obsc", "obscure"},
    {"dated", "dated"},
    {"hist", "historical"},
    {"rare", "rare"},
    {"col", "colloquial"},
    {"fam", "familiar language"},
    {"fem", "female language"},
    {"male", "male language"},
    {"hon", "honorific"},
    {"hum", "humble"},
    {"pol", "polite"},
    {"sl", "slang"},
    {"m-sl", "manga slang"},
    {"net-sl", "internet slang"},
    {"vulg", "vulgar"},
    {"derog", "derogatory"},
    {"sens", "sensitive"},
    {"joc", "jocular"},
    {"id", "idiomatic expression"},
    {"proverb", "proverb"},
    {"yoji", "four-character compound"},
    {"on-mim", "onomatopoeia or mimetic word"},
    {"poet", "poetical"},
    {"litf", "literary or formal"},
    {"chn", "children's language"},
    {"X", "rude or X-rated"},
    {"iK", "irregular kanji"},
    {"ik", "irregular kana"},
    {"io", "irregular okurigana"},
    {"oK", "outdated kanji"},
    {"ok", "outdated kana"},
    {"ateji", "ateji (kanji used for their sound)"},
    {"gikun", "gikun (kanji used for their meaning)"},
    {"tradem", "trademark"},
    {"MA", "martial arts"},
    {"Buddh", "Buddhism"},
    {"Shinto", "Shinto"},
    {"Christn", "Christianity"},
    {"comp", "computing"},
    {"food", "food"},
    {"math", "mathematics"},
    {"med", "medicine"},
    {"ling", "linguistics"},
    {"sports", "sports"},
    {"sumo", "sumo"},
    {"baseb", "baseball"},
    {"mahj", "mahjong"},
    {"shogi", "shogi"},
    {"hanaf", "hanafuda"},
    {"music", "music"},
    {"astron", "astronomy"},
    {"physics", "physics"},
    {"chem", "chemistry"},
    {"biol", "biology"},
    {"bot", "botany"},
    {"zool", "zoology"},
    {"anat", "anatomy"},
    {"geol", "geology"},
    {"law", "law"},
    {"finc", "finance"},
    {"econ", "economics"},
    {"bus", "business"},
    {"engr", "engineering"},
    {"archit", "architecture"},
    {"mil", "military"},
    {"geom", "geometry"},
    {"gram", "grammar"},
};

// The tags by name, for a search without allocating: a page asks for
// every tag of every sense it shows.
const Tag *findTag(QStringView name)
{
    static const std::vector<const Tag *> sorted = [] {
        std::vector<const Tag *> made;
        for (const Tag &tag : tags)
            made.push_back(&tag);
        std::sort(made.begin(), made.end(),
                  [](const Tag *a, const Tag *b) { return std::strcmp(a->name, b->name) < 0; });
        return made;
    }();
    const auto found =
        std::lower_bound(sorted.begin(), sorted.end(), name, [](const Tag *tag, QStringView text) {
            return text.compare(QLatin1StringView(tag->name)) > 0;
        });
    return found != sorted.end() && name == QLatin1StringView((*found)->name) ? *found : nullptr;
}

// A tag this program may not know yet still looks like one: a short run of
// lower-case letters and digits, with hyphens between.
bool looksLikeTag(QStringView text)
{
    if (findTag(text))
        return true;
    if (text.isEmpty() || text.size() > 10 || !text.front().isLower())
        return false;
    for (const QChar c : text) {
        if (!(c.isLower() && c.unicode() < 0x80) && !c.isDigit() && c != u'-')
            return false;
    }
    return !text.endsWith(u'-');
}

bool isNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// One form of "KANJI1(P);KANJI2" without its marks; null when it is empty
// or holds what no head may hold.
QStringView bareForm(QStringView form, bool *common)
{
    while (form.endsWith(u')')) {
        const qsizetype open = form.lastIndexOf(u'(');
        if (open <= 0)
            return {};
        if (form.sliced(open + 1, form.size() - open - 2) == u"P")
            *common = true;
        form = form.first(open);
    }
    for (const QChar c : form) {
        if (c.isSpace() || c == u'[' || c == u']' || c == u'/' || c == u'(' || c == u')')
            return {};
    }
    return form.isEmpty() ? QStringView() : form;
}

// Splits "KANJI1(P);KANJI2" into its forms, each without its marks, when
// `forms` is given. False when a form is empty or holds what no head may hold.
bool readForms(QStringView text, QStringList *forms, bool *common)
{
    if (text.isEmpty())
        return false;
    for (const QStringView form : QStringTokenizer(text, u';')) {
        const QStringView bare = bareForm(form, common);
        if (bare.isNull())
            return false;
        if (forms)
            forms->append(bare.toString());
    }
    return true;
}

// Takes the tags and the sense number off the start of a field: "(v1,vt)
// (2) to eat" leaves "to eat". `number` is -1 without a sense number; the
// tags are not kept without `tags`.
QStringView takeTags(QStringView field, QStringList *tags, int *number)
{
    *number = -1;
    for (;;) {
        field = field.trimmed();
        if (!field.startsWith(u'(') && !field.startsWith(u'{'))
            return field;
        const QChar close = field.front() == u'(' ? u')' : u'}';
        const qsizetype end = field.indexOf(close);
        if (end < 0)
            return field;
        const QStringView inner = field.sliced(1, end - 1);
        if (isNumber(inner)) {
            *number = inner.toInt();
        } else {
            for (const QStringView item : QStringTokenizer(inner, u',')) {
                if (!looksLikeTag(item.trimmed()))
                    return field;
            }
            if (tags) {
                for (const QStringView item : QStringTokenizer(inner, u','))
                    tags->append(item.trimmed().toString());
            }
        }
        field = field.sliced(end + 1);
    }
}

// An entry line's head (its forms, then its readings in brackets) and its
// body (the glosses between slashes), each trimmed; false for a line whose
// shape or characters make it no entry, or whose forms hold what none may.
bool split(QStringView line, QStringView *head, QStringView *body, bool *common,
           QStringList *heads = nullptr, QStringList *readings = nullptr)
{
    if (line.size() > longestLine)
        return false;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    // The header begins with an ideographic space; no head does.
    // A character that could not be decoded (a line of another encoding)
    // or a control character: no entry line holds one.
    if (line.isEmpty() || line.front().isSpace() ||
        std::any_of(line.begin(), line.end(), [](QChar c) {
            const char16_t u = c.unicode();
            return u == 0xFFFD || (u < 0x20 && u != u'\t') || (u >= 0x7F && u < 0xA0);
        }))
        return false;
    const qsizetype slash = line.indexOf(u'/');
    if (slash <= 0 || !line.trimmed().endsWith(u'/'))
        return false;
    *head = line.first(slash).trimmed();
    *body = line.sliced(slash).trimmed();
    // A lone slash ("X /") opens no gloss.
    if (body->size() < 2)
        return false;
    const qsizetype open = head->indexOf(u'[');
    if (open < 0)
        return readForms(*head, heads, common);
    const qsizetype close = head->indexOf(u']', open);
    // A bracket closed after the first slash, or never: no entry.
    if (close < 0 || !head->sliced(close + 1).trimmed().isEmpty() ||
        !readForms(head->sliced(open + 1, close - open - 1).trimmed(), readings, common))
        return false;
    *head = head->first(open).trimmed();
    return readForms(*head, heads, common);
}
} // namespace

bool firstHead(QStringView line, QStringView *first)
{
    QStringView head, body;
    bool common = false;
    if (!split(line, &head, &body, &common))
        return false;
    // An entry has a gloss: a field that is more than tags, a sequence
    // number or the common mark.
    for (const QStringView field : QStringTokenizer(body.sliced(1, body.size() - 2), u'/')) {
        const QStringView trimmed = field.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u"EntL") || trimmed == u"(P)")
            continue;
        int number = -1;
        if (!takeTags(trimmed, nullptr, &number).isEmpty()) {
            const QStringView form = *QStringTokenizer(head, u';').begin();
            *first = bareForm(form, &common);
            return true;
        }
    }
    return false;
}

bool read(QStringView line, Entry *entry)
{
    *entry = Entry();
    QStringView head, body;
    if (!split(line, &head, &body, &entry->common, &entry->heads, &entry->readings))
        return false;

    for (const QStringView field : QStringTokenizer(body.sliced(1, body.size() - 2), u'/')) {
        const QStringView trimmed = field.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u"EntL"))
            continue;
        if (trimmed == u"(P)") {
            entry->common = true;
            continue;
        }
        QStringList fieldTags;
        int number = -1;
        const QStringView gloss = takeTags(trimmed, &fieldTags, &number);
        fieldTags.removeAll(QStringLiteral("P"));
        // A sense number starts the next sense, unless nothing is in this one.
        if (entry->senses.isEmpty() || (number >= 0 && !entry->senses.last().glosses.isEmpty()))
            entry->senses.append(Sense());
        Sense &sense = entry->senses.last();
        for (const QString &tag : std::as_const(fieldTags)) {
            if (!sense.tags.contains(tag))
                sense.tags.append(tag);
        }
        if (!gloss.isEmpty())
            sense.glosses.append(gloss.toString());
    }
    // Tags with no gloss after them make no sense of their own.
    entry->senses.removeIf([](const Sense &sense) { return sense.glosses.isEmpty(); });
    return !entry->senses.isEmpty();
}

QString glossKey(const QString &gloss)
{
    QStringView text = QStringView(gloss).trimmed();
    if (text.startsWith(u"to "))
        text = text.sliced(3).trimmed();
    if (text.isEmpty())
        return QString();
    return text.toString().toUpper();
}

QStringList keys(const Entry &entry)
{
    QStringList keys;
    const auto add = [&keys](const QString &key) {
        if (!key.isEmpty() && !keys.contains(key))
            keys.append(key);
    };
    for (const QString &head : entry.heads)
        add(head.toUpper());
    for (const QString &reading : entry.readings)
        add(reading.toUpper());
    for (const Sense &sense : entry.senses) {
        for (const QString &gloss : sense.glosses)
            add(glossKey(gloss));
    }
    return keys;
}

bool hasKey(const Entry &entry, const QString &key)
{
    for (const QStringList *forms : {&entry.heads, &entry.readings}) {
        for (const QString &form : *forms) {
            if (form.toUpper() == key)
                return true;
        }
    }
    for (const Sense &sense : entry.senses) {
        for (const QString &gloss : sense.glosses) {
            if (glossKey(gloss) == key)
                return true;
        }
    }
    return false;
}

QString tagMeaning(QStringView tag)
{
    const Tag *known = findTag(tag);
    return known ? QString::fromLatin1(known->meaning) : QString();
}

QString spellingOf(const Entry &entry, const QString &key)
{
    for (const QStringList *forms : {&entry.heads, &entry.readings}) {
        for (const QString &form : *forms) {
            if (form.toUpper() == key)
                return form;
        }
    }
    for (const Sense &sense : entry.senses) {
        for (const QString &gloss : sense.glosses) {
            if (glossKey(gloss) == key) {
                const QString text = gloss.trimmed();
                return text.startsWith(QLatin1String("to ")) ? text.mid(3).trimmed() : text;
            }
        }
    }
    return QString();
}

} // namespace Edict
