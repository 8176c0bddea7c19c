#include "mainwindow/sidebuttons.h"

#include <QAction>
#include <QMouseEvent>
#include <QWidget>

SideButtons::SideButtons(QWidget *window, QAction *back, QAction *forward)
    : QObject(window), back(back), forward(forward)
{
    window->installEventFilter(this);
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        // Not the menus, which are windows of their own.
        if (widget->window() == window)
            widget->installEventFilter(this);
    }
}

bool SideButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        QAction *action = button == Qt::BackButton      ? back
                          : button == Qt::ForwardButton ? forward
                                                        : nullptr;
        if (action) {
            // Does nothing while there is nowhere to go.
            action->trigger();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
