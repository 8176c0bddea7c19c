// The Japanese catalogue Lang/orvel_ja.ts: every text of the interface is
// translated, nothing in it is stale, and the built catalogue, loaded the way
// the program loads it, turns the windows, the wizard and the pages of the
// look-up Japanese.

#include "about/aboutdialog.h"
#include "app/translation.h"
#include "dictionary/convertthread.h"
#include "preferences/optiondialog.h"
#include "testutil.h"
#include "windowfixture.h"
#include "wizard/dictionarywizard.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTranslator>
#include <QWizardPage>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // "unfinished", "obsolete", "vanished" or empty
};

struct Catalogue
{
    QString language;
    QList<Message> messages;
    QString error;
};

Catalogue readCatalogue(const QString &path)
{
    Catalogue out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = path + ": " + file.errorString();
        return out;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("TS")) {
            out.language = xml.attributes().value("language").toString();
        } else if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            message = Message{context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            message.type = xml.attributes().value("type").toString();
            message.translation = xml.readElementText();
            out.messages << message;
        }
    }
    if (xml.hasError())
        out.error = path + ": " + xml.errorString();
    return out;
}

QSet<QString> keys(const Catalogue &catalogue)
{
    QSet<QString> out;
    for (const Message &m : catalogue.messages)
        out << m.context + " | " + m.source;
    return out;
}

bool isJapanese(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF))
            return true;
    }
    return false;
}

QStringList placeholders(const QString &text)
{
    QStringList out;
    QRegularExpressionMatchIterator it = QRegularExpression("%\\d").globalMatch(text);
    while (it.hasNext())
        out << it.next().captured();
    out.sort();
    return out;
}

// The patterns of a file-dialog filter list: "All (*);;Text (*.txt)" gives
// "(*)" and "(*.txt)". A translated label may change, a pattern may not.
QStringList filterPatterns(const QString &filters)
{
    QStringList out;
    for (const QString &filter : filters.split(";;")) {
        const int open = filter.lastIndexOf('(');
        out << (open < 0 ? QString() : filter.mid(open));
    }
    return out;
}

QString sourceDir()
{
    return qEnvironmentVariable("ORVEL_SOURCE_DIR");
}

// Every text of `root` that a user reads and that is still in English.
// Widgets named in `keep` carry texts that are never translated.
QStringList englishTexts(QWidget *root, const QSet<QString> &keep)
{
    QStringList out;
    auto check = [&](const QObject *object, const QString &text) {
        if (!text.isEmpty() && !keep.contains(object->objectName()) && !isJapanese(text))
            out << object->objectName() + ": " + text;
    };
    for (const QLabel *label : root->findChildren<QLabel *>())
        check(label, label->text());
    for (const QAbstractButton *button : root->findChildren<QAbstractButton *>())
        check(button, button->text());
    for (const QTabWidget *tabs : root->findChildren<QTabWidget *>())
        for (int i = 0; i < tabs->count(); ++i)
            check(tabs->widget(i), tabs->tabText(i));
    return out;
}

} // namespace

class TranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogueIsComplete();
    void catalogueMatchesSources();
    void mainWindowAndLookUpInJapanese();
    void dialogsAndWizardInJapanese();

private:
    QTranslator translator;
};

void TranslationTest::initTestCase()
{
    QVERIFY2(!sourceDir().isEmpty(), "ORVEL_SOURCE_DIR is not set");
    QVERIFY2(QFile::exists(ORVEL_QM_FILE), "the catalogue has not been built: " ORVEL_QM_FILE);

    // Laid out as beside the program: the catalogue under Lang/ of the
    // working directory, found by the real loader through the ja_JP -> ja
    // fallback.
    const QString dir = TestUtil::makeDir("ja");
    QVERIFY(QDir().mkpath(dir + "/Lang"));
    QVERIFY(QFile::copy(ORVEL_QM_FILE, dir + "/Lang/orvel_ja.qm"));
    QVERIFY(QDir::setCurrent(dir));
    loadTranslation(translator, "ja_JP");
    QVERIFY(!translator.isEmpty());
    QCoreApplication::installTranslator(&translator);
}

