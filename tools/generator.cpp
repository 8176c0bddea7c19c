#include "generator.h"

#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace Generator {

namespace {

// splitmix64: small, fast and the same on every machine.
struct Random
{
    quint64 state;
    quint64 next()
    {
        quint64 z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

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

// The lines of one base word, in dictionary order.
void emitWord(Random &r, const QString &word, QStringList &out)
{
    const int kind = r.below(100);
    if (kind < 2) {
        // Lines that are not entries at all.
        out << QStringLiteral("★%1 %2").arg(word, gloss(r)) << QString();
        return;
    }
    if (kind < 4) {
        // Markup characters, full-width letters, tabs and U+3000 in heads.
        const QString variants[] = {
            QStringLiteral("■%1 & %2 : <b>%3</b> \"%4\"")
                .arg(word, makeWord(r), gloss(r), gloss(r)),
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
        return;
    }
    const QString head = r.chance(5) ? word.at(0).toUpper() + word.mid(1) : word;
    const int senses = 1 + r.below(3);
    const bool labelled = r.chance(75);
    for (int s = 0; s < senses; ++s) {
        if (labelled)
            out << QStringLiteral("■%1  {%2} : %3")
                       .arg(head, QString::fromUtf16(labels[r.below(labelCount)]), body(r, word));
        else
            out << QStringLiteral("■%1 : %2").arg(head, body(r, word));
    }
    const int phrases = r.below(6);
    for (int p = 0; p < phrases; ++p) {
        QString phrase = word + u' ' + makeWord(r);
        if (r.chance(40))
            phrase += u' ' + makeWord(r);
        if (r.chance(20))
            out << QStringLiteral("■%1  {%2} : %3")
                       .arg(phrase, QString::fromUtf16(labels[r.below(labelCount)]), body(r, word));
        else
            out << QStringLiteral("■%1 : %2").arg(phrase, body(r, word));
    }
}

template <typename Sink> void produce(const Options &options, Sink sink)
{
    Random r{options.seed};
    QStringEncoder encoder("Shift_JIS");
    const QByteArray eol = options.crlf ? QByteArray("\r\n") : QByteArray("\n");
    // Sorted base words, roughly one per three lines.
    const qint64 wordCount = std::max<qint64>(1, options.lines / 3 + 1);
    std::vector<QString> words;
    words.reserve(size_t(wordCount));
    for (qint64 i = 0; i < wordCount; ++i)
        words.push_back(makeWord(r));
    std::sort(words.begin(), words.end());

    qint64 written = 0;
    QStringList lines;
    for (size_t i = 0; written < options.lines; i = (i + 1) % words.size()) {
        lines.clear();
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
