#include "mainwindow/notebookparts.h"

#include "mainwindow/history.h"
#include "mainwindow/notebookfiles.h"
#include "mainwindow/notebookpane.h"
#include "mainwindow/starlinks.h"
#include "notebook/notebookthread.h"
#include "preferences/viewsettings.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

NotebookParts::NotebookParts(const Window &window, QObject *parent)
    // The notebook's thread is the first child, so it goes first: it waits
    // for what it was asked, and nothing it answers has gone before.
    : QObject(parent), m_notebook(new NotebookThread(Notebook::defaultPath(), this)),
      statusBar(window.statusBar)
{
    m_stars = new StarLinks(window.view, window.pages, m_notebook, this);
    m_pane = new NotebookPane(m_notebook, window.window);
    m_pane->setObjectName(QStringLiteral("notebookPane"));
    window.window->addDockWidget(Qt::LeftDockWidgetArea, m_pane);
    m_files = new NotebookFiles(m_notebook, window.window, window.statusBar, this);
    placeActions(window);

    ViewSettings *settings = window.settings;
    m_pane->setVisible(settings->notebookShown());
    QMainWindow *main = window.window;
    connect(m_pane->toggleViewAction(), &QAction::toggled, this, [=](bool shown) {
        settings->setNotebookShown(shown);
        if (!shown)
            return;
        // Once the window has laid the pane out.
        QTimer::singleShot(0, m_pane, [=] {
            main->resizeDocks({m_pane}, {m_pane->sizeHint().width()}, Qt::Horizontal);
        });
        m_pane->focusFilter();
    });
    connect(m_pane, &NotebookPane::wordChosen, this, &NotebookParts::lookUpWanted);
    connect(window.history, &History::kept, m_notebook, [this, settings](const auto &visit) {
        if (settings->keepHistory())
            m_notebook->record(visit.word);
    });
    connect(m_stars, &StarLinks::said, window.statusBar,
            [bar = window.statusBar](const QString &text) { bar->showMessage(text, 10000); });
    connect(m_notebook, &NotebookThread::problem, this, &NotebookParts::showProblem);
    // orvel-cli may have starred or unstarred meanwhile.
    window.window->installEventFilter(this);
}

bool NotebookParts::eventFilter(QObject *watched, QEvent *event)
{
    auto *window = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::ActivationChange && window->isActiveWindow())
        m_notebook->changedElsewhere();
    return false;
}

NotebookParts::~NotebookParts() = default;

void NotebookParts::placeActions(const Window &window)
{
    window.fileMenu->insertActions(window.quit, {m_files->importAction(), m_files->exportAction()});
    window.fileMenu->insertSeparator(window.quit);
    window.editMenu->insertAction(window.preferences, m_stars->starAction());
    window.editMenu->insertSeparator(window.preferences);
    QAction *shown = m_pane->toggleViewAction();
    shown->setObjectName(QStringLiteral("actionNotebook"));
    shown->setShortcut(QKeySequence(Qt::Key_F9));
    const QList<QAction *> view = window.viewMenu->actions();
    const qsizetype after = view.indexOf(window.wordList);
    window.viewMenu->insertAction(view.value(after + 1), shown);
    // Their keys work with the menu bar hidden too.
    window.window->addActions(
        {m_files->importAction(), m_files->exportAction(), m_stars->starAction(), shown});
}

void NotebookParts::clearHistory()
{
    m_notebook->clearHistory();
}

void NotebookParts::showProblem(const QString &line)
{
    // Look-up times replace any message; this stays.
    if (!problem) {
        problem = new QLabel(tr("Notebook problem"), statusBar);
        problem->setObjectName(QStringLiteral("notebookProblemLabel"));
        statusBar->addPermanentWidget(problem);
    }
    problem->setToolTip(line);
}
