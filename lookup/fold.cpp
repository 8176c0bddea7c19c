#include "lookup/fold.h"

#include <array>

namespace {

constexpr char16_t halfWidthFirst = 0xFF61; // ｡
constexpr char16_t halfWidthLast = 0xFF9F;  // ﾟ
constexpr char16_t halfVoiced = 0xFF9E;     // ﾞ
constexpr char16_t halfSemiVoiced = 0xFF9F; // ﾟ

// Each half-width katakana character's full-width one, as Unicode's
// compatibility mapping gives it; a mark on its own becomes the spacing
// mark, since a combining one would join whatever came before it.
const std::array<char16_t, halfWidthLast - halfWidthFirst + 1> &fullWidth()
{
    static const auto table = [] {
        std::array<char16_t, halfWidthLast - halfWidthFirst + 1> out{};
        for (char16_t c = halfWidthFirst; c <= halfWidthLast; ++c)
            out[c - halfWidthFirst] =
                QString(QChar(c)).normalized(QString::NormalizationForm_KC).at(0).unicode();
        out[halfVoiced - halfWidthFirst] = 0x309B;     // ゛
        out[halfSemiVoiced - halfWidthFirst] = 0x309C; // ゜
        return out;
    }();
    return table;
}

// The kana `base` with a voiced (U+3099) or semi-voiced (U+309A) mark, when
// that is one character (カ with ゛ is ガ); else 0.
char16_t withMark(char16_t base, char16_t mark)
{
    const QChar pair[] = {QChar(base), QChar(mark)};
    const QString joined = QString(pair, 2).normalized(QString::NormalizationForm_C);
    return joined.size() == 1 ? joined.at(0).unicode() : 0;
}

char16_t hiragana(char16_t c)
{
    // ァ to ヶ, and the iteration marks ヽ ヾ, sit 0x60 above their hiragana.
    if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE)
        return char16_t(c - 0x60);
    return c;
}

} // namespace

namespace Fold {

QString key(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text.at(i).unicode();
        if (c >= 0xFF01 && c <= 0xFF5E) {
            c = char16_t(c - 0xFEE0);
        } else if (c >= halfWidthFirst && c <= halfWidthLast) {
            c = fullWidth()[c - halfWidthFirst];
            const char16_t next = i + 1 < text.size() ? text.at(i + 1).unicode() : 0;
            if (c != 0x309B && c != 0x309C && (next == halfVoiced || next == halfSemiVoiced)) {
                if (const char16_t marked = withMark(c, next == halfVoiced ? 0x3099 : 0x309A)) {
                    c = marked;
                    ++i;
                }
            }
        }
        out.append(QChar(hiragana(c)));
    }
    return out.toUpper();
}

} // namespace Fold
