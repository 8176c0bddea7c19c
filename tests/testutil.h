#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects every Qt message sent while it exists, as the exact text of the
// line, so diagnostics can be compared whole.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    QStringList lines(QtMsgType type) const;
    QStringList all() const;
    void clear();
};

namespace TestUtil {

// A fresh folder below the test's own temporary directory.
QString makeDir(const QString &name);

// Writes lines (Unicode text, encoded as Shift_JIS), each followed by `eol`;
// the last one without a terminator when `terminateLast` is false.
QString writeDictionary(const QString &path, const QStringList &lines, const QByteArray &eol = "\n",
                        bool terminateLast = true);
QString writeBytes(const QString &path, const QByteArray &bytes);

// Opens (creating when new) the default connection on `dbFile` with the
// schema, replacing any default connection opened before.
bool openFreshDatabase(const QString &dbFile);

// Runs a ConvertThread on `file` to the end; returns its outcome as int and
// collects the progress values when `progress` is given.
int install(const QString &file, QList<int> *progress = nullptr);

// Rows of t_word of dictionary 1 as "position:key", in position order.
QStringList wordRows();
// Number of rows in a table.
int rowCount(const QString &table);

} // namespace TestUtil
