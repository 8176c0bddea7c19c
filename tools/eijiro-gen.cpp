// eijiro-gen: writes a deterministic Eijiro-format file, Shift_JIS or UTF-8.
#include "generator.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Generator::Options options;
    QString out;
    const char usage[] =
        "usage: eijiro-gen [--lines N] [--crlf] [--seed S] [--japanese] [--utf8] FILE\n";
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--crlf")
            options.crlf = true;
        else if (a == "--japanese")
            options.japaneseHeads = true;
        else if (a == "--utf8")
            options.utf8 = true;
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
    if (!Generator::write(out, options)) {
        std::fprintf(stderr, "eijiro-gen: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
