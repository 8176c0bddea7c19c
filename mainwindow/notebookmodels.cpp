#include "mainwindow/notebookmodels.h"

#include <QDateTime>
#include <QLocale>

namespace {

QString shownTime(qint64 time)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(time), QLocale::ShortFormat);
}

// One line of a text that may hold several.
QString oneLine(QString text)
{
    return text.replace(u'\n', u' ').replace(u'\t', u' ').replace(u'\r', u' ');
}

} // namespace

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    const HistoryWord *row = rowOf(index);
    if (!row)
        return QVariant();
    const HistoryWord &word = *row;
    if (role == Qt::UserRole)
        return word.word;
    if (role == Qt::TextAlignmentRole && index.column() == CountColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case WordColumn:
        return oneLine(word.word);
    case CountColumn:
        return word.count;
    case TimeColumn:
        return shownTime(word.time);
    default:
        return QVariant();
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case WordColumn:
        return tr("Word");
    case CountColumn:
        return tr("Times");
    case TimeColumn:
        return tr("Last looked up");
    default:
        return QVariant();
    }
}

QVariant StarModel::data(const QModelIndex &index, int role) const
{
    const Star *row = rowOf(index);
    if (!row)
        return QVariant();
    const Star &star = *row;
    if (role == Qt::UserRole)
        return star.word;
    if (role == Qt::EditRole && index.column() == NoteColumn)
        return star.note;
    if (role == Qt::ToolTipRole)
        return star.lines;
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case WordColumn:
        return oneLine(star.word);
    case ReadingColumn:
        return star.reading;
    case NoteColumn:
        return oneLine(star.note);
    case DictionaryColumn:
        return star.dictionary;
    case TimeColumn:
        return shownTime(star.time);
    default:
        return QVariant();
    }
}

QVariant StarModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case WordColumn:
        return tr("Entry");
    case ReadingColumn:
        return tr("Reading");
    case NoteColumn:
        return tr("Note");
    case DictionaryColumn:
        return tr("Dictionary");
    case TimeColumn:
        return tr("Starred");
    default:
        return QVariant();
    }
}

Qt::ItemFlags StarModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == NoteColumn ? flags | Qt::ItemIsEditable : flags;
}

bool StarModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != NoteColumn || !rowOf(index))
        return false;
    Star &star = m_rows[index.row()];
    star.note = value.toString();
    emit dataChanged(index, index);
    emit noteEdited(star);
    return true;
}
