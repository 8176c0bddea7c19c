// The about box and how the main window opens it.

#include "about/aboutdialog.h"
#include "testutil.h"
#include "version.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    void fixedSize();
    void linkOpensInBrowser();
    void languageChange();
    void openedFromMainWindow();
};

// What the box shows, top to bottom: the logo, the name as its headline,
// "Version" and this build's number on one line, the sentence on Qt and its
// licence, the notice; each whole, none cut off.
void AboutTest::contents()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QString("About Orvel"));
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(label(dialog, "logoLabel")->pixmap().size(), QSize(64, 64));
    QCOMPARE(label(dialog, "titleLabel")->text(), QString("Orvel"));
    QCOMPARE(label(dialog, "versionLabel")->text(), QString("Version"));
    QCOMPARE(label(dialog, "numberLabel")->text(), QString(ORVEL_VERSION));
    QCOMPARE(label(dialog, "commentLabel")->text(),
             QString("This software has been made using Qt of the GNU Lesser General Public "
                     "License."));

    int below = 0;
    for (const char *name :
         {"logoLabel", "titleLabel", "versionLabel", "commentLabel", "copyrightLabel"}) {
        const QRect shown = label(dialog, name)->geometry();
        QVERIFY2(shown.top() >= below, name);
        below = shown.bottom();
    }
    const QRect version = label(dialog, "versionLabel")->geometry();
    const QRect number = label(dialog, "numberLabel")->geometry();
    QVERIFY(version.right() < number.left());
    QCOMPARE(version.center().y(), number.center().y());

    const QFontInfo title = label(dialog, "titleLabel")->fontInfo();
    for (QLabel *other : dialog.findChildren<QLabel *>()) {
        if (other->objectName() != "titleLabel" && !other->text().isEmpty())
            QVERIFY2(title.pixelSize() > 2 * other->fontInfo().pixelSize(),
                     qPrintable(other->objectName()));
        const QSize needed = other->wordWrap()
                                 ? QSize(other->width(), other->heightForWidth(other->width()))
                                 : other->sizeHint();
        QVERIFY2(needed.width() <= other->width() && needed.height() <= other->height(),
                 qPrintable(other->objectName()));
    }
}

// Neither larger nor smaller than it opens.
void AboutTest::fixedSize()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize opened = dialog.size();
    for (const QSize asked : {opened * 2, opened / 2}) {
        dialog.resize(asked);
        QCOMPARE(dialog.size(), opened);
    }
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

// Opened on the window, which takes no input while the box is open.
void AboutTest::openedFromMainWindow()
{
    {
        QSettings settings;
        settings.clear();
    }
    WindowFixture w;
    MainWindow &window = w.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *edit = window.findChild<QLineEdit *>("searchEdit");
    edit->setFocus();

    QString seen;
    QString typedMeanwhile = "not tried";
    QTimer::singleShot(0, this, [&] {
        for (QWidget *shown : QApplication::topLevelWidgets()) {
            auto *about = qobject_cast<AboutDialog *>(shown);
            if (!about || !about->isVisible())
                continue;
            seen = about->parentWidget() == &window ? "about, on the window" : "about, elsewhere";
            // As the window system delivers it, so that modality applies.
            QTest::keyClick(window.windowHandle(), Qt::Key_A);
            typedMeanwhile = edit->text();
            // Its Close button closes it.
            about->findChild<QDialogButtonBox *>("closeButtons")
                ->button(QDialogButtonBox::Close)
                ->click();
        }
    });
    window.findChild<QAction *>("actionAbout")->trigger();
    QCOMPARE(seen, QString("about, on the window"));
    QCOMPARE(typedMeanwhile, QString());
    // It lived on the slot's stack and is gone again, and the window takes
    // input again.
    QVERIFY(window.findChildren<AboutDialog *>().isEmpty());
    QTest::keyClick(window.windowHandle(), Qt::Key_A);
    QCOMPARE(edit->text(), QString("a"));
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
