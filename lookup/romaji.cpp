#include "lookup/romaji.h"

#include <QHash>

namespace {

// The kana of a row's a, i, u, e and o, empty where the row has none.
struct Row
{
    const char *consonants;
    const char16_t *kana[5];
};

const Row rows[] = {
    {"", {u"あ", u"い", u"う", u"え", u"お"}},
    {"k", {u"か", u"き", u"く", u"け", u"こ"}},
    {"g", {u"が", u"ぎ", u"ぐ", u"げ", u"ご"}},
    {"s", {u"さ", u"し", u"す", u"せ", u"そ"}},
    {"z", {u"ざ", u"じ", u"ず", u"ぜ", u"ぞ"}},
    {"t", {u"た", u"ち", u"つ", u"て", u"と"}},
    {"d", {u"だ", u"ぢ", u"づ", u"で", u"ど"}},
    {"n", {u"な", u"に", u"ぬ", u"ね", u"の"}},
    {"h", {u"は", u"ひ", u"ふ", u"へ", u"ほ"}},
    {"b", {u"ば", u"び", u"ぶ", u"べ", u"ぼ"}},
    {"p", {u"ぱ", u"ぴ", u"ぷ", u"ぺ", u"ぽ"}},
    {"m", {u"ま", u"み", u"む", u"め", u"も"}},
    {"y", {u"や", u"", u"ゆ", u"いぇ", u"よ"}},
    {"r", {u"ら", u"り", u"る", u"れ", u"ろ"}},
    {"w", {u"わ", u"うぃ", u"う", u"うぇ", u"を"}},
    {"f", {u"ふぁ", u"ふぃ", u"ふ", u"ふぇ", u"ふぉ"}},
    {"v", {u"ゔぁ", u"ゔぃ", u"ゔ", u"ゔぇ", u"ゔぉ"}},
    {"sh", {u"しゃ", u"し", u"しゅ", u"しぇ", u"しょ"}},
    {"ch", {u"ちゃ", u"ち", u"ちゅ", u"ちぇ", u"ちょ"}},
    {"j", {u"じゃ", u"じ", u"じゅ", u"じぇ", u"じょ"}},
    {"ts", {u"", u"", u"つ", u"", u""}},
    {"th", {u"", u"てぃ", u"", u"", u""}},
    {"dh", {u"", u"でぃ", u"", u"", u""}},
    {"x", {u"ぁ", u"ぃ", u"ぅ", u"ぇ", u"ぉ"}},
    {"xy", {u"ゃ", u"", u"ゅ", u"", u"ょ"}},
    {"xt", {u"", u"", u"っ", u"", u""}},
    {"xts", {u"", u"", u"っ", u"", u""}},
    {"xw", {u"ゎ", u"", u"", u"", u""}},
};

// Consonants whose i kana takes a small ya, yu or yo after a y: kya きゃ,
// and Kunrei's sya, tya, zya, input methods' cya and jya.
const std::pair<const char *, const char16_t *> contracted[] = {
    {"k", u"き"}, {"g", u"ぎ"}, {"s", u"し"}, {"z", u"じ"}, {"t", u"ち"},
    {"d", u"ぢ"}, {"n", u"に"}, {"h", u"ひ"}, {"b", u"び"}, {"p", u"ぴ"},
    {"m", u"み"}, {"r", u"り"}, {"c", u"ち"}, {"j", u"じ"}, {"f", u"ふ"},
};

constexpr char vowels[] = "aiueo";
constexpr qsizetype longestSpelling = 4; // xtsu

// Every spelling of a kana or of a kana with a small one, and its kana.
const QHash<QString, QString> &spellings()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> out;
        for (const Row &row : rows) {
            for (int v = 0; v < 5; ++v) {
                if (*row.kana[v])
                    out.insert(QLatin1String(row.consonants) + QLatin1Char(vowels[v]),
                               QString::fromUtf16(row.kana[v]));
            }
        }
        const std::pair<char, char16_t> small[] = {{'a', u'ゃ'}, {'u', u'ゅ'}, {'o', u'ょ'}};
        for (const auto &[consonant, kana] : contracted) {
            for (const auto &[vowel, smallKana] : small)
                out.insert(QLatin1String(consonant) + u'y' + QLatin1Char(vowel),
                           QString::fromUtf16(kana) + QChar(smallKana));
        }
        // Hepburn's and Kunrei's spellings beside the rows'.
        out.insert(QStringLiteral("si"), QStringLiteral("し"));
        out.insert(QStringLiteral("ti"), QStringLiteral("ち"));
        out.insert(QStringLiteral("tu"), QStringLiteral("つ"));
        out.insert(QStringLiteral("hu"), QStringLiteral("ふ"));
        out.insert(QStringLiteral("zi"), QStringLiteral("じ"));
        return out;
    }();
    return table;
}

bool isVowel(QChar c)
{
    return c != QChar() && QByteArrayView(vowels).contains(char(c.unicode()));
}

bool isLetter(QChar c)
{
    return c >= u'a' && c <= u'z';
}

} // namespace

namespace Romaji {

QString toKana(QStringView text)
{
    QString in;
    in.reserve(text.size());
    bool letters = false;
    for (const QChar c : text) {
        const QChar lower = c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
        if (!isLetter(lower) && c != u'\'' && c != u'-')
            return QString();
        letters = letters || isLetter(lower);
        in += lower;
    }
    if (!letters)
        return QString();

    QString out;
    const auto at = [&in](qsizetype i) { return i < in.size() ? in.at(i) : QChar(); };
    for (qsizetype i = 0; i < in.size();) {
        const QChar c = in.at(i), next = at(i + 1), after = at(i + 2);
        if (c == u'-') {
            out += u'ー';
            ++i;
        } else if (c == u'n' && !isVowel(next) && next != u'y') {
            out += u'ん';
            const bool nnEnds = next == u'n' && !isVowel(after) && after != u'y';
            i += next == u'\'' || nnEnds ? 2 : 1;
        } else if (c == u'm' && (next == u'b' || next == u'p' || next == u'm')) {
            out += u'ん';
            ++i;
        } else if (isLetter(c) && !isVowel(c) &&
                   (next == c || (c == u't' && next == u'c' && after == u'h'))) {
            out += u'っ';
            ++i;
        } else {
            qsizetype length = std::min(longestSpelling, in.size() - i);
            for (; length > 0; --length) {
                const auto kana = spellings().constFind(in.mid(i, length));
                if (kana != spellings().cend()) {
                    out += *kana;
                    break;
                }
            }
            if (length == 0)
                return QString();
            i += length;
        }
    }
    return out;
}

} // namespace Romaji
