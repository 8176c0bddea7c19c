#pragma once

#include <QDialog>

class QModelIndex;
class QStandardItemModel;
class ViewSettings;

namespace Ui {
class OptionDialog;
}

// Preferences: the result view's font, changed live in the view settings
// (whoever shows them follows at once), and the installed dictionaries,
// added through the wizard, removed with their index, or their index built
// again. There is nothing to
// apply on closing.
class OptionDialog : public QDialog
{
    Q_OBJECT

public:
    // The font controls show and change `settings`, which must outlive the
    // dialog.
    OptionDialog(ViewSettings *settings, QWidget *parent = nullptr);
    ~OptionDialog() override;

signals:
    // A rebuild of a dictionary's index has ended (committed or not).
    void indexRebuilt();

protected:
    void changeEvent(QEvent *e) override;

private slots:
    void on_familyBox_currentFontChanged(const QFont &font);
    void on_sizeBox_valueChanged(int i);
    void on_dictionaryView_clicked(const QModelIndex &index);
    void on_addButton_clicked();
    void on_removeButton_clicked();
    void on_rebuildButton_clicked();

private:
    // Shows the settings' font and reads the installed dictionaries into the
    // list; on failure the list keeps what it showed.
    void refresh();
    // Shows the settings' font in the font controls.
    void showFont();
    QStandardItemModel *loadDictionaries() const;
    void showDictionaries(QStandardItemModel *model);
    // Remove and Rebuild act on the current row.
    void updateRemoveButton();
    // The dictionary id of the current row; 0 when there is none.
    int currentId() const;

    Ui::OptionDialog *ui;
    ViewSettings *settings;
    // The font controls are being set to the settings' font, which is no
    // choice of the user's.
    bool showingFont = false;
    // The list's model; null until the first successful load.
    QStandardItemModel *m_model = nullptr;
};
