#pragma once

#include <QString>
#include <QStringView>

// Japanese typed in Latin letters, as a learner types it on an English
// keyboard: "taberu" is たべる. Pure and thread-safe.
//
// Read as Hepburn, Kunrei and the spellings input methods take, in any
// letter case: shi/si, chi/ti, tsu/tu, fu/hu, ji/zi/jy, sha/sya, cha/cya/
// tya, ja/jya/zya, fa/fi/fe/fo, va/vi/vu/ve/vo, thi/dhi (てぃ, でぃ), di/du
// (ぢ, づ), wo (を), wi/we (うぃ, うぇ), x before a small kana (xa ぁ, xya
// ゃ, xtu/xtsu っ, xwa ゎ).
// - n is ん before a consonant or at the end; so is nn, except that before
//   a vowel or y the second n begins the next kana (konnichiwa, minna); n'
//   is ん before anything (kan'i). m before b, p or m is ん (shimbun).
// - A consonant doubled, or t before ch, is っ (kitte, matcha).
// - "-" is the long-vowel mark ー; long vowels are read as typed (kyou
//   きょう, oo おお).
namespace Romaji {

// The hiragana `text` reads as, or a null string when it is not Latin
// letters (with ' and -) that read wholly as kana.
QString toKana(QStringView text);

} // namespace Romaji
