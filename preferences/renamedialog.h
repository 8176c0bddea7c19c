#pragma once

#include <QDialog>

class NameCheck;
class QDialogButtonBox;
class QLabel;

// Asks for a dictionary's new name. OK is offered only while the name would
// be kept; otherwise the dialog says why.
class RenameDialog : public QDialog
{
    Q_OBJECT

public:
    // Starts with `name` in the box, all of it selected.
    explicit RenameDialog(const QString &name, QWidget *parent = nullptr);

    // The name as it will be kept; null while it would be refused.
    QString name() const;

protected:
    void changeEvent(QEvent *e) override;

private:
    void retranslate();

    QLabel *m_label;
    QDialogButtonBox *m_buttons;
    NameCheck *m_check;
};
