#include "app/openindex.h"

#include "database/database.h"
#include "database/dictionarydatabase.h"
#include "mainwindow/mainwindow.h"

#include <QDebug>

void openIndex(MainWindow *window)
{
    const QString file = Database::path();
    QString reason;
    const DictionaryDatabase::Opened opened =
        DictionaryDatabase::openOrCreateDefault(file, &reason);
    if (opened == DictionaryDatabase::Opened::SchemaFailed)
        qDebug() << "MainWindow::createDatabase failed.";
    window->indexOpened(opened, file, reason);
}
