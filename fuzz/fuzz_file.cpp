// Fuzz target: arbitrary bytes as a whole dictionary file.
//
// 1. The line reader, with a tiny buffer, gives back exactly the file's
//    lines with the right offsets.
// 2. The index builder runs to its end on the file. A file in UTF-16 (its
//    byte-order mark first), with a NUL byte, with line ends of CR alone, in
//    UTF-8 (a byte-order mark, or its first run of non-ASCII bytes UTF-8)
//    but not throughout, or without any entry line is refused and nothing is
//    written; any other file is committed, with the rows and the entry-line
//    count of the slow reading (QIODevice::readLine, each line decoded on
//    its own in the file's encoding, and QRegExp), and every row's key is the
//    key of the line at its offset; the list of entry words holds each
//    distinct entry word's key once, with the offset of its first line.
// 3. The renderer over all lines gives a well-formed page with one item per
//    entry line and one line break per sub-item mark; highlighting changes
//    nothing but the marked text.
// 4. A look-up of a word from the file gives the page of the 128 lines at
//    the word's first row, well-formed, never a failure; so does the look-up
//    of the first entry word (a phrase or not) as an entry of the list, from
//    its first line, rendered for that line's entry word.
// Any fault aborts with a description.
#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "dictionary/dictionaryformat.h"
#include "dictionary/format.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "lookup/searchthread.h"
#include "pagecheck.h"
#include "reference.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir *scratch = nullptr;
QString dictionaryPath;

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "FAULT: %s\n", qPrintable(what));
    std::abort();
}

void exec(const QString &sql)
{
    QSqlQuery query;
    if (!query.exec(sql))
        fail("cannot run " + sql);
}

void checkLineReader(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    const qint64 buffer = bytes.isEmpty() ? 1 : 1 + quint8(bytes.at(0)) % 7;
    Eijiro::LineReader reader(&device, buffer);
    qint64 offset = 0;
    while (!reader.atEnd()) {
        if (reader.offset() != offset)
            fail("line reader: wrong offset");
        const QByteArray line = reader.readLine();
        const qsizetype lf = line.indexOf('\n');
        if (line.isEmpty() || line != bytes.mid(offset, line.size()))
            fail("line reader: wrong bytes");
        if (lf >= 0 && lf != line.size() - 1)
            fail("line reader: a line runs past its LF");
        if (lf < 0 && offset + line.size() != bytes.size())
            fail("line reader: a line without LF before the end");
        offset += line.size();
    }
    if (offset != bytes.size() || !reader.readLine().isEmpty() || reader.failed())
        fail("line reader: wrong end");
}

struct Line
{
    qint64 offset;
    QByteArray bytes;
    QString text;
    Reference::Reading reading;
};

const QByteArray byteOrderMark("\xEF\xBB\xBF");

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text)
    return !decoder.hasError();
}

// Whether the builder reads `bytes` as UTF-8: after a byte-order mark, or
// when the first run of bytes that are not ASCII is UTF-8 on its own.
bool readAsUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith(byteOrderMark))
        return true;
    const auto notAscii = [](char c) { return quint8(c) >= 0x80; };
    const auto from = std::find_if(bytes.begin(), bytes.end(), notAscii);
    const auto to = std::find_if_not(from, bytes.end(), notAscii);
    return from != bytes.end() && isUtf8(QByteArray(from, to - from));
}

// The slow reading of the whole file, one line at a time; a UTF-8 line
// without the byte-order marks it starts with.
QList<Line> slowLines(const QString &path, bool utf8)
{
    QList<Line> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot reopen the dictionary");
    qint64 offset = 0;
    while (!file.atEnd()) {
        Line line;
        line.offset = offset;
        line.bytes = file.readLine();
        QByteArray text = line.bytes;
        while (utf8 && text.startsWith(byteOrderMark))
            text.remove(0, byteOrderMark.size());
        QStringDecoder decoder(utf8 ? "UTF-8" : "Shift_JIS", QStringConverter::Flag::Stateless);
        line.text = decoder.decode(text);
        line.reading = Reference::read(line.text);
        offset += line.bytes.size();
        lines << line;
    }
    return lines;
}

Page render(const QString &word, const QList<Line> &lines, qsizetype from, qsizetype count)
{
    ResultRenderer renderer(word);
    for (qsizetype i = from; i < lines.size() && i < from + count; ++i)
        renderer.renderLine(lines[i].text);
    return renderer.finish();
}

