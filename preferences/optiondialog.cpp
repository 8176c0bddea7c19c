#include "preferences/optiondialog.h"
#include "ui_optiondialog.h"

#include "database/database.h"
#include "mainwindow/mainwindow.h"
#include "preferences/fontbounds.h"
#include "wizard/dictionarywizard.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>

OptionDialog::OptionDialog(QWidget *parent)
    : QDialog(parent, Qt::WindowFlags()), ui(new Ui::OptionDialog)
{
    ui->setupUi(this);
    {
        // The range moves the box's initial value; that is no choice of the
        // user's and must not reach the window.
        const QSignalBlocker quiet(ui->sizeBox);
        ui->sizeBox->setRange(FontBounds::minimum, FontBounds::maximum);
    }
    refresh();
}

OptionDialog::~OptionDialog()
{
    delete ui;
    delete m_model;
}

MainWindow *OptionDialog::mainWindow() const
{
    return qobject_cast<MainWindow *>(parentWidget());
}

void OptionDialog::refresh()
{
    // A new model has no current row, so nothing may be removed until a row
    // is clicked again.
    ui->removeButton->setEnabled(false);

    if (MainWindow *window = mainWindow()) {
        // Each setter fires its slot, which writes a font back to the window;
        // after both the window has its own family and size again.
        const QFont font = window->browserFont();
        ui->sizeBox->setValue(font.pointSize());
        ui->familyBox->setCurrentFont(font);
    }

    const QStringList headers{tr("No"), tr("Name"), tr("File")};
    auto *model = new QStandardItemModel;
    model->setHorizontalHeaderLabels(headers);

    QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, true);
    if (!db.open()) {
        qDebug() << "QSqlDatabase::open failed." << db.lastError().text();
        delete model;
        return;
    }
    {
        QSqlQuery query(db);
        query.prepare(
            "SELECT t.id, m.name, t.location FROM t_dictionary t INNER JOIN m_dictionary m "
            "USING (id)");
        if (!query.exec()) {
            qDebug() << "QSqlQuery::exec failed." << query.executedQuery()
                     << query.lastError().text();
            delete model;
            return;
        }
        while (query.next()) {
            model->appendRow({new QStandardItem(query.value(0).toString()),
                              new QStandardItem(query.value(1).toString()),
                              new QStandardItem(query.value(2).toString())});
        }
    }

    // The view replaces its selection model along with the model but leaves
    // the old one to us.
    QItemSelectionModel *selection = ui->dictionaryView->selectionModel();
    ui->dictionaryView->setModel(model);
    delete selection;
    delete m_model;
    m_model = model;
    ui->dictionaryView->hideColumn(0);
}

void OptionDialog::on_familyBox_currentFontChanged(const QFont &font)
{
    if (MainWindow *window = mainWindow()) {
        QFont chosen(font);
        chosen.setPointSize(ui->sizeBox->value());
        window->setBrowserFont(chosen);
    }
}

void OptionDialog::on_sizeBox_valueChanged(int i)
{
    if (MainWindow *window = mainWindow()) {
        QFont font = ui->familyBox->currentFont();
        font.setPointSize(i);
        window->setBrowserFont(font);
    }
}

void OptionDialog::on_dictionaryView_clicked(const QModelIndex &)
{
    ui->removeButton->setEnabled(true);
}

void OptionDialog::on_addButton_clicked()
{
    DictionaryWizard wizard(this);
    if (wizard.exec())
        refresh();
}

void OptionDialog::on_removeButton_clicked()
{
    if (!m_model || !ui->dictionaryView->currentIndex().isValid())
        return;

    QMessageBox box(this);
    box.setText(tr("Do you want to delete your dictionary?"));
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setIcon(QMessageBox::Question);
    box.setWindowModality(Qt::WindowModal);
    if (box.exec() != QMessageBox::Ok)
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStandardItem *item = m_model->item(ui->dictionaryView->currentIndex().row(), 0);
    if (item && Database::removeDictionary(item->text().toInt()))
        refresh();
    QApplication::restoreOverrideCursor();
}

void OptionDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
