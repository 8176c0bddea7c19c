#include "dictionary/edict.h"

#include <QHash>

#include <algorithm>

namespace Edict {

namespace {

struct Tag
{
    const char *name;
    const char *meaning;
    bool partOfSpeech;
};

// The tags EDICT files use, with what they mean to a reader.
constexpr Tag tags[] = {
    {"n", "noun", true},
    {"n-adv", "adverbial noun", true},
    {"n-t", "noun (temporal)", true},
    {"n-suf", "noun used as a suffix", true},
    {"n-pref", "noun used as a prefix", true},
    {"n-pr", "proper noun", true},
    {"pn", "pronoun", true},
    {"num", "numeric", true},
    {"ctr", "counter", true},
    {"exp", "expression", true},
    {"int", "interjection", true},
    {"conj", "conjunction", true},
    {"prt", "particle", true},
    {"pref", "prefix", true},
    {"suf", "suffix", true},
    {"cop", "copula", true},
    {"unc", "unclassified", true},
    {"adv", "adverb", true},
    {"adv-to", "adverb taking the particle to", true},
    {"adj-i", "i-adjective", true},
    {"adj-ix", "i-adjective (yoi/ii class)", true},
    {"adj-na", "na-adjective", true},
    {"adj-no", "noun taking the genitive no", true},
    {"adj-pn", "pre-noun adjectival", true},
    {"adj-t", "taru-adjective", true},
    {"adj-f", "noun or verb acting prenominally", true},
    {"adj-ku", "ku-adjective (archaic)", true},
    {"adj-shiku", "shiku-adjective (archaic)", true},
    {"adj-nari", "nari-adjective (archaic)", true},
    {"aux", "auxiliary", true},
    {"aux-v", "auxiliary verb", true},
    {"aux-adj", "auxiliary adjective", true},
    {"v1", "Ichidan verb", true},
    {"v1-s", "Ichidan verb (kureru class)", true},
    {"v5u", "Godan verb ending in u", true},
    {"v5u-s", "Godan verb ending in u (special class)", true},
    {"v5k", "Godan verb ending in ku", true},
    {"v5k-s", "Godan verb (iku/yuku)", true},
    {"v5g", "Godan verb ending in gu", true},
    {"v5s", "Godan verb ending in su", true},
    {"v5t", "Godan verb ending in tsu", true},
    {"v5n", "Godan verb ending in nu", true},
    {"v5b", "Godan verb ending in bu", true},
    {"v5m", "Godan verb ending in mu", true},
    {"v5r", "Godan verb ending in ru", true},
    {"v5r-i", "Godan verb ending in ru (irregular)", true},
    {"v5aru", "Godan verb (aru class)", true},
    {"v5uru", "Godan verb (uru class)", true},
    {"v4r", "Yodan verb ending in ru (archaic)", true},
    {"v4k", "Yodan verb ending in ku (archaic)", true},
    {"v2d-s", "Nidan verb ending in zu (archaic)", true},
    {"v2m-s", "Nidan verb ending in mu (archaic)", true},
    {"v2r-s", "Nidan verb ending in ru (archaic)", true},
    {"vk", "kuru verb", true},
    {"vs", "noun taking suru", true},
    {"vs-s", "suru verb (special class)", true},
    {"vs-i", "suru verb (included)", true},
    {"vs-c", "su verb (precursor of suru)", true},
    {"vz", "zuru verb", true},
    {"vn", "irregular nu verb", true},
    {"vr", "irregular ru verb", true},
    {"vi", "intransitive verb", true},
    {"vt", "transitive verb", true},
    {"P", "common word", false},
    {"uk", "usually written in kana", false},
    {"uK", "usually written in kanji", false},
    {"abbr", "abbreviation", false},
    {"arch", "archaic", false},
    {"obs", "obsolete", false},
    {"obsc", "obscure", false},
    {"dated", "dated", false},
    {"hist", "historical", false},
    {"rare", "rare", false},
    {"col", "colloquial", false},
    {"fam", "familiar language", false},
    {"fem", "female language", false},
    {"male", "male language", false},
    {"hon", "honorific", false},
    {"hum", "humble", false},
    {"pol", "polite", false},
    {"sl", "slang", false},
    {"m-sl", "manga slang", false},
    {"net-sl", "internet slang", false},
    {"vulg", "vulgar", false},
    {"derog", "derogatory", false},
    {"sens", "sensitive", false},
    {"joc", "jocular", false},
    {"id", "idiomatic expression", false},
    {"proverb", "proverb", false},
    {"yoji", "four-character compound", false},
    {"on-mim", "onomatopoeia or mimetic word", false},
    {"poet", "poetical", false},
    {"litf", "literary or formal", false},
    {"chn", "children's language", false},
    {"X", "rude or X-rated", false},
    {"iK", "irregular kanji", false},
    {"ik", "irregular kana", false},
    {"io", "irregular okurigana", false},
    {"oK", "outdated kanji", false},
    {"ok", "outdated kana", false},
    {"ateji", "ateji (kanji used for their sound)", false},
    {"gikun", "gikun (kanji used for their meaning)", false},
    {"tradem", "trademark", false},
    {"MA", "martial arts", false},
    {"Buddh", "Buddhism", false},
    {"Shinto", "Shinto", false},
    {"Christn", "Christianity", false},
    {"comp", "computing", false},
    {"food", "food", false},
    {"math", "mathematics", false},
    {"med", "medicine", false},
    {"ling", "linguistics", false},
    {"sports", "sports", false},
    {"sumo", "sumo", false},
    {"baseb", "baseball", false},
    {"mahj", "mahjong", false},
    {"shogi", "shogi", false},
    {"hanaf", "hanafuda", false},
    {"music", "music", false},
    {"astron", "astronomy", false},
    {"physics", "physics", false},
    {"chem", "chemistry", false},
    {"biol", "biology", false},
    {"bot", "botany", false},
    {"zool", "zoology", false},
    {"anat", "anatomy", false},
    {"geol", "geology", false},
    {"law", "law", false},
    {"finc", "finance", false},
    {"econ", "economics", false},
    {"bus", "business", false},
    {"engr", "engineering", false},
    {"archit", "architecture", false},
    {"mil", "military", false},
    {"geom", "geometry", false},
    {"gram", "grammar", false},
};

const QHash<QString, const Tag *> &tagTable()
{
    static const QHash<QString, const Tag *> table = [] {
        QHash<QString, const Tag *> made;
        for (const Tag &tag : tags)
            made.insert(QString::fromLatin1(tag.name), &tag);
        return made;
    }();
    return table;
}

// A tag this program may not know yet still looks like one: a short run of
// lower-case letters and digits, with hyphens between.
bool looksLikeTag(QStringView text)
{
    if (tagTable().contains(text.toString()))
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

// Splits "KANJI1(P);KANJI2" into its forms, each without its marks. False
// when a form is empty or holds what no head may hold.
bool readForms(QStringView text, QStringList *forms, bool *common)
{
    for (QStringView form : text.split(u';')) {
        while (form.endsWith(u')')) {
            const qsizetype open = form.lastIndexOf(u'(');
            if (open <= 0)
                return false;
            if (form.sliced(open + 1, form.size() - open - 2) == u"P")
                *common = true;
            form = form.first(open);
        }
        if (form.isEmpty())
            return false;
        for (const QChar c : form) {
            if (c.isSpace() || c == u'[' || c == u']' || c == u'/' || c == u'(' || c == u')')
                return false;
        }
        forms->append(form.toString());
    }
    return !forms->isEmpty();
}

// Takes the tags and the sense number off the start of a field: "(v1,vt)
// (2) to eat" leaves "to eat". `number` is -1 without a sense number.
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
            const QList<QStringView> items = inner.split(u',');
            for (const QStringView item : items) {
                if (!looksLikeTag(item.trimmed()))
                    return field;
            }
            for (const QStringView item : items)
                tags->append(item.trimmed().toString());
        }
        field = field.sliced(end + 1);
    }
}
} // namespace

