// Fuzz target: arbitrary bytes as one dictionary line. The line is decoded
// as Shift_JIS the way both workers decode it, and both fast readings (index
// key, renderer head/body/label) must agree with QRegExp running the original
// patterns. Any difference aborts with the line's code units. The same
// text typed into the search field: folding it twice folds it as once (the
// keys folding alike are found by that), and taking it apart as a Japanese
// form stays within its bounds.
#include "dictionary/format.h"
#include "lookup/fold.h"
#include "lookup/japanesebaseforms.h"
#include "lookup/romaji.h"
#include "reference.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    static Eijiro::Decoder decoder;
    const QString line = decoder.decode(bytes);

    // Each line decodes on its own, exactly as a fresh decoder would.
    QStringDecoder fresh("Shift_JIS", QStringConverter::Flag::Stateless);
    const QString expected = fresh.decode(bytes);
    if (line != expected) {
        std::fprintf(stderr,
                     "decoder differs from a fresh decoder\n  got:      %s\n  expected: %s\n",
                     qPrintable(Reference::dump(line)), qPrintable(Reference::dump(expected)));
        std::abort();
    }

    const QString diff = Reference::compare(line);
    if (!diff.isEmpty()) {
        std::fprintf(stderr, "%s differs from QRegExp for the line\n  %s\n", qPrintable(diff),
                     qPrintable(Reference::dump(line)));
        std::abort();
    }

    const QString folded = Fold::key(line);
    const QString kana = Romaji::toKana(line);
    if (Fold::key(folded) != folded || (!kana.isNull() && Fold::key(kana) != kana) ||
        JapaneseBaseForms::of(line).size() > JapaneseBaseForms::mostForms) {
        std::fprintf(stderr, "typed text folds or comes apart wrongly\n  %s\n",
                     qPrintable(Reference::dump(line)));
        std::abort();
    }
    return 0;
}
