// One Orvel per user and display: `orvel WORD` started while one runs hands
// the word over and ends, a socket left by a crash is taken over, and the
// socket takes nothing but a well-formed word.

#include "app/commandline.h"
#include "app/singleinstance.h"
#include "app/x11selection.h"
#include "mainwindow/popupwindow.h"
#include "testutil.h"
#include "windowfixture.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString program()
{
    return qEnvironmentVariable("ORVEL_BUILD_DIR") + "/app/orvel";
}

// Runs orvel to its end; its exit status, or -1 when it is still running
// after `ms` (then it is killed) or crashed. `environment` is set on top of
// the test's own.
int run(const QStringList &arguments, QByteArray *stderrText = nullptr, int ms = 20000,
        const QMap<QString, QString> &environment = {}, QByteArray *stdoutText = nullptr)
{
    QProcess orvel;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        variables.insert(it.key(), it.value());
    orvel.setProcessEnvironment(variables);
    orvel.start(program(), arguments);
    // The test's own event loop must run meanwhile: it may be the Orvel that
    // takes the word.
    if (!QTest::qWaitFor([&] { return orvel.state() == QProcess::NotRunning; }, ms)) {
        orvel.kill();
        orvel.waitForFinished();
        return -1;
    }
    if (stderrText)
        *stderrText = orvel.readAllStandardError();
    if (stdoutText)
        *stdoutText = orvel.readAllStandardOutput();
    return orvel.exitStatus() == QProcess::NormalExit ? orvel.exitCode() : -1;
}

bool listening(const QString &path)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(1000);
}

} // namespace

class InstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void handedToTheRunningWindow_data();
    void handedToTheRunningWindow();
    void popupFromTheRunningOrvel();
    void socketLeftByACrashIsTakenOver();
    void onlyWellFormedWordsArrive_data();
    void onlyWellFormedWordsArrive();
    void listenerHolds_data();
    void listenerHolds();
    void aListenerThatRefusesEveryWordIsSaid();
    void selectionOrClipboard();
    void selectionWithinASecond_data();
    void selectionWithinASecond();
    void commandLine_data();
    void commandLine();
};

void InstanceTest::handedToTheRunningWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a word") << QStringList{"water"} << "water";
    // The toolkit's options are the toolkit's; several words are a phrase.
    QTest::newRow("Qt's options, a phrase")
        << QStringList{"-platform", "offscreen", "-style", "Fusion", "look", "  up"} << "look up";
    // No word only brings the window forward.
    QTest::newRow("no word") << QStringList{} << "water";
    // Nothing from outside may turn the page or the title around.
    QTest::newRow("punctuation around") << QStringList{"\u300c(water),"} << "water";
    QTest::newRow("marks that turn text around")
        << QStringList{"\u202Ewa\u2066ter\u200F", "\u061C"} << "water";
    // Cut to its longest, never inside a character.
    QTest::newRow("a word too long")
        << QStringList{QString(255, 'w') + QString::fromUtf16(u"\U0001F600") + "xyz"}
        << QString(255, 'w');
}

void InstanceTest::handedToTheRunningWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, shown);
    SingleInstance instance;
    QCOMPARE(instance.claim(QString()), SingleInstance::Role::Listening);
    WindowFixture w;
    MainWindow &window = w.window;
    connect(&instance, &SingleInstance::wordReceived, &window, &MainWindow::showFromOutside);
    auto *edit = w.edit;
    edit->setText("water");

    QVERIFY(!window.isVisible());
    QCOMPARE(run(arguments), 0);
    // The sender ends once its word is written, maybe before this window has
    // read it; the window comes forward in the same step as it looks it up.
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), TestUtil::waitTimeout);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(window.windowTitle(), "\u2068" + shown + "\u2069 - Orvel");
}

