#include "dictionary/commonnesscount.h"

#include "database/commonnesswriter.h"
#include "database/indexreader.h"
#include "database/workerconnection.h"
#include "dictionary/commonness.h"
#include "dictionary/dictionaryfile.h"

#include <QFile>

namespace CommonnessCount {

void countEijiroLine(const QString &line, CommonnessCounter &counter)
{
    // The text after the last separator (a colon between two spaces of any
    // kind) that leaves a head of one character at least after the marker,
    // as the builder reads an entry line.
    const qsizetype n = line.size();
    if (n < 5 || line.at(0) != Eijiro::marker)
        return;
    const QChar *d = line.constData();
    for (qsizetype i = n - 3; i >= 2; --i) {
        if (d[i + 1] == u':' && d[i].isSpace() && d[i + 2].isSpace()) {
            counter.countText(QStringView(line).sliced(i + 3));
            return;
        }
    }
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
