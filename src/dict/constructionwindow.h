#pragma once
// The construction catalogue of the project's conductor type: groups and their constructions
// with their navigators, the height filter and the search by height. In dictionary use it only
// browses and edits ("Закрыть"); in choice use its OK gives the chosen construction.

#include "data/constructionsearch.h"
#include "dict/dictwindow.h"

#include <optional>

class QCheckBox;
class QToolButton;
class QPushButton;

namespace kv {

class DataModule;
class DbGrid;
class DbNavigator;

class ConstructionWindow : public DictWindow {
    Q_OBJECT
public:
    enum Mode { Browse, Choice };
    ConstructionWindow(DataModule &dm, Mode mode, QWidget *parent = nullptr);
    ~ConstructionWindow() override;

    bool isCable() const { return m_cable; }
    // After OK in choice use: the key of the chosen construction row.
    std::optional<int> chosenKod() const { return m_chosen; }

    QCheckBox *filterBox() const { return m_filter; }
    DbGrid *groupGrid() const { return m_groupGrid; }
    DbGrid *itemGrid() const { return m_itemGrid; }
    DbNavigator *groupNavigator() const { return m_groupNav; }
    DbNavigator *itemNavigator() const { return m_itemNav; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    const ConstructionSearch &search() const { return m_search; }

    // The search speed buttons: first, prior, next, last, result window, build.
    enum SearchButton { SearchFirst, SearchPrior, SearchNext, SearchLast, SearchTable, SearchBuild };
    QToolButton *searchButton(SearchButton b) const { return m_searchButtons[b]; }
    // Runs a search button (the result window's button opens it modally).
    void runSearch(SearchButton b);

    void accept() override;
    void done(int r) override;

protected:
    void showEvent(QShowEvent *e) override;

private:
    void applyFilter();
    void updateSearchButtons();
    DataModule &m_dm;
    Mode m_mode;
    bool m_cable;
    Table &m_groups;
    Table &m_items;
    DbGrid *m_groupGrid, *m_itemGrid;
    DbNavigator *m_groupNav, *m_itemNav;
    QCheckBox *m_filter;
    QToolButton *m_searchButtons[6] = {};
    QPushButton *m_ok, *m_cancel;
    ConstructionSearch m_search;
    std::optional<int> m_chosen;
};

} // namespace kv
