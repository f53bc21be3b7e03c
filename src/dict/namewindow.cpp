#include "dict/namewindow.h"

#include "data/datamodule.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/helpwindow.h"
#include "widgets/filtertabcontrol.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

NameWindow::NameWindow(DataModule &dm, QWidget *parent)
    : DictWindow(dm.prompter(), parent), m_table(dm.table(TableId::ObjName))
{
    setWindowTitle(QStringLiteral("Справочник наименований объектов."));
    watchTable(&m_table);
    m_nav = new DbNavigator(m_table, m_prompter, DbNavigator::kAll, this);
    m_grid = new DbGrid(m_table, {{"ObjName", {}}}, m_prompter, this);
    m_grid->setObjectName(QStringLiteral("gridNames"));
    m_grid->bindNavigator(m_nav);
    m_nav->setConfirmDelete(true);
    // The letter tabs: one character of the name, any case, following every change.
    m_tabs = new FilterTabControl(this);
    m_tabs->setObjectName(QStringLiteral("tabNames"));
    m_tabs->setPrompter(&m_prompter);
    m_tabs->setWidget(m_grid);
    m_tabs->attach(m_table, "ObjName");

    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_nav);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(makeButtonRow(kHelpObjectNames, {close}));
    resize(600, 480);
}

void NameWindow::done(int r)
{
    DictWindow::done(r);
    try {
        m_tabs->detach();
        if (m_table.isOpen())
            m_table.setFilter({});
    } catch (const TableError &) {
    }
}

} // namespace kv
