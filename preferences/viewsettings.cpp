#include "preferences/viewsettings.h"

#include <QDataStream>
#include <QSettings>

namespace {
const char windowGroup[] = "Window";
const char sizeKey[] = "size";
const char positionKey[] = "position";
const char menubarKey[] = "menubar";
const char statusbarKey[] = "statusbar";
const char topmostKey[] = "topmost";
const char wordListKey[] = "wordListShown";
const char splitterKey[] = "splitter";
const char closeToTrayKey[] = "Window/closeToTray";
const char watchClipboardKey[] = "Clipboard/watch";

const char preferencesGroup[] = "Preferences";
const char familyKey[] = "fontFamily";
const char fontSizeKey[] = "fontSize";
const char chosenFontSizeKey[] = "chosenFontSize";
const char showLastWordKey[] = "showLastWord";
const char findWhatIMeanKey[] = "findWhatIMean";
const char keepHistoryKey[] = "keepHistory";
const char notebookKey[] = "notebookShown";
const char speakersKey[] = "speakersBesideHeadings";

const char popupGroup[] = "Popup";
const char popupSizeKey[] = "size";

const char historyGroup[] = "History";
const char lastWordKey[] = "lastWord";

const char defaultFamily[] = "Sans";
const int defaultFontSize = 10;

int boundedSize(int pointSize)
{
    return qBound(ViewSettings::minimumFontSize, pointSize, ViewSettings::maximumFontSize);
}

// The application's font with the given family and size, as every run
// builds it from the store.
QFont resultFont(const QString &family, int pointSize)
{
    QFont font;
    font.setFamily(family);
    font.setPointSize(boundedSize(pointSize));
    return font;
}

// Only a point, as the store writes it, is a position: a damaged value
// must not move the window to the corner of the screen.
std::optional<QPoint> storedPosition(const QVariant &value)
{
    if (value.typeId() != QMetaType::QPoint)
        return std::nullopt;
    return value.toPoint();
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

QList<int> ViewSettings::splitterSizes(const QByteArray &state)
{
    // QSplitter's layout: a marker, a version (0 or 1 so far), then the
    // sizes as a list.
    // The count is checked against the bytes there are, so a damaged one
    // cannot ask for gigabytes.
    QDataStream stream(state);
    qint32 marker = 0;
    qint32 version = -1;
    quint32 count = 0;
    stream >> marker >> version >> count;
    const qint64 left = state.size() - 3 * qint64(sizeof(qint32));
    if (stream.status() != QDataStream::Ok || marker != 0xff || version < 0 || version > 1 ||
        count > quint64(left) / sizeof(qint32))
        return {};
    QList<int> sizes(count);
    for (int &size : sizes)
        stream >> size;
    return sizes;
}

ViewSettings::ViewSettings(QObject *parent)
    : QObject(parent), m_font(resultFont(defaultFamily, defaultFontSize)),
      m_chosenFontSize(defaultFontSize)
{
}

void ViewSettings::load()
{
    QSettings settings;
    settings.beginGroup(windowGroup);
    const WindowState defaults;
    m_window.size = settings.value(sizeKey, defaults.size).toSize();
    m_window.position = storedPosition(settings.value(positionKey));
    m_window.menubar = settings.value(menubarKey, defaults.menubar).toBool();
    m_window.statusbar = settings.value(statusbarKey, defaults.statusbar).toBool();
    m_window.topmost = settings.value(topmostKey, defaults.topmost).toBool();
    m_window.wordList = settings.value(wordListKey, defaults.wordList).toBool();
    m_window.splitter = settings.value(splitterKey).toByteArray();
    m_notebookShown = settings.value(notebookKey, false).toBool();
    settings.endGroup();

    settings.beginGroup(preferencesGroup);
    // A damaged or hand-edited size could blank the page.
    setFont(resultFont(settings.value(familyKey, defaultFamily).toString(),
                       settings.value(fontSizeKey, defaultFontSize).toInt()));
    m_chosenFontSize = boundedSize(settings.value(chosenFontSizeKey, m_font.pointSize()).toInt());
    m_lastWord.show = settings.value(showLastWordKey, LastWord().show).toBool();
    m_findWhatIMean = settings.value(findWhatIMeanKey, true).toBool();
    m_keepHistory = settings.value(keepHistoryKey, true).toBool();
    m_speakers = settings.value(speakersKey, true).toBool();
    settings.endGroup();

    settings.beginGroup(historyGroup);
    m_lastWord.word = settings.value(lastWordKey).toString();
    settings.endGroup();

    // A damaged value gives the default; the pop-up keeps it on its screen.
    const QSize popup =
        settings.value(QStringLiteral("%1/%2").arg(popupGroup, popupSizeKey), defaultPopupSize)
            .toSize();
    m_popupSize = popup.isValid() && !popup.isEmpty() ? popup : defaultPopupSize;

    m_closeToTray = settings.value(closeToTrayKey, false).toBool();
    const bool watch = settings.value(watchClipboardKey, false).toBool();
    if (watch != m_watchClipboard) {
        m_watchClipboard = watch;
        emit watchClipboardChanged(watch);
    }
}

bool ViewSettings::save() const
{
    QSettings settings;
    settings.beginGroup(windowGroup);
    settings.setValue(sizeKey, m_window.size);
    if (m_window.position)
        settings.setValue(positionKey, *m_window.position);
    settings.setValue(menubarKey, m_window.menubar);
    settings.setValue(statusbarKey, m_window.statusbar);
    settings.setValue(topmostKey, m_window.topmost);
    settings.setValue(wordListKey, m_window.wordList);
    if (!m_window.splitter.isEmpty())
        settings.setValue(splitterKey, m_window.splitter);
    settings.setValue(notebookKey, m_notebookShown);
    settings.endGroup();

    settings.beginGroup(preferencesGroup);
    settings.setValue(familyKey, m_font.family());
    settings.setValue(fontSizeKey, m_font.pointSize());
    settings.setValue(chosenFontSizeKey, m_chosenFontSize);
    settings.setValue(showLastWordKey, m_lastWord.show);
    settings.setValue(findWhatIMeanKey, m_findWhatIMean);
    settings.setValue(keepHistoryKey, m_keepHistory);
    settings.setValue(speakersKey, m_speakers);
    settings.endGroup();

    settings.beginGroup(historyGroup);
    settings.setValue(lastWordKey, m_lastWord.word);
    settings.endGroup();

    // A damaged file read back gives FormatError, yet the write may well
    // have worked; only AccessError says it did not.
    settings.sync();
    return settings.status() != QSettings::AccessError;
}

void ViewSettings::setPopupSize(const QSize &size)
{
    if (size == m_popupSize)
        return;
    m_popupSize = size;
    QSettings().setValue(QStringLiteral("%1/%2").arg(popupGroup, popupSizeKey), size);
}

void ViewSettings::setWatchClipboard(bool on)
{
    if (on == m_watchClipboard)
        return;
    m_watchClipboard = on;
    QSettings().setValue(watchClipboardKey, on);
    emit watchClipboardChanged(on);
}

void ViewSettings::setSpeakers(bool on)
{
    if (on == m_speakers)
        return;
    m_speakers = on;
    QSettings().setValue(QLatin1String(preferencesGroup) + u'/' + QLatin1String(speakersKey), on);
    emit speakersChanged(on);
}

void ViewSettings::setCloseToTray(bool on)
{
    if (on == m_closeToTray)
        return;
    m_closeToTray = on;
    QSettings().setValue(closeToTrayKey, on);
}

QString ViewSettings::settingsFile()
{
    return QSettings().fileName();
}

QFont ViewSettings::font() const
{
    return m_font;
}

void ViewSettings::setFont(const QFont &font)
{
    const QFont bounded = boundedFont(font);
    if (bounded.pointSize() > 0 && bounded.pointSize() != m_font.pointSize())
        m_chosenFontSize = bounded.pointSize();
    setZoomedFont(bounded);
}

void ViewSettings::setZoomedFont(const QFont &font)
{
    const QFont bounded = boundedFont(font);
    if (bounded == m_font)
        return;
    m_font = bounded;
    emit fontChanged(m_font);
}

int ViewSettings::chosenFontSize() const
{
    return m_chosenFontSize;
}

void ViewSettings::restoreChosenFontSize()
{
    QFont font(m_font);
    font.setPointSize(m_chosenFontSize);
    setZoomedFont(font);
}

ViewSettings::WindowState ViewSettings::windowState() const
{
    return m_window;
}

void ViewSettings::setWindowState(const WindowState &state)
{
    m_window = state;
}

ViewSettings::LastWord ViewSettings::lastWord() const
{
    return m_lastWord;
}

void ViewSettings::setLastWord(const LastWord &lastWord)
{
    m_lastWord = lastWord;
}

bool ViewSettings::findWhatIMean() const
{
    return m_findWhatIMean;
}

void ViewSettings::setFindWhatIMean(bool on)
{
    m_findWhatIMean = on;
}
