#pragma once

#include <QString>

class QTranslator;

// Loads the user interface translation for `locale` into `translator`:
// "orvel_<locale>" first, then "Lang/orvel_<locale>" when the first try left
// the translator without messages. Both names are relative to the working
// directory. A missing file is not an error; the source texts stay.
void loadTranslation(QTranslator &translator, const QString &locale);
