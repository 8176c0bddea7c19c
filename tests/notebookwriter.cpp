// Writes a notebook as fast as it can for tst_crashsafety, which kills it
// at any moment: change after change, each a star of 200 entries in one
// transaction, then two words of the history in another, and the number of
// each change on a line of its own once both are committed.
//   notebook-writer FILE FIRST
#include "notebook/notebook.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    Notebook notebook(QString::fromLocal8Bit(argv[1]));
    if (notebook.open() != Notebook::Opened::Ready)
        return 1;
    // Long enough that a kill often lands inside a transaction.
    const QString lines = QStringLiteral("a sense of the entry ").repeated(50);
    for (int change = atoi(argv[2]);; ++change) {
        QList<Star> stars;
        for (int i = 0; i < 200; ++i)
            stars.append({QStringLiteral("s%1-%2").arg(change).arg(i), QString(),
                          QStringLiteral("d"), lines, change, QString()});
        if (!notebook.star(stars) ||
            !notebook.record(
                {QStringLiteral("w%1-a").arg(change), QStringLiteral("w%1-b").arg(change)}, change))
            return 1;
        std::printf("%d\n", change);
        std::fflush(stdout);
    }
}
