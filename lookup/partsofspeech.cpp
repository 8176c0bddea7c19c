#include "lookup/partsofspeech.h"

#include "dictionary/dictionaryfile.h"
#include "dictionary/edict.h"
#include "dictionary/format.h"

#include <QFile>

#include <algorithm>

struct PartsOfSpeech::File
{
    QFile file;
    Eijiro::Decoder decoder;
    bool opened = false;
    int type = Records::eijiroType;
};

namespace {
// A key's lines are short; a few of them at a time. The tags are in the
// head, at a line's start: a longer line is cut, and no key's lines are
// read past mostBytes, whatever the file holds, so that every candidate
// of a look-up together reads little.
constexpr qint64 readAhead = 4 * 1024;
constexpr qint64 longestLine = 16 * 1024;
constexpr qint64 mostBytes = 64 * 1024;
} // namespace

PartsOfSpeech::PartsOfSpeech(const QList<Records::Installed> &dictionaries, Lines lines)
    : m_dictionaries(dictionaries), m_lines(std::move(lines))
{
}

PartsOfSpeech::~PartsOfSpeech() = default;

bool PartsOfSpeech::ofLine(const QString &line, const QString &key, QStringList *tags, int type)
{
    if (type == Records::edictType) {
        Edict::Entry entry;
        if (!Edict::read(line, &entry) || !Edict::hasKey(entry, key))
            return false;
        tags->clear();
        for (const Edict::Sense &sense : std::as_const(entry.senses)) {
            for (const QString &tag : sense.tags) {
                if (!tags->contains(tag))
                    tags->append(tag);
            }
        }
        return true;
    }
    Eijiro::IndexerReading reading;
    if (!Eijiro::readIndexer(line, &reading) || Eijiro::entryKey(reading.entryWord) != key)
        return false;
    tags->clear();
    // The head is the entry word, two white space characters and {label}.
    if (reading.head.size() > reading.entryWord.size() + 3) {
        const QString label = reading.head.mid(reading.entryWord.size() + 3).chopped(1);
        for (const QString &tag : label.split(u','))
            tags->append(tag.trimmed());
    }
    return true;
}

QStringList PartsOfSpeech::of(int id, qint64 position, const QString &key)
{
    const auto known = m_read.constFind({id, key});
    if (known != m_read.cend())
        return *known;
    std::shared_ptr<File> &file = m_files[id];
    if (!file) {
        file = std::make_shared<File>();
        const auto dictionary =
            std::find_if(m_dictionaries.cbegin(), m_dictionaries.cend(),
                         [id](const Records::Installed &d) { return d.id == id; });
        if (dictionary != m_dictionaries.cend()) {
            file->type = dictionary->type;
            file->decoder = Eijiro::Decoder::forDictionary(dictionary->encoding);
            file->opened =
                DictionaryFile::open(&file->file, dictionary->location) == DictionaryFile::Opened &&
                file->decoder.isValid();
        }
    }
    QStringList tags;
    const auto addTags = [&tags](const QStringList &more) {
        for (const QString &tag : more) {
            if (!tag.isEmpty() && !tags.contains(tag))
                tags.append(tag);
        }
    };
    if (file->opened && file->type == Records::edictType) {
        // Each line of the key where it lies; a line of another key (the
        // file changed) gives nothing.
        QString line;
        QStringList ofOne;
        const QList<qint64> positions = m_lines ? m_lines(id, key) : QList<qint64>{position};
        for (const qint64 at : positions) {
            if (!file->file.seek(at))
                break;
            Eijiro::LineReader reader(&file->file, readAhead);
            reader.setLongestLine(longestLine);
            reader.setByteLimit(longestLine);
            file->decoder.decode(reader.readLineView(), &line);
            if (ofLine(line, key, &ofOne, file->type))
                addTags(ofOne);
        }
    } else if (file->opened && file->file.seek(position)) {
        Eijiro::LineReader reader(&file->file, readAhead);
        reader.setLongestLine(longestLine);
        reader.setByteLimit(mostBytes);
        QString line;
        QStringList ofOne;
        for (int i = 0; i < mostLines; ++i) {
            file->decoder.decode(reader.readLineView(), &line);
            if (!ofLine(line, key, &ofOne))
                break;
            addTags(ofOne);
        }
    }
    m_read.insert({id, key}, tags);
    return tags;
}
