#pragma once

#include <QString>

// The markup of result pages. ResultRenderer writes it; the main window's
// PageDocument reads it back to build the view's document, and refuses
// anything else, so both must take it from here.
namespace PageMarkup {

inline const QString listOpen = QStringLiteral("<ol>");
inline const QString listClose = QStringLiteral("</ol>");
inline const QString headingOpen = QStringLiteral("<h2 style='font-weight:bold'>");
// The not-found page's heading.
inline const QString plainHeadingOpen = QStringLiteral("<h2>");
inline const QString headingClose = QStringLiteral("</h2>");
inline const QString highlightOpen = QStringLiteral("<span style='color:#C00000'>");
inline const QString badgeOpen = QStringLiteral("<span style='background-color:#e0e0e0'>");
inline const QString spanClose = QStringLiteral("</span>");
// Pads a label inside its badge.
inline const QString badgeSpace = QStringLiteral("&nbsp;");
inline const QString itemOpen = QStringLiteral("<li>");
inline const QString itemClose = QStringLiteral("</li>");
inline const QString lineBreak = QStringLiteral("<br />");

} // namespace PageMarkup
