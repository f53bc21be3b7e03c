#pragma once
// The building classes dictionary (class.db): browse and edit the text of each class; classes are
// never added or removed (the table refuses, and the navigator does not offer it).

#include "dict/dictwindow.h"

class QLabel;
class QPlainTextEdit;

namespace kv {

class DataModule;
class DbNavigator;
class FieldLink;
class Table;

class ClassWindow : public DictWindow {
    Q_OBJECT
public:
    explicit ClassWindow(DataModule &dm, QWidget *parent = nullptr);

    DbNavigator *navigator() const { return m_nav; }
    QPlainTextEdit *memo() const { return m_memo; }

private:
    void showNumber();
    Table &m_table;
    DbNavigator *m_nav;
    FieldLink *m_link;
    QPlainTextEdit *m_memo;
    QLabel *m_number;
    int m_handle = 0;

public:
    ~ClassWindow() override;
};

} // namespace kv
