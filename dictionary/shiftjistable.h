#pragma once

#include <QByteArrayView>
#include <QString>

namespace Eijiro {

// ICU's Shift_JIS converter, read into tables: it decodes a line at a few
// bytes per nanosecond less than a table look-up per character does. Each
// byte and each lead and trail pair is decoded through ICU once, on first
// use, and only characters that ICU maps on their own to one UTF-16 unit,
// without an error, go into the tables.
namespace ShiftJisTable {
// `bytes` decoded exactly as ICU decodes them into `out`, when they are
// such characters only; false for anything else (an invalid or unmapped
// byte, a lead byte without its trail), which ICU must decode itself, and
// `out` is then undefined.
bool decode(QByteArrayView bytes, QString *out);
// Whether ICU knows Shift_JIS at all.
bool isAvailable();
} // namespace ShiftJisTable

} // namespace Eijiro
