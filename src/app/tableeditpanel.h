#pragma once
// A grid over one table of the store with its navigator and a row strip: the navigator inserts,
// deletes (without asking), edits, posts, cancels and refreshes; the strip under the grid holds
// the row being inserted or edited, one field per column (pick lists where the column has one),
// and goes into the table through its rules on "post". Cells of the grid may also be edited in
// place; flags are shown as "+" and "-".

#include "data/table.h"

#include <QStringList>
#include <QWidget>

#include <map>
#include <optional>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QTableView;
class QToolButton;

namespace kv {

class Prompter;
class TableModel;

class TableEditPanel : public QWidget {
    Q_OBJECT
public:
    struct Column {
        Column(std::string f, QString l = {}, bool ro = false, QStringList picks = {},
               bool isFlag = false)
            : field(std::move(f)), label(std::move(l)), readOnly(ro), pickList(std::move(picks)),
              flag(isFlag)
        {
        }
        std::string field;
        QString label;
        bool readOnly = false;     // result columns: grey, never typed
        QStringList pickList;      // offered values; typed values are accepted too
        bool flag = false;         // a "+"/"-" column: only the pick list
    };
    enum class Button { Insert, Delete, Edit, Post, Cancel, Refresh };

    TableEditPanel(Table &table, std::vector<Column> columns, Prompter &prompter,
                   QWidget *parent = nullptr);
    ~TableEditPanel() override;

    Table &table() const { return m_table; }
    QTableView *view() const { return m_view; }
    TableModel *model() const { return m_model; }
    QToolButton *button(Button b) const;
    // Buttons of the navigator left out (the combinations' grid only deletes).
    void setButtons(std::initializer_list<Button> shown);
    // Adds a tool button after the navigator (the object band commands).
    void addTool(QWidget *w);

    // The strip's text of a field, and setting it (the drag on the scheme fills X1..Y2).
    QString stripText(const std::string &field) const;
    void setStripText(const std::string &field, const QString &text);
    bool isEditing() const { return m_table.isEditing(); }

    // Navigator commands (also used by tests).
    void insertRow();
    void deleteRow();
    void editRow();
    bool postRow();
    void cancelRow();
    void refresh();

signals:
    void editingChanged(bool editing);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void fitColumns();
    void onTableChange(TableChange c);
    void fillStripFromRow();
    void clearStrip();
    void syncStripEnabled();
    void selectCurrent();

    Table &m_table;
    std::vector<Column> m_columns;
    Prompter &m_prompter;
    TableModel *m_model;
    QTableView *m_view;
    QWidget *m_strip;
    std::map<std::string, QComboBox *> m_fields;
    std::map<Button, QToolButton *> m_buttons;
    QHBoxLayout *m_navLayout;
    int m_handle = 0;
    bool m_syncing = false;
};

} // namespace kv
