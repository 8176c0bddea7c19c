#pragma once

// A slow, literal reading of what the user means, against which
// `orvel-cli show` is checked: each rule applied to the whole list of keys
// of a Slow reading, the base forms as a table of rewritings (Japanese ones
// conjugated forward, japanesereading.h), the keys folding alike by
// comparing with every key, suggestions by the textbook distance to every
// single-word key.

#include "commonnessreading.h"
#include "japanesereading.h"
#include "lookup/baseforms.h"
#include "lookup/fold.h"
#include "lookup/romaji.h"
#include "slowreading.h"

#include <QUrl>

#include <algorithm>
#include <vector>

namespace SlowMeaning {

// The optimal string alignment distance on code points: the whole table.
inline int distance(const QList<uint> &a, const QList<uint> &b)
{
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<int>> d(size_t(n + 1), std::vector<int>(size_t(m + 1)));
    for (qsizetype i = 0; i <= n; ++i)
        for (qsizetype j = 0; j <= m; ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = int(i + j);
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[n][m];
}

// The base forms of a key's first word, in their documented order: the
// irregular verbs, then the rewritings of the word's end, each tried on
// its own ("+" undoubles a doubled consonant).
inline QStringList bases(const QString &key)
{
    static const char *const rewritings[][2] = {
        {"S", ""},    {"ES", ""},   {"IES", "Y"}, {"ED", "E"},  {"ED", ""},   {"ED", "+"},
        {"IED", "Y"}, {"ING", "E"}, {"ING", ""},  {"ING", "+"}, {"ER", "E"},  {"ER", ""},
        {"ER", "+"},  {"IER", "Y"}, {"EST", "E"}, {"EST", ""},  {"EST", "+"}, {"IEST", "Y"},
    };
    const qsizetype space = key.indexOf(' ');
    const QString word = space < 0 ? key : key.left(space);
    const QString rest = space < 0 ? QString() : key.mid(space);
    QStringList forms;
    for (const QStringList &row : BaseForms::irregularVerbs() + BaseForms::irregularNouns())
        if (row.mid(1).contains(word.toLower()))
            forms << row.first().toUpper();
    for (const auto &[suffix, ending] : rewritings) {
        if (!word.endsWith(suffix) || word.size() == qsizetype(strlen(suffix)))
            continue;
        QString stem = word.chopped(qsizetype(strlen(suffix)));
        if (QString(ending) == "+") {
            const QChar last = stem.back();
            if (stem.size() < 2 || stem[stem.size() - 2] != last ||
                !QString("BCDFGHJKLMNPQRSTVWXZ").contains(last))
                continue;
            stem.chop(1);
        } else {
            stem += ending;
        }
        if (stem.toUcs4().size() >= 2)
            forms << stem;
    }
    QStringList keys;
    for (const QString &form : forms)
        if (!keys.contains(form + rest))
            keys << form + rest;
    return keys;
}

// Commonness of an Eijiro file: the text after the head and its separator.
inline QHash<QString, qint64> commonness(const Slow &slow)
{
    QList<QStringList> texts;
    for (const QString &line : slow.lines) {
        const Reference::Reading reading = Reference::read(line);
        if (reading.entry)
            texts << SlowCommonness::commonWords(line.mid(1 + reading.head.size() + 3));
    }
    return SlowCommonness::count(texts, slow.keys);
}

// Keys ordered commonest first, then in key order.
inline void rankByCommonness(const QHash<QString, qint64> &counts, QStringList *keys)
{
    std::stable_sort(keys->begin(), keys->end(), [&counts](const QString &a, const QString &b) {
        return counts.value(a) > counts.value(b);
    });
}

struct Expected
{
    QString rule;
    QString shown;
    QString key; // of the page shown
    QString note;
    QStringList suggestions;

    // What `orvel-cli show` prints.
    QString lines() const
    {
        QString out = rule + '\t' + shown + '\n';
        for (const QString &word : suggestions)
            out += "suggest\t" + word + '\n';
        return out;
    }
};

inline bool operator==(const Expected &a, const Expected &b)
{
    return a.rule == b.rule && a.shown == b.shown && a.key == b.key && a.note == b.note &&
           a.suggestions == b.suggestions;
}

// For QCOMPARE's message.
inline char *toString(const Expected &e)
{
    return qstrdup(qPrintable(e.lines() + "key " + e.key + ", note " + e.note));
}

// `singleWords`: as a database made before the list of every entry word.
// `counts`: how common the keys are (commonness()); empty before counting.
inline Expected mean(const Slow &slow, const QString &typed, bool singleWords = false,
                     const QHash<QString, qint64> &counts = {})
{
    const QString text = typed.trimmed();
    const QString key = (text.isEmpty() ? typed : text).toUpper();
    QStringList words, entries;
    for (const QString &k : slow.keys) {
        if (!k.contains(' '))
            words << k;
        if (!singleWords || !k.contains(' '))
            entries << k;
    }
    if (words.contains(key))
        return {"word", text.isEmpty() ? typed : text, key, {}, {}};
    if (text.isEmpty())
        return {"none", {}, {}, {}, {}};
    if (entries.contains(key))
        return {"entry", slow.shown[key], key, {}, {}};
    for (const QString &base : bases(key))
        if (entries.contains(base))
            return {"base",
                    slow.shown[base],
                    base,
                    text + " -> " + slow.shown[base] + " (base form)",
                    {}};
    // The Japanese rules on the text or on its romaji's kana: the key
    // found, or a null string.
    const auto folded = [&](const QString &t) {
        const QString typedFolded = Fold::key(t);
        for (const QString &word : words)
            if (Fold::key(word) == typedFolded)
                return word;
        return QString();
    };
    const auto meant = [&](const char *rule, const QString &found, const char *how) {
        return Expected{
            rule, slow.shown[found], found, text + " -> " + slow.shown[found] + QString(how), {}};
    };
    if (const QString found = folded(text); !found.isNull())
        return meant("fold", found, " (kana or width)");
    if (const QString found = SlowJapanese::base(slow, entries, key); !found.isNull())
        return meant("base", found, " (base form)");
    if (const QString kana = Romaji::toKana(text); !kana.isNull()) {
        if (words.contains(kana.toUpper()))
            return meant("romaji", kana.toUpper(), " (romaji)");
        if (const QString found = folded(kana); !found.isNull())
            return meant("romaji", found, " (romaji, kana or width)");
        if (const QString found = SlowJapanese::base(slow, entries, kana.toUpper());
            !found.isNull())
            return meant("romaji", found, " (romaji, base form)");
    }
    QStringList starting;
    for (const QString &entry : entries)
        if (entry.startsWith(key))
            starting << entry;
    rankByCommonness(counts, &starting);
    const qint64 nearestLines = starting.isEmpty() ? 0 : counts.value(starting.first());
    QStringList typos;
    for (const QString &word : words)
        if (key.toUcs4().size() >= 3 &&
            counts.value(word) >= std::max<qint64>(100, 10 * nearestLines) &&
            distance(key.toUcs4(), word.toUcs4()) == 1)
            typos << word;
    rankByCommonness(counts, &typos);
    if (!typos.isEmpty())
        return {"typo",
                slow.shown[typos.first()],
                typos.first(),
                text + " -> " + slow.shown[typos.first()] + " (did you mean)",
                {}};
    if (!starting.isEmpty())
        return {"nearest",
                slow.shown[starting.first()],
                starting.first(),
                text + "… -> " + slow.shown[starting.first()] + " (nearest entry)",
                {}};
    Expected none{"none", {}, {}, {}, {}};
    const QList<uint> typedKey = key.toUcs4();
    for (int d = 1; d <= 2 && none.suggestions.isEmpty(); ++d) {
        if (typedKey.size() < (d == 1 ? 4 : 7))
            break;
        QStringList near;
        for (const QString &word : words) {
            // No distance is less than the lengths' difference.
            const QList<uint> code = word.toUcs4();
            if (std::abs(code.size() - typedKey.size()) <= d && distance(typedKey, code) == d)
                near << word;
        }
        rankByCommonness(counts, &near);
        for (const QString &word : near.mid(0, 5))
            none.suggestions << slow.shown[word];
    }
    return none;
}

// The page `orvel-cli show --html` prints for `typed`.
inline QString html(const Slow &slow, const Expected &e, const QString &typed)
{
    const QString text = typed.trimmed().isEmpty() ? typed : typed.trimmed();
    if (e.rule == "none") {
        QString page = "<h2>" + Reference::escape(text) + "  is not found.</h2>";
        if (e.suggestions.isEmpty())
            return page;
        page += "<p>Did you mean:</p><ul>";
        for (const QString &word : e.suggestions)
            page += "<li><a href=\"orvel:lookup/" + QUrl::toPercentEncoding(word) + "\">" +
                    Reference::escape(word) + "</a></li>";
        return page + "</ul>";
    }
    const QString note = e.note.isEmpty()
                             ? QString()
                             : "<p style='color:#808080'>" + Reference::escape(e.note) + "</p>";
    return note + slow.page(e.key, e.rule == "word" ? text : slow.shown[e.key]);
}

} // namespace SlowMeaning
