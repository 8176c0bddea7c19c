#include "mainwindow/voicechoice.h"

#include <QCoreApplication>

namespace VoiceChoice {

namespace {

bool isJapanese(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    // The long vowel mark and the iteration marks are "common" to scripts.
    return script == QChar::Script_Hiragana || script == QChar::Script_Katakana ||
           script == QChar::Script_Han || c == U'ー' || c == U'々' || c == U'ｰ';
}

QString tr(const char *text)
{
    return QCoreApplication::translate("VoiceChoice", text);
}

} // namespace

QLocale::Language languageOf(const QString &text)
{
    bool latin = false;
    for (const char32_t c : text.toUcs4()) {
        if (isJapanese(c))
            return QLocale::Japanese;
        if (QChar::isDigit(c) || (QChar::isLetter(c) && QChar::script(c) == QChar::Script_Latin))
            latin = true;
    }
    return latin ? QLocale::English : QLocale::AnyLanguage;
}

std::optional<QLocale> localeFor(const QString &text, const QList<QLocale> &available,
                                 const QLocale &preferred)
{
    const QLocale::Language language = languageOf(text);
    if (language == QLocale::AnyLanguage)
        return std::nullopt;
    if (preferred.language() == language && available.contains(preferred))
        return preferred;
    for (const QLocale &locale : available) {
        if (locale.language() == language)
            return locale;
    }
    return std::nullopt;
}

QString whyNot(const QStringList &installed, const QString &wanted,
               const std::optional<QList<QLocale>> &locales, const QString &text)
{
    if (installed.isEmpty())
        return tr("No speech engine is installed (speech-dispatcher).");
    if (!wanted.isEmpty() && !installed.contains(wanted))
        return tr("The speech engine “%1” is not installed.").arg(wanted);
    if (text.isEmpty())
        return tr("There is no entry to speak.");
    const QLocale::Language language = languageOf(text);
    if (language == QLocale::AnyLanguage)
        return tr("There is no voice for “%1”.").arg(text);
    if (locales && !localeFor(text, *locales, QLocale::c()))
        return language == QLocale::Japanese ? tr("The speech engine has no Japanese voice.")
                                             : tr("The speech engine has no English voice.");
    return QString();
}

} // namespace VoiceChoice
