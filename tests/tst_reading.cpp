// Reading in the main window, driven by keyboard and mouse: the word list's
// rows, a long entry's link to its next lines, the page's colours on light
// and dark palettes, Find in Page and the context menu's Look Up. (Copying
// keeps list numbers: tst_mainwindow.)

#include "testutil.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextList>
#include <QTimer>
#include <QToolTip>

#include <cmath>

namespace {

const QString longPhrase = "a remarkably long entry word that a narrow list cuts";

// WCAG's contrast ratio of two colours, worked out here on its own.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The parts of the view's page that do not read at 4.5:1: text on a
// background, and a heading's coloured (typed) word on its ground.
QStringList unreadable(const QTextBrowser *view)
{
    const QColor text = view->palette().color(QPalette::Text);
    QStringList parts;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat paragraph = block.blockFormat();
        const QColor ground = paragraph.hasProperty(QTextFormat::BackgroundBrush)
                                  ? paragraph.background().color()
                                  : view->palette().color(QPalette::Base);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QColor under =
                f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color() : ground;
            const QColor over =
                f.fontWeight() == QFont::Bold && f.hasProperty(QTextFormat::ForegroundBrush)
                    ? f.foreground().color()
                    : text;
            if (contrast(over, under) < 4.5)
                parts << it.fragment().text();
        }
    }
    return parts;
}

// Where the view shows `text` (its first character), in viewport
// coordinates, scrolled into sight.
QPoint placeOf(QTextBrowser *view, const QString &text, int at = 1)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(int(view->toPlainText().indexOf(text)) + at);
    view->setTextCursor(cursor);
    view->ensureCursorVisible();
    view->setTextCursor(QTextCursor(view->document()));
    return view->cursorRect(cursor).center();
}

// A second dictionary beside the first, once for the tests that want it.
bool installSecond()
{
    static const bool installed =
        WindowFixture::install({"■bee  {名} : 蜂の2", "■water  {名} : 水の2"}, "second");
    return installed;
}

struct Window : WindowFixture
{
    Window()
    {
        QVERIFY(showAndActivate());
        edit->setFocus();
    }
    bool lookUp(const QString &word)
    {
        edit->setText(word);
        return shows(word);
    }
    bool endsWithMoreLink() const
    {
        return view->toPlainText().endsWith("Show the next 128 lines");
    }
};

} // namespace

class ReadingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Words of 128, 129 and 300 senses, and after each another word;
        // enough words from "a" on to scroll the list.
        QStringList lines{"■" + longPhrase + " : 長い"};
        for (int i = 0; i < 40; ++i)
            lines << QString("■ab%1 : 詰め物").arg(i, 2, 10, QChar('0'));
        const QList<std::pair<QString, int>> senses{{"ant", 128}, {"bee", 129}, {"cat", 300}};
        for (const auto &[word, count] : senses) {
            for (int i = 1; i <= count; ++i)
                lines << QString("■%1  {名-%2} : %1 %2、see dog").arg(word).arg(i);
            lines << "■" + word + "s : many";
            if (word == "ant")
                lines << "■ax : 斧";
        }
        lines << "■water  {名} : 水"
              << "■水 : water";
        QVERIFY(WindowFixture::install(lines));
    }
    void init() { QSettings().clear(); }
    void cleanup() { TestUtil::closeDefaultConnection(); }

    void wordListOpensAtItsTop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("current"); // the row of the entry on the page, or none
        QTest::newRow("Latin, the nearest entry") << QString("ab1") << QString("ab10") << 0;
        QTest::newRow("Japanese") << QString("水") << QString("水") << 0;
    }
    void wordListOpensAtItsTop()
    {
        QFETCH(QString, text);
        QFETCH(QString, first);
        QFETCH(int, current);
        Window w;
        w.edit->setText("ab");
        QTRY_VERIFY(w.list->verticalScrollBar()->maximum() > 0);
        const int height = w.list->visualRect(w.list->model()->index(0, 0)).height();
        w.list->verticalScrollBar()->setValue(w.list->verticalScrollBar()->maximum());
        QTest::keyClick(w.edit, Qt::Key_Down);
        w.edit->setText(text);
        QTRY_COMPARE(w.rows().value(0), first);
        QCOMPARE(w.list->verticalScrollBar()->value(), 0);
        QTRY_COMPARE(w.currentRow(), current);
        // Whatever script the first row is in.
        QCOMPARE(w.list->visualRect(w.list->model()->index(0, 0)).height(), height);
    }

    void cutRowsShowTheirWordAsTooltip_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("tooltip");
        QTest::newRow("cut") << longPhrase << true;
        QTest::newRow("whole") << "ax" << false;
    }
    void cutRowsShowTheirWordAsTooltip()
    {
        QFETCH(QString, row);
        QFETCH(bool, tooltip);
        Window w;
        w.splitter->setSizes({120, 520});
        w.edit->setText("a");
        QTRY_VERIFY(w.rows().contains(row));
        const QModelIndex index = w.list->model()->index(int(w.rows().indexOf(row)), 0);
        w.list->scrollTo(index);
        const QRect rect = w.list->visualRect(index);
        QHelpEvent help(QEvent::ToolTip, rect.center(),
                        w.list->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(w.list->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), tooltip ? row : QString());
        QToolTip::hideText();
    }

    // The link shows the next 128 lines of the same entry word, numbered on,
    // below what is read, until its lines end.
    void longEntryGoesOnByItsLink_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("senses");
        QTest::addColumn<int>("clicks");
        QTest::newRow("a window exactly") << "ant" << 128 << 0;
        QTest::newRow("one line more") << "bee" << 129 << 1;
        QTest::newRow("three windows") << "cat" << 300 << 2;
    }
    void longEntryGoesOnByItsLink()
    {
        QFETCH(QString, word);
        QFETCH(int, senses);
        QFETCH(int, clicks);
        Window w;
        QVERIFY(w.lookUp(word));
        QScrollBar *bar = w.view->verticalScrollBar();
        for (int click = 1; click <= clicks; ++click) {
            QVERIFY(w.endsWithMoreLink());
            const QString next = QString("%1 %2、").arg(word).arg(click * 128 + 1);
            QVERIFY(!w.view->toPlainText().contains(next));
            const QPoint link = placeOf(w.view, "Show the next", 3);
            const int scrolled = bar->value();
            QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {}, link);
            QTRY_VERIFY(w.view->toPlainText().contains(next));
            QCOMPARE(bar->value(), scrolled);
        }
        QVERIFY(!w.endsWithMoreLink());
        // Under its one heading, numbered through to the last sense.
        QCOMPARE(w.view->toPlainText().split('\n').count(word), 1);
        const QString last = QString("%1 %2、").arg(word).arg(senses);
        const QTextBlock block =
            w.view->document()->findBlock(int(w.view->toPlainText().indexOf(last)));
        QVERIFY(block.textList());
        QCOMPARE(block.textList()->itemNumber(block) + 1, senses);
    }

    void findInPage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys"); // n: Enter, p: Shift+Enter
        QTest::addColumn<QString>("count");
        const auto row = [](const char *name, const char *text, const char *keys,
                            const char *count) {
            QTest::newRow(name) << QString(text) << QString(keys) << QString(count);
        };
        row("typed", "bee 1", "", "1 of 40");
        row("next", "BEE 1", "n", "2 of 40");
        row("previous, round the page", "bee 1", "pp", "39 of 40");
        row("none", "no such text", "n", "Not found");
    }
    void findInPage()
    {
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QFETCH(QString, count);
        Window w;
        QVERIFY(w.lookUp("bee"));
        const int pageHeight = w.view->height();
        QTest::keyClick(w.edit, Qt::Key_F, Qt::ControlModifier);
        auto *find = w.child<QLineEdit>("findEdit");
        QTRY_VERIFY(find->isVisible() && find->hasFocus());
        // One line under the page, which keeps the rest of its height.
        auto *bar = w.child<QWidget>("findBar");
        QTRY_COMPARE(w.view->height(), pageHeight - bar->height());
        QCOMPARE(bar->height(), bar->sizeHint().height());
        QTest::keyClicks(find, text);
        for (const QChar key : keys)
            QTest::keyClick(find, Qt::Key_Return, key == 'p' ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(w.child<QLabel>("findCount")->text(), count);
        if (count != "Not found")
            QCOMPARE(w.view->textCursor().selectedText().toLower(), text.toLower());
        // Escape closes the bar only: the field keeps its word.
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QCOMPARE(w.edit->text(), QString("bee"));
        QVERIFY(w.edit->hasFocus());
    }

    void contextMenuLooksUp_data()
    {
        QTest::addColumn<QString>("selected");
        // The text the pointer is on, the first after the selection.
        QTest::addColumn<QString>("pointed");
        QTest::addColumn<QString>("word");
        QTest::newRow("the word under the pointer")
            << QString() << QString("dog") << QString("dog");
        QTest::newRow("the selection")
            << QString("bee 12") << QString("bee 12") << QString("bee 12");
        // A selection made earlier (by Find in Page, say) elsewhere.
        QTest::newRow("outside the selection")
            << QString("bee 12") << QString("dog") << QString("dog");
    }
    void contextMenuLooksUp()
    {
        QFETCH(QString, selected);
        QFETCH(QString, pointed);
        QFETCH(QString, word);
        Window w;
        QVERIFY(w.lookUp("bee"));
        const QString text = w.view->toPlainText();
        const int from = selected.isEmpty() ? 0 : int(text.indexOf(selected));
        if (!selected.isEmpty()) {
            QTextCursor cursor(w.view->document());
            cursor.setPosition(from);
            cursor.setPosition(from + int(selected.size()), QTextCursor::KeepAnchor);
            w.view->setTextCursor(cursor);
            w.view->ensureCursorVisible();
        }
        QTextCursor at(w.view->document());
        at.setPosition(int(text.indexOf(pointed, from)) + 1);
        const QPoint pointer = w.view->cursorRect(at).center();
        QTimer::singleShot(0, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction *lookUp = menu->findChild<QAction *>("lookUpAction");
            QVERIFY(lookUp && lookUp->isEnabled());
            lookUp->trigger();
            menu->close();
        });
        // Through the window, as the platform delivers a right click.
        QTest::mouseClick(w.window.windowHandle(), Qt::RightButton, {},
                          w.view->viewport()->mapTo(&w.window, pointer));
        QCOMPARE(w.edit->text(), word);
    }

    // Last: a second dictionary puts each one's name above its section.
    void coloursFollowThePalette_data()
    {
        QTest::addColumn<QPalette>("palette");
        QStyle *fusion = QStyleFactory::create("Fusion");
        QTest::newRow("Fusion light") << fusion->standardPalette();
        delete fusion;
        // Fusion's dark palette, as Qt builds it for a dark desktop.
        const QColor window(50, 50, 50), text(240, 240, 240);
        QPalette dark(text, window, window.lighter(150), window.darker(150), window.darker(130),
                      text, window.darker(140));
        dark.setColor(QPalette::Link, QColor(48, 140, 198));
        QTest::newRow("Fusion dark") << dark;
    }
    void coloursFollowThePalette()
    {
        QFETCH(QPalette, palette);
        QVERIFY(installSecond());
        const QPalette before = QApplication::palette();
        Window w;
        w.edit->setText("water");
        QTRY_VERIFY(w.view->toPlainText().contains("水の2"));
        // On the page on display at once, and on the next one.
        QApplication::setPalette(palette);
        QCOMPARE(unreadable(w.view), QStringList());
        w.edit->setText("bee");
        QTRY_VERIFY(w.view->toPlainText().contains("bee 1、"));
        QCOMPARE(unreadable(w.view), QStringList());
        QApplication::setPalette(before);
    }

    // A page of several by mouse: the top line's link scrolls to its
    // section, a section's own link brings its next lines into that
    // section, above its folded line, whose words look themselves up.
    void pageOfSeveralByMouse()
    {
        QVERIFY(installSecond());
        Window w;
        w.edit->setText("bee");
        QTRY_VERIFY(w.view->toPlainText().contains("蜂の2"));
        QVERIFY(w.view->toPlainText().startsWith("In this page: "));
        QVERIFY(w.view->toPlainText().contains(" (129), Eijiro (1)\n"));
        QVERIFY(!w.view->toPlainText().contains("bee 129、"));
        // The second section lies a window's lines down, out of sight.
        const auto seen = [&w](const QString &text) {
            QTextCursor cursor(w.view->document());
            cursor.setPosition(int(w.view->toPlainText().indexOf(text)));
            return w.view->viewport()->rect().contains(w.view->cursorRect(cursor).center());
        };
        QTRY_VERIFY(!w.view->anchorAt(placeOf(w.view, "Eijiro (1)", 2)).isEmpty());
        QVERIFY(!seen("蜂の2"));
        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {}, placeOf(w.view, "Eijiro (1)", 2));
        QTRY_VERIFY(w.view->verticalScrollBar()->value() > 0);
        QVERIFY(seen("蜂の2"));
        QVERIFY(!seen("In this page: "));
        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {},
                          placeOf(w.view, "Show the next", 3));
        QTRY_VERIFY(w.view->toPlainText().contains("bee 129、"));
        QVERIFY(!w.view->toPlainText().contains("Show the next"));
        const QString text = w.view->toPlainText();
        QVERIFY(text.indexOf("bee 129、") < text.indexOf("Then: bees, cat, cats, water, 水"));
        // Laid out once the view has had its turn.
        QTRY_VERIFY(!w.view->anchorAt(placeOf(w.view, "cats", 2)).isEmpty());
        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {}, placeOf(w.view, "cats", 2));
        QTRY_COMPARE(w.edit->text(), QString("cats"));
        QTRY_VERIFY(w.view->toPlainText().contains("\ncats\n"));
    }
};

QTEST_MAIN(ReadingTest)
#include "tst_reading.moc"
