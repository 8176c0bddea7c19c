#pragma once

#include <QString>

class QTranslator;

// Loads the user interface translation for `locale` into `translator`:
// "orvel_<locale>" first, then "Lang/orvel_<locale>" when the first try left
// the translator without messages; both names are relative to the working
// directory. When neither gave messages, the catalogue compiled into the
// program. A missing catalogue is not an error; the source texts stay.
void loadTranslation(QTranslator &translator, const QString &locale);
