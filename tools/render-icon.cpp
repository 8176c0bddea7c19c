// Renders the SVG logo as the PNG icons of the hicolor theme, one per size:
//   render-icon LOGO.svg OUTDIR SIZE...   writes OUTDIR/SIZExSIZE/apps/orvel.png
// Qt's SVG image plug-in draws it, so each size is drawn from the vector
// shapes rather than scaled from another picture.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: render-icon LOGO.svg OUTDIR SIZE...\n", stderr);
        return 2;
    }
    for (const QString &text : arguments.mid(3)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "render-icon: not a size: %s\n", qPrintable(text));
            return 2;
        }
        QImageReader reader(arguments.at(1), "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(arguments.at(2)).arg(size);
        if (image.isNull() || !QDir().mkpath(folder) ||
            !image.convertToFormat(QImage::Format_ARGB32).save(folder + "/orvel.png", "png")) {
            std::fprintf(stderr, "render-icon: cannot render %s at %d: %s\n",
                         qPrintable(arguments.at(1)), size, qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
