#pragma once

#include "notebook/notebook.h"

#include <QAbstractTableModel>
#include <QList>

// The Notebook pane's lists: the history's words and the starred entries,
// as the notebook last read them, newest first. Each row's word is
// Qt::UserRole of its first column.
template <typename Row, int columns> class NotebookList : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(const QList<Row> &rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    const QList<Row> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : columns;
    }
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override
    {
        if (parent.isValid() || row < 0 || count <= 0 || row + count > m_rows.size())
            return false;
        beginRemoveRows(parent, row, row + count - 1);
        m_rows.remove(row, count);
        endRemoveRows();
        return true;
    }

protected:
    // The row of `index`, or null.
    const Row *rowOf(const QModelIndex &index) const
    {
        return index.isValid() && index.row() < m_rows.size() ? &m_rows.at(index.row()) : nullptr;
    }
    QList<Row> m_rows;
};

class HistoryModel : public NotebookList<HistoryWord, 3>
{
    Q_OBJECT

public:
    enum Column { WordColumn, CountColumn, TimeColumn };

    using NotebookList::NotebookList;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
};

class StarModel : public NotebookList<Star, 5>
{
    Q_OBJECT

public:
    enum Column { WordColumn, ReadingColumn, NoteColumn, DictionaryColumn, TimeColumn };

    using NotebookList::NotebookList;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // The note is edited in place (F2).
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void noteEdited(const Star &star);
};
