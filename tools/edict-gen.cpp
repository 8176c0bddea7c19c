// edict-gen: writes a deterministic EDICT-format file, EUC-JP, UTF-8 or Shift_JIS.
#include "edictgenerator.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    EdictGenerator::Options options;
    QString out;
    const char usage[] = "usage: edict-gen [--lines N] [--seed S] [--utf8 | --sjis] FILE\n";
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--utf8")
            options.encoding = EdictGenerator::Encoding::Utf8;
        else if (a == "--sjis")
            options.encoding = EdictGenerator::Encoding::ShiftJis;
        else if (a == "--seed" && !args.isEmpty())
            options.seed = args.takeFirst().toULongLong();
        else if (a == "--lines" && !args.isEmpty())
            options.lines = args.takeFirst().toLongLong();
        else if (out.isEmpty() && !a.startsWith("-"))
            out = a;
        else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (out.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!EdictGenerator::write(out, options)) {
        std::fprintf(stderr, "edict-gen: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
