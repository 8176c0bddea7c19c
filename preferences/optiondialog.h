#pragma once

#include <QDialog>

#include <functional>

class DictionarySettings;
class QModelIndex;
class QStandardItemModel;
class ViewSettings;

namespace Ui {
class OptionDialog;
}

// Preferences: the result view's font, changed live in the view settings
// (whoever shows them follows at once), and the installed dictionaries in
// the user's order: added through the wizard, moved up or down, switched off
// and on (the check box of a row), renamed, removed with their index, or
// their index built again. Each change is saved as it is made; there is
// nothing to apply on closing.
class OptionDialog : public QDialog
{
    Q_OBJECT

public:
    // The font controls show and change `settings`, which must outlive the
    // dialog.
    OptionDialog(ViewSettings *settings, QWidget *parent = nullptr);
    ~OptionDialog() override;

    // Opens on the list of dictionaries rather than on the font.
    void showDictionaryTab();

signals:
    // A rebuild of a dictionary's index has ended (committed or not).
    void indexRebuilt();
    // The list was read again: the installed dictionaries, their names,
    // order or switches may have changed.
    void listReloaded();
    // Clear History..., confirmed: every word of the notebook's history is
    // to go.
    void historyClearRequested();

protected:
    void changeEvent(QEvent *e) override;
    // Space in the list switches the current row's dictionary, whichever
    // column is current.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_familyBox_currentFontChanged(const QFont &font);
    void on_sizeBox_valueChanged(int i);
    void on_keepHistoryBox_toggled(bool on);
    void on_closeToTrayBox_toggled(bool on);
    void on_speakersBox_toggled(bool on);
    void on_clearHistoryButton_clicked();
    void on_dictionaryView_clicked(const QModelIndex &index);
    void on_addButton_clicked();
    void on_removeButton_clicked();
    void on_rebuildButton_clicked();
    void on_renameButton_clicked();
    void on_upButton_clicked();
    void on_downButton_clicked();

private:
    // Shows the settings' font and reads the installed dictionaries into the
    // list; on failure the list keeps what it showed. The current row stays
    // on its dictionary, or on its place when the dictionary has gone.
    void refresh();
    // After a change of the dictionaries: the list as the database now has
    // it, and, unless `done`, `failure` saying why the change was not made.
    void showChange(bool done, const QString &failure);
    // Makes one change of the dictionaries' names, order or switches.
    void changeSettings(const std::function<bool(DictionarySettings &)> &make);
    void move(int steps);
    void switchDictionary(int id, bool enabled);
    // Shows the settings' font in the font controls.
    void showFont();
    QStandardItemModel *loadDictionaries() const;
    void showDictionaries(QStandardItemModel *model);
    // The buttons act on the selected row, and Up and Down only where it
    // can move.
    void updateButtons();
    // The one row selected; -1 when there is none.
    int selectedRow() const;
    // The dictionary id of the selected row; 0 when there is none.
    int currentId() const;

    Ui::OptionDialog *ui;
    ViewSettings *settings;
    // The font controls are being set to the settings' font, which is no
    // choice of the user's.
    bool showingFont = false;
    // The list's model; null until the first successful load.
    QStandardItemModel *m_model = nullptr;
};
