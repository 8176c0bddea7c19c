#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

// The text selected in a program on an X11 display, read over a connection
// of its own. Qt's clipboard waits several seconds per request for the
// program that holds the selection, and cannot be told to wait less; a
// frozen program would hold the start that long.
namespace X11Selection {

enum class Outcome {
    Read,     // the text, empty when nothing is selected
    NoAnswer, // the program holding the selection did not answer in time
    NoServer, // no X server could be reached
};

// The primary selection's text, or the clipboard's when the selection holds
// none but white space, as UTF-8 (or Latin-1 where the program offers no
// UTF-8), the first maxBytes of it. `display` names the X server; empty for
// $DISPLAY's. Nothing waits past `deadline`.
Outcome read(const QByteArray &display, QDeadlineTimer deadline, QString *text);

// Only the start of a long selection counts: the window takes a word.
constexpr int maxBytes = 64 * 1024;

} // namespace X11Selection