// `orvel --popup WORD` shows the pop-up of the Orvel running; its window
// stays as it was.
void InstanceTest::popupFromTheRunningOrvel()
{
    // Alone, a pop-up of nothing would leave a run without a window.
    QByteArray errors;
    QCOMPARE(run({"--popup", "--selection"}, &errors), 1);
    QVERIFY2(errors.contains(CommandLine::nothingSelected().toUtf8()), errors.constData());

    SingleInstance instance;
    QCOMPARE(instance.claim(QString()), SingleInstance::Role::Listening);
    WindowFixture w;
    PopupWindow popup(w.window.viewSettings());
    connect(&instance, &SingleInstance::popupReceived, &popup, &PopupWindow::showWord);
    connect(&instance, &SingleInstance::wordReceived, &w.window, &MainWindow::showFromOutside);
    // Running, nothing selected is said as well, and nothing handed over.
    int handed = 0;
    connect(&instance, &SingleInstance::popupReceived, this, [&handed] { ++handed; });
    errors.clear();
    QCOMPARE(run({"--popup", "--selection"}, &errors), 1);
    QVERIFY2(errors.contains(CommandLine::nothingSelected().toUtf8()), errors.constData());
    QCOMPARE(run({"--popup", "  water "}), 0);
    QTRY_VERIFY(popup.isVisible());
    QCOMPARE(handed, 1);
    QCOMPARE(popup.word(), QString("water"));
    QVERIFY(!w.window.isVisible());
    QVERIFY(w.edit->text().isEmpty());
}

void InstanceTest::socketLeftByACrashIsTakenOver()
{
    const QString path = SingleInstance::defaultPath();
    for (int crash = 0; crash < 2; ++crash) {
        QProcess first;
        first.start(program(), {"alpha"});
        QTRY_VERIFY_WITH_TIMEOUT(listening(path), 20000);
        // A later start hands over and ends.
        QCOMPARE(run({"beta"}), 0);
        // Handed a word, the first one looks it up: it must still be there.
        QVERIFY2(
            first.state() == QProcess::Running,
            qPrintable(QString("exit %1 (%2): %3")
                           .arg(first.exitCode())
                           .arg(first.exitStatus() == QProcess::CrashExit ? "crashed" : "ended")
                           .arg(QString::fromLocal8Bit(first.readAllStandardError()))));
        // Killed, it leaves its socket behind; the next start must not
        // mistake it for a running Orvel, nor fail on it, nor on the lock
        // of a start cut off halfway.
        const qint64 pid = first.processId();
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(path));
        QVERIFY(!listening(path));
        TestUtil::writeBytes(
            path + ".lock",
            QString("%1\norvel\n%2\n").arg(pid).arg(QSysInfo::machineHostName()).toUtf8());
    }
}

void InstanceTest::onlyWellFormedWordsArrive_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("words");
    const QByteArray longest(SingleInstance::maxMessageBytes - 1, 'a');
    const auto row = [](const char *name, const QByteArray &message, const QStringList &words) {
        QTest::newRow(name) << message << words;
    };
    row("a word", "water\n", {"water"});
    row("UTF-8", "水\n", {"水"});
    row("no word", "\n", {""});
    row("at the bound", longest + '\n', {QString(longest)});
    row("too long", longest + "a\n", {});
    row("far too long", QByteArray(1 << 20, 'a'), {});
    row("unfinished", "water", {});
    row("two lines", "wa\nter\n", {});
    row("not UTF-8", "wat\xff\xfe\n", {});
    row("a control character", "wa\x1bter\n", {});
    row("a NUL", QByteArray("wa\0ter\n", 7), {});
    row("for the pop-up", "popup\twater\n", {"popup: water"});
    row("for the pop-up, no word", "popup\t\n", {"popup: "});
    row("another tab", "window\twater\n", {});
    row("the pop-up's, a control character", "popup\twa\x1bter\n", {});
}

void InstanceTest::onlyWellFormedWordsArrive()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, words);
    const QString path = TestUtil::makeDir("socket") + "/orvel";
    SingleInstance instance(path);
    QCOMPARE(instance.claim(QString()), SingleInstance::Role::Listening);
    QStringList received;
    connect(&instance, &SingleInstance::wordReceived, this,
            [&](const QString &word) { received << word; });
    connect(&instance, &SingleInstance::popupReceived, this,
            [&](const QString &word) { received << "popup: " + word; });

    // Sent and left open: the server takes it or cuts it off in time. Then
    // the next well-formed message still gets through.
    for (const QByteArray &sent : {message, QByteArray("next\n")}) {
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected());
        client.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState,
                                  SingleInstance::timeout * 2);
    }
    QCOMPARE(received, words << "next");
}

