#pragma once

// What the tests of look-ups share: a small dictionary, words typed to
// break a look-up, and a look-up with the page it delivers.
#include "dictionary/convertthread.h"
#include "dictionary/format.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "testutil.h"

#include <QString>
#include <QStringList>
#include <QTest>

namespace LookUpFixture {

inline const QString M = QString(Eijiro::marker);

// Keyed lines, a phrase, a line that is no entry line.
inline const QStringList sample = {
    M + "apple : りんご",   M + "run  {自動-1} : 走る", M + "run  {自動-2} : 経営する■・run a shop",
    M + "run out : 尽きる", "not an entry line",        M + "tail : 尾",
};

// Words no look-up may trip over, as the rows of a data-driven test (column
// "word"). None is in the sample.
inline void addHostileWords()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("100,000 letters") << QString(100000, 'a');
    QTest::newRow("run 40,000 times") << QString("run").repeated(40000);
    QTest::newRow("NUL first") << QString(QChar(0)) + "run";
    QTest::newRow("NUL last") << "run" + QString(QChar(0));
    QTest::newRow("control characters") << QString::fromUtf16(u"\x01\x02\x1b[31m\x7f\x9f");
    QTest::newRow("markup") << QString("<b>&amp;\"'</b>");
    QTest::newRow("placeholders") << QString("%1 %2 %L1");
    QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + "run" + QChar(0xDC00);
    QTest::newRow("line feed") << QString("run\n");
    QTest::newRow("ideographic space") << QString("\u3000run");
    QTest::newRow("1,000 markers") << QString(1000, Eijiro::marker);
}

struct LookUp
{
    SearchThread::Status status;
    Page model;
    // The model as finished(QString) delivers it.
    QString page;
    QString error;
};

inline LookUp lookUp(const QString &word)
{
    LookUp r;
    r.status = SearchThread::lookUp(word, &r.model, &r.error);
    r.page = PageHtml::write(r.model);
    return r;
}

// A fresh default connection on `dir`/`name`.db with `lines` installed from
// `dir`/`name`.txt; returns the dictionary file.
inline QString installed(const QString &dir, const QString &name, const QStringList &lines = sample)
{
    [&] { QVERIFY(TestUtil::openFreshDatabase(dir + "/" + name + ".db")); }();
    const QString file = TestUtil::writeDictionary(dir + "/" + name + ".txt", lines);
    [&] { QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed)); }();
    return file;
}

} // namespace LookUpFixture
