#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

// The data table's cells as a grid: row 0 is the fixed heading row (shown as
// the view's horizontal header), column 0 the fixed "NO." column. Rows are
// numbered as the grid numbers them: with n readings there are n + 2 rows,
// row 1 the newest reading, the last row empty. Inserting at row 1 costs the
// same with 50000 rows as with none: reading rows are kept oldest first and
// row r maps to the stored row count - r.
//
// The grid always keeps its heading row and its fixed column: row and column
// counts below 1 are taken as 1. Cell addresses outside the grid are ignored
// by the setters and read as empty texts.
class FlexGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit FlexGridModel(QObject *parent = nullptr);

    // Grid operations.
    int rows() const;    // Rows, the heading row included
    int cols() const;    // Cols
    void setRows(int n); // drops rows beyond n, adds empty ones
    void setCols(int n);
    void clear();                                    // empties every cell, keeps the counts
    void addItem(const QString &text, int position); // new row at position, text in column 0
    void setText(int row, int col, const QString &text);
    QString text(int row, int col) const;
    void setTextArray(int index, const QString &text); // index = row * cols + col

    // QAbstractTableModel: the view shows rows 1 .. rows()-1.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Index into m_rowsOldestFirst of grid row `row` (1 .. rows()-1).
    std::size_t storedIndex(int row) const
    {
        return m_rowsOldestFirst.size() - static_cast<std::size_t>(row);
    }
    int storedRows() const { return static_cast<int>(m_rowsOldestFirst.size()); }
    QStringList emptyRow() const { return QStringList(m_cols); }

    int m_cols = 5;
    // Grid rows 1 .. rows()-1, the bottom row first.
    std::vector<QStringList> m_rowsOldestFirst;
    QStringList m_heading; // row 0
};
