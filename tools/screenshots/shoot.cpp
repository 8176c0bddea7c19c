// orvel-shoot: saves pictures of Orvel's real windows for the documentation.
// It creates the windows the program creates and drives them the way a user
// would (typing, clicking tabs, rows and wizard buttons), then saves each
// window as a PNG file. Every step checks that the window shows what the
// picture is meant to show, so a changed program fails here rather than
// leaving a misleading picture behind. tools/screenshots.sh runs it in a
// throw-away home, under Xvfb.

#include "about/aboutdialog.h"
#include "app/openindex.h"
#include "app/settingsstore.h"
#include "app/translation.h"
#include "database/installeddictionaries.h"
#include "dictionary/convertthread.h"
#include "lookup/pagehtml.h"
#include "lookup/renderer.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/popupwindow.h"
#include "mainwindow/resultview.h"
#include "preferences/optiondialog.h"
#include "wizard/dictionarywizard.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTranslator>
#include <QTreeView>
#include <cstdio>

namespace {

const char usage[] =
    "Usage: orvel-shoot [--word WORD] [--file DICTIONARY] [--suffix SUFFIX] [--translated]\n"
    "                   OUTDIR SHOT...\n"
    "Shots: main (looks up WORD, default \"run\"), list (a phrase picked from the word\n"
    "list), find (Find in Entries), dark (WORD on a dark palette), long (WORD, whose\n"
    "entry goes on past a window, at its link), popup (WORD in the pop-up),\n"
    "preferences, about, wizard (installs DICTIONARY; needs a database without a\n"
    "dictionary), notebook (WORD and \"look\" starred, the Notebook pane on their\n"
    "stars). SUFFIX goes before \".png\".\n"
    "--translated fails unless the interface translation for the locale was found.\n";

// Long enough for an index build of a few thousand lines on a busy machine.
const int timeoutMs = 120000;

struct Options
{
    QString word = QStringLiteral("run");
    QString file;
    QString suffix;
    QDir out;
};

bool fail(const QString &what)
{
    std::fprintf(stderr, "orvel-shoot: %s\n", qPrintable(what));
    return false;
}

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("orvel-shoot: no %s in %s", name, qPrintable(parent->objectName()));
    return found;
}

// Lets the windows catch up with what was just done to them.
void settle()
{
    QTest::qWait(100);
}

// Saves the window as it is now. It may run inside a signal of a running
// build, so it does not spin the event loop, which would let the build move
// on; only the pending layout requests are run, as a page switched to a
// moment ago may not have been laid out yet.
bool save(QWidget *window, const Options &options, const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QString path = options.out.filePath(name + options.suffix + QStringLiteral(".png"));
    if (!window->grab().save(path, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(path));
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool showAndWait(QWidget *window)
{
    window->show();
    return QTest::qWaitForWindowExposed(window) ||
           fail(QStringLiteral("%1 never appeared").arg(window->objectName()));
}

void click(QWidget *widget, QPoint at = QPoint())
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::KeyboardModifiers(), at);
}

// Looks WORD up as typed, and waits for its page.
bool showWord(MainWindow &window, const Options &options)
{
    if (!showAndWait(&window))
        return false;
    // Without a dictionary the look-up gives a page all the same, one that
    // asks to install a dictionary.
    QList<Records::Installed> installed;
    if (!InstalledDictionaries().list(&installed) || installed.isEmpty())
        return fail(QStringLiteral("no dictionary is installed"));
    auto *edit = child<QLineEdit>(&window, "searchEdit");
    auto *view = child<QTextBrowser>(&window, "textBrowser");
    // One change of the text, so exactly one look-up runs. It is done when
    // its time is in the status bar and its page in the view.
    edit->setText(options.word);
    if (!QTest::qWaitFor(
            [&] {
                return !window.statusBar()->currentMessage().isEmpty() &&
                       !view->toPlainText().isEmpty();
            },
            timeoutMs))
        return fail(QStringLiteral("the look-up of %1 never finished").arg(options.word));
    QTextDocument notFound;
    notFound.setHtml(PageHtml::write(ResultRenderer(options.word).finish()));
    if (view->toPlainText() == notFound.toPlainText())
        return fail(QStringLiteral("the dictionary has no entries for %1").arg(options.word));
    settle();
    return true;
}

bool shootMain(MainWindow &window, const Options &options)
{
    return showWord(window, options) && save(&window, options, QStringLiteral("main-window"));
}

