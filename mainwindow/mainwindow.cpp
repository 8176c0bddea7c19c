#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "about/aboutdialog.h"
#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "lookup/pagehtml.h"
#include "lookup/searchthread.h"
#include "mainwindow/pagethread.h"
#include "mainwindow/wordlistmodel.h"
#include "preferences/optiondialog.h"
#include "preferences/rebuilddialog.h"
#include "preferences/viewsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>

#include <functional>
#include <utility>

namespace {
const char programName[] = "Orvel";

// Neither pane of the splitter can be made, dragged or restored narrower:
// a list or a page this narrow still shows a few words a line.
const int minimumListWidth = 120;
const int minimumViewWidth = 200;

// The screen on which a window at `frame` can still be taken by its title
// bar: part of its top edge lies on it. None when that is a screen since
// removed, which would leave the window out of reach.
const QScreen *screenHolding(const QRect &frame)
{
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), 24));
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect shared = screen->geometry().intersected(titleBar);
        if (shared.width() >= qMin(frame.width(), 100) && shared.height() >= 8)
            return screen;
    }
    return nullptr;
}

// The marks and overrides that turn text around (and the isolates): in a
// word from outside they would turn the page and the title around too.
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E ||
           u == 0x200F || u == 0x061C;
}

// The title while `word` is shown. The word is isolated, so that
// right-to-left text in it cannot carry the program's name along.
QString titleShowing(const QString &word)
{
    return u'\u2068' + word + QStringLiteral("\u2069 - ") + programName;
}

// `frame` moved so that as much of it as fits lies within `area`, its
// top-left corner first.
QPoint placedWithin(const QRect &frame, const QRect &area)
{
    return QPoint(qMax(area.left(), qMin(frame.left(), area.right() + 1 - frame.width())),
                  qMax(area.top(), qMin(frame.top(), area.bottom() + 1 - frame.height())));
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), settings(new ViewSettings(this)),
      listModel(new WordListModel([this] { return createListThread(); }, this))
{
    ui->setupUi(this);
    ui->wordList->setModel(listModel);
    // The view takes the width the window gains.
    ui->splitter->setStretchFactor(1, 1);
    ui->wordListPanel->setMinimumWidth(minimumListWidth);
    ui->textBrowser->setMinimumWidth(minimumViewWidth);
    ui->splitter->setSizes({160, 480});
    connect(listModel, &WordListModel::withoutPhrasesChanged, ui->wordListNote,
            &QWidget::setVisible);
    // A click shows the entry; the keyboard stays in the search field.
    connect(ui->wordList, &QAbstractItemView::clicked, this, &MainWindow::pick);
    connect(ui->actionWordList, &QAction::toggled, this, &MainWindow::showWordList);
    connect(listModel, &WordListModel::fileChangedChanged, ui->fileChangedNote,
            &QWidget::setVisible);
    // Queued: the rebuild it may start runs a dialog of its own, which must
    // not run inside the view's handling of the click.
    connect(ui->textBrowser, &QTextBrowser::anchorClicked, this, &MainWindow::followLink,
            Qt::QueuedConnection);
    // The view shows the settings' font; zooming changes the view's, which
    // the settings take on (within their bounds), so both stay in step.
    connect(settings, &ViewSettings::fontChanged, this, &MainWindow::showFont);
    connect(ui->textBrowser, &ResultView::fontChanged, settings, &ViewSettings::setZoomedFont);
    connectEditActions();
    connectHistory();
    connectKeys();
    // Shortcuts of actions that sit only in menus die with a hidden menu bar;
    // owning them here keeps them alive.
    addActions(ui->menuBar->actions());
    // Shown only while the menu bar is hidden (the form ties it to
    // actionMenubar).
    ui->menuButton->setVisible(false);

    readSettings();
    // Writing at once makes sure the settings file exists: the database
    // path is derived from it. It also finds out while the user can still
    // be told that nothing set now will be kept.
    if (!writeSettings())
        showSettingsNotSaved();

    const QString file = Database::path();
    QString reason;
    switch (DictionaryDatabase::openDefault(file, &reason)) {
    case DictionaryDatabase::Opened::Failed:
        showIndexUnusable(file, reason);
        break;
    case DictionaryDatabase::Opened::WithoutTables:
        if (!createDatabase(&reason)) {
            qDebug() << "MainWindow::createDatabase failed.";
            showIndexUnusable(file, reason);
        }
        break;
    default:
        break;
    }
    shownWith = installedNow();
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

QString MainWindow::wordFromOutside(const QString &text)
{
    QString word = text;
    word.removeIf([](QChar c) {
        return (c.category() == QChar::Other_Control && !c.isSpace()) || isBidiControl(c);
    });
    word = word.simplified();
    if (word.size() > maxWordLength) {
        word.truncate(maxWordLength);
        if (word.back().isHighSurrogate())
            word.chop(1);
        word = word.trimmed();
    }
    return word;
}

void MainWindow::start(const QString &word)
{
    const ViewSettings::LastWord last = settings->lastWord();
    const QString first = wordFromOutside(word.isEmpty() && last.show ? last.word : word);
    if (first.isEmpty())
        showFirstView();
    else
        lookUp(first);
}

void MainWindow::showFirstView()
{
    QList<DictionaryDatabase::Installed> installed;
    // A database that could not be opened has said so already.
    const bool none = DictionaryDatabase::defaultIsOpen() &&
                      DictionaryDatabase().installedDictionaries(&installed) && installed.isEmpty();
    if (none)
        ui->textBrowser->setHtml(PageHtml::write(SearchThread::noDictionaryPage()));
    else
        ui->textBrowser->setText(QString());
}

void MainWindow::enterHistory(const QString &word)
{
    enterHistory(History::Visit{word, QString()});
}

void MainWindow::enterHistory(const History::Visit &visit)
{
    // A word picked from a list is on display while the field keeps what
    // was typed.
    wordOnDisplay = visit;
    m_history.add(visit);
    updateHistoryActions();
}

void MainWindow::lookUp(const QString &word)
{
    if (word.isEmpty())
        return;
    settleBeforeGoingOn();
    ui->searchEdit->setText(word);
    enterHistory(word);
}

void MainWindow::showFromOutside(const QString &word)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    lookUp(wordFromOutside(word));
}

