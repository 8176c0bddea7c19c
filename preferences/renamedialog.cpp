#include "preferences/renamedialog.h"

#include "wizard/namecheck.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

RenameDialog::RenameDialog(const QString &name, QWidget *parent)
    : QDialog(parent), m_label(new QLabel),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    auto *edit = new QLineEdit(name);
    edit->setObjectName(QStringLiteral("nameEdit"));
    edit->selectAll();
    m_label->setBuddy(edit);
    auto *reason = new QLabel;
    reason->setObjectName(QStringLiteral("nameErrorLabel"));
    reason->setTextFormat(Qt::PlainText);
    reason->setWordWrap(true);
    m_buttons->setObjectName(QStringLiteral("buttonBox"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(edit);
    layout->addWidget(reason);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edit->setMinimumWidth(320);

    m_check = new NameCheck(edit, reason);
    QPushButton *ok = m_buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(m_check->isValid());
    connect(m_check, &NameCheck::validityChanged, ok, &QPushButton::setEnabled);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    retranslate();
}

QString RenameDialog::name() const
{
    return m_check->name();
}

void RenameDialog::retranslate()
{
    setWindowTitle(tr("Rename Dictionary"));
    m_label->setText(tr("New name of the dictionary:"));
    m_check->recheck();
}

void RenameDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        retranslate();
}
