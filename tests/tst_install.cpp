// `cmake --install` of this build into a scratch prefix: programs, sample,
// menu entry, metadata, icons and manual pages land where a desktop and man
// look for them, the freedesktop validators accept them, the manual pages
// name every option and command the programs' --help names, and the
// installed pieces work together, in Japanese wherever the program starts.
// Also the installation of the sample dictionary on the very first start
// only.

#include "database/database.h"
#include "dictionary/format.h"
#include "edictgenerator.h"
#include "testutil.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTest>

namespace {

using TestUtil::Run;

// What a program wrote, both channels, for checks and failure messages.
QString output(const Run &run)
{
    return run.out + run.err;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The keys of the [Desktop Entry] group, comments and other groups left out.
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> out;
    bool inGroup = false;
    for (const QString &line : readText(path).split('\n')) {
        if (line.startsWith('['))
            inGroup = line == "[Desktop Entry]";
        else if (inGroup && !line.startsWith('#') && line.contains('='))
            out.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return out;
}

QString sourceDir()
{
    return qEnvironmentVariable("ORVEL_SOURCE_DIR");
}

// A manual page's roff source as a reader sees its words: escaped dashes as
// dashes, no font changes, no quotes of the macros' arguments.
QString manualText(const QString &roff)
{
    QString text = roff;
    text.replace(QLatin1String("\\-"), QLatin1String("-"));
    text.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    text.remove(u'"');
    return text;
}

// The options a --help text names (--word and -h), and its commands: the
// first word of each line indented by two spaces under "Commands:".
QStringList helpOptions(const QString &help)
{
    QStringList out;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral(R"((?<![\w-])(--[a-z][a-z-]*|-h)\b)")).globalMatch(help);
    while (it.hasNext())
        out << it.next().captured(1);
    out.removeDuplicates();
    return out;
}

QStringList helpCommands(const QString &help)
{
    QStringList out;
    const QString commands = help.section(QLatin1String("\nCommands:\n"), 1).section("\n\n", 0, 0);
    const QRegularExpression line(QStringLiteral(R"(^  ([a-z]+)\b)"),
                                  QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator it = line.globalMatch(commands);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

// The text of a manual page's section, from its .SH line to the next.
QString manualSection(const QString &text, const QString &name)
{
    const qsizetype start = text.indexOf(QLatin1String("\n.SH ") + name + '\n');
    if (start < 0)
        return QString();
    const qsizetype end = text.indexOf(QLatin1String("\n.SH "), start + 1);
    return text.mid(start, end < 0 ? -1 : end - start);
}

bool namesWord(const QString &text, const QString &word)
{
    return text.contains(QRegularExpression(
        QStringLiteral(R"((?<![\w-])%1(?![\w-]))").arg(QRegularExpression::escape(word))));
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesInPlace();
    void iconAtEachSize_data();
    void iconAtEachSize();
    void manualPage_data();
    void manualPage();
    void desktopEntryStartsTheProgram();
    void menusInJapaneseFromAnyFolder();
    void validatorsAccept();
    void sampleIsTheSource();
    void installedCliLooksUpSample();
    void firstRunInstallsSampleOnce_data();
    void firstRunInstallsSampleOnce();

private:
    QString prefix;
};

void InstallTest::initTestCase()
{
    QVERIFY2(!sourceDir().isEmpty(), "ORVEL_SOURCE_DIR is not set");
    prefix = TestUtil::makeDir("prefix");
    const Run install =
        TestUtil::run(ORVEL_CMAKE_COMMAND, {"--install", ORVEL_BUILD_DIR, "--prefix", prefix});
    QVERIFY2(install.exit == 0, qPrintable(output(install)));
}

void InstallTest::filesInPlace()
{
    const QString id = ORVEL_APP_ID;
    const QStringList files{"bin/orvel",
                            "bin/orvel-cli",
                            "share/orvel/samples/sample-eijiro.txt",
                            "share/applications/" + id + ".desktop",
                            "share/metainfo/" + id + ".metainfo.xml",
                            "share/icons/hicolor/scalable/apps/orvel.svg",
                            "share/man/man1/orvel.1.gz",
                            "share/man/man1/orvel-cli.1.gz",
                            "share/doc/orvel/changelog.gz",
                            "share/doc/orvel/copyright"};
    for (const QString &file : files)
        QVERIFY2(QFileInfo(prefix + "/" + file).isFile(), qPrintable(file));
    QVERIFY(QFileInfo(prefix + "/bin/orvel").isExecutable());
    QVERIFY(QFileInfo(prefix + "/bin/orvel-cli").isExecutable());
    QVERIFY(readText(prefix + "/share/icons/hicolor/scalable/apps/orvel.svg").contains("<svg"));
}

void InstallTest::iconAtEachSize_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

// A theme folder promises its size, and the picture is the logo, not an
// empty square.
void InstallTest::iconAtEachSize()
{
    QFETCH(int, size);
    const QString path =
        prefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/orvel.png").arg(size);
    const QImage image(path);
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

void InstallTest::manualPage_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("sections");
    const QStringList common{"NAME",        "SYNOPSIS",    "DESCRIPTION", "OPTIONS", "FILES",
                             "ENVIRONMENT", "EXIT STATUS", "EXAMPLES",    "SEE ALSO"};
    QTest::newRow("orvel") << "orvel" << common;
    QTest::newRow("orvel-cli") << "orvel-cli" << QStringList(common) + QStringList{"COMMANDS"};
}

// Each program's manual page: compressed as Debian wants it, of this
// version, with a reader's sections, and naming every option and command
// the program's --help names in its synopsis and where it is explained,
// and no option the program does not know.
void InstallTest::manualPage()
{
    QFETCH(QString, program);
    QFETCH(QStringList, sections);
    const QString page = prefix + "/share/man/man1/" + program + ".1.gz";

    // gzip -n: no file name and no time in the header, so the same page
    // gives the same bytes.
    const QByteArray gz = TestUtil::readBytes(page);
    QVERIFY(gz.startsWith("\x1f\x8b\x08"));
    QCOMPARE(gz.at(3) & 0x08, 0);
    QCOMPARE(gz.mid(4, 4), QByteArray(4, '\0'));
    const Run unzip = TestUtil::run("gzip", {"-dc", page});
    QCOMPARE(unzip.exit, 0);
    const QString text = manualText(unzip.out);

    QVERIFY2(text.startsWith(".TH " + program.toUpper() + " 1 "), qPrintable(text.left(80)));
    QVERIFY(text.section('\n', 0, 0).contains("Orvel " ORVEL_VERSION " "));
    for (const QString &section : sections)
        QVERIFY2(!manualSection(text, section).isEmpty(), qPrintable(section));

    const Run help = TestUtil::run(prefix + "/bin/" + program, {"--help"});
    QCOMPARE(help.exit, 0);
    const QStringList options = helpOptions(help.out);
    QVERIFY(options.contains("--help") && options.contains("--version"));
    const QString synopsis = manualSection(text, "SYNOPSIS");
    const QString explained = manualSection(text, "OPTIONS") + manualSection(text, "COMMANDS");
    for (const QString &option : options) {
        QVERIFY2(namesWord(synopsis, option), qPrintable(option + " is not in the synopsis"));
        QVERIFY2(namesWord(explained, option), qPrintable(option + " is not explained"));
    }
    // A program with commands has a section that explains them.
    QCOMPARE(helpCommands(help.out).isEmpty(), !sections.contains("COMMANDS"));
    for (const QString &command : helpCommands(help.out)) {
        QVERIFY2(namesWord(synopsis, command), qPrintable(command + " is not in the synopsis"));
        QVERIFY2(
            manualSection(text, "COMMANDS")
                .contains(QRegularExpression("\n\\.TP\n\\.(BR?|BI) [^\n]*\\b" + command + "\\b")),
            qPrintable(command + " has no paragraph of its own"));
        QVERIFY2(namesWord(manualSection(text, "EXIT STATUS"), command) ||
                     !help.out.section("Exit status:", 1).contains(command),
                 qPrintable(command + "'s exit status is not told"));
    }
    for (const QString &option : helpOptions(text))
        QVERIFY2(options.contains(option), qPrintable(option + " is not an option of " + program));
}

void InstallTest::desktopEntryStartsTheProgram()
{
    const QMap<QString, QString> entry =
        desktopEntry(prefix + "/share/applications/" ORVEL_APP_ID ".desktop");
    QCOMPARE(entry.value("Type"), QString("Application"));
    QCOMPARE(entry.value("Exec"), QString("orvel"));
    QVERIFY(QFileInfo(prefix + "/bin/" + entry.value("Exec")).isExecutable());
    QVERIFY(QFileInfo(prefix + "/share/icons/hicolor/scalable/apps/" + entry.value("Icon") + ".svg")
                .isFile());
    // Started from wherever the desktop starts it.
    QVERIFY(!entry.contains("Path"));
}

// The installed program, started from the root folder under a Japanese
// locale: its menus are Japanese, though no catalogue lies in that folder.
void InstallTest::menusInJapaneseFromAnyFolder()
{
    // A home of its own: the first start's checks below need this one new.
    const QString home = TestUtil::makeDir("japanese-home");
    TestUtil::RunOptions options;
    options.workingDirectory = "/";
    options.environment = {{"HOME", home},
                           {"XDG_CONFIG_HOME", home + "/config"},
                           {"XDG_DATA_HOME", home + "/data"},
                           {"LANG", "ja_JP.UTF-8"},
                           {"LC_ALL", ""},
                           {"LC_MESSAGES", ""},
                           {"LANGUAGE", ""},
                           {"QT_PLUGIN_PATH", ORVEL_PLUGIN_DIR},
                           {"QT_QPA_GENERIC_PLUGINS", "orvelmenuprobe"}};
    QVERIFY(!QFileInfo::exists("/orvel_ja.qm") && !QFileInfo::exists("/Lang/orvel_ja.qm"));
    // Should the plug-in not load, nothing would end the program.
    const Run run = TestUtil::run("timeout", {"60", prefix + "/bin/orvel"}, options);
    QVERIFY2(run.exit == 0, qPrintable(output(run)));
    QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts),
             QStringList({"ファイル(&F)", "編集(&E)", "書式(&O)", "表示(&V)", "移動(&G)",
                          "ウィンドウ(&W)", "ヘルプ(&H)"}));
}

void InstallTest::validatorsAccept()
{
    const QString desktopValidate = QStandardPaths::findExecutable("desktop-file-validate");
    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    if (desktopValidate.isEmpty() || appstream.isEmpty())
        QSKIP("desktop-file-validate or appstreamcli is not installed "
              "(packages desktop-file-utils, appstream)");

    const Run desktop =
        TestUtil::run(desktopValidate, {prefix + "/share/applications/" ORVEL_APP_ID ".desktop"});
    QVERIFY2(desktop.exit == 0 && output(desktop).trimmed().isEmpty(), qPrintable(output(desktop)));

    const Run metainfo =
        TestUtil::run(appstream, {"validate", "--no-net",
                                  prefix + "/share/metainfo/" ORVEL_APP_ID ".metainfo.xml"});
    QVERIFY2(metainfo.exit == 0, qPrintable(output(metainfo)));
    // Its release is the program's own version.
    QVERIFY(readText(prefix + "/share/metainfo/" ORVEL_APP_ID ".metainfo.xml")
                .contains("<release version=\"" ORVEL_VERSION "\""));
    // The tree check also follows the metadata to the menu entry it names.
    const Run tree = TestUtil::run(appstream, {"validate-tree", "--no-net", prefix});
    QVERIFY2(tree.exit == 0, qPrintable(output(tree)));
}

void InstallTest::sampleIsTheSource()
{
    QFile file(prefix + "/share/orvel/samples/sample-eijiro.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Eijiro files come with CR LF; every line has it, the last one too.
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));

