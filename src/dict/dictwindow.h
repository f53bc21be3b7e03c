#pragma once
// The common frame of the dictionary and settings windows: modal, with a row of buttons at the
// bottom; whenever the window closes, a row it left in edit or insert is cancelled, never half
// posted. Store errors raised by a button end in one message, never in an exception.

#include <QDialog>

#include <vector>

class QHBoxLayout;
class QPushButton;

namespace kv {

class Prompter;
class Table;

class DictWindow : public QDialog {
    Q_OBJECT
public:
    DictWindow(Prompter &prompter, QWidget *parent = nullptr);

    void done(int r) override;

protected:
    // Tables whose pending edit is cancelled when the window closes.
    void watchTable(Table *t) { m_tables.push_back(t); }
    // Buttons at the bottom right: help first on the left, then the others in order.
    QHBoxLayout *makeButtonRow(int helpContext, const std::vector<QPushButton *> &buttons);
    void cancelPendingEdits();
    Prompter &m_prompter;

private:
    std::vector<Table *> m_tables;
};

} // namespace kv
