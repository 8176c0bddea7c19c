#include "wizard/namecheck.h"

#include "database/dictionarysettings.h"

#include <QLabel>
#include <QLineEdit>

NameCheck::NameCheck(QLineEdit *edit, QLabel *reason)
    : QObject(edit), m_edit(edit), m_reason(reason)
{
    m_edit->setMaxLength(DictionarySettings::longestName);
    connect(m_edit, &QLineEdit::textChanged, this, &NameCheck::recheck);
    recheck();
}

QString NameCheck::name() const
{
    return DictionarySettings::cleanName(m_edit->text());
}

void NameCheck::recheck()
{
    QString why;
    const bool valid = !DictionarySettings::cleanName(m_edit->text(), &why).isNull();
    // The reason is a fragment made to follow a lead-in; here it stands alone.
    if (!why.isEmpty())
        why[0] = why[0].toUpper();
    m_reason->setText(why);
    m_reason->setVisible(!valid);
    if (valid == m_valid)
        return;
    m_valid = valid;
    emit validityChanged(valid);
}
