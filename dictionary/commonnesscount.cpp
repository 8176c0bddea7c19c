#include "dictionary/commonnesscount.h"

#include "database/commonnesswriter.h"
#include "database/workerconnection.h"
#include "dictionary/commonness.h"
#include "dictionary/dictionaryfile.h"

#include <QFile>

namespace CommonnessCount {

void countEijiroLine(const QString &line, CommonnessCounter &counter)
{
    Eijiro::IndexerReading reading;
    // The marker, the head, then a separator of three characters.
    if (Eijiro::readIndexer(line, &reading))
        counter.countText(QStringView(line).sliced(1 + reading.head.size() + 3));
}

Result count(int id, const QString &path, Eijiro::Encoding encoding,
             const std::atomic_bool &canceled, QString *error, const LineCounter &countLine)
{
    WorkerConnection connection;
    CommonnessWriter writer(connection.database());
    QStringList keys;
    if (!writer.keys(id, &keys)) {
        *error = writer.lastError();
        return Result::Failed;
    }
    QFile file;
    if (DictionaryFile::open(&file, path, error) != DictionaryFile::Opened)
        return Result::Failed;
    CommonnessCounter counter(keys);
    keys.clear();
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
    const std::vector<Records::Common> counts = counter.counts();
    bool stored = false;
    if (!writer.write(id, counts, PrefixBest::of(counts), &stored)) {
        *error = writer.lastError();
        return Result::Failed;
    }
    return Result::Stored;
}

} // namespace CommonnessCount
