// Fuzz target: arbitrary bytes as one EDICT line, decoded as EUC-JP, UTF-8
// or Shift_JIS (the first byte chooses). Whatever it holds, a line read as
// an entry has heads without white space and senses with glosses, its keys
// are each once, the builder's reading of the raw bytes gives those keys,
// and the page of every key shows the line once, with every character of
// the file's text escaped: the page's markup is its own alone.
#include "dictionary/dictionaryformat.h"
#include "dictionary/edict.h"
#include "lookup/edictrenderer.h"
#include "lookup/pagehtml.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void fail(const char *what, const QString &line)
{
    std::fprintf(stderr, "%s\n  %s\n", what, qPrintable(line.left(400)));
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const Eijiro::Encoding encodings[] = {Eijiro::Encoding::EucJp, Eijiro::Encoding::Utf8,
                                          Eijiro::Encoding::ShiftJis};
    Eijiro::Decoder decoder(encodings[data[0] % 3]);
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QString line = decoder.decode(bytes);

    Edict::Entry entry;
    const bool read = Edict::read(line, &entry);
    DictionaryFormat::LineKeys keys;
    const bool built =
        DictionaryFormat::make(DictionaryFormat::Edict)->readKeys(bytes, &decoder, &keys);
    // The builder skips undecoded lines without a slash; any other reads alike.
    if (built != (read && bytes.contains('/')) || (built && keys.keys != Edict::keys(entry)))
        fail("the builder's reading differs from the line's", line);
    if (!read)
        return 0;
    if (entry.heads.isEmpty() || entry.senses.isEmpty())
        fail("an entry without heads or senses", line);
    for (const QString &head : std::as_const(entry.heads) + entry.readings) {
        if (head.isEmpty() ||
            std::any_of(head.begin(), head.end(), [](QChar c) { return c.isSpace(); }))
            fail("a head or reading empty or with white space", line);
    }
    for (const Edict::Sense &sense : std::as_const(entry.senses)) {
        if (sense.glosses.isEmpty())
            fail("a sense without glosses", line);
    }
    const QStringList all = Edict::keys(entry);
    if (QSet<QString>(all.begin(), all.end()).size() != all.size())
        fail("a key twice", line);

    // The page's own tags alone: stripped of them, no < or > is left.
    static const QRegularExpression ownMarkup(QStringLiteral(
        "</?(ol|li|h2|b)>|<h2 style='[^']*'>|<span( title=\"[^\"<>]*\")? style='[^']*'>|</span>"));
    for (const QString &key : all) {
        EdictRenderer renderer(key, key);
        if (!renderer.renderLine(line))
            fail("a key's page does not show its line", line);
        QString html = PageHtml::write(renderer.finish());
        html.remove(ownMarkup);
        if (html.contains(u'<') || html.contains(u'>'))
            fail("text of the file reaches the page unescaped", line);
    }
    return 0;
}
