#pragma once

#include <QDockWidget>

class HistoryModel;
class NotebookThread;
class QModelIndex;
class QTreeView;
class StarModel;

namespace Ui {
class NotebookPane;
}

// View > Notebook: a pane beside the word list with the words looked up
// (History) and the starred entries (Starred), newest first, each list
// holding what the filter field's text is found in (ignoring case). Enter
// or a click shows a row's word; Delete takes the chosen rows out of the
// history or takes their stars away; F2 edits a star's note. From the
// filter field Up and Down go to the list, Enter shows its row. The lists
// are read on the notebook's thread while the pane is shown, and again
// when the notebook changes.
class NotebookPane : public QDockWidget
{
    Q_OBJECT

public:
    explicit NotebookPane(NotebookThread *notebook, QWidget *parent = nullptr);
    ~NotebookPane() override;

    // Puts the keyboard in the filter field, its text selected.
    void focusFilter();
    QSize sizeHint() const override;

signals:
    // Show `word`'s page.
    void wordChosen(const QString &word);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void readHistory();
    void readStars();
    void showList(QTreeView *view, const QModelIndex &current);
    void choose(const QModelIndex &index);
    void removeChosen(QTreeView *view);
    QTreeView *shownList() const;

    Ui::NotebookPane *ui;
    NotebookThread *notebook;
    HistoryModel *history;
    StarModel *stars;
};
