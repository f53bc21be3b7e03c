#pragma once
// The search result of the construction window as a read-only grid to pick a row from.

#include "data/constructionsearch.h"
#include "dict/dictwindow.h"

class QTableWidget;

namespace kv {

class SearchResultWindow : public DictWindow {
    Q_OBJECT
public:
    SearchResultWindow(const ConstructionSearch &search, Prompter &prompter,
                       QWidget *parent = nullptr);
    QTableWidget *grid() const { return m_grid; }
    int chosenRow() const; // the selected result row, -1 when none

private:
    QTableWidget *m_grid;
};

} // namespace kv
