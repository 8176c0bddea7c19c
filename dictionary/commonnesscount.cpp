#include "dictionary/commonnesscount.h"

#include "database/commonnesswriter.h"
#include "database/indexreader.h"
#include "database/workerconnection.h"
#include "dictionary/commonness.h"
#include "dictionary/dictionaryfile.h"
#include "dictionary/dictionaryformat.h"

#include <QFile>

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

Result count(int id, const QString &path, Eijiro::Encoding encoding,
             const std::atomic_bool &canceled, QString *error, const LineCounter &countLine)
{
    CommonnessCounter counter;
    QFile file;
    if (DictionaryFile::open(&file, path, error) != DictionaryFile::Opened)
        return Result::Failed;
    Eijiro::LineReader reader(&file);
    Eijiro::Decoder decoder(encoding);
    QString line;
    while (!reader.atEnd()) {
        if (canceled)
            return Result::Canceled;
        decoder.decode(reader.readLineView(), &line);
        countLine(line, counter);
    }
    if (reader.failed()) {
        *error = file.errorString();
        return Result::Failed;
    }
    IndexReader index;
    QString key;
    if (!index.entryKeys(id, [&](QByteArrayView utf8) {
            key = QString::fromUtf8(utf8);
            counter.addKey(key);
            return !canceled;
        })) {
        *error = index.lastError();
        return Result::Failed;
    }
    index.close();
    if (canceled)
        return Result::Canceled;
    const std::vector<Records::Common> counts = counter.counts();
    WorkerConnection connection;
    CommonnessWriter writer(connection.database());
    bool stored = false;
    if (!writer.write(id, counts, PrefixBest::of(counts), &stored)) {
        *error = writer.lastError();
        return Result::Failed;
    }
    return Result::Stored;
}

} // namespace CommonnessCount
