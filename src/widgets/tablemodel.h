#pragma once
// A Qt item model over one table of the store: one row per visible row of the table (master
// link and filter applied), one column per chosen field, headers from the display labels.
// Edits go through the table's edit/post with its rules; a refused or failed edit leaves the
// row as it was. The model follows the table's change notifications row by row.

#include "data/table.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace kv {

class Prompter;

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        std::string field;
        QString label; // empty: the field's display label, or its name
    };

    // Every field except Kod and Kod0 when columns is empty.
    explicit TableModel(Table &table, std::vector<Column> columns = {}, QObject *parent = nullptr);
    ~TableModel() override;

    // Error texts of failed edits (a text too long, not a number) go to the prompter; without
    // one they are dropped and setData returns false.
    void setPrompter(Prompter *p) { m_prompter = p; }
    void setReadOnly(bool ro) { m_readOnly = ro; }
    bool isReadOnly() const { return m_readOnly; }

    Table &table() const { return m_table; }
    const std::vector<Column> &columns() const { return m_columns; }
    int columnOf(const std::string &field) const; // -1 when not shown

    // The table's key of a model row (-1 when out of range) and the row of a key (-1).
    std::int64_t keyAt(int row) const;
    int rowOfKey(std::int64_t key) const;

    // The table's current row as a model row, and moving it (as a grid does).
    int currentRow() const;
    bool setCurrentRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text shown for a value of a field (numbers in the general format with the comma).
    static QString displayText(const Value &v, FieldType t);

    // Re-reads every row (the table's notifications do this by themselves).
    void reload();

signals:
    void currentRowChanged(int row);

private:
    void onTableChange(TableChange c);
    std::vector<std::vector<Value>> readRows() const;

    Table &m_table;
    std::vector<Column> m_columns;
    std::vector<std::string> m_fields; // Kod first when the table has one, then the columns
    std::vector<FieldType> m_types;
    std::vector<std::vector<Value>> m_rows;
    Prompter *m_prompter = nullptr;
    bool m_readOnly = false;
    bool m_hasKod = false;
    int m_handle = 0;
    int m_lastCurrent = -1;
};

} // namespace kv
