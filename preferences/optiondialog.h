#pragma once

#include <QDialog>

class MainWindow;
class QModelIndex;
class QStandardItemModel;

namespace Ui {
class OptionDialog;
}

// Preferences: the result view's font, changed live in the main window, and
// the installed dictionaries, added through the wizard or removed with their
// index. There is nothing to apply on closing.
class OptionDialog : public QDialog
{
    Q_OBJECT

public:
    // `parent` must be the main window: the font controls act on it.
    explicit OptionDialog(QWidget *parent);
    ~OptionDialog() override;

protected:
    void changeEvent(QEvent *e) override;

private slots:
    void on_familyBox_currentFontChanged(const QFont &font);
    void on_sizeBox_valueChanged(int i);
    void on_dictionaryView_clicked(const QModelIndex &index);
    void on_addButton_clicked();
    void on_removeButton_clicked();

private:
    MainWindow *mainWindow() const;
    // Reads the installed dictionaries into the list; on failure the list
    // keeps what it showed.
    void refresh();
    QStandardItemModel *loadDictionaries() const;
    void showDictionaries(QStandardItemModel *model);
    void updateRemoveButton();

    Ui::OptionDialog *ui;
    // The list's model; null until the first successful load.
    QStandardItemModel *m_model = nullptr;
};
