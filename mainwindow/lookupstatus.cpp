#include "mainwindow/lookupstatus.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

LookUpStatus::LookUpStatus(QStatusBar *bar, QObject *parent) : QObject(parent), bar(bar)
{
}

void LookUpStatus::started()
{
    timer.start();
}

void LookUpStatus::finished(bool failed)
{
    // The window's texts, translated as such.
    const QString text = failed ? QCoreApplication::translate("MainWindow", "The look-up failed.")
                                : QCoreApplication::translate("MainWindow", "%1 seconds")
                                      .arg(timer.elapsed() / 1000.0, 0, 'f', 3);
    bar->showMessage(text, 0);
}

void LookUpStatus::nothingLookedUp()
{
    bar->clearMessage();
}

void LookUpStatus::settingsNotSaved(const QString &file)
{
    showProblem(QStringLiteral("settingsNotSavedLabel"),
                QCoreApplication::translate("MainWindow", "Settings cannot be saved"),
                QCoreApplication::translate(
                    "MainWindow",
                    "Orvel cannot write its settings file:\n%1\n\nThe font, the window and "
                    "the last word will be as before at the next start. Make the file and "
                    "its folder writable for you, then start Orvel again.")
                    .arg(file));
}

void LookUpStatus::indexUnusable(const QString &file, const QString &reason)
{
    showProblem(QStringLiteral("indexUnusableLabel"),
                QCoreApplication::translate("MainWindow", "The dictionary index cannot be used"),
                QCoreApplication::translate(
                    "MainWindow",
                    "Orvel cannot open or set up its dictionary index:\n%1\n(%2)\n\nLook-ups "
                    "and adding dictionaries fail until it can. Please quit Orvel and make "
                    "sure that you can read and write that file and its folder. If the file "
                    "is damaged, move it away: Orvel then starts with a new, empty index, "
                    "and the dictionary can be added again.")
                    .arg(file, reason));
}

void LookUpStatus::showProblem(const QString &name, const QString &text, const QString &details)
{
    // A permanent widget: look-up times replace any status-bar message.
    auto *label = new QLabel(text, bar);
    label->setObjectName(name);
    label->setToolTip(details);
    bar->addPermanentWidget(label);
}
