#include "dictionary/commonnesscount.h"

#include "database/commonnesswriter.h"
#include "database/indexreader.h"
#include "database/workerconnection.h"
#include "dictionary/commonness.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/dictionaryformat.h"

#include <QFile>

#include <algorithm>
#include <optional>

namespace CommonnessCount {

void countEijiroLine(const QString &line, CommonnessCounter &counter)
{
    const QStringView text = Eijiro::translationOf(line);
    if (!text.isEmpty())
        counter.countText(text);
}

LineCounter lineCounterFor(int type)
{
    // Eijiro's translation is a part of the line itself: no copy.
    if (type != DictionaryFormat::Edict)
        return countEijiroLine;
    std::shared_ptr<DictionaryFormat> format = DictionaryFormat::make(type);
    auto text = std::make_shared<QString>();
    auto common = std::make_shared<QStringList>();
    return [format, text, common](const QString &line, CommonnessCounter &counter) {
        format->readTranslation(line, text.get(), common.get());
        if (!text->isEmpty())
            counter.countText(*text);
        for (const QString &key : std::as_const(*common))
            counter.markCommon(key);
    };
}

namespace {

// The keys read in one pass, hashed one after the other (an entry word
// holds no line feed): a change of the index between the two passes shows
// as a different result.
struct KeysDigest
{
    DictionaryFile::ContentHash hash;
    void add(QByteArrayView utf8)
    {
        hash.add(utf8);
        hash.add("\n");
    }
};

// Changed: the index changed between the passes, nothing was stored.
enum class Pass { Stored, Failed, Canceled, Changed };

// Whose keys a pass counts: every installed dictionary's, in place of the
// stored counts (`added` 0); or, merged into them, those of dictionary
// `added` and of any other the stored counts do not cover yet (one
// installed while an earlier count was cancelled, say).
Pass countOnce(int id, const QString &path, Eijiro::Encoding encoding,
               const std::atomic_bool &canceled, QString *error, const LineCounter &countLine,
               int added)
{
    // The keys, each dictionary's in key order; read twice (before and
    // after the lines) by readers of their own, so that no read is held
    // while the lines are counted and no other change waits on it (a
    // reader keeps the log from being emptied). The digest tells that both
    // passes read the same keys, so that a number means the same key in
    // both.
    std::optional<IndexReader> index(std::in_place);
    QList<Records::Installed> installed;
    if (index->dictionaries(&installed) == Records::Answer::Failed) {
        *error = index->lastError();
        return Pass::Failed;
    }
    if (added != 0) {
        QList<int> covered;
        if (index->commonSources(id, &covered) == Records::Answer::Failed) {
            *error = index->lastError();
            return Pass::Failed;
        }
        installed.removeIf([&](const Records::Installed &dictionary) {
            return dictionary.id != added && covered.contains(dictionary.id);
        });
        // The one added went again meanwhile, and the rest are covered.
        if (installed.isEmpty())
            return Pass::Stored;
    }
    CommonnessCounter counter;
    QString key;
    // Most keys are ASCII: widened into one buffer, not a string each.
    const auto decode = [&key](QByteArrayView utf8) {
        for (const char c : utf8) {
            if (uchar(c) >= 0x80) {
                key = QString::fromUtf8(utf8);
                return;
            }
        }
        key.resize(utf8.size());
        QChar *out = key.data();
        for (const char c : utf8)
            *out++ = QLatin1Char(c);
    };
    const auto eachKey = [&](const std::function<void(QByteArrayView)> &take) {
        for (const Records::Installed &dictionary : std::as_const(installed)) {
            if (!index->entryKeys(dictionary.id, [&](QByteArrayView utf8) {
                    take(utf8);
                    return !canceled;
                })) {
                *error = index->lastError();
                return false;
            }
        }
        return true;
    };
    KeysDigest before, after;
    if (!eachKey([&](QByteArrayView utf8) {
            before.add(utf8);
            decode(utf8);
            counter.addKey(key);
        }))
        return Pass::Failed;
    index.reset();
    if (canceled)
        return Pass::Canceled;

    QFile file;
    if (DictionaryFile::open(&file, path, error) != DictionaryFile::Opened)
        return Pass::Failed;
    Eijiro::LineReader reader(&file);
    Eijiro::Decoder decoder(encoding);
    QString line;
    while (!reader.atEnd()) {
        if (canceled)
            return Pass::Canceled;
        decoder.decode(reader.readLineView(), &line);
        countLine(line, counter);
    }
    if (reader.failed()) {
        *error = file.errorString();
        return Pass::Failed;
    }

    counter.finishTexts();
    index.emplace();
    // Only a key counted or marked is made a string again.
    std::vector<Records::Common> counts;
    qsizetype number = 0;
    if (!eachKey([&](QByteArrayView utf8) {
            after.add(utf8);
            if (number >= counter.keys()) {
                ++number;
                return;
            }
            Records::Commonness commonness = counter.commonness(number++);
            if (counter.anyMarked()) {
                decode(utf8);
                commonness.marked = counter.isMarked(key);
            }
            if (commonness.lines > 0 || commonness.marked)
                counts.push_back({QString::fromUtf8(utf8), commonness});
        }))
        return Pass::Failed;
    index.reset();
    if (canceled)
        return Pass::Canceled;
    if (before.hash.result() != after.hash.result())
        return Pass::Changed;
    if (installed.size() > 1) {
        // A key of several dictionaries once.
        std::sort(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
            return Records::codePointLess(a.key, b.key);
        });
        counts.erase(std::unique(counts.begin(), counts.end(),
                                 [](const auto &a, const auto &b) { return a.key == b.key; }),
                     counts.end());
    }
    QList<int> sources;
    for (const Records::Installed &dictionary : std::as_const(installed))
        sources.append(dictionary.id);
    WorkerConnection connection;
    CommonnessWriter writer(connection.database());
    bool stored = false;
    if (!(added != 0 ? writer.merge(id, counts, PrefixBest::of, sources, &stored)
                     : writer.write(id, counts, PrefixBest::of, sources, &stored))) {
        *error = writer.lastError();
        return Pass::Failed;
    }
    return Pass::Stored;
}

} // namespace

