// The line format: reading lines as raw bytes, Shift_JIS decoding, and the
// two readings of an entry line, checked against QRegExp running the
// original patterns.
#include "dictionary/format.h"
#include "fuzz/reference.h"
#include "generator.h"
#include "testutil.h"

#include <QBuffer>
#include <QtTest>

namespace {

const QString M = QString(QChar(0x25A0));

// `prefix`, then `fill` without end, made only as it is read; counts what
// it hands out.
class EndlessDevice : public QIODevice
{
public:
    EndlessDevice(const QByteArray &prefix, char fill) : m_prefix(prefix), m_fill(fill)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 handedOut = 0;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        for (qint64 i = 0; i < max; ++i, ++handedOut)
            data[i] = handedOut < m_prefix.size() ? m_prefix[handedOut] : m_fill;
        return max;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_prefix;
    char m_fill;
};

QString hostileLine(QRandomGenerator &rng)
{
    static const QChar alphabet[] = {
        QChar(0x25A0), QChar(0x25A0), u' ',        u' ',        u' ', u' ', u'\t', QChar(0x3000),
        u':',          u':',          u'{',        u'}',        u'-', u'-', u'\r', u'\n',
        u'a',          u'B',          u'z',        u'&',        u'<', u'>', u'"',  QChar(0x3042),
        QChar(0x6F22), QChar(0xFF21), QChar(0x1A), QChar(0xA0), u'{', u'}', u'a',  u'-'};
    const int n = int(sizeof(alphabet) / sizeof(*alphabet));
    const auto run = [&](int most) {
        QString r;
        const int len = int(rng.bounded(most));
        for (int i = 0; i < len; ++i)
            r += alphabet[rng.bounded(n)];
        return r;
    };
    QString s;
    if (rng.bounded(4) != 0)
        s += QChar(0x25A0);
    if (rng.bounded(3) == 0) {
        // Head with a brace group, separator, body: each part itself hostile.
        s += run(8) + "  {" + run(6) + "}" + (rng.bounded(2) ? " : " : "\t:\u3000") + run(8);
        return s;
    }
    s += run(24);
    // Make the interesting shapes common: a separator, a brace group.
    if (rng.bounded(2))
        s.insert(int(rng.bounded(s.size() + 1)), rng.bounded(2) ? " : " : "\u3000:\t");
    if (rng.bounded(2))
        s.insert(int(rng.bounded(s.size() + 1)), rng.bounded(2) ? "  {v-1}" : "  {a-b-c}");
    if (rng.bounded(3) == 0)
        s += rng.bounded(2) ? "\n" : "\r\n";
    return s;
}

} // namespace