// The same page on Fusion's dark palette, as Qt builds it for a dark
// desktop.
bool shootDark(MainWindow &window, const Options &options)
{
    const QPalette before = QApplication::palette();
    const QColor ground(50, 50, 50), text(240, 240, 240);
    QPalette dark(text, ground, ground.lighter(150), ground.darker(150), ground.darker(130), text,
                  ground.darker(140));
    dark.setColor(QPalette::Link, QColor(48, 140, 198));
    QApplication::setPalette(dark);
    const bool ok =
        showWord(window, options) && save(&window, options, QStringLiteral("main-window-dark"));
    QApplication::setPalette(before);
    return ok;
}

// A word of more lines than a window, at the end of its page: the link to
// the next lines.
bool shootLongEntry(MainWindow &window, const Options &options)
{
    if (!showWord(window, options))
        return false;
    auto *view = child<QTextBrowser>(&window, "textBrowser");
    if (!view->toPlainText().endsWith(QStringLiteral("Show the next 128 lines")))
        return fail(QStringLiteral("the page of %1 has no link to more lines").arg(options.word));
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    settle();
    return save(&window, options, QStringLiteral("long-entry"));
}

// The pop-up of `orvel --popup WORD`, beside a pointer in the screen's
// middle.
bool shootPopup(MainWindow &window, const Options &options)
{
    PopupWindow popup(window.viewSettings());
    QCursor::setPos(QGuiApplication::primaryScreen()->availableGeometry().center());
    popup.showWord(options.word);
    if (!showAndWait(&popup) ||
        !QTest::qWaitFor([&] { return popup.view()->toPlainText().startsWith(options.word); },
                         timeoutMs))
        return fail(QStringLiteral("the pop-up never showed %1").arg(options.word));
    settle();
    return save(&popup, options, QStringLiteral("popup"));
}

// The word list in use: a word's first letters typed, Down to a phrase in
// the list, Enter shows its entry.
bool shootWordList(MainWindow &window, const Options &options)
{
    if (!showAndWait(&window))
        return false;
    const QString typed = QStringLiteral("look"), phrase = QStringLiteral("look up");
    auto *edit = child<QLineEdit>(&window, "searchEdit");
    auto *list = child<QListView>(&window, "wordList");
    auto *view = child<QTextBrowser>(&window, "textBrowser");
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    const auto listed = [&] {
        const QAbstractItemModel *rows = list->model();
        for (int row = 0; row < rows->rowCount(); ++row) {
            if (rows->index(row, 0).data().toString() == phrase)
                return row;
        }
        return -1;
    };
    // The list of the whole word, not one of its first letters' on the way.
    const auto done = [&] {
        return list->model()->index(0, 0).data().toString() == typed && listed() >= 0;
    };
    if (!QTest::qWaitFor(done, timeoutMs))
        return fail(QStringLiteral("the word list never showed %1").arg(phrase));
    for (int row = listed(); row >= 0; --row)
        QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return view->toPlainText().startsWith(phrase + '\n'); }, timeoutMs))
        return fail(QStringLiteral("Enter on %1 did not show its entry").arg(phrase));
    if (edit->text() != typed)
        return fail(QStringLiteral("the search field lost what was typed"));
    settle();
    return save(&window, options, QStringLiteral("word-list"));
}

// Find in Entries: a Japanese word searched for inside the entries, the
// first line found picked, its entry shown with the word marked.
bool shootFindInEntries(MainWindow &window, const Options &options)
{
    if (!showAndWait(&window))
        return false;
    const QString text = QStringLiteral("返事");
    auto *edit = child<QLineEdit>(&window, "searchEdit");
    auto *list = child<QListView>(&window, "wordList");
    auto *view = child<QTextBrowser>(&window, "textBrowser");
    auto *count = child<QLabel>(&window, "entryCountLabel");
    edit->clear();
    edit->setFocus();
    child<QAction>(&window, "actionFindInEntries")->trigger();
    edit->setText(text);
    const auto counted = [&] { return count->text().contains(QRegularExpression("^\\d")); };
    if (!QTest::qWaitFor(counted, timeoutMs) || list->model()->rowCount() < 2)
        return fail(QStringLiteral("Find in Entries found no lines with %1").arg(text));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return !view->extraSelections().isEmpty(); }, timeoutMs))
        return fail(QStringLiteral("the entry picked does not show %1 marked").arg(text));
    settle();
    return save(&window, options, QStringLiteral("find-in-entries"));
}

