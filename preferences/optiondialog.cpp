#include "preferences/optiondialog.h"
#include "ui_optiondialog.h"

#include "database/dictionarydatabase.h"
#include "database/dictionaryremoval.h"
#include "database/dictionarysettings.h"
#include "database/installeddictionaries.h"
#include "dictionary/convertthread.h"
#include "preferences/rebuilddialog.h"
#include "preferences/renamedialog.h"
#include "preferences/viewsettings.h"
#include "wizard/dictionarywizard.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStandardItemModel>
#include <QSystemTrayIcon>

namespace {
// The list's columns; the id's is hidden.
enum Column { IdColumn, NameColumn, FileColumn };
// The widest the name column grows by itself, in pixels.
constexpr int widestName = 200;
} // namespace

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
    ui->keepHistoryBox->setChecked(settings->keepHistory());
    ui->closeToTrayBox->setChecked(settings->closeToTray());
    ui->speakersBox->setChecked(settings->speakers());
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ui->closeToTrayBox->setEnabled(false);
        ui->closeToTrayBox->setToolTip(tr("The desktop has no system tray"));
    }
    ui->dictionaryView->installEventFilter(this);
    ui->upButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    ui->downButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    ui->renameButton->setShortcut(QKeySequence(Qt::Key_F2));
    ui->removeButton->setShortcut(QKeySequence::Delete);
    // One row at a time, and the buttons act on the row that is
    // highlighted, whether the mouse or the keyboard chose it.
    ui->dictionaryView->setSelectionMode(QAbstractItemView::SingleSelection);
    // Two files of one folder differ at their ends; the whole path is the
    // tooltip.
    ui->dictionaryView->setTextElideMode(Qt::ElideMiddle);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("closeButtons"));
    ui->gridLayout->addWidget(buttons, 2, 0);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // In the program's language, as the rest of the dialog.
    buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
    refresh();
}

OptionDialog::~OptionDialog()
{
    delete ui;
    delete m_model;
}

void OptionDialog::refresh()
{
    ui->errorLabel->hide();
    showFont();
    const int id = currentId();
    const int row = selectedRow();
    if (QStandardItemModel *model = loadDictionaries()) {
        showDictionaries(model);
        const QList<QStandardItem *> same =
            model->findItems(QString::number(id), Qt::MatchExactly, IdColumn);
        const int rows = model->rowCount();
        if (row >= 0 && rows > 0)
            ui->dictionaryView->setCurrentIndex(
                model->index(same.isEmpty() ? qMin(row, rows - 1) : same[0]->row(), NameColumn));
    }
    updateButtons();
    emit listReloaded();
}

void OptionDialog::showChange(bool done, const QString &failure)
{
    refresh();
    if (done)
        return;
    ui->errorLabel->setText(failure);
    ui->errorLabel->show();
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
        auto *name = new QStandardItem(dictionary.name);
        name->setCheckable(true);
        name->setCheckState(dictionary.enabled ? Qt::Checked : Qt::Unchecked);
        auto *file = new QStandardItem(dictionary.location);
        file->setToolTip(dictionary.location);
        model->appendRow({new QStandardItem(QString::number(dictionary.id)), name, file});
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
    ui->dictionaryView->hideColumn(IdColumn);
    // The user's names are often wider than the column's first width: they
    // get the room they need, up to a limit that leaves the file in sight.
    QTableView *view = ui->dictionaryView;
    view->resizeColumnToContents(NameColumn);
    view->setColumnWidth(NameColumn, qBound(view->horizontalHeader()->defaultSectionSize(),
                                            view->columnWidth(NameColumn), widestName));
    // A row made current by the keyboard counts as much as a click: it is
    // selected too (the view makes the row it enters by Tab current
    // only), so what is highlighted is what the buttons act on.
    QItemSelectionModel *rows = ui->dictionaryView->selectionModel();
    connect(rows, &QItemSelectionModel::currentChanged, this, [rows](const QModelIndex &current) {
        if (current.isValid() && !rows->isRowSelected(current.row()))
            rows->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });
    connect(rows, &QItemSelectionModel::selectionChanged, this, &OptionDialog::updateButtons);
    // A check box clicked or switched with Space; its row becomes the
    // current one, as a click elsewhere in the row makes it. The switch
    // reloads the list, which must wait until the model has done telling of
    // the change.
    connect(model, &QStandardItemModel::itemChanged, this, [this, model](QStandardItem *item) {
        if (item->column() != NameColumn)
            return;
        ui->dictionaryView->setCurrentIndex(item->index());
        const int id = model->item(item->row(), IdColumn)->text().toInt();
        const bool enabled = item->checkState() == Qt::Checked;
        QMetaObject::invokeMethod(
            this, [this, id, enabled] { switchDictionary(id, enabled); }, Qt::QueuedConnection);
    });
}

