#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The dictionary forms an inflected Japanese verb or adjective may come
// from, for showing the entry of 食べる to someone who typed 食べました.
// Pure and thread-safe.
//
// A table of rules takes the form apart one ending at a time. Each rule
// removes an ending, puts the dictionary form's ending back, and says what
// the form it undoes is (a past form, a te-form, one that conjugates as an
// ichidan verb or as an い-adjective) and what the result is: 食べさせられた
// is a past form of 食べさせられる, an ichidan verb; that is the passive of
// 食べさせる, the causative of 食べる. The classes, and the forms undone:
// - godan verbs in う く ぐ す つ ぬ ぶ む る, 行く (its past 行った), ichidan
//   verbs, する (also after a noun that takes it: 勉強した, 勉強), 来る (来た,
//   きた, こない), い-adjectives and な-adjectives (だ, だった, な, に, で);
// - polite ます ました ません ませんでした, negative ない (and its forms, as
//   an い-adjective's: なかった), past た/だ, te-form て/で, progressive
//   ている/でいる, てる/でる (and their forms, as an ichidan verb's), desire
//   たい (as an い-adjective: たくない), potential, passive, causative and
//   causative-passive (as ichidan verbs; godan also される, 書かされる),
//   conditional ば and たら/だら, volitional よう/おう (い-adjectives かろう).
//
// Candidates come with the number of rules applied. The look-up takes the
// first that is an entry whose parts of speech fit (fits()), in this order:
// fewest rules first; then by class, as Class lists them (する before a godan
// す, so した is する's; 来る before an ichidan verb, so きた is くる's; 行く
// before a godan う, so 行った is 行く's); then in key order.
namespace JapaneseBaseForms {

// What a form is: a dictionary form's class, in the order candidates are
// taken, then what only a form undone on the way can be.
enum class Class {
    Suru,       // する, 勉強する
    Kuru,       // 来る, くる
    IkuSpecial, // 行く, いく: past 行った
    Ichidan,
    GodanU,
    GodanK,
    GodanG,
    GodanS,
    GodanT,
    GodanN,
    GodanB,
    GodanM,
    GodanR,
    AdjectiveI,
    AdjectiveNa, // its stem: 静か
    SuruNoun,    // a noun that takes する: 勉強
    // Not dictionary forms.
    Past,     // た, だ, or たら undone
    TeForm,   // て, で
    Inflected // any other form undone, which nothing further undoes
};

struct Candidate
{
    QString base;
    Class wordClass;
    int steps; // rules applied
};

// Rules applied at most, and forms undone at most: bounds that the
// longest real chains (勉強させられていました, six rules) stay well within.
inline constexpr int mostSteps = 8;
inline constexpr int mostForms = 400;
// A longer text is no inflected word: it is not taken apart.
inline constexpr int longestText = 64;

// The dictionary forms `key` (a query key) may come from, each with its
// class once, in the order above. A base of one character counts only when
// it is no kana (変だ -> 変).
QList<Candidate> of(const QString &key);

// Whether a dictionary's part-of-speech tags for a key let it be a word of
// `wordClass`. Tags are spelled as EDICT spells them (v5k, v1, vs-i, vk,
// adj-i, adj-na, vs, n, adv ...; an Eijiro label {v1} is the same tag).
// Tags that say nothing of the part of speech (vi, vt, unknown labels)
// are left aside; without a tag that does, any class fits.
bool fits(Class wordClass, const QStringList &tags);

// Each class's tags, for the slow reading of the tests.
QStringList tagsOf(Class wordClass);

} // namespace JapaneseBaseForms
