#include "mainwindow/fieldkeys.h"

#include "mainwindow/findbar.h"
#include "mainwindow/resultview.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QShortcut>

#include <functional>

FieldKeys::FieldKeys(const Form &form, QObject *parent) : QObject(parent)
{
    QLineEdit *field = form.field;
    const struct
    {
        QKeySequence keys;
        std::function<void()> run;
    } shortcuts[] = {
        {QKeySequence(Qt::Key_Escape), [field] { field->clear(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_L), [field] { field->selectAll(); }},
        {QKeySequence(Qt::Key_F6), [field] { field->selectAll(); }},
    };
    for (const auto &shortcut : shortcuts) {
        connect(new QShortcut(shortcut.keys, form.window), &QShortcut::activated, this, [=] {
            field->setFocus(Qt::ShortcutFocusReason);
            shortcut.run();
        });
    }
    form.view->takePageKeysFrom(field);
    auto *findBar = new FindBar(form.view, form.menu, form.after, form.window);
    form.layout->addWidget(findBar, form.layout->rowCount(), 0);
    connect(findBar, &FindBar::closed, field, [field] { field->setFocus(Qt::OtherFocusReason); });
}