// The notebook: WORD and "look" looked up, each settled on with Enter and
// its first entry starred with Ctrl+D, the Notebook pane open on the stars,
// the newest with a note, in a window wide enough for the pane.
bool shootNotebook(MainWindow &window, const Options &options)
{
    const QSize size = window.size();
    window.resize(940, 420);
    // The word list as it is, not the lines found in entries.
    auto *findInEntries = child<QAction>(&window, "actionFindInEntries");
    if (findInEntries->isChecked())
        findInEntries->trigger();
    auto *edit = child<QLineEdit>(&window, "searchEdit");
    auto *view = child<QTextBrowser>(&window, "textBrowser");
    auto *stars = child<QTreeView>(&window, "starView");
    for (const QString &word : {options.word, QStringLiteral("look")}) {
        if (word != options.word)
            edit->setText(word);
        if (!(word == options.word
                  ? showWord(window, options)
                  : QTest::qWaitFor([&] { return view->toPlainText().startsWith(word); },
                                    timeoutMs)))
            return fail(QStringLiteral("the page of %1 never came").arg(word));
        QTest::keyClick(edit, Qt::Key_Return);
        child<QAction>(&window, "actionStarEntry")->trigger();
    }
    child<QAction>(&window, "actionNotebook")->trigger();
    auto *tabs = child<QTabWidget>(&window, "tabs");
    click(tabs->tabBar(), tabs->tabBar()->tabRect(1).center());
    if (!QTest::qWaitFor([&] { return stars->model()->rowCount() == 2; }, timeoutMs))
        return fail(QStringLiteral("the Notebook pane never listed the two stars"));
    // A note, as F2 would write it.
    const QModelIndex note = stars->model()->index(0, 2);
    stars->model()->setData(note, QStringLiteral("from chapter 3"));
    stars->setCurrentIndex(stars->model()->index(0, 0));
    settle();
    const bool saved = save(&window, options, QStringLiteral("notebook"));
    child<QAction>(&window, "actionNotebook")->trigger();
    window.resize(size);
    return saved;
}

bool shootPreferences(MainWindow &window, const Options &options)
{
    OptionDialog dialog(window.viewSettings(), &window);
    if (!showAndWait(&dialog))
        return false;
    settle();
    if (!save(&dialog, options, QStringLiteral("preferences-general")))
        return false;

    auto *tabs = child<QTabWidget>(&dialog, "tabWidget");
    click(tabs->tabBar(), tabs->tabBar()->tabRect(1).center());
    auto *view = child<QTableView>(&dialog, "dictionaryView");
    if (tabs->currentIndex() != 1 || !view->model() || view->model()->rowCount() == 0)
        return fail(QStringLiteral("the Dictionary tab lists no dictionary"));
    // A clicked row is selected and enables Remove, as it would for a user.
    settle();
    click(view->viewport(), view->visualRect(view->model()->index(0, 1)).center());
    if (!child<QAbstractButton>(&dialog, "removeButton")->isEnabled())
        return fail(QStringLiteral("clicking the dictionary did not enable Remove"));
    settle();
    return save(&dialog, options, QStringLiteral("preferences-dictionary"));
}

bool shootAbout(MainWindow &window, const Options &options)
{
    AboutDialog dialog(&window);
    if (!showAndWait(&dialog))
        return false;
    settle();
    return save(&dialog, options, QStringLiteral("about"));
}