void InstanceTest::listenerHolds_data()
{
    QTest::addColumn<int>("silent");   // connections made and left silent
    QTest::addColumn<bool>("starved"); // no file descriptor to spare meanwhile
    QTest::newRow("out of file descriptors") << 1 << true;
    QTest::newRow("more connections than it holds") << SingleInstance::maxConnections + 50 << false;
}

// Whatever comes at it, the listener keeps its socket, and `orvel WORD`
// hands its word over once it can.
void InstanceTest::listenerHolds()
{
    QFETCH(int, silent);
    QFETCH(bool, starved);
    const QString path = SingleInstance::defaultPath();
    SingleInstance instance;
    // Only this user may reach the socket, whatever the mask would allow.
    const mode_t mask = ::umask(0);
    QCOMPARE(instance.claim(QString()), SingleInstance::Role::Listening);
    ::umask(mask);
    struct stat info;
    QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode));
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QStringList received;
    connect(&instance, &SingleInstance::wordReceived, this,
            [&](const QString &w) { received << w; });
    std::vector<std::unique_ptr<QLocalSocket>> clients(silent);
    for (auto &client : clients) {
        client = std::make_unique<QLocalSocket>();
        client->connectToServer(path);
        QVERIFY(client->waitForConnected());
    }
    if (starved) {
        // No descriptor to spare while the listener meets the connection:
        // every one below the limit is taken.
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        const int lowestFree = dup(0);
        close(lowestFree);
        const rlimit none{rlim_t(lowestFree), limit.rlim_max};
        setrlimit(RLIMIT_NOFILE, &none);
        QTest::qWait(300);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    // Those past the bound are told at once, long before the held time out.
    QTest::qWait(300);
    int refused = 0;
    for (const auto &client : clients)
        refused += client->readAll() == SingleInstance::busyReply;
    QCOMPARE(refused, qMax(0, silent - SingleInstance::maxConnections));

    QCOMPARE(run({"water"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(received, QStringList{"water"}, TestUtil::waitTimeout);
    QVERIFY(listening(path));
}

// Every connection refused as busy, for longer than a start waits: it
// says why it gives up, and opens no second Orvel.
void InstanceTest::aListenerThatRefusesEveryWordIsSaid()
{
    const QString path = SingleInstance::defaultPath();
    QLocalServer::removeServer(path);
    QLocalServer busy;
    QVERIFY(busy.listen(path));
    int refused = 0;
    connect(&busy, &QLocalServer::newConnection, this, [&] {
        while (QLocalSocket *socket = busy.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(SingleInstance::busyReply);
            socket->flush();
            socket->disconnectFromServer();
            ++refused;
        }
    });
    QByteArray errors;
    QCOMPARE(run({"water"}, &errors), 1);
    QVERIFY2(errors == "orvel: " + CommandLine::runningButBusy().toUtf8() + "\n",
             errors.constData());
    QVERIFY(refused > 1);
}

void InstanceTest::selectionOrClipboard()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("copied");
    QCOMPARE(selectedText().value_or("<none>"), QString("copied"));
    if (clipboard->supportsSelection()) {
        clipboard->setText("selected", QClipboard::Selection);
        QCOMPARE(selectedText().value_or("<none>"), QString("selected"));
    }
}

void InstanceTest::selectionWithinASecond_data()
{
    QTest::addColumn<QString>("selected"); // empty: nothing is selected anywhere
    QTest::addColumn<bool>("frozen");
    QTest::newRow("nothing selected") << QString() << false;
    QTest::newRow("a word selected") << "水 water" << false;
    QTest::newRow("its program frozen") << "water" << true;
}

void InstanceTest::selectionWithinASecond()
{
    QFETCH(QString, selected);
    QFETCH(bool, frozen);
    // An X server of the test's own, and a program in which the text is
    // selected, stopped when frozen.
    QProcess server, owner;
    server.start("Xvfb", {"-displayfd", "1"});
    const auto stop = qScopeGuard([&] { server.terminate(), server.waitForFinished(); });
    if (!QTest::qWaitFor([&] { return server.canReadLine(); }, 20000))
        QSKIP("Xvfb could not be started");
    const QByteArray display = ':' + server.readLine().trimmed();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    if (!selected.isEmpty()) {
        owner.setProcessEnvironment(environment);
        owner.start(ORVEL_SELECTION_OWNER, {selected});
        QVERIFY(QTest::qWaitFor([&] { return owner.canReadLine(); }, 20000));
        if (frozen)
            kill(pid_t(owner.processId()), SIGSTOP);
    }
    QElapsedTimer timer;
    timer.start();
    QString text;
    QCOMPARE(X11Selection::read(display, QDeadlineTimer(selectionTimeout), &text),
             frozen ? X11Selection::Outcome::NoAnswer : X11Selection::Outcome::Read);
    QVERIFY(timer.elapsed() < selectionTimeout + 500);
    QCOMPARE(text, frozen ? QString() : selected);
    if (!frozen)
        return;

    // The program says so a second after asking, where Qt's clipboard would
    // wait 15 s and more (the rest is slack for its start), and starts as
    // for no word.
    QProcess orvel;
    orvel.setProcessEnvironment(environment);
    orvel.start(program(), {"--selection"});
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT(
        (errors += orvel.readAllStandardError()).contains(CommandLine::noSelection().toUtf8()),
        10000);
    QTest::qWait(500);
    QCOMPARE(orvel.state(), QProcess::Running);
}

void InstanceTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("popup");
    const auto row = [](const char *name, const QStringList &arguments, CommandLine::Action action,
                        bool selection, const char *word) {
        QTest::newRow(name) << arguments << int(action) << selection << QString(word)
                            << arguments.contains("--popup");
    };
    row("nothing", {}, CommandLine::Run, false, "");
    row("a phrase", {"take", "off"}, CommandLine::Run, false, "take off");
    row("a word like an option", {"--", "-ism"}, CommandLine::Run, false, "-ism");
    row("selection", {"--selection"}, CommandLine::Run, true, "");
    row("selection and a word", {"--selection", "run"}, CommandLine::Wrong, true, "run");
    row("unknown", {"--bogus", "run"}, CommandLine::Wrong, false, "");
    row("help", {"-h"}, CommandLine::ShowHelp, false, "");
    row("version", {"--version"}, CommandLine::ShowVersion, false, "");
    row("Qt's options, help", {"-platform", "xcb", "-style=Fusion", "--reverse", "--help"},
        CommandLine::ShowHelp, false, "");
    row("Qt's options, a word", {"--platform", "xcb", "-qwindowtitle", "x", "run"},
        CommandLine::Run, false, "run");
    row("pop-up", {"--popup", "run"}, CommandLine::Run, false, "run");
    row("pop-up of the selection", {"--popup", "--selection"}, CommandLine::Run, true, "");
    row("pop-up of nothing", {"--popup"}, CommandLine::Wrong, false, "");
}

void InstanceTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(bool, selection);
    QFETCH(QString, word);
    QFETCH(bool, popup);
    const CommandLine command =
        CommandLine::parse(CommandLine::withoutToolkitOptions(QStringList{"orvel"} + arguments));
    QCOMPARE(int(command.action), action);
    QCOMPARE(command.popup, popup);
    QCOMPARE(command.selection, selection);
    QCOMPARE(command.word, word);
    if (action == CommandLine::Run)
        return;

    // The program itself: help, the version and a wrong command line are
    // answered before any window or socket, even where there is no display.
    QByteArray errors, out;
    const QMap<QString, QString> noDisplay{
        {"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    QCOMPARE(run(arguments, &errors, 20000, noDisplay, &out), action == CommandLine::Wrong ? 2 : 0);
    static const QRegularExpression shown("^(orvel \\d+\\.\\d+\\.\\d+\n$|Usage: orvel)");
    QVERIFY2(
        QString(action == CommandLine::Wrong ? errors.split('\n').value(1) : out).contains(shown),
        (errors + out).constData());
}

QTEST_MAIN(InstanceTest)
#include "tst_instance.moc"
