#pragma once

#include <QString>
#include <QStringView>

// Spellings of one word that differ only in how they were typed: ＤＮＡ鑑定
// and DNA鑑定, スシ, ｽｼ and すし. Pure and thread-safe.
namespace Fold {

// `text` with full-width ASCII letters, digits and signs (U+FF01 to U+FF5E)
// made ASCII, half-width katakana made full-width (a half-width voiced or
// semi-voiced mark joins the kana before it where the two are one
// character, and is ゛ or ゜ where they are not), katakana made hiragana
// (those without one, such as ヷ, stay), and then upper-cased as index keys
// are. Two texts are the same word typed two ways when they fold alike.
QString key(QStringView text);

} // namespace Fold
