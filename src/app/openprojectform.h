#pragma once
// The open-project dialog "Открытие проекта.": the projects in a read-only grid inside the
// letter-filter tab control, with the highlighted project's note, thunderstorm hours, strike
// density, zone counts and scale under it. Moving in the grid moves the current project row; the
// command puts the rows back (and the filter off) whatever the outcome.

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace kv {

class DataModule;
class FilterTabControl;
class Prompter;
class TableModel;

class OpenProjectForm : public QDialog {
    Q_OBJECT
public:
    OpenProjectForm(DataModule &dm, QWidget *parent = nullptr);
    ~OpenProjectForm() override;

    void setPrompter(Prompter *p);
    // Highlights a project (the current one when the dialog opens).
    void selectProject(int kod);
    // The highlighted project's key; -1 when the grid shows none.
    int chosenKod() const;
    // Shows every project again ("А-Я") and stops following the table.
    void finish();

    QTableView *grid() const { return m_grid; }
    FilterTabControl *filterTabs() const { return m_tabs; }
    TableModel *model() const { return m_model; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }
    // The read-only views of the highlighted row, by field name ("ProjMemo", "Udarov" ...).
    QString fieldText(const char *field) const;

private:
    void rowChanged();
    void fitNameColumn();
    void gridMoved();

    DataModule &m_dm;
    TableModel *m_model;
    FilterTabControl *m_tabs;
    QTableView *m_grid;
    QPlainTextEdit *m_memo;
    QLineEdit *m_min, *m_max, *m_udarov, *m_zonaA, *m_zonaB, *m_scale;
    QPushButton *m_ok, *m_cancel, *m_help;
    bool m_syncing = false;
};

} // namespace kv
