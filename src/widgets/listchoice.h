#pragma once
// Choosing one value from the texts of a table field: the list-choice component (the settings a
// caller keeps) and its dialog "Выбор из списка." with prefix tabs, a search box, a sorted
// multi-column list and a page of display settings.

#include <QDialog>
#include <QStringList>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;

namespace kv {

class Prompter;
class Table;

enum class ListCase { Default, Upper, Lower };

class ListChoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit ListChoiceDialog(QWidget *parent = nullptr);

    // The values offered: sorted, a value equal to another but for case is left out.
    void setValues(const QStringList &values);
    const QStringList &values() const { return m_values; }

    void setMultiLine(bool on);
    void setFirstCharNo(int n);
    void setCharCount(int n);
    void setColCount(int n);
    void setListCase(ListCase c);
    void setPrompter(Prompter *p) { m_prompter = p; }

    bool multiLine() const;
    int firstCharNo() const;
    int charCount() const;
    int colCount() const;
    ListCase listCase() const;

    // Rebuilds tabs and list from the values and the settings (done when the dialog is shown).
    void activate();

    QStringList tabs() const;
    int currentTab() const { return m_tab; }
    void chooseTab(int index);
    int tabRows() const { return m_rows; }
    // The items of the list as shown, and the selected one ("" without a selection).
    QStringList listed() const;
    QString selectedValue() const;

    QLineEdit *searchEdit() const { return m_search; }
    QListWidget *list() const { return m_list; }
    QPushButton *okButton() const { return m_ok; }
    // The maxima of "Номер первого  символа:" and "Количество символов:".
    int firstCharMax() const;
    int charCountMax() const;

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    QString shown(const QString &v) const; // after the case choice
    QString upperFrom(const QString &v) const; // the upper-cased text from the first position on
    void rebuildTabs();
    void layoutTabs();
    void fillList();
    void fitColumns();
    void updateOk();
    void updateMaxima();
    void onSearch(const QString &text);
    void onSettingChanged();
    void onMultiLineToggled(bool on);
    bool checkRows();

    QStringList m_values;
    QStringList m_tabs;
    int m_tab = 0;
    int m_rows = 1;
    int m_maxLen = 0;
    bool m_building = false;
    Prompter *m_prompter = nullptr;

    QTabWidget *m_pages;
    QScrollArea *m_stripArea;
    QWidget *m_strip;
    QButtonGroup *m_tabButtons;
    QLineEdit *m_search;
    QListWidget *m_list;
    QCheckBox *m_multiLine;
    QSpinBox *m_charCount, *m_firstChar, *m_colCount;
    QLabel *m_charCountRange, *m_firstCharRange;
    QRadioButton *m_caseDefault, *m_caseUpper, *m_caseLower;
    QPushButton *m_ok;
};

// The list-choice component: the table and field whose texts are offered and the dialog's
// settings. Execute collects the values, runs a fresh dialog and keeps the chosen text in value.
class ListChoice {
public:
    Table *table = nullptr;
    std::string dataField;
    bool multiLine = false;
    int firstCharNo = 1;
    int charCount = 1;
    int colCount = 3;
    ListCase listCase = ListCase::Default;
    Prompter *prompter = nullptr; // "Список пуст."

    // True with value set when the user confirmed a choice; "Список пуст." and false when the
    // table holds no values. The dialog runs through runDialog().
    bool execute(QWidget *parent = nullptr);
    QString value;
};

} // namespace kv
