#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "about/aboutdialog.h"
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "lookup/searchthread.h"
#include "mainwindow/pagethread.h"
#include "preferences/optiondialog.h"
#include "preferences/viewsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

#include <functional>

namespace {
const char programName[] = "Orvel";
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), settings(new ViewSettings(this))
{
    ui->setupUi(this);
    // The view shows the settings' font; zooming changes the view's, which
    // the settings take on (within their bounds), so both stay in step.
    connect(settings, &ViewSettings::fontChanged, this, &MainWindow::showFont);
    connect(ui->textBrowser, &ResultView::fontChanged, settings, &ViewSettings::setFont);
    connectEditActions();
    // Shortcuts of actions that sit only in menus die with a hidden menu bar;
    // owning them here keeps them alive.
    addActions(ui->menuBar->actions());
    // Shown only while the menu bar is hidden (the form ties it to
    // actionMenubar).
    ui->menuButton->setVisible(false);

    readSettings();
    // Writing at once makes sure the settings file exists: the database
    // path is derived from it.
    writeSettings();

    const QString file = Database::path();
    if (DictionaryDatabase::openDefault(file) == DictionaryDatabase::Opened::WithoutTables) {
        if (!createDatabase())
            qDebug() << "MainWindow::createDatabase failed.";
    }
}

MainWindow::~MainWindow()
{
    // A look-up takes milliseconds; its late page has nowhere to go.
    for (const QPointer<PageThread> &thread : std::as_const(searches)) {
        if (thread) {
            thread->wait();
            delete thread.data();
        }
    }
    delete ui;
}

QFont MainWindow::browserFont() const
{
    return ui->textBrowser->font();
}

void MainWindow::setBrowserFont(const QFont &font)
{
    settings->setFont(font);
}

ViewSettings *MainWindow::viewSettings() const
{
    return settings;
}

void MainWindow::showFont(const QFont &font)
{
    ui->textBrowser->setFont(font);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    writeSettings();
    event->accept();
}

PageThread *MainWindow::createSearchThread()
{
    return new PageThread(ui->textBrowser);
}

// The Edit menu and its shortcuts act on the widget with the keyboard
// focus: the search field, or the result view, where only Copy and Select
// All mean anything. (Being read-only, the view leaves Ctrl+C to the menu.)
void MainWindow::connectEditActions()
{
    const struct
    {
        QAction *action;
        std::function<void(QLineEdit *)> field;
        std::function<void(QTextEdit *)> view;
    } routes[] = {
        {ui->actionUndo, &QLineEdit::undo, nullptr},
        {ui->actionRedo, &QLineEdit::redo, nullptr},
        {ui->actionCut, &QLineEdit::cut, nullptr},
        {ui->actionCopy, &QLineEdit::copy, &QTextEdit::copy},
        {ui->actionPaste, &QLineEdit::paste, nullptr},
        {ui->actionDelete, &QLineEdit::clear, nullptr},
        {ui->actionSelectAll, &QLineEdit::selectAll, &QTextEdit::selectAll},
    };
    for (const auto &route : routes) {
        connect(route.action, &QAction::triggered, this, [this, route] {
            if (focusWidget() != ui->textBrowser)
                route.field(ui->searchEdit);
            else if (route.view)
                route.view(ui->textBrowser);
        });
    }
}

void MainWindow::on_actionPreferences_triggered()
{
    OptionDialog dialog(settings, this);
    dialog.exec();
}

void MainWindow::on_actionTopmost_toggled(bool checked)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, checked);
    setWindowFlags(flags);
    // Changing the flags hides the window.
    show();
}

void MainWindow::on_actionAboutQt_triggered()
{
    QMessageBox::aboutQt(this, QString());
}

void MainWindow::on_actionAbout_triggered()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::on_searchEdit_textChanged(const QString &text)
{
    if (text.isEmpty()) {
        // Pages of look-ups still running belong to text that is gone.
        pageShown = searchesStarted;
        failureShown = false;
        ui->textBrowser->setText(QString());
        setWindowTitle(programName);
        return;
    }

    PageThread *thread = createSearchThread();
    const quint64 ticket = ++searchesStarted;
    connect(thread, &QThread::started, this, &MainWindow::searchStarted);
    connect(thread, &QThread::finished, this, &MainWindow::searchFinished);
    // The worker is still there when its page arrives: it goes only after
    // its thread's finished().
    connect(thread, &PageThread::documentReady, this,
            [this, ticket, thread] { showPage(ticket, thread); });
    // Connected last, so the worker goes only after its page and
    // searchFinished() have been delivered.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    searches.removeIf([](const QPointer<PageThread> &done) { return done.isNull(); });
    searches << thread;
    thread->setWord(text);
    thread->start(QThread::InheritPriority);
    setWindowTitle(text + QStringLiteral(" - ") + programName);
}

void MainWindow::showPage(quint64 ticket, PageThread *thread)
{
    // A page not shown goes with its worker.
    if (ticket <= pageShown)
        return;
    pageShown = ticket;
    failureShown = thread->status() == SearchThread::Failed;
    // The page says what failed; the title must not name the word as if
    // it had been looked up.
    if (failureShown)
        setWindowTitle(programName);
    PageThread::show(ui->textBrowser, thread->takeDocument());
}

void MainWindow::on_menuButton_clicked()
{
    QMenu menu;
    menu.addActions(ui->menuBar->actions());
    // Right edge on the button's right edge, top edge on its bottom edge.
    const QPoint corner(ui->menuButton->width() - menu.sizeHint().width(),
                        ui->menuButton->height());
    menu.exec(ui->menuButton->mapToGlobal(corner));
}

void MainWindow::searchStarted()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    searchTimer.start();
}

void MainWindow::searchFinished()
{
    const QString text = failureShown
                             ? tr("The look-up failed.")
                             : tr("%1 seconds").arg(searchTimer.elapsed() / 1000.0, 0, 'f', 3);
    ui->statusBar->showMessage(text, 0);
    QApplication::restoreOverrideCursor();
    ui->searchEdit->setFocus(Qt::OtherFocusReason);
}

void MainWindow::readSettings()
{
    settings->load();
    const ViewSettings::WindowState state = settings->windowState();
    // A damaged settings file can hold any size. A window larger than its
    // screen is of no use, and one far larger cannot even get a backing
    // store (Qt then crashes painting it), so keep it within the screen.
    resize(state.size.boundedTo(screen()->availableGeometry().size()));
    // A state different from the form's emits toggled(), which hides the
    // bars or puts the window on top right away.
    ui->actionMenubar->setChecked(state.menubar);
    ui->actionStatusbar->setChecked(state.statusbar);
    ui->actionTopmost->setChecked(state.topmost);
    showFont(settings->font());
}

void MainWindow::writeSettings()
{
    settings->setWindowState({size(), ui->actionMenubar->isChecked(),
                              ui->actionStatusbar->isChecked(), ui->actionTopmost->isChecked()});
    settings->save();
}

bool MainWindow::createDatabase()
{
    return DictionaryDatabase().createSchema();
}