    // What the program decodes is exactly the UTF-8 source: no character was
    // lost or swapped on the way to Shift_JIS.
    QStringDecoder decoder("Shift_JIS");
    QVERIFY(decoder.isValid());
    QString text = decoder.decode(bytes);
    QVERIFY(!decoder.hasError());
    text.replace("\r\n", "\n");
    const QString source = readText(sourceDir() + "/samples/sample-utf8.txt");
    QVERIFY(!source.isEmpty());
    QCOMPARE(text, source);

    // Every line is an entry line, and a body never holds a " : " that would
    // stretch the head over it and cost the line its index key.
    QStringList faults;
    const QStringList lines = source.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 300);
    for (const QString &line : lines) {
        Eijiro::IndexerReading reading;
        if (!Eijiro::readIndexer(line + "\r\n", &reading) || reading.head.contains(" : "))
            faults << line;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void InstallTest::installedCliLooksUpSample()
{
    const QString cli = prefix + "/bin/orvel-cli";
    const Run help = TestUtil::run(cli, {"--help"});
    QCOMPARE(help.exit, 0);
    QVERIFY2(output(help).startsWith("Usage: orvel-cli"), qPrintable(output(help)));

    const QString database = TestUtil::makeDir("cli") + "/index.db";
    const Run install = TestUtil::run(cli, {"--database", database, "install",
                                            prefix + "/share/orvel/samples/sample-eijiro.txt"});
    QVERIFY2(install.exit == 0, qPrintable(output(install)));

    // Labelled senses, and a full-width head typed in lower case.
    const Run runPage = TestUtil::run(cli, {"--database", database, "lookup", "Run"});
    QVERIFY2(runPage.exit == 0, qPrintable(output(runPage)));
    QVERIFY2(output(runPage).contains("走る") && output(runPage).contains("自動") &&
                 output(runPage).contains("他動"),
             qPrintable(output(runPage)));
    const Run cd = TestUtil::run(cli, {"--database", database, "lookup", "ｃｄ"});
    QVERIFY2(cd.exit == 0 && output(cd).contains("コンパクトディスク"), qPrintable(output(cd)));
}

void InstallTest::firstRunInstallsSampleOnce_data()
{
    QTest::addColumn<bool>("edict");
    QTest::newRow("without EDICT") << false;
    QTest::newRow("with EDICT") << true;
}

// The very first start gets the EDICT file where the system has one, named
// "EDICT", and the sample after it; later starts change nothing.
void InstallTest::firstRunInstallsSampleOnce()
{
    QFETCH(bool, edict);
    const QString script = sourceDir() + "/tools/install-sample.sh";
    const QString cli = QString(ORVEL_BUILD_DIR) + "/cli/orvel-cli";
    const QString copy = qEnvironmentVariable("XDG_DATA_HOME") + "/orvel/sample-eijiro.txt";
    QVERIFY(!qEnvironmentVariable("XDG_DATA_HOME").isEmpty());
    const QString dir = TestUtil::makeDir(QTest::currentDataTag());
    const QString edictFile = dir + "/edict";
    if (edict)
        QVERIFY(TestUtil::writeBytes(edictFile, EdictGenerator::generate({120, 2})) == edictFile);
    TestUtil::RunOptions options;
    options.environment["ORVEL_EDICT_FILE"] = edictFile;
    const QString edictRow = "1\tEDICT\tEDICT\ton\t120\t" + edictFile + "\n";
    const QString listed = edict ? edictRow + "2\tsample-eijiro\tEijiro\ton\t446\t" + copy + "\n"
                                 : "1\tsample-eijiro\tEijiro\ton\t446\t" + copy + "\n";

    // A very first start: Orvel's own database (of this isolated home) does
    // not exist yet.
    QVERIFY(!QFileInfo::exists(Database::path()));
    const Run first = TestUtil::run("bash", {script, ORVEL_BUILD_DIR}, options);
    QVERIFY2(first.exit == 0, qPrintable(output(first)));
    QVERIFY2(output(first).contains("sample dictionary has been") &&
                 output(first).contains("Preferences...") && output(first).contains(copy),
             qPrintable(output(first)));
    QCOMPARE(output(first).contains(edictFile), edict);
    QCOMPARE(output(TestUtil::run(cli, {"list"})), listed);

    // From then on the script keeps quiet and changes nothing: not while a
    // dictionary is installed, nor once the user has removed it.
    const Run second = TestUtil::run("bash", {script, ORVEL_BUILD_DIR}, options);
    QCOMPARE(second.exit, 0);
    QCOMPARE(output(second), QString());
    QCOMPARE(output(TestUtil::run(cli, {"list"})), listed);
    for (const QString id : {"2", "1"}) {
        if (id == "1" || edict)
            QCOMPARE(TestUtil::run(cli, {"remove", id}).exit, 0);
    }
    const Run third = TestUtil::run("bash", {script, ORVEL_BUILD_DIR}, options);
    QCOMPARE(third.exit, 0);
    QCOMPARE(output(third), QString());
    QCOMPARE(output(TestUtil::run(cli, {"list"})), QString());
    // The next row starts without a database again.
    for (const QString suffix : {"", "-wal", "-shm"})
        QFile::remove(Database::path() + suffix);
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
