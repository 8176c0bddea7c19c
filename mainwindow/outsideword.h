#pragma once

#include <QString>

// A word that comes from outside the window (the command line, another
// program, the last run) as the window takes it: without control
// characters or marks that turn text around (they would turn the page and
// the title around too), white space runs as one space, none at the ends,
// at most maxLength characters.
namespace OutsideWord {
constexpr int maxLength = 256;
QString clean(const QString &text);
} // namespace OutsideWord
