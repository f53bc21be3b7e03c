#pragma once
// A data-aware grid over one table: the stored rows through TableModel, plus the row in edit or
// insert shown from the table's edit buffer. Typing into a cell puts the row in edit and writes
// the buffer; the row is posted by the navigator or when the grid moves to another row (a
// refused post keeps the row in edit and the grid on it). The grid's current row is the table's.

#include "data/table.h"
#include "widgets/tablemodel.h"

#include <QTableView>

#include <memory>

namespace kv {

class DbNavigator;
class Prompter;

class DbGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DbGridModel(Table &table, std::vector<TableModel::Column> columns, Prompter &prompter,
                QObject *parent = nullptr);
    ~DbGridModel() override;

    TableModel &source() const { return *m_src; }
    Table &table() const { return m_src->table(); }
    void setReadOnly(bool ro) { m_readOnly = ro; }
    // The grid row of the table's current row (the insert row while inserting), -1 when none.
    int currentRow() const;
    int editRow() const; // the row shown from the edit buffer, -1 when none

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void tableMoved(); // the table's current row or state changed

private:
    void refreshAll();
    std::unique_ptr<TableModel> m_src;
    Prompter &m_prompter;
    bool m_readOnly = false;
    int m_handle = 0;
    bool m_resetting = false;
};

class DbGrid : public QTableView {
    Q_OBJECT
public:
    DbGrid(Table &table, std::vector<TableModel::Column> columns, Prompter &prompter,
           QWidget *parent = nullptr);
    DbGridModel *gridModel() const { return m_model; }
    void setReadOnly(bool ro);
    // Posts a row left in edit before the grid moves; set by the window (the navigator's post).
    void setPoster(std::function<bool()> post) { m_post = std::move(post); }
    // Works with the window's navigator over the same table: posts through it, and a row its
    // "+" opens is shown, focused and edited at once (editNewRow).
    void bindNavigator(DbNavigator *nav);
    // Brings the row in insert into view and makes it current; an editable grid gets the focus
    // and opens the first column's editor, so typing goes into the new row.
    void editNewRow();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    // Enter posts the row in edit, Escape cancels it (outside a cell editor).
    void keyPressEvent(QKeyEvent *e) override;

private:
    void followTable();
    DbGridModel *m_model;
    std::function<bool()> m_post;
    bool m_following = false;
};

} // namespace kv
