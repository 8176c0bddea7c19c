#include "mainwindow/notebookpane.h"
#include "ui_notebookpane.h"

#include "mainwindow/notebookmodels.h"
#include "notebook/notebookthread.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace {

// The row of `model` whose `key` is `wanted`, or the row nearest `row`.
template <typename Model, typename Key>
int rowFor(const Model *model, const Key &key, const QString &wanted, int row)
{
    const auto &rows = model->rows();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&](const auto &each) { return key(each) == wanted; });
    if (found != rows.end())
        return int(found - rows.begin());
    return qMin(row, int(rows.size()) - 1);
}

QString starKey(const Star &star)
{
    return star.dictionary + QChar(0x1f) + star.word;
}

} // namespace

NotebookPane::NotebookPane(NotebookThread *notebook, QWidget *parent)
    : QDockWidget(parent), ui(new Ui::NotebookPane), notebook(notebook),
      history(new HistoryModel(this)), stars(new StarModel(this))
{
    ui->setupUi(this);
    ui->historyView->setModel(history);
    ui->starView->setModel(stars);
    for (QTreeView *view : {ui->historyView, ui->starView}) {
        // Room for a word; the other columns as wide as their names.
        QHeaderView *header = view->header();
        for (int column = 1; column < header->count(); ++column)
            header->resizeSection(column, header->sectionSizeHint(column));
        header->resizeSection(0, fontMetrics().averageCharWidth() * 16);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::clicked, this, &NotebookPane::choose);
    }
    ui->starView->header()->resizeSection(StarModel::NoteColumn,
                                          fontMetrics().averageCharWidth() * 16);
    ui->filterEdit->installEventFilter(this);
    connect(ui->filterEdit, &QLineEdit::textChanged, this, [this] {
        readHistory();
        readStars();
    });
    connect(stars, &StarModel::noteEdited, notebook, [notebook](const Star &star) {
        notebook->setNote(star.word, star.dictionary, star.note);
    });
    connect(notebook, &NotebookThread::historyChanged, this, &NotebookPane::readHistory);
    connect(notebook, &NotebookThread::starsChanged, this, &NotebookPane::readStars);
    connect(notebook, &NotebookThread::historyRead, this,
            [this](const QString &filter, const QList<HistoryWord> &words) {
                if (filter != ui->filterEdit->text())
                    return;
                const QModelIndex current = ui->historyView->currentIndex();
                const QString word = current.data(Qt::UserRole).toString();
                history->setRows(words);
                showList(ui->historyView,
                         history->index(rowFor(
                                            history, [](const HistoryWord &w) { return w.word; },
                                            word, current.row()),
                                        0));
            });
    connect(notebook, &NotebookThread::starsRead, this,
            [this](const QString &filter, const QList<Star> &read) {
                if (filter != ui->filterEdit->text())
                    return;
                const QModelIndex current = ui->starView->currentIndex();
                const QString key =
                    current.isValid() ? starKey(stars->rows().at(current.row())) : QString();
                stars->setRows(read);
                showList(ui->starView, stars->index(rowFor(stars, starKey, key, current.row()), 0));
            });
    // Read while shown only: the history may hold 100,000 words.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown) {
            readHistory();
            readStars();
        }
    });
}

NotebookPane::~NotebookPane()
{
    delete ui;
}

QSize NotebookPane::sizeHint() const
{
    // Room for a word and the columns beside it, whatever the lists hold.
    return {fontMetrics().averageCharWidth() * 60, QDockWidget::sizeHint().height()};
}

void NotebookPane::focusFilter()
{
    ui->filterEdit->setFocus(Qt::ShortcutFocusReason);
    ui->filterEdit->selectAll();
}

void NotebookPane::readHistory()
{
    if (isVisible())
        notebook->readHistory(ui->filterEdit->text());
}

void NotebookPane::readStars()
{
    if (isVisible())
        notebook->readStars(ui->filterEdit->text());
}

void NotebookPane::showList(QTreeView *view, const QModelIndex &current)
{
    if (current.isValid())
        view->setCurrentIndex(current);
}

QTreeView *NotebookPane::shownList() const
{
    return ui->tabs->currentWidget() == ui->starTab ? ui->starView : ui->historyView;
}

void NotebookPane::choose(const QModelIndex &index)
{
    const QString word = index.siblingAtColumn(0).data(Qt::UserRole).toString();
    if (!word.isEmpty())
        emit wordChosen(word);
}

void NotebookPane::removeChosen(QTreeView *view)
{
    QList<int> rows;
    for (const QModelIndex &index : view->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && view->currentIndex().isValid())
        rows << view->currentIndex().row();
    // From the last, so that the rows before keep their places.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    QStringList words;
    for (const int row : std::as_const(rows)) {
        if (view == ui->starView) {
            const Star star = stars->rows().at(row);
            notebook->unstar(star.word, star.dictionary);
            stars->removeRow(row);
        } else {
            words << history->rows().at(row).word;
            history->removeRow(row);
        }
    }
    if (!words.isEmpty())
        notebook->removeFromHistory(words);
}

bool NotebookPane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    QTreeView *list = shownList();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == ui->filterEdit) {
        if (key != Qt::Key_Up && key != Qt::Key_Down && !enter)
            return false;
        if (!list->currentIndex().isValid() && list->model()->rowCount() > 0)
            list->setCurrentIndex(list->model()->index(0, 0));
        if (enter)
            choose(list->currentIndex());
        else
            list->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (enter) {
        choose(list->currentIndex());
        return true;
    }
    if (key == Qt::Key_Delete) {
        removeChosen(list);
        return true;
    }
    if (key == Qt::Key_F2 && watched == ui->starView && list->currentIndex().isValid()) {
        list->edit(list->currentIndex().siblingAtColumn(StarModel::NoteColumn));
        return true;
    }
    return false;
}

void NotebookPane::changeEvent(QEvent *event)
{
    QDockWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
