#pragma once
// The thunderstorm activity dictionary (poraj.db): the navigator, the three edits of the current
// row and a read-only grid of all rows.

#include "dict/dictwindow.h"

class QLineEdit;

namespace kv {

class DataModule;
class DbGrid;
class DbNavigator;
class FieldLink;

class ThunderstormWindow : public DictWindow {
    Q_OBJECT
public:
    explicit ThunderstormWindow(DataModule &dm, QWidget *parent = nullptr);

    DbNavigator *navigator() const { return m_nav; }
    DbGrid *grid() const { return m_grid; }
    QLineEdit *editMin() const { return m_min; }
    QLineEdit *editMax() const { return m_max; }
    QLineEdit *editUdarov() const { return m_udarov; }

private:
    DbNavigator *m_nav;
    DbGrid *m_grid;
    FieldLink *m_link;
    QLineEdit *m_min, *m_max, *m_udarov;
};

} // namespace kv