void MainWindow::settleBeforeGoingOn()
{
    // Going on from a word that was found is settling on it.
    if (wordFound())
        enterHistory(wordOnDisplay);
}

bool MainWindow::wordFound() const
{
    return foundShown && pageShown == searchesStarted;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    settings->setLastWord({ui->actionShowLastWord->isChecked(), ui->searchEdit->text()});
    writeSettings();
    event->accept();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == ui->searchEdit)
        return keyInField(static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        return goByMouse(static_cast<QMouseEvent *>(event));
    return QMainWindow::eventFilter(watched, event);
}

PageThread *MainWindow::createSearchThread()
{
    return new PageThread(ui->textBrowser);
}

WordListThread *MainWindow::createListThread()
{
    return new WordListThread;
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

// Back and Forward lead through the words settled on; the word on display
// enters once it has been found and left there, not at every keystroke.
void MainWindow::connectHistory()
{
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(settleTime);
    const auto settle = [this] { enterHistory(wordOnDisplay); };
    connect(&settleTimer, &QTimer::timeout, this, settle);
    connect(ui->searchEdit, &QLineEdit::returnPressed, this, settle);
    connect(ui->actionBack, &QAction::triggered, this,
            [this] { go(m_history.goBack(wordOnDisplay)); });
    connect(ui->actionForward, &QAction::triggered, this, [this] { go(m_history.goForward()); });
    connect(ui->textBrowser, &ResultView::wordDoubleClicked, this, &MainWindow::lookUp);
}

void MainWindow::go(const History::Visit &visit)
{
    if (visit.word.isEmpty())
        return;
    // The field shows the entry's word, and the entry's page comes back:
    // a phrase has no typed word's page.
    entryNext = visit.entry;
    if (ui->searchEdit->text() != visit.word)
        ui->searchEdit->setText(visit.word);
    else if (visit != wordOnDisplay)
        on_searchEdit_textChanged(visit.word);
    entryNext.clear();
    wordOnDisplay = visit;
    updateHistoryActions();
}

void MainWindow::updateHistoryActions()
{
    ui->actionBack->setEnabled(m_history.canGoBack(wordOnDisplay));
    ui->actionForward->setEnabled(m_history.canGoForward());
}

// Keys that act on the window from anywhere in it. Up and Down stay with the
// search field.
void MainWindow::connectKeys()
{
    // Ctrl+= is Ctrl++ without Shift on most keyboards.
    ui->actionBigger->setShortcuts(
        {ui->actionBigger->shortcut(), QKeySequence(QStringLiteral("Ctrl+="))});
    connect(ui->actionNormalSize, &QAction::triggered, settings,
            &ViewSettings::restoreChosenFontSize);
    const struct
    {
        QKeySequence keys;
        void (MainWindow::*run)();
    } shortcuts[] = {
        {QKeySequence(Qt::Key_Escape), &MainWindow::clearSearch},
        {QKeySequence(Qt::CTRL | Qt::Key_L), &MainWindow::focusSearch},
        {QKeySequence(Qt::Key_F6), &MainWindow::focusSearch},
    };
    for (const auto &shortcut : shortcuts)
        connect(new QShortcut(shortcut.keys, this), &QShortcut::activated, this, shortcut.run);
    // The page keys typed in the search field, and the mouse's back and
    // forward buttons wherever they are pressed: every widget of the window
    // (the view's viewport, the field) would take them first.
    qApp->installEventFilter(this);
}

bool MainWindow::keyInField(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return scrollFromField(key);
    switch (key->key()) {
    case Qt::Key_Up:
        return moveInList(-1);
    case Qt::Key_Down:
        return moveInList(1);
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // With no row chosen, Enter settles on the typed word.
        const QModelIndex current = ui->wordList->currentIndex();
        if (!ui->actionWordList->isChecked() || !current.isValid())
            return false;
        pick(current);
        return true;
    }
    default:
        return scrollFromField(key);
    }
}

