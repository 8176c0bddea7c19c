#pragma once

// Commonness, literally: for each key, the lines whose translation holds
// the key's words one after another. Words: maximal runs of letters (not
// of Japanese script), digits and apostrophes, upper-cased.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace SlowCommonness {

inline QStringList commonWords(const QString &text)
{
    const auto japanese = [](char32_t c) {
        const QChar::Script script = QChar::script(c);
        return (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF66 && c <= 0xFF9F) ||
               script == QChar::Script_Han || script == QChar::Script_Hiragana ||
               script == QChar::Script_Katakana;
    };
    QStringList words;
    QString word;
    for (const char32_t c : text.toUcs4()) {
        if (c == '\'' || c == 0x2019 ||
            ((QChar::isLetter(c) || QChar::isDigit(c)) && !japanese(c))) {
            word += QString::fromUcs4(&c, 1);
        } else if (!word.isEmpty()) {
            words << word.toUpper();
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word.toUpper();
    return words;
}

// `texts`: each line's translation split by commonWords(). Keys no line
// holds are left out.
inline QHash<QString, qint64> count(const QList<QStringList> &texts, const QStringList &keys)
{
    // Only the lines that hold a key's first word can hold the key.
    QHash<QString, QList<qsizetype>> holding;
    for (qsizetype i = 0; i < texts.size(); ++i)
        for (const QString &word : texts[i])
            if (holding[word].isEmpty() || holding[word].last() != i)
                holding[word] << i;
    QHash<QString, qint64> counts;
    for (const QString &key : keys) {
        const QStringList words = commonWords(key);
        if (words.isEmpty())
            continue;
        qint64 lines = 0;
        for (const qsizetype line : holding.value(words.first())) {
            const QStringList &text = texts[line];
            for (qsizetype i = 0; i + words.size() <= text.size(); ++i) {
                if (text.mid(i, words.size()) == words) {
                    ++lines;
                    break;
                }
            }
        }
        if (lines > 0)
            counts.insert(key, lines);
    }
    return counts;
}

} // namespace SlowCommonness
