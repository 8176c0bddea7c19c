#pragma once

class QAction;
class QLineEdit;
class QTextEdit;

// The Edit menu's actions, as the form makes them.
struct EditActions
{
    QAction *undo;
    QAction *redo;
    QAction *cut;
    QAction *copy;
    QAction *paste;
    QAction *clear; // "Delete": empties the field
    QAction *selectAll;
};

// The Edit menu and its shortcuts act on the widget with the keyboard focus:
// the search field, or the result view, where only Copy and Select All mean
// anything. (Being read-only, the view leaves Ctrl+C to the menu.)
void routeEditActions(const EditActions &actions, QLineEdit *field, QTextEdit *view);
