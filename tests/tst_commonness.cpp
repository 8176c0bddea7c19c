// Commonness over several dictionaries: a key's count adds up the lines of
// every dictionary switched on, so the nearest entry and the typo are those
// of the dictionaries on as a whole, against a slow reading.
#include "database/dictionaryremoval.h"
#include "database/dictionarysettings.h"
#include "database/indexreader.h"
#include "dictionary/commonnesscount.h"
#include "lookup/searchthread.h"
#include "meaningreading.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

const QString M = QString(QChar(0x25A0));

// A dictionary as written: its keys (upper-cased) and each entry line's
// translation.
struct Made
{
    QStringList keys;
    QStringList texts;
    QByteArray bytes;
};

// Words of few letters, so that many share a prefix; none ends in a
// letter an English ending or a romaji reading would take.
QStringList vocabulary()
{
    QRandomGenerator random(7);
    const QString consonants = "bkmnptz", vowels = "aiou";
    QStringList words;
    while (words.size() < 500) {
        QString word;
        for (int n = 2 + random.bounded(2); n > 0; --n)
            word += QString(consonants[random.bounded(7)]) + vowels[random.bounded(4)];
        if (!words.contains(word))
            words << word;
    }
    return words;
}

// Dictionary `seed`: a share of the words (and phrases of two) as keys,
// each with a line or two whose translation draws words, the first ones
// far more often; and Japanese keys, whose lines count for the others.
Made make(int seed, const QStringList &words)
{
    QRandomGenerator random(quint32(100 + seed));
    const auto drawn = [&] {
        const double u = random.generateDouble();
        return words[qsizetype(std::pow(u, 4) * double(words.size()))];
    };
    const auto text = [&] {
        QStringList picked;
        for (int n = 3 + random.bounded(5); n > 0; --n)
            picked << drawn();
        return picked.join(random.bounded(3) == 0 ? ", " : " ");
    };
    Made made;
    QStringList lines;
    for (const QString &word : words) {
        // The commonest few are keys of each; the rest of some.
        if (random.bounded(10) < 4 && words.indexOf(word) >= 3)
            continue;
        QString key = word;
        if (random.bounded(8) == 0)
            key += ' ' + drawn();
        for (int n = 1 + random.bounded(2); n > 0; --n) {
            made.texts << text();
            lines << M + key + " : " + made.texts.last();
        }
        made.keys << key.toUpper();
    }
    // Under "G", six keys of each dictionary common in its own lines only,
    // and one of the first dictionary a little less common in each: the
    // commonest of them all, which no dictionary's own ranking puts first;
    // and forty keys in a line each, so that many keys share "G".
    const auto own = [seed](int i) {
        return QString("g%1%2").arg(QChar('a' + seed), QChar('a' + i));
    };
    for (int i = 0; i < 6; ++i)
        made.keys << own(i).toUpper();
    if (seed == 1)
        made.keys << "GUMU";
    for (int i = 0; i < 40; ++i)
        made.keys << QString("GZ%1%2").arg(QChar('A' + i / 6), QChar('A' + i % 6));
    for (int i = 0; i < 500; ++i) {
        made.texts << text();
        if (i < 180)
            made.texts.last() += ' ' + own(i % 6);
        else if (i < 209)
            made.texts.last() += " gumu";
        else if (i < 249)
            made.texts.last() +=
                QString(" gz%1%2").arg(QChar('a' + (i - 209) / 6), QChar('a' + (i - 209) % 6));
        lines << M + QString(QChar(0x4E00 + seed * 600 + i)) + " : " + made.texts.last();
    }
    for (const QString &key : made.keys.mid(made.keys.indexOf(own(0).toUpper())))
        lines << M + key.toLower() + " : " + QString(QChar(0x4E00 + seed * 600 + 550));
    std::sort(lines.begin(), lines.end(),
              [](const QString &a, const QString &b) { return a.toUpper() < b.toUpper(); });
    made.keys.removeDuplicates();
    made.bytes = lines.join('\n').toUtf8() + '\n';
    return made;
}

bool codePointLess(const QString &a, const QString &b)
{
    return a.toUcs4() < b.toUcs4();
}

} // namespace

class TestCommonness : public QObject
{
    Q_OBJECT

    QString dir;
    QStringList words;
    QList<Made> made;

    // Installs dictionary `which`; `stop`: stopped once usable, before its
    // words were counted.
    bool add(int which, bool stop = false)
    {
        const QString file =
            TestUtil::writeBytes(dir + QString("/%1.txt").arg(which), made[which - 1].bytes);
        return TestUtil::build(file, [stop](const QList<int> &progress) {
                   return stop && progress.last() == 100;
               }).outcome == ConvertThread::Committed;
    }

private slots:
    void initTestCase()
    {
        dir = TestUtil::makeDir("commonness");
        words = vocabulary();
        for (int seed = 1; seed <= 3; ++seed)
            made << make(seed, words);
    }