bool MainWindow::moveInList(int step)
{
    const int rows = listModel->rowCount();
    if (!ui->actionWordList->isChecked() || rows == 0)
        return false;
    const QModelIndex current = ui->wordList->currentIndex();
    // From no row, Down goes to the first and Up stays.
    const int row =
        current.isValid() ? qBound(0, current.row() + step, rows - 1) : (step > 0 ? 0 : -1);
    if (row < 0)
        return true;
    const QModelIndex next = listModel->index(row);
    ui->wordList->setCurrentIndex(next);
    ui->wordList->scrollTo(next);
    // The rows after the last one come as the list is scrolled; from the
    // keyboard, ask as soon as the last row is reached.
    if (row == rows - 1)
        listModel->fetchMore(QModelIndex());
    return true;
}

void MainWindow::pick(const QModelIndex &index)
{
    const WordListThread::Row row = listModel->row(index.row());
    if (row.key.isEmpty())
        return;
    settleBeforeGoingOn();
    settleTimer.stop();
    startLookUp(row.shown, row.key);
    enterHistory(History::Visit{row.shown, row.key});
}

void MainWindow::showWordList(bool shown)
{
    // Shown again, or at the next start, the list has the width it had.
    if (!shown && isVisible())
        listSplitterState = ui->splitter->saveState();
    ui->wordListPanel->setVisible(shown);
    // Lists are not asked for while hidden.
    if (shown)
        listModel->setText(ui->searchEdit->text());
}

bool MainWindow::scrollFromField(const QKeyEvent *key)
{
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        QAbstractSlider::SliderAction action;
    } scrolls[] = {
        {Qt::Key_PageUp, Qt::NoModifier, QAbstractSlider::SliderPageStepSub},
        {Qt::Key_PageDown, Qt::NoModifier, QAbstractSlider::SliderPageStepAdd},
        {Qt::Key_Home, Qt::ControlModifier, QAbstractSlider::SliderToMinimum},
        {Qt::Key_End, Qt::ControlModifier, QAbstractSlider::SliderToMaximum},
    };
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    for (const auto &scroll : scrolls) {
        if (key->key() == scroll.key && modifiers == scroll.modifiers) {
            ui->textBrowser->verticalScrollBar()->triggerAction(scroll.action);
            return true;
        }
    }
    return false;
}