void checkRenderer(const QList<Line> &lines, const QString &word)
{
    int entries = 0, marks = 0;
    for (const Line &line : lines) {
        if (line.reading.rEntry) {
            ++entries;
            marks += int(line.reading.rBody.count(Eijiro::marker));
        }
    }
    const Page model = render(word, lines, 0, lines.size());
    const QString page = PageHtml::write(model);
    PageCheck::Shape shape;
    const QString fault = PageCheck::check(model, word, &shape);
    if (!fault.isEmpty())
        fail("renderer: " + fault + "\n  page: " + page);
    if (shape.found != (entries > 0) || (shape.found && shape.items != entries))
        fail(QStringLiteral("renderer: %1 items for %2 entry lines").arg(shape.items).arg(entries));
    if (shape.found && shape.breaks != marks)
        fail(QStringLiteral("renderer: %1 line breaks for %2 marks").arg(shape.breaks).arg(marks));
    if (!shape.found)
        return;

    // Without a word nothing is marked; with one, the marks stand for text of
    // the heading that equals the word but for letter case.
    const QString plain = PageHtml::write(render(QString(), lines, 0, lines.size()));
    QString unmarked = page;
    const QString escaped = Eijiro::escape(word);
    unmarked.replace("<span style='color:#C00000'>" + escaped + "</span>", escaped);
    if (unmarked.compare(plain, Qt::CaseInsensitive) != 0)
        fail("renderer: highlighting changed more than the marked text");
}