    void theDictionariesOnRankAsOne_data()
    {
        QTest::addColumn<QList<int>>("installed");
        QTest::addColumn<QList<int>>("off");
        QTest::addColumn<int>("removed");
        // The id whose install was stopped once it was usable, before its
        // words were counted: the next install catches up.
        QTest::addColumn<int>("uncounted");
        QTest::newRow("two") << QList<int>{1, 2} << QList<int>{} << 0 << 0;
        QTest::newRow("three") << QList<int>{1, 2, 3} << QList<int>{} << 0 << 0;
        QTest::newRow("three, the first off") << QList<int>{1, 2, 3} << QList<int>{1} << 0 << 0;
        QTest::newRow("three, the middle off") << QList<int>{1, 2, 3} << QList<int>{2} << 0 << 0;
        QTest::newRow("three, one on") << QList<int>{1, 2, 3} << QList<int>{1, 3} << 0 << 0;
        QTest::newRow("three, one removed") << QList<int>{1, 2, 3} << QList<int>{} << 2 << 0;
        QTest::newRow("installed in another order") << QList<int>{3, 1} << QList<int>{} << 0 << 0;
        QTest::newRow("three, the middle one's count stopped")
            << QList<int>{1, 2, 3} << QList<int>{} << 0 << 2;
        QTest::newRow("three, the first one's count stopped")
            << QList<int>{2, 3, 1} << QList<int>{3} << 0 << 1;
    }

    void theDictionariesOnRankAsOne()
    {
        QFETCH(QList<int>, installed);
        QFETCH(QList<int>, off);
        QFETCH(int, removed);
        QFETCH(int, uncounted);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/" + QTest::currentDataTag() + ".db"));
        QList<int> on; // which of `made` each id is, for those switched on
        for (qsizetype i = 0; i < installed.size(); ++i) {
            const int which = installed[i], id = int(i) + 1;
            QVERIFY(add(which, id == uncounted));
            if (off.contains(id))
                QVERIFY(DictionarySettings().setEnabled(id, false));
            else if (id != removed)
                on << which;
        }
        if (removed)
            QVERIFY(DictionaryRemoval(QSqlDatabase::database()).remove(removed));

        // The slow reading: every key of those on, counted in their lines.
        QStringList keys;
        for (const int which : std::as_const(on))
            keys += made[which - 1].keys;
        std::sort(keys.begin(), keys.end(), codePointLess);
        keys.removeDuplicates();
        QList<QStringList> lines;
        for (const int which : std::as_const(on))
            for (const QString &text : made[which - 1].texts)
                lines << SlowCommonness::commonWords(text);
        const QHash<QString, qint64> total = SlowCommonness::count(lines, keys);
        const auto ranked = [&](QStringList list) {
            SlowMeaning::rankByCommonness(total, &list);
            return list;
        };

        // Every prefix of a word of one, two and three letters, and words
        // one edit from the commonest words.
        QStringList texts = {"g", "gu", "gz", "gum"};
        for (const QString &word : std::as_const(words))
            texts << word.left(1) << word.left(2) << word.left(3);
        const QStringList common = ranked(words.first(60).join('\n').toUpper().split('\n'));
        for (const QString &upper : common.first(20)) {
            const QString w = upper.toLower();
            texts << w.mid(1) << w.left(2) + "k" + w.mid(2) << QString(w.at(1)) + w.at(0) + w.mid(2)
                  << QString(w).replace(1, 1, w.at(1) == 'a' ? "o" : "a");
        }
        texts.removeDuplicates();
        int typos = 0, nearest = 0;
        for (const QString &text : std::as_const(texts)) {
            const QString key = text.toUpper();
            if (std::binary_search(keys.begin(), keys.end(), key, codePointLess))
                continue; // its own page
            QStringList starting, meant;
            for (const QString &k : std::as_const(keys))
                if (k.startsWith(key))
                    starting << k;
            starting = ranked(starting);
            const qint64 least =
                std::max<qint64>(100, 10 * (starting.isEmpty() ? 0 : total[starting.first()]));
            for (const QString &k : std::as_const(keys))
                if (key.size() >= 3 && !k.contains(' ') && total.value(k) >= least &&
                    SlowMeaning::distance(key.toUcs4(), k.toUcs4()) == 1)
                    meant << k;
            meant = ranked(meant);
            typos += !meant.isEmpty();
            nearest += meant.isEmpty() && !starting.isEmpty();
            const QString expected = QString(!meant.isEmpty()      ? "typo\t" + meant.first()
                                             : !starting.isEmpty() ? "nearest\t" + starting.first()
                                                                   : "none\t")
                                         .toLower();
            Page page;
            Meaning meaning;
            SearchThread::findWhatIMean(text, &page, &meaning);
            const char *const names[] = {"word",   "entry", "base",    "fold",
                                         "romaji", "typo",  "nearest", "none"};
            QCOMPARE(QString(names[meaning.rule]) + '\t' + meaning.key.toLower(), expected);
            // The command line shows the same, the word as its line spells it.
            if (typos + nearest <= 2) {
                const TestUtil::Run shown = TestUtil::cli(
                    {"--database", dir + "/" + QTest::currentDataTag() + ".db", "show", text});
                QCOMPARE(shown.out.section('\n', 0, 0), expected);
            }
        }
        // The rows reach both rules.
        QVERIFY(typos > 0);
        QVERIFY(nearest > 100);
    }

