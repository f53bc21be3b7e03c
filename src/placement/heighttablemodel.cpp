#include "placement/heighttablemodel.h"

#include "placement/placementdriver.h"

#include <cmath>

namespace kv {

namespace {
constexpr int kEmptyGrid = 5; // the grid left by a stopped or refused table
}

HeightTableModel::HeightTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void HeightTableModel::setTable(HeightTable table)
{
    beginResetModel();
    m_table = std::move(table);
    m_hasTable = true;
    endResetModel();
}

void HeightTableModel::clear()
{
    beginResetModel();
    m_table = HeightTable{};
    m_hasTable = false;
    endResetModel();
}

int HeightTableModel::fixedCount() const { return m_hasTable ? m_table.headerCols() : 1; }

int HeightTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_hasTable ? static_cast<int>(m_table.rowCount()) : kEmptyGrid;
}

int HeightTableModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_hasTable ? static_cast<int>(m_table.columnCount()) : kEmptyGrid;
}

QVariant HeightTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_hasTable || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int h = m_table.headerCols();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(heightTableText(m_table, index.column(), index.row()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case MinimumRole:
        return m_table.found && index.column() == m_table.minCol && index.row() == m_table.minRow;
    case HeightRole: {
        if (index.column() < h || index.row() < h)
            return {};
        const double v = m_table.cell(index.column() - h, index.row() - h);
        return std::isnan(v) ? QVariant() : QVariant(v);
    }
    default:
        return {};
    }
}

Qt::ItemFlags HeightTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // read-only grid
}

QModelIndex HeightTableModel::minimumIndex() const
{
    if (!m_hasTable || !m_table.found)
        return {};
    return index(m_table.minRow, m_table.minCol);
}

HeightTableModel::Hit HeightTableModel::find(const QString &x, const QString &y,
                                             const QString &x2, const QString &y2) const
{
    Hit hit;
    if (!m_hasTable || x.isEmpty() || y.isEmpty())
        return hit;
    auto text = [this](int c, int r) {
        return QString::fromStdString(heightTableText(m_table, c, r));
    };
    if (m_table.mode != TableMode::Both) {
        for (int c = 1; c < columnCount() && hit.column < 0; ++c)
            if (text(c, 0) == x)
                hit.column = c;
        for (int r = 1; r < rowCount() && hit.row < 0; ++r)
            if (text(0, r) == y)
                hit.row = r;
        return hit;
    }
    if (x2.isEmpty() || y2.isEmpty())
        return hit;
    for (int c = 2; c < columnCount() && hit.column < 0; ++c)
        if (text(c, 0) == x && text(c, 1) == y)
            hit.column = c;
    for (int r = 2; r < rowCount() && hit.row < 0; ++r)
        if (text(0, r) == x2 && text(1, r) == y2)
            hit.row = r;
    return hit;
}

} // namespace kv
