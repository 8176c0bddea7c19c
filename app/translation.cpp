#include "app/translation.h"

#include <QTranslator>

void loadTranslation(QTranslator &translator, const QString &locale)
{
    // Only isEmpty() decides: a file that loads but holds no messages must
    // not keep the next name from being tried.
    if (translator.isEmpty())
        static_cast<void>(translator.load(QStringLiteral("orvel_") + locale));
    if (translator.isEmpty())
        static_cast<void>(translator.load(QStringLiteral("Lang/orvel_") + locale));
    // An installed Orvel starts in any folder: its own catalogue goes with
    // it, compiled in (app/CMakeLists.txt).
    if (translator.isEmpty())
        static_cast<void>(translator.load(QStringLiteral(":/orvel/translations/orvel_") + locale));
}
