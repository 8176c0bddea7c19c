#include "database/dictionarysettings.h"

#include "database/sql.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

QString DictionarySettings::cleanName(const QString &name, QString *error)
{
    QString cleaned = name;
    for (QChar &c : cleaned) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    cleaned = cleaned.trimmed();
    QString why;
    if (cleaned.isEmpty())
        why = QCoreApplication::translate("DictionarySettings", "a dictionary's name cannot be "
                                                                "empty");
    else if (cleaned.size() > longestName)
        why = QCoreApplication::translate("DictionarySettings",
                                          "a dictionary's name can have at most %1 characters")
                  .arg(longestName);
    if (why.isEmpty())
        return cleaned;
    if (error)
        *error = why;
    return QString();
}

QString DictionarySettings::nameOfFile(const QString &file)
{
    const QString base = QFileInfo(file).completeBaseName();
    const QString name = cleanName(base.isEmpty() ? QFileInfo(file).fileName() : base);
    // A name too long for a dictionary is cut; one of nothing but spaces
    // has the file's whole name.
    if (!name.isNull())
        return name;
    const QString whole = QFileInfo(file).fileName().trimmed().left(longestName);
    return whole.isEmpty() ? QStringLiteral("?") : whole;
}

template <typename Change> bool DictionarySettings::inTransaction(Change change)
{
    if (!beginWrite())
        return false;
    QList<Records::Installed> order;
    if (!settleOrder(&order) || !change(order)) {
        m_db.rollback();
        return false;
    }
    return commitTransaction();
}

bool DictionarySettings::notInstalled(int id)
{
    return fail(
        QCoreApplication::translate("DictionarySettings", "no dictionary with id %1 is installed")
            .arg(id));
}

namespace {
qsizetype indexOf(const QList<Records::Installed> &order, int id)
{
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (order.at(i).id == id)
            return i;
    }
    return -1;
}
} // namespace

bool DictionarySettings::rename(int id, const QString &name)
{
    QString error;
    const QString cleaned = cleanName(name, &error);
    if (cleaned.isNull())
        return fail(error);
    return inTransaction([&](const QList<Records::Installed> &order) {
        if (indexOf(order, id) < 0)
            return notInstalled(id);
        return write(Sql::renameDictionary, {cleaned, id});
    });
}

bool DictionarySettings::setEnabled(int id, bool enabled)
{
    return inTransaction([&](const QList<Records::Installed> &order) {
        if (indexOf(order, id) < 0)
            return notInstalled(id);
        return write(Sql::enableDictionary, {int(enabled), id});
    });
}

bool DictionarySettings::move(int id, int steps)
{
    return inTransaction([&](const QList<Records::Installed> &order) {
        const qsizetype from = indexOf(order, id);
        if (from < 0)
            return notInstalled(id);
        QList<int> ids;
        for (const Records::Installed &dictionary : order)
            ids << dictionary.id;
        const qsizetype to = std::clamp<qsizetype>(from + steps, 0, ids.size() - 1);
        ids.move(from, to);
        return writeOrder(ids);
    });
}

bool DictionarySettings::setOrder(const QList<int> &ids)
{
    return inTransaction([&](const QList<Records::Installed> &order) {
        QList<int> installed, asked = ids;
        for (const Records::Installed &dictionary : order)
            installed << dictionary.id;
        std::sort(installed.begin(), installed.end());
        std::sort(asked.begin(), asked.end());
        if (installed != asked)
            return fail(QCoreApplication::translate(
                "DictionarySettings", "the order must name every installed dictionary once"));
        return writeOrder(ids);
    });
}

bool DictionarySettings::writeOrder(const QList<int> &ids)
{
    for (qsizetype rank = 0; rank < ids.size(); ++rank) {
        if (!write(Sql::rankDictionary, {int(rank), ids.at(rank)}))
            return false;
    }
    return true;
}
