#pragma once
// The height table of a placement search as an item model: the whole grid, its fixed header
// row(s) and column(s) included, with the texts the window shows and the cell of the minimum.

#include "calc/placementsearch.h"

#include <QAbstractTableModel>

namespace kv {

class HeightTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // True on the cell that holds the lowest height (Qt::UserRole).
    static constexpr int MinimumRole = Qt::UserRole;
    // The cell's height as a number; invalid for header and empty cells (Qt::UserRole + 1).
    static constexpr int HeightRole = Qt::UserRole + 1;

    explicit HeightTableModel(QObject *parent = nullptr);

    // Shows a freshly built table; an empty table gives the empty 5 × 5 grid of a stopped search.
    void setTable(HeightTable table);
    void clear();
    const HeightTable &table() const { return m_table; }
    bool hasTable() const { return m_hasTable; }

    // Number of fixed (header) rows and columns.
    int fixedCount() const;
    // The cell of the minimum; invalid when the table holds no height.
    QModelIndex minimumIndex() const;
    // The find command. A one-range table: the first column whose x text equals x and the
    // first row whose y text equals y. The two-support table: the first column whose support-1
    // texts (rows 0 and 1) equal x and y and the first row whose support-2 texts (columns 0
    // and 1) equal x2 and y2; all four must match, since one x value repeats along many columns.
    // -1 where nothing matches or a text is missing.
    struct Hit {
        int column = -1;
        int row = -1;
        bool found() const { return column >= 0 && row >= 0; }
    };
    Hit find(const QString &x, const QString &y, const QString &x2 = {},
             const QString &y2 = {}) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    HeightTable m_table;
    bool m_hasTable = false;
};

} // namespace kv
