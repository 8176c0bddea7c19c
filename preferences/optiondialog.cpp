#include "preferences/optiondialog.h"
#include "ui_optiondialog.h"

#include "database/dictionarydatabase.h"
#include "dictionary/convertthread.h"
#include "mainwindow/mainwindow.h"
#include "preferences/fontbounds.h"
#include "wizard/dictionarywizard.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
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
    ui->removalErrorLabel->hide();
    if (MainWindow *window = mainWindow()) {
        // Each setter fires its slot, which writes a font back to the window;
        // after both the window has its own family and size again.
        const QFont font = window->browserFont();
        ui->sizeBox->setValue(font.pointSize());
        ui->familyBox->setCurrentFont(font);
    }
    if (QStandardItemModel *model = loadDictionaries())
        showDictionaries(model);
    updateRemoveButton();
}

QStandardItemModel *OptionDialog::loadDictionaries() const
{
    // Opened again although it is normally open: a start-up that could not
    // open the database gets another chance here.
    DictionaryDatabase database;
    QList<DictionaryDatabase::Installed> installed;
    if (!database.open() || !database.installedDictionaries(&installed))
        return nullptr;
    auto *model = new QStandardItemModel;
    model->setHorizontalHeaderLabels({tr("No"), tr("Name"), tr("File")});
    for (const DictionaryDatabase::Installed &dictionary : std::as_const(installed)) {
        model->appendRow({new QStandardItem(QString::number(dictionary.id)),
                          new QStandardItem(dictionary.name),
                          new QStandardItem(dictionary.location)});
    }
    return model;
}

void OptionDialog::showDictionaries(QStandardItemModel *model)
{
    // The view replaces its selection model along with the model but leaves
    // the old one to us; the connection below goes with it.
    QItemSelectionModel *selection = ui->dictionaryView->selectionModel();
    ui->dictionaryView->setModel(model);
    delete selection;
    delete m_model;
    m_model = model;
    ui->dictionaryView->hideColumn(0);
    // A row made current by the keyboard counts as much as a click.
    connect(ui->dictionaryView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &OptionDialog::updateRemoveButton);
}

// Remove acts on the current row, so it is offered exactly while there is
// one; a new model has none.
void OptionDialog::updateRemoveButton()
{
    ui->removeButton->setEnabled(ui->dictionaryView->currentIndex().isValid());
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
    updateRemoveButton();
}

void OptionDialog::on_addButton_clicked()
{
    DictionaryWizard wizard(this);
    wizard.exec();
    // However the wizard ended, a dictionary may have been installed: a
    // cancel at 100 % or on the last page keeps it, and a build that had
    // read its whole file commits after the wizard has closed.
    if (ConvertThread *builder = wizard.builder())
        connect(builder, &QThread::finished, this, &OptionDialog::refresh);
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
    DictionaryDatabase database;
    const bool removed = item && database.removeDictionary(item->text().toInt());
    // Removed or rolled back, the list shows what the database now holds.
    refresh();
    if (!removed) {
        ui->removalErrorLabel->setText(
            tr("The dictionary could not be removed: %1").arg(database.lastError()));
        ui->removalErrorLabel->show();
    }
    QApplication::restoreOverrideCursor();
}

void OptionDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
