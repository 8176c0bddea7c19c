#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// Whether a text can be spoken and in which voice: Japanese text (kana or
// kanji) in a Japanese voice, Latin text in an English one. Pure, so that
// what the engine offers can be made up in a test.
namespace VoiceChoice {

// The language `text` is to be read in: Japanese when it has a kana or a
// kanji, else English when it has a Latin letter or a digit, else
// QLocale::AnyLanguage (nothing a voice here reads).
QLocale::Language languageOf(const QString &text);

// The one of `available` to speak `text` in: `preferred` when it is there
// and of the text's language (an English user's own English), else the
// first of that language's; none when the engine has no voice for it.
std::optional<QLocale> localeFor(const QString &text, const QList<QLocale> &available,
                                 const QLocale &preferred);

// Why `text` cannot be spoken, for a tooltip; empty when it can.
// `installed` are the engines there are, `wanted` the one asked for (empty:
// any), `locales` what the engine speaks once it has started (none before:
// then only an engine and the text are looked at).
QString whyNot(const QStringList &installed, const QString &wanted,
               const std::optional<QList<QLocale>> &locales, const QString &text);

} // namespace VoiceChoice
