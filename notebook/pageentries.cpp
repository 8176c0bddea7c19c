#include "notebook/pageentries.h"

#include "dictionary/format.h"

namespace PageEntries {

namespace {

constexpr QChar openBrace = QChar(0xff5b);  // ｛
constexpr QChar closeBrace = QChar(0xff5d); // ｝
const QString pronunciation = QStringLiteral("【＠】");

// Where a reading in braces starts in `word`; -1 when it ends in none.
qsizetype braceStart(const QString &word)
{
    if (!word.endsWith(closeBrace))
        return -1;
    const qsizetype open = word.lastIndexOf(openBrace);
    return open > 0 && open + 2 < word.size() ? open : -1;
}

// The lines of an item: its first piece after its badge, if it opens a
// list under one, and each further piece on a line of its own.
void addItem(const PageBlock &item, const QString &label, QString *lines)
{
    if (!lines->isEmpty())
        *lines += u'\n';
    if (!label.isNull())
        *lines += u'[' + label + QStringLiteral("] ");
    for (qsizetype i = 0; i < item.pieceCount(); ++i) {
        if (i > 0)
            *lines += u'\n';
        *lines += item.piece(i).trimmed();
    }
}

// The lines of a sense: its tags in brackets, then its glosses.
void addSense(const PageBlock &sense, QString *lines)
{
    if (!lines->isEmpty())
        *lines += u'\n';
    const qsizetype tags = sense.tips.size();
    QStringList names;
    for (qsizetype i = 0; i < tags; ++i)
        names << sense.piece(i).toString();
    if (tags > 0)
        *lines += u'[' + names.join(QStringLiteral(", ")) + QStringLiteral("] ");
    for (qsizetype i = tags; i < sense.pieceCount(); ++i) {
        if (i > tags)
            *lines += QStringLiteral("; ");
        *lines += sense.piece(i);
    }
}

// An entry of senses heads "水 【みず】": the head, and the reading apart.
void splitReading(Star *entry)
{
    const qsizetype open = entry->word.lastIndexOf(QStringLiteral(" 【"));
    if (open <= 0 || !entry->word.endsWith(u'】'))
        return;
    entry->reading = entry->word.mid(open + 2).chopped(1);
    entry->word.truncate(open);
}

} // namespace

QList<Star> read(const Page &page, const QString &soleDictionary)
{
    QList<Star> entries;
    // A page of several opens with its sections' names or the first one.
    if (!page.isResult() &&
        (page.blocks.isEmpty() || (page.blocks.first().kind != PageBlock::Dictionary &&
                                   page.blocks.first().kind != PageBlock::Contents)))
        return entries;
    QString dictionary = soleDictionary;
    QString label; // the badge over the next item, until it is used
    Star *entry = nullptr;
    for (const PageBlock &block : page.blocks) {
        switch (block.kind) {
        case PageBlock::Dictionary:
            dictionary = block.text;
            entry = nullptr;
            break;
        case PageBlock::Heading:
            entries.append({block.spelling.isNull() ? block.text : block.spelling, QString(),
                            dictionary, QString(), 0, QString()});
            entry = &entries.last();
            label = QString();
            break;
        case PageBlock::Label:
            label = block.text;
            break;
        case PageBlock::Item:
            if (entry)
                addItem(block, label, &entry->lines);
            label = QString();
            break;
        case PageBlock::Sense:
            if (entry && entry->lines.isEmpty())
                splitReading(entry);
            if (entry)
                addSense(block, &entry->lines);
            break;
        default:
            break;
        }
    }
    for (Star &star : entries)
        if (star.reading.isEmpty())
            star.reading = readingOf(star.word, star.lines);
    return entries;
}

const Star *find(const QList<Star> &entries, const QString &word)
{
    const QString key = Eijiro::entryKey(word);
    for (const Star &entry : entries) {
        if (Eijiro::entryKey(entry.word) == key)
            return &entry;
    }
    // A word typed in kana finds an EDICT entry by its reading (みず: 水).
    for (const Star &entry : entries) {
        if (!entry.reading.isEmpty() && Eijiro::entryKey(entry.reading) == key)
            return &entry;
    }
    return nullptr;
}

QString readingOf(const QString &entryWord, const QString &lines)
{
    const qsizetype brace = braceStart(entryWord);
    if (brace > 0)
        return entryWord.mid(brace + 1, entryWord.size() - brace - 2).trimmed();
    const qsizetype at = lines.indexOf(pronunciation);
    if (at < 0)
        return QString();
    // Up to the next field, sub-item or line.
    QStringView rest = QStringView(lines).mid(at + pronunciation.size());
    for (const QChar end : {u'、', u'【', u'◆', u'\n', u',', u'■'}) {
        const qsizetype stop = rest.indexOf(end);
        if (stop >= 0)
            rest = rest.left(stop);
    }
    return rest.trimmed().toString();
}

QString shownWord(const Star &star)
{
    const qsizetype brace = braceStart(star.word);
    if (brace > 0 &&
        star.word.mid(brace + 1, star.word.size() - brace - 2).trimmed() == star.reading)
        return star.word.left(brace).trimmed();
    return star.word;
}

} // namespace PageEntries
