#include "dict/dictwindow.h"

#include "data/table.h"
#include "widgets/help.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace kv {

DictWindow::DictWindow(Prompter &prompter, QWidget *parent) : QDialog(parent), m_prompter(prompter)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void DictWindow::cancelPendingEdits()
{
    for (Table *t : m_tables)
        if (t->isOpen() && t->isEditing())
            t->cancel();
}

void DictWindow::done(int r)
{
    cancelPendingEdits();
    QDialog::done(r);
}

QHBoxLayout *DictWindow::makeButtonRow(int helpContext, const std::vector<QPushButton *> &buttons)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *b : buttons) {
        b->setMinimumWidth(90);
        row->addWidget(b);
    }
    QPushButton *help = makeHelpButton(helpContext, this);
    help->setMinimumWidth(90);
    row->addWidget(help);
    return row;
}

} // namespace kv
