#include "generator.h"
#include "splitmix.h"

#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace Generator {

namespace {

using Random = SplitMix;

const char *const syllables[] = {
    "a",  "ba", "be", "bi", "bo", "ca", "ce", "co", "da", "de", "di", "do", "e",  "fa", "fe",
    "fi", "ga", "ge", "ha", "he", "i",  "la", "le", "li", "lo", "ma", "me", "mi", "mo", "na",
    "ne", "no", "o",  "pa", "pe", "ra", "re", "ri", "ro", "ru", "sa", "se", "si", "so", "ta",
    "te", "ti", "to", "u",  "un", "va", "ve", "wa", "we", "ya", "za", "st", "th", "sh", "ch"};
constexpr int syllableCount = int(sizeof(syllables) / sizeof(*syllables));

const char16_t *const labels[] = {u"名",     u"名-1", u"名-2", u"動",   u"自動-1",
                                  u"他動-1", u"他動", u"形",   u"副",   u"前",
                                  u"間投",   u"略",   u"人名", u"地名", u"組織"};
const char16_t *const glosses[] = {
    u"走る",         u"駆ける",     u"経営する", u"運転する", u"流れる",       u"続く",
    u"立候補する",   u"逃げる",     u"試み",     u"得点",     u"一続き",       u"傾向",
    u"明るい",       u"静かな",     u"素早く",   u"再び",     u"～について",   u"～のために",
    u"辞書",         u"言葉",       u"意味",     u"例文",     u"発音",         u"語源",
    u"ちょっとした", u"はっきりと", u"ほとんど", u"まったく", u"きらきら光る", u"ひらがな",
    u"カタカナ",     u"①第一の",    u"②第二の",  u"∫積分",    u"髙橋",         u"﨑"};
constexpr int labelCount = int(sizeof(labels) / sizeof(*labels));
constexpr int glossCount = int(sizeof(glosses) / sizeof(*glosses));

QString makeWord(Random &r)
{
    QString w;
    const int parts = 2 + r.below(3);
    for (int i = 0; i < parts; ++i)
        w += QLatin1String(syllables[r.below(syllableCount)]);
    return w;
}

QString gloss(Random &r)
{
    return QString::fromUtf16(glosses[r.below(glossCount)]);
}

QString body(Random &r, const QString &word)
{
    QString b = gloss(r);
    const int more = 1 + r.below(4);
    for (int i = 0; i < more; ++i)
        b += u'、' + gloss(r);
    if (r.chance(40))
        b += QStringLiteral("■・%1 %2 %3、%4").arg(word, makeWord(r), gloss(r), gloss(r));
    if (r.chance(20))
        b += QStringLiteral("■・I %1 the %2. 私は%3を%4。")
                 .arg(word, makeWord(r), gloss(r), gloss(r));
    if (r.chance(15))
        b += QStringLiteral("◆%1【参考】%2").arg(gloss(r), makeWord(r));
    if (r.chance(2))
        b += QStringLiteral("■・%1 it : %2").arg(word, gloss(r));
    return b;
}

QString toFullWidth(const QString &s)
{
    QString out;
    for (QChar c : s) {
        if (c >= u'a' && c <= u'z')
            out += QChar(0xFF41 + (c.unicode() - u'a'));
        else
            out += c;
    }
    return out;
}

// Kana for Japanese entry words, as a Japanese-English dictionary has them.
const char16_t kana[] = u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも"
                        u"やゆよらりるれろわんがぎぐげござじずぜぞだでどばびぶべぼアイウエオカキ"
                        u"クケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモラリルレロン";
constexpr int kanaCount = int(sizeof(kana) / sizeof(*kana)) - 1;

QString label(Random &r)
{
    return QString::fromUtf16(labels[r.below(labelCount)]);
}

// One to three sense lines of `head`, labelled or not.
void emitSenses(Random &r, const QString &head, const QString &word, int senses, QStringList &out)
{
    const bool labelled = r.chance(75);
    for (int s = 0; s < senses; ++s) {
        if (labelled)
            out << QStringLiteral("■%1  {%2} : %3").arg(head, label(r), body(r, word));
        else
            out << QStringLiteral("■%1 : %2").arg(head, body(r, word));
    }
}

// Lines that try the format's corners: not entries at all, markup
// characters, full-width letters, tabs and U+3000 in heads, odd braces.
void emitOddLine(Random &r, const QString &word, QStringList &out)
{
    if (r.chance(50)) {
        out << QStringLiteral("★%1 %2").arg(word, gloss(r)) << QString();
        return;
    }
    const QString variants[] = {
        QStringLiteral("■%1 & %2 : <b>%3</b> \"%4\"").arg(word, makeWord(r), gloss(r), gloss(r)),
        QStringLiteral("■%1&%2 : %3 & %4").arg(word, makeWord(r), gloss(r), gloss(r)),
        QStringLiteral("■<%1>  {名} : %2").arg(word, gloss(r)),
        QStringLiteral("■%1 : %2").arg(toFullWidth(word), gloss(r)),
        QStringLiteral("■%1\t%2 : %3").arg(word, makeWord(r), gloss(r)),
        QStringLiteral("■%1\u3000%2  {名} : %3").arg(word, makeWord(r), gloss(r)),
        QStringLiteral("■%1  {a-b-c} : %2").arg(word, gloss(r)),
        QStringLiteral("■%1 {名} : %2").arg(word, gloss(r)),
        QStringLiteral("■%1  {名-1} : %2 : %3").arg(word, gloss(r), gloss(r)),
        QStringLiteral(" ■%1 : %2").arg(word, gloss(r)),
    };
    out << variants[r.below(int(sizeof(variants) / sizeof(*variants)))];
}

QString japaneseWord(Random &r)
{
    if (r.chance(20))
        return gloss(r);
    QString w;
    const int length = 2 + r.below(3);
    for (int i = 0; i < length; ++i)
        w += QChar(kana[r.below(kanaCount)]);
    return w;
}

// The lines of one base word, in dictionary order: the word's senses, then
// its phrases ("run out", "run a shop"), sorted as dictionaries sort them,
// each with one or two senses; now and then the same word in other letter
// case after them ("March" after "march" and its phrases).
void emitWord(Random &r, const QString &word, QStringList &out)
{
    const int kind = r.below(100);
    if (kind < 4)
        return emitOddLine(r, word, out);
    if (kind < 5) {
        // A Japanese entry word, with a translation in English.
        out << QStringLiteral("■%1  {%2} : %3, %4")
                   .arg(japaneseWord(r), label(r), word, makeWord(r));
        return;
    }
    QString head = word;
    if (kind < 7)
        head = toFullWidth(word);
    else if (kind < 12)
        head = word.at(0).toUpper() + word.mid(1);
    else if (kind < 14)
        head = word.toUpper();
    emitSenses(r, head, word, 1 + r.below(2), out);

    QStringList phrases;
    const int phraseCount = r.below(6);
    for (int p = 0; p < phraseCount; ++p) {
        QString phrase = head + u' ' + makeWord(r);
        if (r.chance(40))
            phrase += u' ' + makeWord(r);
        phrases << phrase;
    }
    std::sort(phrases.begin(), phrases.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    for (const QString &phrase : std::as_const(phrases))
        emitSenses(r, phrase, word, r.chance(30) ? 2 : 1, out);

    if (r.chance(5))
        emitSenses(r, word.at(0).toUpper() + word.mid(1), word, 1, out);
}

// Kanji for the heads of a Japanese-English dictionary.
const char16_t kanji[] = u"水火木金土日月山川人口手目耳足心花雨雪風空海気天生学校先本車電話語書"
                         u"読見行来食飲出入上下大小中長高安新古白黒赤青早明時間年分家国道店駅";
constexpr int kanjiCount = int(sizeof(kanji) / sizeof(*kanji)) - 1;
// What a Japanese head's kana phrases add to it.
const char16_t *const endings[] = {u"する", u"を飲む", u"がある", u"の中", u"になる", u"を見る"};
constexpr int endingCount = int(sizeof(endings) / sizeof(*endings));
const char *const englishGlosses[] = {"water",    "fire",       "a tree",  "money",
                                      "the sun",  "a mountain", "to read", "fast",
                                      "a person", "quiet",      "to see",  "a shop"};
constexpr int englishCount = int(sizeof(englishGlosses) / sizeof(*englishGlosses));

QString japaneseHead(Random &r)
{
    // One to three kanji, now and then kana after them; or kana alone.
    QString w;
    if (r.chance(15))
        return japaneseWord(r);
    for (int i = 1 + r.below(3); i > 0; --i)
        w += QChar(kanji[r.below(kanjiCount)]);
    if (r.chance(30))
        w += QChar(kana[r.below(kanaCount)]);
    return w;
}

QString englishBody(Random &r)
{
    QString b = QLatin1String(englishGlosses[r.below(englishCount)]);
    for (int more = r.below(3); more > 0; --more)
        b += QStringLiteral(", ") + QLatin1String(englishGlosses[r.below(englishCount)]);
    if (r.chance(30))
        b += QStringLiteral("; %1 %2").arg(makeWord(r), makeWord(r));
    if (r.chance(20))
        b += QStringLiteral("■・%1を%2。 I %3 the %4.")
                 .arg(japaneseHead(r), gloss(r), makeWord(r), makeWord(r));
    return b;
}

// A Japanese head's senses, then its phrases.
void emitJapaneseWord(Random &r, const QString &head, QStringList &out)
{
    for (int s = 1 + r.below(2); s > 0; --s) {
        if (r.chance(75))
            out << QStringLiteral("■%1  {%2} : %3").arg(head, label(r), englishBody(r));
        else
            out << QStringLiteral("■%1 : %2").arg(head, englishBody(r));
    }
    QStringList phrases;
    for (int p = r.below(4); p > 0; --p)
        phrases << head + QString::fromUtf16(endings[r.below(endingCount)]);
    std::sort(phrases.begin(), phrases.end());
    phrases.removeDuplicates();
    for (const QString &phrase : std::as_const(phrases))
        out << QStringLiteral("■%1 : %2").arg(phrase, englishBody(r));
}

template <typename Sink> void produce(const Options &options, Sink sink)
{
    Random r{options.seed};
    QStringEncoder encoder(options.utf8 ? "UTF-8" : "Shift_JIS");
    const QByteArray eol = options.crlf ? QByteArray("\r\n") : QByteArray("\n");
    // Sorted base words, roughly one per three lines.
    const qint64 wordCount = std::max<qint64>(1, options.lines / 3 + 1);
    std::vector<QString> words;
    words.reserve(size_t(wordCount));
    for (qint64 i = 0; i < wordCount; ++i)
        words.push_back(options.japaneseHeads ? japaneseHead(r) : makeWord(r));
    std::sort(words.begin(), words.end());

    qint64 written = 0;
    QStringList lines;
    for (size_t i = 0; written < options.lines; i = (i + 1) % words.size()) {
        lines.clear();
        if (options.japaneseHeads)
            emitJapaneseWord(r, words[i], lines);
        else
            emitWord(r, words[i], lines);
        for (const QString &line : lines) {
            if (written == options.lines)
                break;
            QByteArray bytes = encoder.encode(line);
            bytes += eol;
            sink(bytes);
            ++written;
        }
    }
}

} // namespace

bool write(const QString &path, const Options &options)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    bool ok = true;
    produce(options, [&](const QByteArray &line) {
        block += line;
        if (block.size() > (1 << 20)) {
            ok = ok && file.write(block) == block.size();
            block.clear();
        }
    });
    ok = ok && file.write(block) == block.size();
    return ok && file.flush();
}

QByteArray generate(const Options &options)
{
    QByteArray all;
    produce(options, [&](const QByteArray &line) { all += line; });
    return all;
}

QByteArray toShiftJis(const QString &text)
{
    QStringEncoder encoder("Shift_JIS");
    return encoder.encode(text);
}

} // namespace Generator