namespace {

Result countTrying(int id, const QString &path, Eijiro::Encoding encoding,
                   const std::atomic_bool &canceled, QString *error, const LineCounter &countLine,
                   int added)
{
    // Another install or removal during the count: counted again, a few
    // times at most.
    for (int tries = 3; tries > 0; --tries) {
        switch (countOnce(id, path, encoding, canceled, error, countLine, added)) {
        case Pass::Stored:
            return Result::Stored;
        case Pass::Failed:
            return Result::Failed;
        case Pass::Canceled:
            return Result::Canceled;
        case Pass::Changed:
            break;
        }
    }
    *error = QStringLiteral("the index kept changing while its words were counted");
    return Result::Failed;
}

} // namespace

Result count(int id, const QString &path, Eijiro::Encoding encoding,
             const std::atomic_bool &canceled, QString *error, const LineCounter &countLine)
{
    return countTrying(id, path, encoding, canceled, error, countLine, 0);
}

Result countOthers(int id, const std::atomic_bool &canceled, QString *error)
{
    QList<Records::Installed> installed;
    {
        IndexReader index;
        if (index.dictionaries(&installed) == Records::Answer::Failed) {
            *error = index.lastError();
            return Result::Failed;
        }
    }
    Result result = Result::Stored;
    for (const Records::Installed &dictionary : std::as_const(installed)) {
        if (dictionary.id == id)
            continue;
        // One that cannot be read keeps its counts; the others go on.
        QString failure;
        const Result one = countTrying(dictionary.id, dictionary.location,
                                       Eijiro::encodingNamed(dictionary.encoding), canceled,
                                       &failure, lineCounterFor(dictionary.type), id);
        if (one == Result::Canceled)
            return one;
        if (one == Result::Failed) {
            result = one;
            *error = failure;
        }
    }
    return result;
}

} // namespace CommonnessCount