    // Each dictionary's kept commonest keys of a prefix decide only when
    // their best beats what a key left out of every list can reach, the
    // last kept counts added up: here ZQ40, in no list, is the commonest.
    void aKeyLeftOutOfEveryListCanBeTheCommonest()
    {
        QVERIFY(TestUtil::openFreshDatabase(dir + "/left-out.db"));
        const auto write = [&](const QString &name, const QHash<int, int> &counts) {
            QStringList lines;
            int filler = 0;
            for (int n = 1; n <= 40; ++n) {
                const QString key = QString("zq%1").arg(n, 2, 10, QChar('0'));
                lines << M + key + " : x";
                for (int c = counts.value(n, 1); c > 0; --c)
                    lines << M + QString("f%1 : %2").arg(++filler, 3, 10, QChar('0')).arg(key);
            }
            lines.sort();
            return TestUtil::writeDictionary(dir + "/" + name, lines);
        };
        QHash<int, int> a{{1, 10}, {40, 6}}, b{{40, 6}};
        for (int n = 2; n <= 6; ++n) // each list: six keys above ZQ40's 6
            a[n] = 7;
        for (int n = 11; n <= 16; ++n)
            b[n] = 7;
        QCOMPARE(TestUtil::install(write("a.txt", a)), int(ConvertThread::Committed));
        QCOMPARE(TestUtil::install(write("b.txt", b)), int(ConvertThread::Committed));
        Page page;
        Meaning meaning;
        SearchThread::findWhatIMean("zq", &page, &meaning);
        QCOMPARE(meaning.rule, Meaning::Nearest);
        QCOMPARE(meaning.key, QString("ZQ40"));
    }

    // What an install beside others merges into their counts: each
    // dictionary's rows and ranked rows equal those of counting its lines
    // against every key anew. Steps: "+N" installs dictionary N ("+N!"
    // stopped once usable, before counting), "-I" removes id I, "~" makes
    // the counts look stored before their sources were recorded, "*I"
    // counts dictionary 1 again, removing id I at its first line: the count
    // starts again, so that no key is given another key's count.
    void mergedCountsEqualAWholeCount_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("three") << QStringList{"+1", "+2", "+3"};
        QTest::newRow("a count stopped") << QStringList{"+1", "+2!", "+3"};
        QTest::newRow("an id taken again by a count stopped")
            << QStringList{"+1", "+2", "+3", "-2", "+2!", "-3", "+3"};
        QTest::newRow("counts without sources") << QStringList{"+1", "+2!", "~", "+3"};
        QTest::newRow("a removal while counting")
            << QStringList{"+1", "+2", "+3", "*2", "-3", "+3"};
    }

    void mergedCountsEqualAWholeCount()
    {
        QFETCH(QStringList, steps);
        QVERIFY(TestUtil::openFreshDatabase(dir + "/merged-" + QTest::currentDataTag() + ".db"));
        const std::atomic_bool canceled{false};
        QString error;
        for (const QString &step : std::as_const(steps)) {
            const int n = step.mid(1, 1).toInt();
            if (step == "~") {
                QVERIFY(QSqlQuery().exec("DROP TABLE t_common_source"));
            } else if (step.startsWith('-')) {
                QVERIFY(DictionaryRemoval(QSqlDatabase::database()).remove(n));
            } else if (step.startsWith('*')) {
                bool removed = false;
                const auto removing = [&](const QString &line, CommonnessCounter &counter) {
                    if (!std::exchange(removed, true))
                        QVERIFY(DictionaryRemoval(QSqlDatabase::database()).remove(n));
                    CommonnessCount::countEijiroLine(line, counter);
                };
                QCOMPARE(CommonnessCount::count(1, dir + "/1.txt", Eijiro::Encoding::Utf8, canceled,
                                                &error, removing),
                         CommonnessCount::Result::Stored);
                QVERIFY(removed);
            } else {
                QVERIFY(add(n, step.endsWith('!')));
            }
        }
        QList<Records::Installed> installed;
        QCOMPARE(IndexReader().dictionaries(&installed), Records::Answer::Found);
        for (const Records::Installed &dictionary : std::as_const(installed)) {
            const QString id = QString::number(dictionary.id);
            const auto stored = [&id] {
                return TestUtil::pairs(
                           "SELECT key, lines || ' ' || marked FROM t_common WHERE id = " + id +
                           " ORDER BY key") +
                       TestUtil::pairs("SELECT prefix, ranked FROM t_common_ranked WHERE id = " +
                                       id + " ORDER BY prefix");
            };
            const QStringList merged = stored();
            QCOMPARE(CommonnessCount::count(dictionary.id, dictionary.location,
                                            Eijiro::Encoding::Utf8, canceled, &error),
                     CommonnessCount::Result::Stored);
            QVERIFY(merged.size() > 100);
            QCOMPARE(merged, stored());
        }
    }
};

QTEST_MAIN(TestCommonness)
#include "tst_commonness.moc"
