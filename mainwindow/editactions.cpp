#include "mainwindow/editactions.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>

#include <functional>

void routeEditActions(const EditActions &actions, QLineEdit *field, QTextEdit *view)
{
    const struct
    {
        QAction *action;
        std::function<void(QLineEdit *)> field;
        std::function<void(QTextEdit *)> view;
    } routes[] = {
        {actions.undo, &QLineEdit::undo, nullptr},
        {actions.redo, &QLineEdit::redo, nullptr},
        {actions.cut, &QLineEdit::cut, nullptr},
        {actions.copy, &QLineEdit::copy, &QTextEdit::copy},
        {actions.paste, &QLineEdit::paste, nullptr},
        {actions.clear, &QLineEdit::clear, nullptr},
        {actions.selectAll, &QLineEdit::selectAll, &QTextEdit::selectAll},
    };
    for (const auto &route : routes) {
        QObject::connect(route.action, &QAction::triggered, field, [field, view, route] {
            if (view->window()->focusWidget() != view)
                route.field(field);
            else if (route.view)
                route.view(view);
        });
    }
}