// Each button acts on the selected row, so it is offered only while there is
// one; a new model has none.
void OptionDialog::updateButtons()
{
    const int row = selectedRow();
    const int rows = m_model ? m_model->rowCount() : 0;
    const bool current = row >= 0;
    ui->removeButton->setEnabled(current);
    ui->rebuildButton->setEnabled(current);
    ui->renameButton->setEnabled(current);
    ui->upButton->setEnabled(current && row > 0);
    ui->downButton->setEnabled(current && row < rows - 1);
}

int OptionDialog::selectedRow() const
{
    const QItemSelectionModel *selection = ui->dictionaryView->selectionModel();
    const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList();
    return m_model && rows.size() == 1 ? rows.first().row() : -1;
}

int OptionDialog::currentId() const
{
    const int row = selectedRow();
    const QStandardItem *item = row >= 0 ? m_model->item(row, IdColumn) : nullptr;
    return item ? item->text().toInt() : 0;
}

void OptionDialog::showDictionaryTab()
{
    ui->tabWidget->setCurrentWidget(ui->dictionaryTab);
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
    updateButtons();
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
    const int row = selectedRow();
    if (row < 0)
        return;

    QMessageBox box(this);
    box.setText(tr("Do you want to delete your dictionary?"));
    // Which one, beneath the question.
    box.setInformativeText(m_model->item(row, NameColumn)->text() + u'\n' +
                           m_model->item(row, FileColumn)->text() + QStringLiteral("\n\n") +
                           tr("Only Orvel's index of it is deleted: the dictionary file itself "
                              "stays where it is."));
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setIcon(QMessageBox::Question);
    box.setWindowModality(Qt::WindowModal);
    if (box.exec() != QMessageBox::Ok)
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    DictionaryRemoval removal;
    const bool removed = removal.remove(currentId());
    // Removed or rolled back, the list shows what the database now holds.
    showChange(removed, tr("The dictionary could not be removed: %1").arg(removal.lastError()));
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

void OptionDialog::on_renameButton_clicked()
{
    const int id = currentId();
    if (id == 0)
        return;
    const int row = selectedRow();
    RenameDialog rename(m_model->item(row, NameColumn)->text(), this);
    if (rename.exec() != QDialog::Accepted)
        return;
    changeSettings([&](DictionarySettings &change) { return change.rename(id, rename.name()); });
}

void OptionDialog::on_upButton_clicked()
{
    move(-1);
}

void OptionDialog::on_downButton_clicked()
{
    move(1);
}

void OptionDialog::move(int steps)
{
    const int id = currentId();
    if (id == 0)
        return;
    changeSettings([&](DictionarySettings &change) { return change.move(id, steps); });
}

void OptionDialog::switchDictionary(int id, bool enabled)
{
    changeSettings([&](DictionarySettings &change) { return change.setEnabled(id, enabled); });
}

void OptionDialog::changeSettings(const std::function<bool(DictionarySettings &)> &make)
{
    DictionarySettings change;
    const bool done = make(change);
    showChange(done, tr("The change could not be saved: %1").arg(change.lastError()));
}

bool OptionDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->dictionaryView && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        const QModelIndex current = ui->dictionaryView->currentIndex();
        // Home and End go to the first and the last dictionary (a table's
        // own go to a row's first and last cell, from no row to the first).
        const int rows = m_model ? m_model->rowCount() : 0;
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && rows > 0) {
            ui->dictionaryView->setCurrentIndex(
                m_model->index(key->key() == Qt::Key_Home ? 0 : rows - 1, NameColumn));
            return true;
        }
        if ((key->key() == Qt::Key_Space || key->key() == Qt::Key_Select) &&
            key->modifiers() == Qt::NoModifier && m_model && current.isValid()) {
            QStandardItem *name = m_model->item(current.row(), NameColumn);
            name->setCheckState(name->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OptionDialog::on_keepHistoryBox_toggled(bool on)
{
    settings->setKeepHistory(on);
}

void OptionDialog::on_closeToTrayBox_toggled(bool on)
{
    settings->setCloseToTray(on);
}

void OptionDialog::on_speakersBox_toggled(bool on)
{
    settings->setSpeakers(on);
}

void OptionDialog::on_clearHistoryButton_clicked()
{
    if (QMessageBox::question(this, tr("Clear History"),
                              tr("Take every word out of the history of looked-up words? The "
                                 "starred entries stay.")) == QMessageBox::Yes)
        emit historyClearRequested();
}

void OptionDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        findChild<QDialogButtonBox *>(QStringLiteral("closeButtons"))
            ->button(QDialogButtonBox::Close)
            ->setText(tr("Close"));
    }
}
