#pragma once

#include <QCoreApplication>

// Orvel's settings store is Qt's native store for these organisation and
// application names, and the dictionary database lies beside it
// (Database::path()). Every program that reaches either (the window,
// orvel-cli, the tests and tools) names its application object once, at
// start, so a default-constructed QSettings is that store wherever it is made.
namespace SettingsStore {

inline void nameApplication(QCoreApplication &app)
{
    app.setOrganizationName(QStringLiteral("veldrana"));
    app.setApplicationName(QStringLiteral("orvel"));
}

} // namespace SettingsStore