void TranslationTest::catalogueIsComplete()
{
    const Catalogue catalogue = readCatalogue(sourceDir() + "/Lang/orvel_ja.ts");
    QVERIFY2(catalogue.error.isEmpty(), qPrintable(catalogue.error));
    QVERIFY(catalogue.language.startsWith("ja"));
    QVERIFY(!catalogue.messages.isEmpty());

    QStringList faults;
    QSet<QString> seen;
    for (const Message &m : catalogue.messages) {
        const QString where = m.context + " | " + m.source + " -> " + m.translation + ": ";
        if (seen.contains(m.context + " | " + m.source))
            faults << where + "listed twice";
        seen << m.context + " | " + m.source;
        if (!m.type.isEmpty())
            faults << where + m.type;
        if (!isJapanese(m.translation))
            faults << where + "not translated";
        if (placeholders(m.source) != placeholders(m.translation))
            faults << where + "placeholders differ";
        if (m.source.count(u'\n') != m.translation.count(u'\n'))
            faults << where + "line breaks differ";
        // The not-found suffix is appended straight after the word.
        if (m.source.startsWith(' ') != m.translation.startsWith(' '))
            faults << where + "leading space differs";
        if (m.source.contains(";;") && filterPatterns(m.source) != filterPatterns(m.translation))
            faults << where + "file filter patterns differ";
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void TranslationTest::catalogueMatchesSources()
{
    // Every folder of the program with a CMakeLists.txt may hold texts;
    // tests, benchmarks and tools show nothing to the user.
    const QSet<QString> notProgram{"tests", "bench", "tools", "fuzz", "dist"};
    QStringList folders;
    const QDir root(sourceDir());
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (!notProgram.contains(name) && QFile::exists(root.filePath(name + "/CMakeLists.txt")))
            folders << root.filePath(name);
    QVERIFY(folders.size() > 5);

    const QString fresh = TestUtil::makeDir("lupdate") + "/fresh_ja.ts";
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(ORVEL_LUPDATE,
                  QStringList{"-silent", "-no-obsolete", "-locations", "none", "-I", sourceDir()}
                      << folders << QStringList{"-ts", fresh});
    QVERIFY(lupdate.waitForFinished(120000));
    QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());

    const Catalogue fromSources = readCatalogue(fresh);
    QVERIFY2(fromSources.error.isEmpty(), qPrintable(fromSources.error));
    const Catalogue committed = readCatalogue(sourceDir() + "/Lang/orvel_ja.ts");
    QVERIFY2(committed.error.isEmpty(), qPrintable(committed.error));

    const QStringList missing = (keys(fromSources) - keys(committed)).values();
    const QStringList stale = (keys(committed) - keys(fromSources)).values();
    QVERIFY2(missing.isEmpty(), qPrintable("texts without a translation (run the "
                                           "update_translations target):\n" +
                                           missing.join('\n')));
    QVERIFY2(stale.isEmpty(),
             qPrintable("translations of texts no longer in the sources:\n" + stale.join('\n')));
}

void TranslationTest::mainWindowAndLookUpInJapanese()
{
    WindowFixture w;
    MainWindow &window = w.window;
    window.show();

    QStringList titles;
    for (const QAction *menu : window.findChild<QMenuBar *>("menuBar")->actions())
        titles << menu->text();
    QCOMPARE(titles, QStringList({"ファイル(&F)", "編集(&E)", "書式(&O)", "表示(&V)", "移動(&G)",
                                  "ウィンドウ(&W)", "ヘルプ(&H)"}));
    QStringList english;
    for (const QMenu *menu : window.findChildren<QMenu *>())
        for (const QAction *action : menu->actions())
            if (!action->isSeparator() && !isJapanese(action->text()))
                english << action->objectName() + ": " + action->text();
    QVERIFY2(english.isEmpty(), qPrintable(english.join('\n')));
    QCOMPARE(window.windowTitle(), QString("Orvel"));

    // No dictionary yet: the worker's page, with its line breaks, and the
    // window's link to Preferences under it.
    auto *search = window.findChild<QLineEdit *>("searchEdit");
    auto *browser = window.findChild<QTextBrowser *>("textBrowser");
    search->setText("run");
    QTRY_VERIFY(!browser->toPlainText().isEmpty());
    QCOMPARE(browser->toPlainText().split(QRegularExpression("[\\n\\x{2028}]")),
             QStringList({"辞書がインストールされていません。", "",
                          "設定ダイアログで新しい辞書をセットアップしてください。",
                          "[編集] - [設定] - [辞書] タブ", "", "設定の [辞書] タブを開く"}));

    // With a dictionary, a word it lacks gives the not-found page, and the
    // time it took.
    const QString file = TestUtil::makeDir("dict") + "/dict.txt";
    TestUtil::writeDictionary(file, {"■water  {名} : 水"});
    QCOMPARE(TestUtil::install(file), int(ConvertThread::Committed));
    browser->clear();
    search->setText("wind");
    QTRY_COMPARE(browser->toPlainText(), QString("wind は見つかりませんでした。"));
    auto *status = window.findChild<QStatusBar *>("statusBar");
    QTRY_VERIFY(!status->currentMessage().isEmpty());
    QVERIFY2(QRegularExpression("^\\d+\\.\\d{3} 秒$").match(status->currentMessage()).hasMatch(),
             qPrintable(status->currentMessage()));
}

void TranslationTest::dialogsAndWizardInJapanese()
{
    WindowFixture w;
    MainWindow &window = w.window;

    OptionDialog options(window.viewSettings(), &window);
    QCOMPARE(options.windowTitle(), QString("設定"));
    QStringList english = englishTexts(&options, {});
    QVERIFY2(english.isEmpty(), qPrintable(english.join('\n')));
    const QAbstractItemModel *model = options.findChild<QTableView *>("dictionaryView")->model();
    QVERIFY(model);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString("名前"));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QString("ファイル"));

    DictionaryWizard wizard(&options);
    QCOMPARE(wizard.windowTitle(), QString("新しい辞書の追加"));
    for (int id : wizard.pageIds()) {
        QWizardPage *page = wizard.page(id);
        QVERIFY2(isJapanese(page->title()), qPrintable(page->title()));
        QVERIFY2(isJapanese(page->subTitle()), qPrintable(page->subTitle()));
        english = englishTexts(page, {});
        QVERIFY2(english.isEmpty(), qPrintable(english.join('\n')));
    }

    AboutDialog about(&window);
    QCOMPARE(about.windowTitle(), QString("Orvel について"));
    english = englishTexts(&about, {"titleLabel", "numberLabel", "copyrightLabel"});
    QVERIFY2(english.isEmpty(), qPrintable(english.join('\n')));
}

QTEST_MAIN(TranslationTest)
#include "tst_translation.moc"
