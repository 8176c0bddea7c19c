#pragma once

#include <QObject>

class QLabel;
class QLineEdit;

// Keeps a name box to what a dictionary's name may be: the box takes no more
// than the longest name, and while its text would be refused the label says
// why (and is hidden otherwise).
class NameCheck : public QObject
{
    Q_OBJECT

public:
    NameCheck(QLineEdit *edit, QLabel *reason);

    // The box's name as it would be kept; null while it would be refused.
    QString name() const;
    bool isValid() const { return !name().isNull(); }
    // Says again why, in the language now in use.
    void recheck();

signals:
    void validityChanged(bool valid);

private:
    QLineEdit *m_edit;
    QLabel *m_reason;
    bool m_valid = true;
};
