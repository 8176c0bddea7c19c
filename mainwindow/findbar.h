#pragma once

#include <QList>
#include <QTextCursor>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTextEdit;
class QToolButton;

// Finds text in the page of a result view: a bar under the view that Find
// in Page (Ctrl+F) opens. Typing finds the first match, in any letter case;
// Enter or the down arrow goes to the next, Shift+Enter or the up arrow to
// the previous, round the page; a count says which of how many is shown.
// Every match is marked, the current one selected. Escape closes it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    // Find in Page goes into `menu` after `after`.
    FindBar(QTextEdit *view, QMenu *menu, QAction *after, QWidget *parent = nullptr);

    // Find in Page, for the window's menu and keys.
    QAction *action() const { return m_action; }
    // The matches counted on the page on display.
    int count() const { return int(matches.size()); }
    // The match selected, from 0; -1 for none.
    int current() const { return m_current; }

signals:
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void open();
    void close();
    // Finds the text on the page again; `fromStart` selects the first match.
    void search(bool fromStart);
    // Selects the match `step` after the current one, round the page.
    void step(int step);
    void showCount();
    void retranslate();

    QTextEdit *view;
    QAction *m_action;
    QLineEdit *edit;
    QToolButton *previous;
    QToolButton *next;
    QToolButton *closer;
    QLabel *countLabel;
    QList<QTextCursor> matches;
    int m_current = -1;
};
