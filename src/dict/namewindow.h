#pragma once
// The object-name dictionary (objname.db): the navigator and a grid of the names. Closing the
// window clears the table's filter, so the object dialog sees every name again.

#include "dict/dictwindow.h"

namespace kv {

class DataModule;
class DbGrid;
class DbNavigator;
class FilterTabControl;
class Table;

class NameWindow : public DictWindow {
    Q_OBJECT
public:
    explicit NameWindow(DataModule &dm, QWidget *parent = nullptr);
    void done(int r) override;

    DbNavigator *navigator() const { return m_nav; }
    DbGrid *grid() const { return m_grid; }
    FilterTabControl *tabs() const { return m_tabs; }

private:
    Table &m_table;
    DbNavigator *m_nav;
    DbGrid *m_grid;
    FilterTabControl *m_tabs;
};

} // namespace kv