class TestFormat : public QObject
{
    Q_OBJECT

private slots:
    void workedExamples_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("entry");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("indexWord");
        QTest::addColumn<QString>("renderWord");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << M + "run : to move fast" << true << "run"
                               << "run"
                               << "run" << QString() << "RUN";
        QTest::newRow("labelled") << M + "run  {v-1} : to move fast" << true << "run  {v-1}"
                                  << "run"
                                  << "run"
                                  << "v"
                                  << "RUN";
        QTest::newRow("capital") << M + "Run  {n} : a trip" << true << "Run  {n}"
                                 << "Run"
                                 << "Run"
                                 << "n"
                                 << "RUN";
        QTest::newRow("phrase") << M + "run out  {v} : to end" << true << "run out  {v}"
                                << "run out"
                                << "run out"
                                << "v" << QString();
        QTest::newRow("one space") << M + "run {v} : to move" << true << "run {v}"
                                   << "run {v}"
                                   << "run {v}" << QString() << QString();
        QTest::newRow("two hyphens") << M + "run  {a-b-c} : x" << true << "run  {a-b-c}"
                                     << "run"
                                     << "run  {a-b-c}" << QString() << "RUN";
        QTest::newRow("colon in body") << M + "x : y : z" << true << "x : y"
                                       << "x : y"
                                       << "x : y" << QString() << QString();
        QTest::newRow("no marker") << "run : no marker" << false << QString() << QString()
                                   << QString() << QString() << QString();
        QTest::newRow("space before marker") << " " + M + "run : x" << false << QString()
                                             << QString() << QString() << QString() << QString();
        QTest::newRow("bom before marker") << QChar(0xFEFF) + M + "run : x" << false << QString()
                                           << QString() << QString() << QString() << QString();
        QTest::newRow("separator ends in LF") << M + "run :\n"
                                              << true << "run"
                                              << "run" << QString() << QString() << "RUN";
        QTest::newRow("tab and U+3000 stay in key")
            << M + "a\tb\u3000c : x" << true << "a\tb\u3000c"
            << "a\tb\u3000c"
            << "a\tb\u3000c" << QString() << "A\tB\u3000C";
        QTest::newRow("full-width") << M + "\uFF52\uFF55\uFF4E : x" << true << "\uFF52\uFF55\uFF4E"
                                    << "\uFF52\uFF55\uFF4E"
                                    << "\uFF52\uFF55\uFF4E" << QString() << "\uFF32\uFF35\uFF2E";
        QTest::newRow("trailing space") << M + "run  : x" << true << "run "
                                        << "run "
                                        << "run " << QString() << QString();
    }

    void workedExamples()
    {
        QFETCH(QString, line);
        QFETCH(bool, entry);
        QFETCH(QString, head);
        QFETCH(QString, indexWord);
        QFETCH(QString, renderWord);
        QFETCH(QString, label);
        QFETCH(QString, key);

        QCOMPARE(Reference::compare(line), QString());
        Eijiro::IndexerReading in;
        QCOMPARE(Eijiro::readIndexer(line, &in), entry);
        if (!entry)
            return;
        QCOMPARE(in.head, head);
        QCOMPARE(in.entryWord, indexWord);
        QCOMPARE(Eijiro::indexKey(in.entryWord), key);
        QCOMPARE(Eijiro::indexKey(in.entryWord).isNull(), key.isNull());
        Eijiro::RendererReading out;
        const QString escaped = Eijiro::escape(line);
        if (Eijiro::readRenderer(escaped, &out)) {
            QCOMPARE(out.entryWord.toString(), renderWord);
            QCOMPARE(out.label.toString(), label);
        } else {
            QVERIFY(renderWord.isNull()); // nothing left for the body
        }
    }

    void agreesWithQRegExpOnHostileLines()
    {
        QRandomGenerator rng(20261207);
        int entries = 0, keyed = 0, labelled = 0;
        for (int i = 0; i < 200000; ++i) {
            const QString line = hostileLine(rng);
            const QString diff = Reference::compare(line);
            if (!diff.isEmpty()) {
                QString shown;
                for (QChar c : line)
                    shown += QString("U+%1 ").arg(c.unicode(), 4, 16, QChar('0'));
                QFAIL(qPrintable(diff + " differs for: " + shown));
            }
            Eijiro::IndexerReading in;
            if (Eijiro::readIndexer(line, &in)) {
                ++entries;
                keyed += !Eijiro::indexKey(in.entryWord).isNull();
                Eijiro::RendererReading out;
                const QString escaped = Eijiro::escape(line);
                labelled += Eijiro::readRenderer(escaped, &out) && out.hasLabel;
            }
        }
        // The generator must really reach the interesting cases.
        QVERIFY(entries > 50000);
        QVERIFY(keyed > 5000);
        QVERIFY(labelled > 2000);
    }

    void agreesWithQRegExpOnRandomBytes()
    {
        // Raw bytes, including invalid Shift_JIS, decoded as a worker would.
        QRandomGenerator rng(7);
        const char pieces[][4] = {"\x81\xa1", " : ", "  {", "}",  "-",        "\x81\x40", "\x81",
                                  "\xff",     "a",   "\r",  "\n", "\x82\xa0", ":",        "\t"};
        Eijiro::Decoder decoder;
        for (int i = 0; i < 50000; ++i) {
            QByteArray bytes;
            const int n = int(rng.bounded(1, 16));
            for (int k = 0; k < n; ++k)
                bytes += pieces[rng.bounded(int(sizeof(pieces) / sizeof(*pieces)))];
            const QString line = decoder.decode(bytes);
            QCOMPARE(Reference::compare(line), QString());
            // Read raw, as the builder reads it: the same head and word.
            Eijiro::IndexerReading raw, decoded;
            QCOMPARE(Eijiro::readIndexer(bytes, &decoder, &raw),
                     Eijiro::readIndexer(line, &decoded));
            QCOMPARE(raw.entryWord, decoded.entryWord);
        }
    }

    // The seed inputs of the fuzz targets, replayed in every build.
    void fuzzSeedsAgreeWithQRegExp()
    {
        const QDir seeds(qEnvironmentVariable("ORVEL_SOURCE_DIR") + "/fuzz/corpus/line");
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 10);
        Eijiro::Decoder decoder;
        for (const QString &name : names) {
            const QString line = decoder.decode(TestUtil::readBytes(seeds.filePath(name)));
            QVERIFY2(Reference::compare(line).isEmpty(), qPrintable(name));
        }
    }

    void onlyTheMarkerBytesDecodeToTheMarker()
    {
        // The index builder skips decoding lines that do not begin with the
        // marker's two bytes; no other start may decode to the marker.
        Eijiro::Decoder decoder;
        for (int a = 0; a < 256; ++a) {
            QByteArray one(1, char(a));
            QVERIFY(!decoder.decode(one).startsWith(QChar(0x25A0)));
            for (int b = 0; b < 256; ++b) {
                const QByteArray two = one + char(b);
                const bool marker = decoder.decode(two).startsWith(QChar(0x25A0));
                QCOMPARE(marker, a == 0x81 && b == 0xA1);
            }
        }
    }

    // The builder reads raw lines, decoding only the head where the bytes
    // show where it ends: each reading must be the one of the whole line
    // decoded, whatever bytes stand beside the separator, in the head or
    // after it.
    void readsRawLinesAsTheirDecodedText()
    {
        Eijiro::Decoder decoder;
        const auto differs = [&](const QByteArray &bytes) {
            Eijiro::IndexerReading raw, decoded;
            const bool rawEntry = Eijiro::readIndexer(bytes, &decoder, &raw);
            const bool entry = Eijiro::readIndexer(decoder.decode(bytes), &decoded);
            return rawEntry != entry ||
                   (entry && (raw.head != decoded.head || raw.entryWord != decoded.entryWord));
        };
        const QByteArray marker = "\x81\xa1";
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                const QByteArray pair = QByteArray(1, char(a)) + char(b);
                for (const QByteArray &line :
                     {marker + "w" + pair + " : x" + pair + "\n", marker + pair + " : z\r\n",
                      marker + "w" + char(a) + " : " + char(b) + ":" + pair + " y\n",
                      pair + " : " + pair}) {
                    if (differs(line))
                        QFAIL(qPrintable("differs for bytes " + line.toHex(' ')));
                }
            }
        }
    }

    // The decoder reads ICU's mapping into tables: every line must still
    // decode exactly as ICU decodes it, invalid and unmapped bytes
    // included, whatever stands before and after them.
    void decodesEveryLineAsIcuDoes()
    {
        QStringDecoder icu("Shift_JIS", QStringConverter::Flag::Stateless);
        QVERIFY(icu.isValid());
        const auto byIcu = [&icu](QByteArrayView bytes) {
            icu.resetState();
            return QString(icu.decode(bytes));
        };
        Eijiro::Decoder decoder;
        const auto check = [&](const QByteArray &bytes) {
            if (decoder.decode(bytes) != byIcu(bytes))
                QFAIL(qPrintable("differs for bytes " + bytes.toHex(' ')));
        };
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                const QByteArray pair = QByteArray(1, char(a)) + char(b);
                for (const QByteArray &line : {pair, "\x82\xa0" + pair + "\r\n",
                                               pair + pair.left(1), "a" + pair + "\x81\x40\n"})
                    check(line);
            }
        }
        // Lines of mostly valid text with a few stray bytes in them.
        QRandomGenerator rng(20261207);
        for (int i = 0; i < 20000; ++i) {
            QByteArray line;
            const int n = int(rng.bounded(1, 40));
            for (int k = 0; k < n; ++k) {
                const quint32 kind = rng.bounded(10);
                if (kind < 4)
                    line += char(rng.bounded(0x20, 0x7F));
                else if (kind < 8)
                    line += QByteArray(1, char(rng.bounded(0x81, 0xA0))) +
                            char(rng.bounded(0x40, 0xFD));
                else if (kind < 9)
                    line += QByteArray(1, char(rng.bounded(0xE0, 0xFD))) +
                            char(rng.bounded(0x40, 0xFD));
                else
                    line += char(rng.bounded(256));
            }
            check(line);
        }
    }

    void decodesCp932Extensions()
    {
        Eijiro::Decoder decoder;
        QVERIFY(decoder.isValid());
        // ① ∫ (NEC special characters), 髙 﨑 (IBM extension kanji), ■, ～.
        QCOMPARE(decoder.decode("\x87\x40\x81\xe7\xfb\xfc\xfa\xb1\x81\xa1"),
                 QString::fromUtf8("①∫髙﨑■"));
        QCOMPARE(Generator::toShiftJis(QString::fromUtf8("①∫髙﨑■あ漢")),
                 QByteArray("\x87\x40\x81\xe7\xfb\xfc\xfa\xb1\x81\xa1\x82\xa0\x8a\xbf"));
        // Each line is decoded on its own: a dangling lead byte does not
        // swallow the next line's first byte.
        decoder.decode("\x81");
        QCOMPARE(decoder.decode("\xa1"), QString(QChar(0xFF61)));
        // Invalid bytes never eat the ASCII separator after them.
        QVERIFY(decoder.decode("\x81 : x").endsWith(" : x"));
    }

    void readsLinesWithExactOffsets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("buffer");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("LF") << QByteArray("a\nbb\n\nccc\n") << 4
                            << QList<QByteArray>{"a\n", "bb\n", "\n", "ccc\n"};
        QTest::newRow("CRLF") << QByteArray("a\r\nbb\r\n") << 3
                              << QList<QByteArray>{"a\r\n", "bb\r\n"};
        QTest::newRow("no final LF")
            << QByteArray("a\nlast") << 1024 << QList<QByteArray>{"a\n", "last"};
        QTest::newRow("empty") << QByteArray() << 16 << QList<QByteArray>{};
        QTest::newRow("line longer than buffer")
            << QByteArray(10000, 'x') + "\n" + "y" << 7
            << QList<QByteArray>{QByteArray(10000, 'x') + "\n", "y"};
        QTest::newRow("lone CR is not an end")
            << QByteArray("a\rb\n") << 2 << QList<QByteArray>{"a\rb\n"};
    }

    void readsLinesWithExactOffsets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, buffer);
        QFETCH(QList<QByteArray>, lines);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        Eijiro::LineReader reader(&device, buffer);
        qint64 offset = 0;
        for (const QByteArray &expected : lines) {
            QVERIFY(!reader.atEnd());
            QCOMPARE(reader.offset(), offset);
            QCOMPARE(reader.readLine(), expected);
            offset += expected.size();
        }
        QVERIFY(reader.atEnd());
        QCOMPARE(reader.readLine(), QByteArray());
        QCOMPARE(reader.offset(), qint64(bytes.size()));
        QVERIFY(!reader.failed());
    }

    void chunkCheckEndsReadingWithoutHoldingTheLine_data()
    {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<char>("fill");
        QTest::addColumn<int>("chunksAllowed");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<qint64>("handedOut");
        QTest::newRow("endless zeros")
            << QByteArray() << '\0' << 1000 << QList<QByteArray>{} << qint64(4);
        QTest::newRow("a stop inside an endless line")
            << QByteArray() << 'a' << 3 << QList<QByteArray>{} << qint64(16);
        QTest::newRow("lines before the refused chunk")
            << QByteArray("ab\ncd\n") << '\0' << 1000 << QList<QByteArray>{"ab\n"} << qint64(8);
    }

    void chunkCheckEndsReadingWithoutHoldingTheLine()
    {
        QFETCH(QByteArray, prefix);
        QFETCH(char, fill);
        QFETCH(int, chunksAllowed);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(qint64, handedOut);
        EndlessDevice device(prefix, fill);
        Eijiro::LineReader reader(&device, 4);
        qint64 next = 0;
        int chunks = 0;
        bool inOrder = true;
        reader.setChunkCheck([&](qint64 offset, QByteArrayView bytes) {
            inOrder = inOrder && offset == next;
            next += bytes.size();
            return !bytes.contains('\0') && ++chunks <= chunksAllowed;
        });
        QList<QByteArray> read;
        while (!reader.atEnd())
            read << reader.readLine();
        read.removeAll(QByteArray()); // the abandoned line
        QCOMPARE(read, lines);
        QCOMPARE(device.handedOut, handedOut);
        QVERIFY(inOrder);
        QVERIFY(reader.stopped());
        QVERIFY(!reader.failed());
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
