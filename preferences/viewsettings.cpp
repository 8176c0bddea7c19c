#include "preferences/viewsettings.h"

#include <QSettings>

namespace {
const char windowGroup[] = "Window";
const char sizeKey[] = "size";
const char menubarKey[] = "menubar";
const char statusbarKey[] = "statusbar";
const char topmostKey[] = "topmost";

const char preferencesGroup[] = "Preferences";
const char familyKey[] = "fontFamily";
const char fontSizeKey[] = "fontSize";

const char defaultFamily[] = "Sans";
const int defaultFontSize = 10;

// The application's font with the given family and size, as every run
// builds it from the store.
QFont resultFont(const QString &family, int pointSize)
{
    QFont font;
    font.setFamily(family);
    font.setPointSize(
        qBound(ViewSettings::minimumFontSize, pointSize, ViewSettings::maximumFontSize));
    return font;
}
} // namespace

QFont ViewSettings::boundedFont(const QFont &font)
{
    const qreal size = font.pointSizeF();
    if (size <= 0 || (size >= minimumFontSize && size <= maximumFontSize))
        return font;
    QFont bounded(font);
    bounded.setPointSize(size < minimumFontSize ? minimumFontSize : maximumFontSize);
    return bounded;
}

ViewSettings::ViewSettings(QObject *parent)
    : QObject(parent), m_font(resultFont(defaultFamily, defaultFontSize))
{
}

void ViewSettings::load()
{
    QSettings settings;
    settings.beginGroup(windowGroup);
    const WindowState defaults;
    m_window.size = settings.value(sizeKey, defaults.size).toSize();
    m_window.menubar = settings.value(menubarKey, defaults.menubar).toBool();
    m_window.statusbar = settings.value(statusbarKey, defaults.statusbar).toBool();
    m_window.topmost = settings.value(topmostKey, defaults.topmost).toBool();
    settings.endGroup();

    settings.beginGroup(preferencesGroup);
    // A damaged or hand-edited size could blank the page.
    setFont(resultFont(settings.value(familyKey, defaultFamily).toString(),
                       settings.value(fontSizeKey, defaultFontSize).toInt()));
    settings.endGroup();
}

void ViewSettings::save() const
{
    QSettings settings;
    settings.beginGroup(windowGroup);
    settings.setValue(sizeKey, m_window.size);
    settings.setValue(menubarKey, m_window.menubar);
    settings.setValue(statusbarKey, m_window.statusbar);
    settings.setValue(topmostKey, m_window.topmost);
    settings.endGroup();

    settings.beginGroup(preferencesGroup);
    settings.setValue(familyKey, m_font.family());
    settings.setValue(fontSizeKey, m_font.pointSize());
    settings.endGroup();
}

QFont ViewSettings::font() const
{
    return m_font;
}

void ViewSettings::setFont(const QFont &font)
{
    const QFont bounded = boundedFont(font);
    if (bounded == m_font)
        return;
    m_font = bounded;
    emit fontChanged(m_font);
}

ViewSettings::WindowState ViewSettings::windowState() const
{
    return m_window;
}

void ViewSettings::setWindowState(const WindowState &state)
{
    m_window = state;
}