bool read(QStringView line, Entry *entry)
{
    *entry = Entry();
    if (line.size() > longestLine)
        return false;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    // The header begins with an ideographic space; no head does.
    // A character that could not be decoded (a line of another encoding)
    // or a control character: no entry line holds one.
    if (line.isEmpty() || line.front().isSpace() ||
        std::any_of(line.begin(), line.end(), [](QChar c) {
            return c == QChar(0xFFFD) || (c.category() == QChar::Other_Control && c != u'\t');
        }))
        return false;
    const qsizetype slash = line.indexOf(u'/');
    if (slash <= 0 || !line.trimmed().endsWith(u'/'))
        return false;
    const QStringView head = line.first(slash).trimmed();
    const QStringView body = line.sliced(slash).trimmed();
    const qsizetype open = head.indexOf(u'[');
    if (open >= 0) {
        const qsizetype close = head.indexOf(u']', open);
        // A bracket closed after the first slash, or never: no entry.
        if (close < 0 || !head.sliced(close + 1).trimmed().isEmpty() ||
            !readForms(head.sliced(open + 1, close - open - 1).trimmed(), &entry->readings,
                       &entry->common) ||
            !readForms(head.first(open).trimmed(), &entry->heads, &entry->common))
            return false;
    } else if (!readForms(head, &entry->heads, &entry->common)) {
        return false;
    }

    const QList<QStringView> fields = body.sliced(1, body.size() - 2).split(u'/');
    for (const QStringView field : fields) {
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

QString tagMeaning(QStringView tag)
{
    const Tag *known = tagTable().value(tag.toString());
    return known ? QString::fromLatin1(known->meaning) : QString();
}

bool isPartOfSpeech(QStringView tag)
{
    const Tag *known = tagTable().value(tag.toString());
    return known && known->partOfSpeech;
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