bool shootWizard(MainWindow &window, const Options &options)
{
    if (options.file.isEmpty())
        return fail(QStringLiteral("the wizard needs --file"));
    DictionaryWizard wizard(&window);
    if (!showAndWait(&wizard))
        return false;

    const QList<QRadioButton *> types = wizard.page(0)->findChildren<QRadioButton *>();
    if (types.isEmpty() || !types.first()->isEnabled())
        return fail(QStringLiteral("no dictionary type can be chosen; is one installed already?"));
    // A radio button takes clicks on its circle and its text only, not
    // anywhere in its width.
    click(types.first(), QPoint(types.first()->height() / 2, types.first()->height() / 2));
    if (!wizard.button(QWizard::NextButton)->isEnabled())
        return fail(QStringLiteral("choosing a type did not enable Next"));
    settle();
    if (!save(&wizard, options, QStringLiteral("wizard-1-introduction")))
        return false;

    click(wizard.button(QWizard::NextButton));
    auto *fileEdit = child<QLineEdit>(wizard.page(1), "fileEdit");
    click(fileEdit);
    QTest::keyClicks(fileEdit, options.file);
    if (wizard.currentId() != 1 || !wizard.button(QWizard::CommitButton)->isEnabled())
        return fail(QStringLiteral("the register page does not accept the file"));
    settle();
    if (!save(&wizard, options, QStringLiteral("wizard-2-register")))
        return false;

    // The build may well outrun the event loop, so the picture is taken from
    // inside the progress update, once the bar has got some way.
    auto *bar = child<QProgressBar>(wizard.page(2), "processBar");
    bool midway = false;
    bool saved = false;
    QObject::connect(bar, &QProgressBar::valueChanged, &wizard, [&](int value) {
        if (!midway && value >= 40 && value < 100) {
            midway = true;
            saved = save(&wizard, options, QStringLiteral("wizard-3-processing"));
        }
    });
    click(wizard.button(QWizard::CommitButton));
    if (!QTest::qWaitFor([&] { return wizard.currentPage()->isComplete(); }, timeoutMs))
        return fail(QStringLiteral("the index build of %1 did not finish").arg(options.file));
    if (!midway)
        return fail(QStringLiteral("the build reported no progress between 40 and 99"));
    if (!saved)
        return false;

    click(wizard.button(QWizard::NextButton));
    if (wizard.currentId() != 3)
        return fail(QStringLiteral("Next did not lead to the conclusion page"));
    settle();
    if (!save(&wizard, options, QStringLiteral("wizard-4-conclusion")))
        return false;
    click(wizard.button(QWizard::FinishButton));
    return wizard.result() == QDialog::Accepted ||
           fail(QStringLiteral("Finish did not accept the wizard"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SettingsStore::nameApplication(app);

    // The same translators as the program, found the same way.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    QTranslator translator;
    loadTranslation(translator, QLocale::system().name());
    QCoreApplication::installTranslator(&translator);

    Options options;
    bool translated = false;
    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--translated"))
            translated = true;
        else if (args.isEmpty())
            break;
        else if (option == QLatin1String("--word"))
            options.word = args.takeFirst();
        else if (option == QLatin1String("--file"))
            options.file = args.takeFirst();
        else if (option == QLatin1String("--suffix"))
            options.suffix = args.takeFirst();
        else
            args.clear();
    }
    if (args.size() < 2 || args.first().startsWith(QLatin1String("--"))) {
        std::fputs(usage, stderr);
        return 2;
    }
    options.out.setPath(args.takeFirst());
    if (!options.out.exists() && !QDir().mkpath(options.out.path())) {
        fail(QStringLiteral("cannot create %1").arg(options.out.path()));
        return 1;
    }
    if (translated && translator.isEmpty()) {
        fail(QStringLiteral("no interface translation for %1 in %2")
                 .arg(QLocale::system().name(), QDir::currentPath()));
        return 1;
    }

    bool ok = true;
    {
        MainWindow window;
        openIndex(&window);
        for (const QString &shot : std::as_const(args)) {
            if (shot == QLatin1String("main"))
                ok = shootMain(window, options);
            else if (shot == QLatin1String("list"))
                ok = shootWordList(window, options);
            else if (shot == QLatin1String("find"))
                ok = shootFindInEntries(window, options);
            else if (shot == QLatin1String("dark"))
                ok = shootDark(window, options);
            else if (shot == QLatin1String("long"))
                ok = shootLongEntry(window, options);
            else if (shot == QLatin1String("popup"))
                ok = shootPopup(window, options);
            else if (shot == QLatin1String("preferences"))
                ok = shootPreferences(window, options);
            else if (shot == QLatin1String("about"))
                ok = shootAbout(window, options);
            else if (shot == QLatin1String("wizard"))
                ok = shootWizard(window, options);
            else if (shot == QLatin1String("notebook"))
                ok = shootNotebook(window, options);
            else
                ok = fail(QStringLiteral("unknown shot %1").arg(shot));
            if (!ok)
                break;
        }
        window.close();
    }
    // A finished wizard's builder may still be committing.
    ConvertThread::stopAll();
    return ok ? 0 : 1;
}
