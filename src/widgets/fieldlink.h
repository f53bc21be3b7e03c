#pragma once
// Editors bound to fields of a table's current row: they show the row, and typing puts the row
// in edit and keeps the text; the texts are written into the row before it is posted (a number
// that does not convert refuses the post with the usual message and focuses its editor).

#include "data/table.h"

#include <QObject>

#include <string>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kv {

class Prompter;

class FieldLink : public QObject {
    Q_OBJECT
public:
    FieldLink(Table &table, Prompter &prompter, QObject *parent = nullptr);
    ~FieldLink() override;

    void bind(QLineEdit *edit, const std::string &field);
    void bind(QPlainTextEdit *edit, const std::string &field);
    // Writes the edited texts into the row; false (with the message) when one does not convert.
    bool commit();
    // Shows the current row again (after a move, a post or a cancel).
    void refresh();

private:
    struct Binding {
        QWidget *widget;
        std::string field;
        bool dirty = false;
    };
    void edited(Binding &b);
    QString textOf(const Binding &b) const;
    Table &m_table;
    Prompter &m_prompter;
    std::vector<Binding> m_bindings;
    int m_handle = 0;
    bool m_updating = false;
};

} // namespace kv