// Each distinct entry word's key once, with its first line's offset, in
// code point order.
void checkEntries(const QList<Line> &lines)
{
    QStringList expected;
    QSet<QString> seen;
    for (const Line &line : lines) {
        const QString key = line.reading.entryWord.toUpper();
        if (line.reading.entry && !seen.contains(key)) {
            seen.insert(key);
            expected << key + QLatin1Char('\0') + QString::number(line.offset);
        }
    }
    std::sort(expected.begin(), expected.end(),
              [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    QStringList stored;
    QSqlQuery rows("SELECT key, position FROM t_entry WHERE id = 1 ORDER BY key");
    while (rows.next())
        stored << rows.value(0).toString() + QLatin1Char('\0') + rows.value(1).toString();
    if (stored != expected)
        fail("builder: the list of entry words differs from the slow reading\n  stored:   " +
             stored.join(' ') + "\n  expected: " + expected.join(' '));
}

void checkIndex(const QByteArray &bytes, const QList<Line> &lines, const ConvertThread &builder)
{
    const ConvertThread::Outcome outcome = builder.outcome();
    QStringList expected;
    int count = 0;
    for (const Line &line : lines) {
        if (!line.reading.entry)
            continue;
        ++count;
        if (!line.reading.key.isNull())
            expected << QString::number(line.offset) + ":" + line.reading.key;
    }
    // Refused as a whole, in the order the builder looks at a chunk (a
    // fuzzed file is one): UTF-16, binary data anywhere, line ends of CR
    // alone (a CR but no LF in the first MiB), UTF-8 not throughout, or not
    // one entry line.
    const QByteArray first = bytes.left(1 << 20);
    const bool crOnly = !first.contains('\n') && first.contains('\r');
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    const bool utf8 = readAsUtf8(bytes);
    const ConvertThread::Outcome refusal = utf16                    ? ConvertThread::Utf16
                                           : bytes.contains('\0')   ? ConvertThread::NotText
                                           : crOnly                 ? ConvertThread::CrLineEnds
                                           : utf8 && !isUtf8(bytes) ? ConvertThread::NotUtf8
                                           : count == 0             ? ConvertThread::NoEntryLines
                                                                    : ConvertThread::Committed;
    if (refusal != ConvertThread::Committed) {
        if (outcome != refusal)
            fail(QStringLiteral("builder: outcome %1 for a file to refuse with %2")
                     .arg(outcome)
                     .arg(refusal));
        if (!builder.errorString().startsWith(dictionaryPath + " "))
            fail("builder: the reason does not name the file: " + builder.errorString());
        QSqlQuery rows("SELECT (SELECT COUNT(*) FROM t_word) + (SELECT COUNT(*) FROM t_dictionary) "
                       "+ (SELECT COUNT(*) FROM t_entry)");
        if (!rows.next() || rows.value(0).toInt() != 0)
            fail("builder: rows left behind by a refused file");
        return;
    }
    if (outcome != ConvertThread::Committed)
        fail(QStringLiteral("builder: outcome %1 for a dictionary").arg(outcome));

    QSqlQuery dictionary("SELECT count, location, encoding FROM t_dictionary WHERE id = 1");
    if (!dictionary.next() || dictionary.value(0).toInt() != count ||
        dictionary.value(1).toString() != dictionaryPath ||
        dictionary.value(2).toString() != (utf8 ? "UTF-8" : ""))
        fail(QStringLiteral("builder: wrong t_dictionary row (expected count %1)").arg(count));

    QStringList stored;
    QSqlQuery rows("SELECT position, name FROM t_word WHERE id = 1 ORDER BY position");
    Eijiro::Decoder decoder(utf8 ? Eijiro::Encoding::Utf8 : Eijiro::Encoding::ShiftJis);
    while (rows.next()) {
        const qint64 offset = rows.value(0).toLongLong();
        const QString key = rows.value(1).toString();
        stored << QString::number(offset) + ":" + key;
        // The line at the stored offset, read back, gives the stored key.
        qsizetype end = bytes.indexOf('\n', offset);
        end = end < 0 ? bytes.size() : end + 1;
        Eijiro::IndexerReading reading;
        const QByteArray line = bytes.mid(offset, end - offset);
        if (offset < 0 || offset >= bytes.size() ||
            !Eijiro::readIndexer(decoder.decode(line), &reading) ||
            Eijiro::indexKey(reading.entryWord) != key)
            fail(QStringLiteral("builder: row %1 does not match its line").arg(stored.last()));
        // What a look-up asks of the line before it shows its page.
        if (!Eijiro::lineHasKey(line, &decoder, key))
            fail(QStringLiteral("builder: the line of row %1 does not have its key")
                     .arg(stored.last()));
    }
    if (stored != expected)
        fail("builder: rows differ from the slow reading\n  stored:   " + stored.join(' ') +
             "\n  expected: " + expected.join(' '));
    checkEntries(lines);
}

void checkLookUp(const QList<Line> &lines, const QString &word)
{
    Page model;
    QString error;
    const SearchThread::Status status = SearchThread::lookUp(word, &model, &error);
    const QString page = PageHtml::write(model);
    if (status == SearchThread::Failed)
        fail("look-up failed: " + error);
    if (status == SearchThread::NoDictionary)
        fail("look-up: no dictionary after a commit");
    const QString key = Eijiro::queryKey(word);
    qsizetype first = -1;
    for (qsizetype i = 0; i < lines.size() && first < 0; ++i) {
        if (lines[i].reading.entry && lines[i].reading.key == key)
            first = i;
    }
    const QString expected =
        first < 0 ? PageCheck::notFoundPage(word)
                  : PageHtml::write(render(word, lines, first, SearchThread::windowLines));
    if (page != expected)
        fail("look-up: wrong page\n  got:      " + page + "\n  expected: " + expected);
    if ((status == SearchThread::Found) != (page != PageCheck::notFoundPage(word)))
        fail("look-up: status does not fit the page");
    const QString fault = PageCheck::check(model, word);
    if (!fault.isEmpty())
        fail("look-up: " + fault);
}

// The page of the first entry word as an entry of the list, asked for in
// lower case where that has the same key.
void checkEntry(const QList<Line> &lines)
{
    qsizetype first = 0;
    while (first < lines.size() && !lines[first].reading.entry)
        ++first;
    if (first == lines.size())
        fail("builder: committed a file without an entry line");
    const QString shown = lines[first].reading.entryWord;
    const QString lower = shown.toLower();
    const QString asked = lower.toUpper() == shown.toUpper() ? lower : shown;
    Page model;
    QString error;
    // Not found only when the window holds no line the renderer takes.
    const SearchThread::Status status = SearchThread::lookUpEntry(asked, &model, &error);
    if (status == SearchThread::Failed || status == SearchThread::NoDictionary)
        fail("entry look-up failed for " + shown + ": " + error);
    const QString expected =
        PageHtml::write(render(shown, lines, first, SearchThread::windowLines));
    if (PageHtml::write(model) != expected)
        fail("entry look-up: wrong page\n  got:      " + PageHtml::write(model) +
             "\n  expected: " + expected);
}

// A word worth looking up: the entry word of the first keyed line, in the
// case the fuzzer's first byte picks; else the start of the first line.
QString pickWord(const QByteArray &bytes, const QList<Line> &lines)
{
    const int style = bytes.isEmpty() ? 0 : quint8(bytes.at(0)) % 3;
    for (const Line &line : lines) {
        if (line.reading.entry && !line.reading.key.isNull()) {
            const QString word = line.reading.entryWord;
            return style == 0 ? word : style == 1 ? word.toLower() : line.reading.key;
        }
    }
    return lines.isEmpty() ? QString() : lines.first().text.left(4);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // GLib frees a thread's own data after QThread::wait() has returned,
    // which the leak check after an input could catch half done.
    qputenv("QT_NO_GLIB", "1");
    new QCoreApplication(*argc, *argv);
    const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    scratch = new QTemporaryDir(base + "/orvel-fuzz-XXXXXX");
    dictionaryPath = scratch->filePath("dictionary.txt");
    if (DictionaryDatabase::openOrCreateDefault(scratch->filePath("index.db")) !=
        DictionaryDatabase::Opened::Ready)
        fail("cannot create the scratch database");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkLineReader(bytes);

    {
        QFile file(dictionaryPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            fail("cannot write the dictionary");
    }
    ConvertThread builder;
    builder.setDictionary(QStringLiteral("Eijiro"), dictionaryPath);
    // The reference reads Eijiro lines: a fuzzed file with more lines
    // shaped like EDICT's would rightly be read as EDICT without this.
    builder.setType(DictionaryFormat::Eijiro);
    builder.start();
    builder.wait();

    const QList<Line> lines = slowLines(dictionaryPath, readAsUtf8(bytes));
    checkIndex(bytes, lines, builder);
    const QString word = pickWord(bytes, lines);
    checkRenderer(lines, word);
    if (builder.outcome() == ConvertThread::Committed) {
        checkLookUp(lines, word);
        checkEntry(lines);
    }

    exec(QStringLiteral("DELETE FROM t_word"));
    exec(QStringLiteral("DELETE FROM t_dictionary"));
    exec(QStringLiteral("DELETE FROM t_entry"));
    return 0;
}
