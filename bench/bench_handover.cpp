// bench_handover: a word handed to the Orvel running, from the start of the
// program that hands it over to its page painted: `orvel WORD` to the page
// in the main window, against `orvel --popup WORD` to the page in the
// pop-up, one after the other on the same words in the same run.
//
//   bench_handover [FILE [RUNS]]
//
// This process is the Orvel running: its window and pop-up are wired to the
// single instance as the program wires them. The program itself (the
// build's app/orvel) is started for every hand-over. FILE is generated
// when missing (100,000 lines) and installed into FILE.db by the build's
// orvel-cli when that is missing. RUNS hand-overs of each kind (20).
#include "app/settingsstore.h"
#include "app/singleinstance.h"
#include "benchwords.h"
#include "database/dictionarydatabase.h"
#include "generator.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/popupwindow.h"
#include "mainwindow/resultview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString built(const QString &path)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../") + path;
}

// Runs `program` to its end; whether it ended with status 0.
bool runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Notes when `view` paints a document other than the one it had.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QTextBrowser *view) : view(view)
    {
        view->viewport()->installEventFilter(this);
    }
    void arm() { before = view->document(), painted = false; }
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // Counted once the paint has been done, at the next turn of the loop.
        if (event->type() == QEvent::Paint && !painted && view->document() != before)
            QTimer::singleShot(0, this, [this] { painted = true; });
        return false;
    }

private:
    QTextBrowser *view;
    const QTextDocument *before = nullptr;
};

// Milliseconds from starting `orvel ARGUMENTS` until `watch` saw the page.
double timeHandOver(const QStringList &arguments, PaintWatch *watch)
{
    watch->arm();
    QProcess orvel;
    QElapsedTimer timer;
    timer.start();
    orvel.start(built(QStringLiteral("app/orvel")), arguments);
    while (!watch->painted && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    // The next start must not meet this one.
    while (orvel.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch->painted ? ms : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A socket and settings of its own: a real Orvel running stays out of it.
    QTemporaryDir home;
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    SettingsStore::nameApplication(app);
    const QString file =
        QFileInfo(app.arguments().value(1, "bench-handover.txt")).absoluteFilePath();
    const int runs = app.arguments().value(2, "20").toInt();
    const QString db = file + ".db";
    if (!QFileInfo::exists(file) && !Generator::write(file, {100000, false, 1}))
        return 1;
    if (!QFileInfo::exists(db) &&
        !runToEnd(built(QStringLiteral("cli/orvel-cli")), {"--database", db, "install", file}))
        return 1;
    if (DictionaryDatabase::openDefault(db) != DictionaryDatabase::Opened::Ready)
        return 1;

    const QStringList words = randomKeyedWords(runs);

    MainWindow window;
    window.indexOpened(DictionaryDatabase::Opened::Ready, db, QString());
    PopupWindow popup(window.viewSettings());
    SingleInstance instance;
    if (words.size() < runs || instance.claim(QString()) != SingleInstance::Role::Listening)
        return 1;
    QObject::connect(&instance, &SingleInstance::wordReceived, &window,
                     &MainWindow::showFromOutside);
    QObject::connect(&instance, &SingleInstance::popupReceived, &popup, &PopupWindow::showWord);
    window.show();
    PaintWatch mainPaint(window.findChild<QTextBrowser *>("textBrowser"));
    PaintWatch popupPaint(popup.view());

    std::vector<double> handOver, popUp;
    for (int i = 0; i < runs; ++i) {
        // Each kind goes first every other time: the second finds the
        // word's lines in the file cache.
        for (int kind = 0; kind < 2; ++kind) {
            const bool popupFirst = i % 2 == 1;
            if ((kind == 0) != popupFirst) {
                handOver.push_back(timeHandOver({words[i]}, &mainPaint));
            } else {
                popUp.push_back(timeHandOver({"--popup", words[i]}, &popupPaint));
                popup.close();
            }
        }
    }
    const auto lost = [](const std::vector<double> &times) {
        return std::find(times.begin(), times.end(), -1.0) != times.end();
    };
    if (lost(handOver) || lost(popUp)) {
        std::fprintf(stderr, "a page never arrived\n");
        return 1;
    }
    const double inMain = median(handOver), inPopup = median(popUp);
    std::printf("hand-over to the page painted, median of %d:\n", runs);
    std::printf("  orvel WORD          %8.1f ms\n", inMain);
    std::printf("  orvel --popup WORD  %8.1f ms  %.2fx\n", inPopup, inPopup / inMain);
    return 0;
}
