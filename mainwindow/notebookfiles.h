#pragma once

#include <QObject>

class NotebookThread;
class QAction;
class QStatusBar;
class QWidget;

// File > Export Notebook... and File > Import Word List...: the export
// writes the starred entries or the history as flash cards (Cards) on the
// notebook's thread and says in the status bar what it wrote; the import
// stars the words of a word list that a dictionary has (WordListImport) on
// a thread of its own, with a progress dialog that can stop it, and says
// how many it starred and how many no dictionary has.
class NotebookFiles : public QObject
{
    Q_OBJECT

public:
    NotebookFiles(NotebookThread *notebook, QWidget *window, QStatusBar *statusBar,
                  QObject *parent = nullptr);

    QAction *exportAction() const { return m_export; }
    QAction *importAction() const { return m_import; }

    // Imports `file` (what Import Word List... does once a file is chosen);
    // returns when it has ended, its outcome shown in a message box.
    void importFile(const QString &file);

private:
    void exportNotebook();
    void importWordList();

    NotebookThread *notebook;
    QWidget *window;
    QStatusBar *statusBar;
    QAction *m_export;
    QAction *m_import;
};