bool MainWindow::goByMouse(const QMouseEvent *click)
{
    QAction *action = click->button() == Qt::BackButton      ? ui->actionBack
                      : click->button() == Qt::ForwardButton ? ui->actionForward
                                                             : nullptr;
    if (!action)
        return false;
    // Does nothing while there is nowhere to go.
    action->trigger();
    return true;
}

void MainWindow::clearSearch()
{
    ui->searchEdit->clear();
    ui->searchEdit->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::focusSearch()
{
    ui->searchEdit->setFocus(Qt::ShortcutFocusReason);
    ui->searchEdit->selectAll();
}

void MainWindow::on_actionPreferences_triggered()
{
    OptionDialog dialog(settings, this);
    connect(&dialog, &OptionDialog::indexRebuilt, this, &MainWindow::lookUpAgain);
    dialog.exec();
    // A dictionary may have come or gone.
    followDictionaryChanges();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Back from a terminal where orvel-cli installed or removed one.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        followDictionaryChanges();
}

QList<DictionaryDatabase::Installed> MainWindow::installedNow() const
{
    QList<DictionaryDatabase::Installed> installed;
    // A database that could not be opened has said so already, and would
    // say so again at every activation.
    if (DictionaryDatabase::defaultIsOpen())
        DictionaryDatabase().peekInstalled(&installed);
    return installed;
}

void MainWindow::followDictionaryChanges()
{
    QList<DictionaryDatabase::Installed> installed = installedNow();
    // Nothing changed (only the font, say): the page stays, scrolled where
    // it was.
    if (installed == shownWith)
        return;
    shownWith = std::move(installed);
    // Otherwise the page would still say that none is installed, or show
    // one that is gone.
    lookUpAgain();
}

void MainWindow::lookUpAgain()
{
    const QString text = ui->searchEdit->text();
    if (text.isEmpty()) {
        showFirstView();
        return;
    }
    if (ui->actionWordList->isChecked())
        listModel->setText(text);
    startLookUp(text, wordOnDisplay.entry);
}

void MainWindow::followLink(const QUrl &link)
{
    if (link.toString() == QLatin1String(SearchThread::rebuildLink))
        rebuildIndex(DictionaryDatabase::eijiroId);
}

void MainWindow::rebuildIndex(int id)
{
    RebuildDialog dialog(id, this);
    dialog.exec();
    lookUpAgain();
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
    settleTimer.stop();
    const QString entry = std::exchange(entryNext, QString());
    wordOnDisplay = History::Visit{text, entry};
    updateHistoryActions();
    if (ui->actionWordList->isChecked())
        listModel->setText(text);
    if (text.isEmpty()) {
        // Pages of look-ups still running belong to text that is gone.
        pageShown = searchesStarted;
        failureShown = false;
        foundShown = false;
        ui->textBrowser->setText(QString());
        setWindowTitle(programName);
        return;
    }
    startLookUp(text, entry);
}

void MainWindow::startLookUp(const QString &word, const QString &entry)
{
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
    if (entry.isEmpty())
        thread->setWord(word);
    else
        thread->setEntry(entry);
    thread->start(QThread::InheritPriority);
    setWindowTitle(titleShowing(word));
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
    foundShown = thread->status() == SearchThread::Found;
    PageThread::show(ui->textBrowser, thread->takeDocument());
    if (wordFound())
        settleTimer.start();
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
    // A damaged settings file can hold any size, and one kept at a smaller
    // scale factor is too large now; one far larger than the screen cannot
    // even get a backing store (Qt then crashes painting it). A window
    // larger than its screen is shrunk to fit and moved onto it, here and,
    // its frame known, once shown.
    const QScreen *home =
        state.position ? screenHolding(QRect(*state.position, state.size)) : nullptr;
    const QSize fitting =
        state.size.boundedTo((home ? home : screen())->availableGeometry().size());
    resize(fitting);
    if (home) {
        const QRect frame(*state.position, size());
        move(fitting == state.size ? frame.topLeft()
                                   : placedWithin(frame, home->availableGeometry()));
    }
    // A state different from the form's emits toggled(), which hides the
    // bars or puts the window on top right away.
    ui->actionMenubar->setChecked(state.menubar);
    ui->actionStatusbar->setChecked(state.statusbar);
    ui->actionTopmost->setChecked(state.topmost);
    restoreSplitter(state.splitter);
    ui->actionWordList->setChecked(state.wordList);
    ui->actionShowLastWord->setChecked(settings->lastWord().show);
    showFont(settings->font());
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(placed, true))
        return;
    // With its frame, a window may be larger than its screen after all.
    // One that fits stays where the user left it, even half off the screen.
    const QRect area = screen()->availableGeometry();
    QRect frame = frameGeometry();
    if (frame.width() <= area.width() && frame.height() <= area.height())
        return;
    const QSize excess = (frame.size() - area.size()).expandedTo(QSize(0, 0));
    resize(size() - excess);
    frame.setSize(frame.size() - excess);
    move(placedWithin(frame, area));
}

