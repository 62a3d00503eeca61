#include "datalog/flexgridmodel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>

namespace {

// A full log is 50000 readings plus the trailing empty row; reserving that
// up front keeps the append at row 1 free of reallocation spikes.
constexpr std::size_t kReservedRows = 50001;

// Background of the fixed column's cells: the light grey-blue of a fixed
// cell. Made once: the view asks for it for every cell it paints.
const QVariant &fixedCellBackground()
{
    static const QVariant brush = QBrush(QColor(0xEC, 0xEE, 0xF2));
    return brush;
}

} // namespace

FlexGridModel::FlexGridModel(QObject *parent) : QAbstractTableModel(parent), m_heading(m_cols)
{
    m_rowsOldestFirst.reserve(kReservedRows);
    m_rowsOldestFirst.push_back(emptyRow());
    m_heading[0] = QStringLiteral("NO.");
}

int FlexGridModel::rows() const
{
    return storedRows() + 1;
}

int FlexGridModel::cols() const
{
    return m_cols;
}

void FlexGridModel::setRows(int n)
{
    const int wanted = std::max(n, 1) - 1; // reading rows and empty rows below the heading
    const int stored = storedRows();
    if (wanted < stored) {
        // The rows beyond the new count are the bottom ones: the front of the store.
        beginRemoveRows({}, wanted, stored - 1);
        m_rowsOldestFirst.erase(m_rowsOldestFirst.begin(), m_rowsOldestFirst.begin() + (stored - wanted));
        endRemoveRows();
    } else if (wanted > stored) {
        beginInsertRows({}, stored, wanted - 1);
        m_rowsOldestFirst.insert(m_rowsOldestFirst.begin(), static_cast<std::size_t>(wanted - stored),
                                 emptyRow());
        endInsertRows();
    }
}

void FlexGridModel::setCols(int n)
{
    const int wanted = std::max(n, 1);
    if (wanted == m_cols)
        return;
    const bool removing = wanted < m_cols;
    if (removing)
        beginRemoveColumns({}, wanted, m_cols - 1);
    else
        beginInsertColumns({}, m_cols, wanted - 1);
    m_cols = wanted;
    m_heading.resize(m_cols);
    for (QStringList &row : m_rowsOldestFirst)
        row.resize(m_cols);
    if (removing)
        endRemoveColumns();
    else
        endInsertColumns();
}

void FlexGridModel::clear()
{
    m_heading.fill(QString());
    for (QStringList &row : m_rowsOldestFirst)
        row.fill(QString());
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    if (storedRows() > 0)
        Q_EMIT dataChanged(index(0, 0), index(storedRows() - 1, m_cols - 1), {Qt::DisplayRole});
}

void FlexGridModel::addItem(const QString &text, int position)
{
    if (position < 1 || position > rows())
        return;
    QStringList row = emptyRow();
    row[0] = text;
    const int viewRow = position - 1;
    beginInsertRows({}, viewRow, viewRow);
    // After the insertion grid row `position` sits at index size - position,
    // which for position 1 is the end of the store.
    const std::size_t at = m_rowsOldestFirst.size() + 1 - static_cast<std::size_t>(position);
    m_rowsOldestFirst.insert(m_rowsOldestFirst.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
    endInsertRows();
}

void FlexGridModel::setText(int row, int col, const QString &text)
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return;
    if (row == 0) {
        m_heading[col] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    m_rowsOldestFirst[storedIndex(row)][col] = text;
    const QModelIndex cell = index(row - 1, col);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

QString FlexGridModel::text(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return {};
    if (row == 0)
        return m_heading.at(col);
    return m_rowsOldestFirst[storedIndex(row)].at(col);
}

void FlexGridModel::setTextArray(int index, const QString &text)
{
    if (index < 0)
        return;
    setText(index / m_cols, index % m_cols, text);
}

int FlexGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : storedRows();
}

int FlexGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row() + 1, index.column());
    case Qt::BackgroundRole:
        if (index.column() == 0)
            return fixedCellBackground();
        return {};
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_cols)
        return {};
    return m_heading.at(section);
}
