#pragma once

#include <QObject>

class QAction;
class QMenu;
class QStatusBar;
class QTextBrowser;
class QTextDocument;
class QWidget;

// File > Print..., Print Preview... and Save Page As...: the page as the
// result view shows it (its font, its colours, every section) on paper
// through Qt's print dialog, or into a file as HTML or as PDF. What it
// wrote, or why it could not, goes to the status bar.
class PagePrinter : public QObject
{
    Q_OBJECT

public:
    // The window's pieces it uses: its actions go into `fileMenu` before
    // `before`, and their keys work in `window`.
    struct Parts
    {
        QTextBrowser *view;
        QWidget *window;
        QStatusBar *statusBar;
        QMenu *fileMenu;
        QAction *before;
    };
    explicit PagePrinter(const Parts &parts, QObject *parent = nullptr);

    // In the order File lists them.
    QList<QAction *> actions() const;

    // Writes `page` to `file`: as PDF when its name ends in ".pdf" (any
    // case), as HTML otherwise. Returns why it failed; empty when written.
    static QString save(const QTextDocument &page, const QString &file);

private:
    void print();
    void preview();
    void saveAs();

    QTextBrowser *view;
    QWidget *window;
    QStatusBar *statusBar;
    QAction *m_save;
    QAction *m_preview;
    QAction *m_print;
};
