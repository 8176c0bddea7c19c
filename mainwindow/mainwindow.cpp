#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "about/aboutdialog.h"
#include "dictionary/format.h"
#include "mainwindow/clipboardwatcher.h"
#include "mainwindow/editactions.h"
#include "mainwindow/entryfinder.h"
#include "mainwindow/fieldkeys.h"
#include "mainwindow/listrows.h"
#include "mainwindow/lookupstatus.h"
#include "mainwindow/notebookparts.h"
#include "mainwindow/outsideword.h"
#include "mainwindow/pageloader.h"
#include "mainwindow/pageprinter.h"
#include "mainwindow/pagethread.h"
#include "mainwindow/sidebuttons.h"
#include "mainwindow/speaker.h"
#include "mainwindow/trayicon.h"
#include "mainwindow/whatimean.h"
#include "mainwindow/windowstatekeeper.h"
#include "mainwindow/wordlist.h"
#include "preferences/optiondialog.h"
#include "preferences/rebuilddialog.h"
#include "preferences/viewsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>

#include <utility>

namespace {
const char programName[] = "Orvel";

// The title while `word` is shown. The word is isolated, so that
// right-to-left text in it cannot carry the program's name along.
QString titleShowing(const QString &word)
{
    return u'\u2068' + word + QStringLiteral("\u2069 - ") + programName;
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), settings(new ViewSettings(this)),
      m_history(new History(this))
{
    ui->setupUi(this);
    statusLine = new LookUpStatus(ui->statusBar, this);
    stateKeeper =
        new WindowStateKeeper(this,
                              {ui->actionMenubar, ui->actionStatusbar, ui->actionTopmost,
                               ui->actionWordList, ui->actionShowLastWord, ui->actionFindWhatIMean,
                               ui->splitter, ui->wordListPanel, ui->textBrowser},
                              settings);
    pages = new PageLoader(ui->textBrowser, this);
    connect(pages, &PageLoader::lookUpStarted, this, &MainWindow::searchStarted);
    connect(pages, &PageLoader::lookUpFinished, this, &MainWindow::searchFinished);
    connect(pages, &PageLoader::pageShown, this, &MainWindow::pageShown);
    // Queued: the rebuild it may start runs a dialog of its own, which must
    // not run inside the view's handling of the click.
    connect(ui->textBrowser, &QTextBrowser::anchorClicked, this, &MainWindow::followLink,
            Qt::QueuedConnection);
    // The view shows the settings' font; zooming changes the view's, which
    // the settings take on (within their bounds), so both stay in step.
    connect(settings, &ViewSettings::fontChanged, ui->textBrowser, &QWidget::setFont);
    connect(ui->textBrowser, &ResultView::fontChanged, settings, &ViewSettings::setZoomedFont);
    meaning = new WhatIMean(ui->actionFindWhatIMean, ui->textBrowser, pages, m_history, this);
    // The pop-up reads the setting there.
    connect(ui->actionFindWhatIMean, &QAction::toggled, settings, &ViewSettings::setFindWhatIMean);
    connect(meaning, &WhatIMean::lookUpWanted, this, &MainWindow::lookUp);
    connect(meaning, &WhatIMean::turned, this, &MainWindow::lookUpAgain);
    rows = new ListRows({ui->wordList, ui->searchEdit, ui->actionWordList, ui->wordListNote,
                         ui->fileChangedNote, ui->menuEdit, ui->actionPreferences,
                         ui->horizontalLayout, ui->wordListLayout, m_history, meaning},
                        this);
    connect(rows, &ListRows::pageWanted, this, [this](const History::Visit &visit) {
        startLookUp(visit.word, visit.entry, visit.found);
    });
    routeEditActions({ui->actionUndo, ui->actionRedo, ui->actionCut, ui->actionCopy,
                      ui->actionPaste, ui->actionDelete, ui->actionSelectAll},
                     ui->searchEdit, ui->textBrowser);
    connectHistory();
    connectKeys();
    connect(ui->actionAboutQt, &QAction::triggered, this,
            [this] { QMessageBox::aboutQt(this, QString()); });
    connect(ui->actionAbout, &QAction::triggered, this, [this] { AboutDialog(this).exec(); });
    // Shortcuts of actions that sit only in menus die with a hidden menu bar;
    // owning them here keeps them alive.
    addActions(ui->menuBar->actions());
    // Shown only while the menu bar is hidden (the form ties it to
    // actionMenubar).
    ui->menuButton->setVisible(false);

    stateKeeper->load();
    ui->textBrowser->setFont(settings->font());
    // After load(): both follow the settings read.
    connect(new ClipboardWatcher(ui->actionLookUpCopiedWords, settings, this),
            &ClipboardWatcher::wordCopied, this, &MainWindow::wordCopied);
    tray = new TrayIcon(this, ui->actionLookUpCopiedWords, ui->actionQuit, settings);
    new PagePrinter({ui->textBrowser, this, ui->statusBar, ui->menuFile, ui->actionQuit}, this);
    // After load(): the pane is shown as the settings say.
    notebook = new NotebookParts({this, ui->textBrowser, pages, m_history, settings, ui->statusBar,
                                  ui->menuFile, ui->actionQuit, ui->menuEdit, ui->actionPreferences,
                                  ui->menuView, ui->actionWordList},
                                 this);
    connect(notebook, &NotebookParts::lookUpWanted, this, &MainWindow::lookUp);
    // After the notebook: the speakers stand beside its stars.
    new Speaker({ui->textBrowser, pages, this, ui->menuView, ui->statusBar}, settings, this);
    // Writing at once makes sure the settings file exists: the index's path
    // is derived from it. It also finds out while the user can still be
    // told that nothing set now will be kept (a settings folder once made
    // by root, say); look-up times would replace a mere message.
    if (!stateKeeper->save())
        statusLine->settingsNotSaved(ViewSettings::settingsFile());
}

MainWindow::~MainWindow()
{
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

void MainWindow::indexOpened(DictionaryDatabase::Opened opened, const QString &file,
                             const QString &reason)
{
    // Said at once, not only at the first look-up: a damaged file or a
    // folder that cannot be written is mended outside Orvel.
    if (opened == DictionaryDatabase::Opened::Failed ||
        opened == DictionaryDatabase::Opened::SchemaFailed)
        statusLine->indexUnusable(file, reason);
    // What the view shows from now on is in line with what is installed.
    pages->dictionariesChanged();
}

void MainWindow::start(const QString &word)
{
    const ViewSettings::LastWord last = settings->lastWord();
    // The last word is as it was typed; only a word given comes from text.
    const QString first = !word.isEmpty() ? meaning->outsideWord(word)
                          : last.show     ? OutsideWord::clean(last.word)
                                          : QString();
    if (first.isEmpty())
        pages->showFirstView();
    else
        lookUp(first);
}

void MainWindow::lookUp(const QString &word)
{
    if (word.isEmpty())
        return;
    m_history->goingOn();
    ui->searchEdit->setText(word);
    m_history->enter({word, QString()});
}

void MainWindow::showFromOutside(const QString &word)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    lookUp(meaning->outsideWord(word));
}

// Back and Forward lead through the pages settled on, with the mouse's side
// buttons too; a double-clicked word is looked up.
void MainWindow::connectHistory()
{
    new SideButtons(this, ui->actionBack, ui->actionForward);
    m_history->followScroll(ui->textBrowser->verticalScrollBar());
    connect(ui->actionBack, &QAction::triggered, m_history, &History::back);
    connect(ui->actionForward, &QAction::triggered, m_history, &History::forward);
    connect(m_history, &History::canGoBackChanged, ui->actionBack, &QAction::setEnabled);
    connect(m_history, &History::canGoForwardChanged, ui->actionForward, &QAction::setEnabled);
    connect(m_history, &History::goTo, this, &MainWindow::showVisit);
    // Enter settles on the typed word unless it picks a row; with a
    // modifier the list leaves it to the field.
    connect(rows->words(), &WordList::enteredWithoutRow, m_history, &History::settle);
    connect(ui->searchEdit, &QLineEdit::returnPressed, m_history, &History::settle);
    connect(ui->textBrowser, &ResultView::wordDoubleClicked, this, &MainWindow::lookUp);
    connect(ui->textBrowser, &ResultView::lookUpRequested, this, &MainWindow::lookUp);
}

// Keys that act on the window from anywhere in it. In the search field, Up,
// Down and Enter are the word list's, and the page keys scroll the page.
void MainWindow::connectKeys()
{
    // Ctrl+= is Ctrl++ without Shift on most keyboards.
    ui->actionBigger->setShortcuts(
        {ui->actionBigger->shortcut(), QKeySequence(QStringLiteral("Ctrl+="))});
    connect(ui->actionNormalSize, &QAction::triggered, settings,
            &ViewSettings::restoreChosenFontSize);
    new FieldKeys(
        {this, ui->searchEdit, ui->textBrowser, ui->gridLayout, ui->menuEdit, ui->actionSelectAll},
        this);
}

void MainWindow::on_searchEdit_textChanged(const QString &text)
{
    const History::Visit visit = std::exchange(next, {});
    const QString &entry = visit.entry;
    m_history->typed({text, entry});
    rows->words()->setText(text);
    if (text.isEmpty()) {
        pages->clear();
        statusLine->nothingLookedUp();
        setWindowTitle(programName);
        return;
    }
    startLookUp(visit.found.isEmpty() ? text : visit.word, entry, visit.found);
}

void MainWindow::startLookUp(const QString &word, const QString &entry, const QString &mark)
{
    m_history->pageAsked();
    pages->lookUp(word, entry, mark);
    setWindowTitle(titleShowing(word));
}

void MainWindow::pageShown(SearchThread::Status status)
{
    // The page says what failed; the title must not name the word as if it
    // had been looked up.
    shownStatus = status;
    if (status == SearchThread::Failed)
        setWindowTitle(programName);
    m_history->pageArrived(status == SearchThread::Found, pages->showsNewest());
    // Whichever look-up it answers, the list follows what is on display.
    rows->pageShows(Eijiro::entryKey(pages->page().firstEntryWord()));
}

void MainWindow::showVisit(const History::Visit &visit)
{
    // The field shows the entry's word, and the entry's page comes back:
    // a phrase has no typed word's page. An entry found in entries comes
    // back with the text searched for, the lines found and the text marked.
    const QString text = rows->finder()->show(visit);
    next = visit;
    if (ui->searchEdit->text() != text)
        ui->searchEdit->setText(text);
    else if (visit != m_history->onDisplay())
        on_searchEdit_textChanged(text);
    next = {};
}

void MainWindow::followDictionaryChanges()
{
    // Nothing changed (only the font, say): the page stays, scrolled where
    // it was. Otherwise it would still say that none is installed, or show
    // one that is gone.
    if (pages->dictionariesChanged())
        lookUpAgain();
}

void MainWindow::lookUpAgain()
{
    const QString text = ui->searchEdit->text();
    if (text.isEmpty()) {
        pages->showFirstView();
        return;
    }
    rows->lookingUpAgain(text);
    meaning->lookingUpAgain(text);
    startLookUp(text, m_history->onDisplay().entry);
}

void MainWindow::followLink(const QUrl &link)
{
    const QString target = link.toString();
    if (target == QLatin1String(PageThread::preferencesLink))
        return openPreferences(true);
    const int id = RebuildDialog::dictionaryOfLink(target);
    if (id <= 0)
        return;
    RebuildDialog dialog(id, this);
    dialog.exec();
    lookUpAgain();
}

void MainWindow::searchStarted()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    statusLine->started();
}

