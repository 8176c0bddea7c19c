// The pop-up beside the pointer (orvel --popup), driven by the mouse and
// the keyboard: where it goes, what closes it, Open in Orvel, and its size
// kept in the settings. The hand-over to it is tst_instance's.

#include "mainwindow/popupwindow.h"
#include "mainwindow/resultview.h"
#include "preferences/viewsettings.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

// The window as a run of `orvel --popup` has it: made, not shown.
struct Popup : WindowFixture
{
    PopupWindow popup{window.viewSettings()};
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    Popup()
    {
        QObject::connect(&popup, &PopupWindow::openRequested, &window,
                         &MainWindow::showFromOutside);
    }
    // Shows "water" with the pointer at `pointer`.
    bool showAt(const QPoint &pointer)
    {
        QCursor::setPos(pointer);
        popup.showWord("water");
        return QTest::qWaitForWindowExposed(&popup) &&
               QTest::qWaitFor([&] { return popup.view()->toPlainText().startsWith("water\n"); });
    }
};

} // namespace

class PopupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(WindowFixture::install({"■water  {名} : 水", "■wave : 波"})); }
    void init() { QSettings().clear(); }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void besideThePointer_data()
    {
        QTest::addColumn<QPointF>("where"); // in the screen, 0 to 1
        QTest::addColumn<QSize>("size");
        const QSize normal = ViewSettings::defaultPopupSize;
        QTest::newRow("middle") << QPointF(0.5, 0.5) << normal;
        QTest::newRow("bottom right corner") << QPointF(0.99, 0.99) << normal;
        QTest::newRow("top left corner") << QPointF(0.01, 0.01) << normal;
        QTest::newRow("right edge") << QPointF(0.99, 0.5) << normal;
        QTest::newRow("bottom edge") << QPointF(0.5, 0.99) << normal;
        QTest::newRow("taller than either side") << QPointF(0.5, 0.5) << QSize(300, 5000);
        QTest::newRow("larger than the screen") << QPointF(0.5, 0.5) << QSize(5000, 5000);
    }
    void besideThePointer()
    {
        QFETCH(QPointF, where);
        QFETCH(QSize, size);
        QSettings().setValue("Popup/size", size);
        Popup p;
        const QPoint pointer(p.screen.left() + int(where.x() * p.screen.width()),
                             p.screen.top() + int(where.y() * p.screen.height()));
        QVERIFY(p.showAt(pointer));
        QVERIFY(p.screen.contains(p.popup.frameGeometry()));
        if (size == ViewSettings::defaultPopupSize)
            QCOMPARE(p.popup.size(), size);
        // Above or below the pointer, clear of it, flipped or not.
        const QRect frame = p.popup.frameGeometry();
        const int gap = PopupWindow::gap;
        QVERIFY(frame.top() >= pointer.y() + gap || frame.bottom() < pointer.y() - gap);
        // The main window is neither shown nor brought forward.
        QVERIFY(!p.window.isVisible());
    }

    void closes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("closed");
        QTest::newRow("Escape") << "Escape" << true;
        QTest::newRow("a click outside") << "click outside" << true;
        QTest::newRow("the pointer leaving") << "in and out" << true;
        QTest::newRow("the pointer never in it") << "out" << false;
    }
    void closes()
    {
        QFETCH(QString, how);
        QFETCH(bool, closed);
        Popup p;
        QVERIFY(p.showAt(p.screen.center()));
        const QPoint away = p.popup.frameGeometry().bottomRight() + QPoint(40, 40);
        if (how == "Escape") {
            QTest::keyClick(p.popup.view(), Qt::Key_Escape);
        } else if (how == "click outside") {
            QTest::mouseClick(p.popup.windowHandle(), Qt::LeftButton, {},
                              p.popup.mapFromGlobal(away));
        } else {
            if (how == "in and out")
                QCursor::setPos(p.popup.frameGeometry().center());
            QCursor::setPos(away);
        }
        QTest::qWait(PopupWindow::leaveDelay * 2);
        QCOMPARE(!p.popup.isVisible(), closed);
        QVERIFY(!p.window.isVisible());
    }

    void openInOrvel()
    {
        Popup p;
        QVERIFY(p.showAt(p.screen.center()));
        auto *open = p.popup.findChild<QPushButton *>("openInOrvelButton");
        QCOMPARE(open->text(), QString("Open in Orvel"));
        QTest::mouseClick(open, Qt::LeftButton);
        QTRY_VERIFY(p.window.isVisible());
        QVERIFY(p.shows("water"));
        QVERIFY(!p.popup.isVisible());
    }

    void sizeKeptInTheSettings()
    {
        QSize resized;
        {
            Popup p;
            QVERIFY(p.showAt(p.screen.topLeft() + QPoint(20, 20)));
            auto *corner = p.popup.findChild<QWidget *>("popupResizeCorner");
            const QPoint grip = corner->rect().center();
            QTest::mousePress(corner, Qt::LeftButton, {}, grip);
            QTest::mouseMove(corner, grip + QPoint(60, 40));
            QTest::mouseRelease(corner, Qt::LeftButton, {}, grip + QPoint(60, 40));
            resized = p.popup.size();
            QCOMPARE(resized, ViewSettings::defaultPopupSize + QSize(60, 40));
            QTest::keyClick(p.popup.view(), Qt::Key_Escape);
        }
        // The next run opens it at that size.
        Popup next;
        QVERIFY(next.showAt(next.screen.topLeft() + QPoint(20, 20)));
        QCOMPARE(next.popup.size(), resized);
    }
};

QTEST_MAIN(PopupTest)
#include "tst_popup.moc"