void MainWindow::restoreSplitter(const QByteArray &state)
{
    const QList<int> sizes = ViewSettings::splitterSizes(state);
    if (sizes.size() != ui->splitter->count())
        return;
    // Each pane gets at least its minimum; a huge one only takes what the
    // other leaves.
    QList<int> bounded;
    for (const int size : sizes)
        bounded << qBound(0, size, QWIDGETSIZE_MAX);
    ui->splitter->setSizes(bounded);
}

bool MainWindow::writeSettings()
{
    ViewSettings::WindowState state = settings->windowState();
    state.size = size();
    state.menubar = ui->actionMenubar->isChecked();
    state.statusbar = ui->actionStatusbar->isChecked();
    state.topmost = ui->actionTopmost->isChecked();
    state.wordList = ui->actionWordList->isChecked();
    // A window not yet shown has no place of its own to keep, nor sizes of
    // its parts; a hidden list keeps the width it had when shown.
    if (isVisible())
        state.position = pos();
    if (isVisible() && state.wordList)
        state.splitter = ui->splitter->saveState();
    else if (!listSplitterState.isEmpty())
        state.splitter = listSplitterState;
    settings->setWindowState(state);
    settings->setLastWord({ui->actionShowLastWord->isChecked(), settings->lastWord().word});
    if (settings->save())
        return true;
    qDebug() << "QSettings::sync failed." << ViewSettings::settingsFile();
    return false;
}

void MainWindow::showSettingsNotSaved()
{
    // Beside the look-up times, which replace any message: otherwise the
    // user would find the font and the window reset at the next start,
    // with no word why (a settings folder once made by root, say).
    showProblem(QStringLiteral("settingsNotSavedLabel"), tr("Settings cannot be saved"),
                tr("Orvel cannot write its settings file:\n%1\n\nThe font, the window and "
                   "the last word will be as before at the next start. Make the file and "
                   "its folder writable for you, then start Orvel again.")
                    .arg(ViewSettings::settingsFile()));
}

void MainWindow::showIndexUnusable(const QString &file, const QString &reason)
{
    // Said at once, not only at the first look-up: a damaged file or a
    // folder that cannot be written is mended outside Orvel.
    showProblem(QStringLiteral("indexUnusableLabel"), tr("The dictionary index cannot be used"),
                tr("Orvel cannot open or set up its dictionary index:\n%1\n(%2)\n\nLook-ups "
                   "and adding dictionaries fail until it can. Please quit Orvel and make "
                   "sure that you can read and write that file and its folder. If the file "
                   "is damaged, move it away: Orvel then starts with a new, empty index, "
                   "and the dictionary can be added again.")
                    .arg(file, reason));
}

void MainWindow::showProblem(const QString &name, const QString &text, const QString &details)
{
    // A permanent widget: look-up times replace any status-bar message.
    auto *label = new QLabel(text, ui->statusBar);
    label->setObjectName(name);
    label->setToolTip(details);
    ui->statusBar->addPermanentWidget(label);
}

bool MainWindow::createDatabase(QString *error)
{
    DictionaryDatabase database;
    if (database.createSchema())
        return true;
    if (error)
        *error = database.lastError();
    return false;
}