void MainWindow::searchFinished()
{
    if (ui->searchEdit->text().isEmpty() || shownStatus == SearchThread::NoDictionary)
        statusLine->nothingLookedUp();
    else
        statusLine->finished(pages->failureShown());
    QApplication::restoreOverrideCursor();
    ui->searchEdit->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_actionPreferences_triggered()
{
    openPreferences(false);
}

void MainWindow::openPreferences(bool dictionaryTab)
{
    OptionDialog dialog(settings, this);
    if (dictionaryTab)
        dialog.showDictionaryTab();
    connect(&dialog, &OptionDialog::indexRebuilt, this, &MainWindow::lookUpAgain);
    // The page follows each change of the dictionaries while the dialog is
    // still open, as it follows the font.
    connect(&dialog, &OptionDialog::listReloaded, this, &MainWindow::followDictionaryChanges);
    connect(&dialog, &OptionDialog::historyClearRequested, notebook, &NotebookParts::clearHistory);
    dialog.exec();
    // A dictionary may have come or gone.
    followDictionaryChanges();
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    settings->setLastWord({ui->actionShowLastWord->isChecked(), ui->searchEdit->text()});
    stateKeeper->save();
    if (!tray->keepsWindow())
        return event->accept();
    event->ignore();
    hide();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Back from a terminal where orvel-cli installed or removed one.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        followDictionaryChanges();
}
