#include "preferences/optiondialog.h"
#include "ui_optiondialog.h"

#include "database/dictionarydatabase.h"
#include "database/dictionaryremoval.h"
#include "database/installeddictionaries.h"
#include "dictionary/convertthread.h"
#include "preferences/rebuilddialog.h"
#include "preferences/viewsettings.h"
#include "wizard/dictionarywizard.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QStandardItemModel>

OptionDialog::OptionDialog(ViewSettings *settings, QWidget *parent)
    : QDialog(parent, Qt::WindowFlags()), ui(new Ui::OptionDialog), settings(settings)
{
    ui->setupUi(this);
    {
        // The range moves the box's initial value; that is no choice of the
        // user's and must not reach the settings.
        const QSignalBlocker quiet(ui->sizeBox);
        ui->sizeBox->setRange(ViewSettings::minimumFontSize, ViewSettings::maximumFontSize);
    }
    refresh();
}

OptionDialog::~OptionDialog()
{
    delete ui;
    delete m_model;
}

void OptionDialog::refresh()
{
    ui->removalErrorLabel->hide();
    showFont();
    if (QStandardItemModel *model = loadDictionaries())
        showDictionaries(model);
    updateRemoveButton();
}

void OptionDialog::showFont()
{
    const QFont font = settings->font();
    {
        // Each box on its own would pass on its new value with the other
        // box's old one, and the view would flash another family. (Blocking
        // the boxes' signals instead would also cut the family box off from
        // its own slot that keeps its current font in step.)
        const QScopedValueRollback<bool> quiet(showingFont, true);
        ui->sizeBox->setValue(font.pointSize());
        ui->familyBox->setCurrentFont(font);
    }
    // The box may show a family it does not list as the one it resolves to;
    // the font takes that on as if it had been chosen. A listed family and
    // its size are no change.
    on_familyBox_currentFontChanged(ui->familyBox->currentFont());
}

QStandardItemModel *OptionDialog::loadDictionaries() const
{
    // Opened again although it is normally open: a start-up that could not
    // open the database gets another chance here.
    QList<Records::Installed> installed;
    if (!DictionaryDatabase().open() || !InstalledDictionaries().list(&installed))
        return nullptr;
    auto *model = new QStandardItemModel;
    model->setHorizontalHeaderLabels({tr("No"), tr("Name"), tr("File")});
    for (const Records::Installed &dictionary : std::as_const(installed)) {
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
    const bool current = ui->dictionaryView->currentIndex().isValid();
    ui->removeButton->setEnabled(current);
    ui->rebuildButton->setEnabled(current);
}

int OptionDialog::currentId() const
{
    const QModelIndex current = ui->dictionaryView->currentIndex();
    const QStandardItem *item =
        m_model && current.isValid() ? m_model->item(current.row(), 0) : nullptr;
    return item ? item->text().toInt() : 0;
}

void OptionDialog::on_familyBox_currentFontChanged(const QFont &font)
{
    if (showingFont)
        return;
    QFont chosen(font);
    chosen.setPointSize(ui->sizeBox->value());
    settings->setFont(chosen);
}

void OptionDialog::on_sizeBox_valueChanged(int i)
{
    if (showingFont)
        return;
    QFont font = ui->familyBox->currentFont();
    font.setPointSize(i);
    settings->setFont(font);
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
    DictionaryRemoval removal;
    const bool removed = item && removal.remove(item->text().toInt());
    // Removed or rolled back, the list shows what the database now holds.
    refresh();
    if (!removed) {
        ui->removalErrorLabel->setText(
            tr("The dictionary could not be removed: %1").arg(removal.lastError()));
        ui->removalErrorLabel->show();
    }
    QApplication::restoreOverrideCursor();
}

void OptionDialog::on_rebuildButton_clicked()
{
    const int id = currentId();
    if (id == 0)
        return;
    RebuildDialog rebuild(id, this);
    rebuild.exec();
    refresh();
    emit indexRebuilt();
}

void OptionDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
