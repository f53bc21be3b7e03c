#pragma once
// A tab control around a grid that filters the grid's table by the first characters of one text
// field: "А-Я" (every record) followed by every distinct prefix that occurs, sorted. The tabs
// follow inserts, edits and deletes made through the table; a right click offers the mode switch,
// a rebuild, automatic refresh, the tab parameters, finding and choosing a tab and the record
// counts per tab.

#include <QStringList>
#include <QWidget>

#include <map>
#include <string>

class QMenu;
class QAction;
class QTabBar;
class QVBoxLayout;

namespace kv {

class Prompter;
class Table;

class FilterTabControl : public QWidget {
    Q_OBJECT
public:
    explicit FilterTabControl(QWidget *parent = nullptr);
    ~FilterTabControl() override;

    // The grid (or any view of the table) shown under the tabs.
    void setWidget(QWidget *w);
    // Messages and input boxes (finding a tab, the information); nothing is shown without one.
    void setPrompter(Prompter *p) { m_prompter = p; }

    // Binds the control to an open table and one of its text fields: remembers the table's own
    // filter (put back outside standard mode and by detach) and builds the tabs.
    void attach(Table &table, const std::string &field);
    // Gives the table its own filter back and stops following it.
    void detach();
    Table *table() const { return m_table; }

    std::string dataField() const { return m_field; }
    void setDataField(const std::string &field); // a non-text field is refused with a message
    int charCount() const { return m_charCount; }
    void setCharCount(int n);
    bool caseInsensitive() const { return m_caseInsensitive; }
    void setCaseInsensitive(bool on);
    bool autoRefresh() const { return m_autoRefresh; }
    void setAutoRefresh(bool on);
    bool autoInclude() const { return m_autoInclude; }
    void setAutoInclude(bool on); // standard mode on or off

    // The tab captions ("А-Я" first) and the selected one.
    QStringList tabs() const;
    int currentTab() const;
    // Selects a tab and filters the table by it.
    void selectTab(int index);
    // Walks the table again and shows "А-Я" (unfiltered).
    void rebuildTabs();
    // The width of one tab: 10 pixels a character above two characters, 25 otherwise.
    int tabWidth() const;

    // The prefix of a value (upper-cased when case-insensitive, cut to charCount characters).
    QString prefixOf(const QString &value) const;
    // Records per prefix, sorted.
    const std::vector<std::pair<QString, int>> &counts() const { return m_counts; }
    // "Количество записей, соответствующих каждой закладке: ..." as the information shows it.
    QString infoText() const;

    // The pop-up commands (also reachable from tests).
    bool findTab(const QString &text); // selects the tab, or shows "Ошибка. Закладка ... не найдена."
    void findTabPrompt();              // the input box, then findTab
    void showInfo();
    int execParamsDialog();            // "Введите параметры закладки."
    int execChooseTabDialog();         // "Выбор закладки."
    QMenu *popupMenu() const { return m_menu; }

signals:
    // A tab was selected and applied to the table.
    void tabApplied(int index);

protected:
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void onTableChange(int change);
    QStringList allValues();
    void recount(const QStringList &values);
    void setTabCaptions(const QStringList &captions, int select);
    void applyTab(int index);
    void locateValue(const QString &value);
    int tabOf(const QString &caption) const;
    void updateMode();
    void updateTabWidth();
    bool lessThan(const QString &a, const QString &b) const;

    Table *m_table = nullptr;
    int m_handle = 0;
    std::string m_field;
    int m_charCount = 1;
    bool m_caseInsensitive = true;
    bool m_autoRefresh = true;
    bool m_autoInclude = true;
    bool m_busy = false;
    Prompter *m_prompter = nullptr;

    std::string m_savedFilter;
    QStringList m_savedTabs{QString()};
    QStringList m_values; // every record's value, as of the last look
    std::vector<std::pair<QString, int>> m_counts;

    QVBoxLayout *m_layout;
    QTabBar *m_tabBar;
    QWidget *m_widget = nullptr;
    QMenu *m_menu;
    QAction *m_popOn, *m_popCreate, *m_popAutoRefresh, *m_popParam, *m_popFindTab,
        *m_popSelectTab, *m_popInfo;
};

} // namespace kv
