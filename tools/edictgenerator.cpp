#include "edictgenerator.h"
#include "splitmix.h"

#include <QFile>
#include <QStringEncoder>

#include <algorithm>

namespace EdictGenerator {

namespace {

using Random = SplitMix;

const char16_t *const kana[] = {u"あ", u"い", u"う", u"え", u"お", u"か", u"き", u"く", u"け",
                                u"こ", u"さ", u"し", u"す", u"せ", u"そ", u"た", u"ち", u"つ",
                                u"て", u"と", u"な", u"に", u"ぬ", u"ね", u"の", u"は", u"ひ",
                                u"ふ", u"へ", u"ほ", u"ま", u"み", u"む", u"め", u"も", u"や",
                                u"ゆ", u"よ", u"ら", u"り", u"る", u"れ", u"ろ", u"わ", u"ん"};
const char16_t *const katakana[] = {u"ア", u"イ", u"カ", u"キ", u"サ", u"シ", u"タ", u"ト",
                                    u"ナ", u"ニ", u"マ", u"ミ", u"ラ", u"リ", u"ン", u"ー"};
const char16_t *const kanji[] = {u"水", u"火", u"木", u"金", u"土", u"日", u"月", u"山", u"川",
                                 u"食", u"飲", u"見", u"聞", u"書", u"読", u"話", u"行", u"来",
                                 u"大", u"小", u"上", u"下", u"中", u"人", u"子", u"女", u"男"};
const char *const verbs[] = {"eat",  "drink",   "see", "hear",  "write", "read", "speak", "go",
                             "come", "live on", "rub", "print", "shave", "make", "do"};
const char *const nouns[] = {"water", "fire",     "tree",      "gold",  "soil",
                             "sun",   "moon",     "mountain",  "river", "eye of a needle",
                             "youth", "DNA test", "good omen", "hole",  "person"};
const char *const verbTags[] = {"v1", "v5k", "v5r", "v5s", "v5u", "vs-i", "vk", "v5m"};
const char *const nounTags[] = {"n", "n,vs", "adj-na,n", "adj-i", "n-adv,n-t", "adj-no,n"};
const char *const flags[] = {"uk", "abbr", "arch", "col", "hon", "MA", "comp", "sl"};
// What no tag table knows, but looks like a tag.
const char *const odd[] = {"xx-new", "zz"};

QString word(Random &r, const char16_t *const *from, int size, int length)
{
    QString out;
    for (int i = 0; i < length; ++i)
        out += QString::fromUtf16(from[r.below(size)]);
    return out;
}

QString reading(Random &r)
{
    return word(r, kana, std::size(kana), 2 + r.below(3));
}

QString head(Random &r)
{
    if (r.chance(10))
        return word(r, katakana, std::size(katakana), 3 + r.below(3));
    return word(r, kanji, std::size(kanji), 1 + r.below(2)) +
           (r.chance(40) ? QString::fromUtf16(kana[r.below(std::size(kana))]) : QString());
}

// The glosses of a sense; a verb's begin "to ".
QString glosses(Random &r, bool verb)
{
    QStringList out;
    const int count = 1 + r.below(3);
    for (int i = 0; i < count; ++i) {
        const QString text = QString::fromLatin1(verb ? r.pick(verbs) : r.pick(nouns));
        out << (verb ? QStringLiteral("to ") + text : text);
        if (r.chance(10))
            out.last() += QStringLiteral(" (e.g. a salary)");
    }
    out.removeDuplicates();
    return out.join(u'/');
}

QString entry(Random &r, qint64 number)
{
    QString line;
    const bool kanaOnly = r.chance(25);
    const bool edict2 = !kanaOnly && r.chance(15);
    if (kanaOnly) {
        line = reading(r);
    } else if (edict2) {
        line = head(r) + (r.chance(50) ? QStringLiteral("(P)") : QString()) + u';' + head(r) +
               (r.chance(30) ? QStringLiteral("(iK)") : QString()) + QStringLiteral(" [") +
               reading(r) + u';' + reading(r) + u']';
    } else {
        line = head(r) + QStringLiteral(" [") + reading(r) + u']';
    }
    line += QStringLiteral(" /");
    const bool verb = r.chance(40);
    const QString pos = QString::fromLatin1(verb ? r.pick(verbTags) : r.pick(nounTags)) +
                        (verb && r.chance(50) ? QStringLiteral(",vt") : QString());
    const int senses = r.chance(60) ? 1 : 2 + r.below(3);
    for (int s = 1; s <= senses; ++s) {
        line += u'(' + pos + QStringLiteral(") ");
        if (senses > 1)
            line += QStringLiteral("(%1) ").arg(s);
        if (r.chance(15))
            line += u'(' + QString::fromLatin1(r.pick(flags)) + QStringLiteral(") ");
        if (r.chance(2))
            line += u'(' + QString::fromLatin1(r.pick(odd)) + QStringLiteral(") ");
        line += glosses(r, verb) + u'/';
    }
    if (r.chance(30))
        line += QStringLiteral("(P)/");
    if (edict2)
        line += QStringLiteral("EntL%1X/").arg(1000000 + number);
    return line;
}

} // namespace

QStringList lines(const Options &options)
{
    Random r{options.seed};
    QStringList entries;
    entries.reserve(options.lines);
    for (qint64 i = 0; i < options.lines; ++i)
        entries << entry(r, i);
    // Sorted by head, as the real file is, so a reading's lines scatter.
    std::sort(entries.begin(), entries.end());
    entries.prepend(
        QStringLiteral("　？？？ /EDICT, generated test dictionary/Created: 2000-01-01/"));
    return entries;
}

QByteArray encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::EucJp:
        return QStringEncoder("EUC-JP").encode(text);
    case Encoding::ShiftJis:
        break;
    }
    return QStringEncoder("Shift_JIS").encode(text);
}

QByteArray generate(const Options &options)
{
    return encode(lines(options).join(u'\n') + u'\n', options.encoding);
}

bool write(const QString &path, const Options &options)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(generate(options)) >= 0 && file.flush();
}

} // namespace EdictGenerator
