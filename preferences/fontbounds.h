#pragma once

// The result view's font sizes, in points: Qt's standard sizes run from 6
// to 72. Reading the settings, zooming, the Preferences spin box and writing
// the settings all keep within these, so no stored or typed value can make
// the page unreadable.
namespace FontBounds {
inline constexpr int minimum = 6;
inline constexpr int maximum = 72;

inline int bounded(int pointSize)
{
    return pointSize < minimum ? minimum : pointSize > maximum ? maximum : pointSize;
}
} // namespace FontBounds
