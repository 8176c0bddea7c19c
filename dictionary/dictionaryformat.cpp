#include "dictionary/dictionaryformat.h"

#include "database/records.h"
#include "dictionary/edict.h"

namespace {

// The Eijiro reading as the builder always did it: the entry word's key
// goes to the list, and to t_word when it holds no space.
class EijiroFormat final : public DictionaryFormat
{
public:
    Type type() const override { return Eijiro; }
    QString name() const override { return QString::fromLatin1(Records::knownTypes[0].name); }
    bool listsEveryLine() const override { return false; }
    bool readKeys(QByteArrayView line, Eijiro::Decoder *decoder, LineKeys *out) override
    {
        // Only a line starting with the marker's bytes can decode to a line
        // starting with the marker; skip decoding all others.
        if (!decoder->startsEntryLine(line) || !Eijiro::readIndexer(line, decoder, &m_reading))
            return false;
        const QString key = Eijiro::entryKey(m_reading.entryWord);
        out->wordKey = Eijiro::hasIndexKey(m_reading.entryWord) ? key : QString();
        out->keys = {key};
        out->common = false;
        return true;
    }
    QString spellingFor(const QString &line, const QString &key) const override
    {
        return Eijiro::entryWordFor(line, key);
    }
    void readTranslation(const QString &line, QString *text, QStringList *commonKeys) override
    {
        text->resize(0);
        text->append(Eijiro::translationOf(line));
        commonKeys->clear();
    }
    bool looksLikeEntry(QByteArrayView line) const override
    {
        return Eijiro::Decoder(Eijiro::Encoding::ShiftJis).startsEntryLine(line) ||
               Eijiro::Decoder(Eijiro::Encoding::Utf8).startsEntryLine(line);
    }
    Eijiro::Encoding encodingOf(QByteArrayView, Eijiro::Encoding sniffed) const override
    {
        return sniffed;
    }

private:
    Eijiro::IndexerReading m_reading;
};

class EdictFormat final : public DictionaryFormat
{
public:
    Type type() const override { return Edict; }
    QString name() const override { return QString::fromLatin1(Records::knownTypes[1].name); }
    bool listsEveryLine() const override { return true; }
    bool readKeys(QByteArrayView line, Eijiro::Decoder *decoder, LineKeys *out) override
    {
        // Every entry line has a slash; most other lines (the header aside)
        // are not decoded at all.
        if (line.size() > Edict::longestLine || !line.contains('/'))
            return false;
        decoder->decode(line, &m_line);
        if (!Edict::read(m_line, &m_entry))
            return false;
        out->keys = Edict::keys(m_entry);
        out->wordKey = out->keys.first(); // the first head's
        out->common = m_entry.common;
        return true;
    }
    QString spellingFor(const QString &line, const QString &key) const override
    {
        Edict::Entry entry;
        return Edict::read(line, &entry) ? Edict::spellingOf(entry, key) : QString();
    }
    void readTranslation(const QString &line, QString *text, QStringList *commonKeys) override
    {
        // Every gloss of every sense, its tags left out, as one text: a
        // separator between glosses is no word, so it changes no count.
        text->resize(0);
        commonKeys->clear();
        if (!Edict::read(line, &m_entry))
            return;
        for (const Edict::Sense &sense : std::as_const(m_entry.senses)) {
            for (const QString &gloss : sense.glosses) {
                if (!text->isEmpty())
                    text->append(u" / ");
                text->append(gloss);
            }
        }
        if (m_entry.common)
            *commonKeys = Edict::keys(m_entry);
    }
    bool looksLikeEntry(QByteArrayView line) const override
    {
        while (line.endsWith('\n') || line.endsWith('\r') || line.endsWith(' '))
            line.chop(1);
        const qsizetype slash = line.indexOf(" /");
        return slash > 0 && line.endsWith('/') && line.front() != ' ' && line.front() != '\t';
    }
    Eijiro::Encoding encodingOf(QByteArrayView chunk, Eijiro::Encoding sniffed) const override
    {
        if (sniffed == Eijiro::Encoding::Utf8)
            return sniffed;
        return Eijiro::isEucJp(chunk) ? Eijiro::Encoding::EucJp : Eijiro::Encoding::ShiftJis;
    }

private:
    QString m_line;
    Edict::Entry m_entry;
};

} // namespace

std::unique_ptr<DictionaryFormat> DictionaryFormat::make(int type)
{
    if (type == Edict)
        return std::make_unique<EdictFormat>();
    return std::make_unique<EijiroFormat>();
}

QList<DictionaryFormat::Type> DictionaryFormat::types()
{
    return {Eijiro, Edict};
}

QString DictionaryFormat::nameOf(int type)
{
    return make(type)->name();
}

int DictionaryFormat::typeNamed(const QString &name)
{
    for (const Type type : types()) {
        if (nameOf(type).compare(name, Qt::CaseInsensitive) == 0)
            return type;
    }
    return 0;
}

DictionaryFormat::Type DictionaryFormat::recognise(QByteArrayView start, bool whole)
{
    const auto eijiro = make(Eijiro), edict = make(Edict);
    int eijiroLines = 0, edictLines = 0;
    qsizetype from = 0;
    while (from < start.size()) {
        qsizetype end = start.indexOf('\n', from);
        // A last line cut off by the end of `start` says nothing; the
        // file's own last line, without its line end, does.
        if (end < 0 && !whole)
            break;
        if (end < 0)
            end = start.size() - 1;
        const QByteArrayView line = start.sliced(from, end + 1 - from);
        eijiroLines += eijiro->looksLikeEntry(line);
        edictLines += edict->looksLikeEntry(line);
        from = end + 1;
    }
    return edictLines > eijiroLines ? Edict : Eijiro;
}
