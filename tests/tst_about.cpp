// The about box and how the main window opens it.

#include "about/aboutdialog.h"
#include "mainwindow/mainwindow.h"
#include "testutil.h"
#include "version.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

namespace {

QLabel *label(QWidget &dialog, const char *name)
{
    auto *found = dialog.findChild<QLabel *>(name);
    if (!found)
        qFatal("no label %s", name);
    return found;
}

// Marks every text of the about box's context, so a test can tell which
// texts were translated again.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "AboutDialog") != 0)
            return QString();
        return "[" + QString::fromUtf8(source) + "]";
    }
};

} // namespace

// Receives the links that the program hands to the desktop.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void contents();
    void fixedSizeAndModal();
    void linkOpensInBrowser();
    void languageChange();
    void openedFromMainWindow();
};

void AboutTest::contents()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("About Orvel"));
    QCOMPARE(label(dialog, "titleLabel")->text(), QString("Orvel"));
    QCOMPARE(label(dialog, "titleLabel")->font().family(), QString("Andale Mono"));
    QCOMPARE(label(dialog, "titleLabel")->font().pointSize(), 36);
    QCOMPARE(label(dialog, "versionLabel")->text(), QString("Version"));
    QCOMPARE(label(dialog, "numberLabel")->text(), QString(ORVEL_VERSION));
    QCOMPARE(label(dialog, "commentLabel")->text(),
             QString("This software has been made using Qt of the GNU Lesser General Public "
                     "License."));
    QCOMPARE(label(dialog, "logoLabel")->pixmap().size(), QSize(64, 64));
    QVERIFY(!dialog.windowIcon().isNull());
}

void AboutTest::fixedSizeAndModal()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog.minimumSize(), QSize(320, 320));
    QCOMPARE(dialog.maximumSize(), QSize(320, 320));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.size(), QSize(320, 320));
    dialog.resize(480, 400);
    QCOMPARE(dialog.size(), QSize(320, 320));
}

void AboutTest::linkOpensInBrowser()
{
    UrlSink sink;
    QDesktopServices::setUrlHandler("https", &sink, "open");
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLabel *notice = label(dialog, "copyrightLabel");

    // Click along the notice until the link is hit; everything else in it
    // is plain text that opens nothing.
    for (int y = 2; y < notice->height() && sink.opened.isEmpty(); y += 3) {
        for (int x = 2; x < notice->width() && sink.opened.isEmpty(); x += 4)
            QTest::mouseClick(notice, Qt::LeftButton, {}, QPoint(x, y));
    }
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(sink.opened, QList<QUrl>{QUrl("https://veldrana.example/")});
    QVERIFY(dialog.isVisible());
}

void AboutTest::languageChange()
{
    AboutDialog dialog;
    dialog.show();
    const QString notice = label(dialog, "copyrightLabel")->text();
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();

    QCOMPARE(dialog.windowTitle(), QString("[About Orvel]"));
    QCOMPARE(label(dialog, "versionLabel")->text(), QString("[Version]"));
    QVERIFY(label(dialog, "commentLabel")->text().startsWith("[This software"));
    // The name, the number and the notice stay as they are; the logo stays.
    QCOMPARE(label(dialog, "titleLabel")->text(), QString("Orvel"));
    QCOMPARE(label(dialog, "numberLabel")->text(), QString(ORVEL_VERSION));
    QCOMPARE(label(dialog, "copyrightLabel")->text(), notice);
    QCOMPARE(label(dialog, "logoLabel")->pixmap().size(), QSize(64, 64));

    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(dialog.windowTitle(), QString("About Orvel"));
}

void AboutTest::openedFromMainWindow()
{
    {
        QSettings settings;
        settings.clear();
    }
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString seen;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *about = qobject_cast<AboutDialog *>(modal)) {
            seen = about->parentWidget() == &window ? "about, on the window" : "about, elsewhere";
            about->reject();
        }
    });
    window.findChild<QAction *>("actionAbout")->trigger();
    QCOMPARE(seen, QString("about, on the window"));
    // It lived on the slot's stack and is gone again.
    QVERIFY(window.findChildren<AboutDialog *>().isEmpty());
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
