#include "dict/namewindow.h"

#include "data/datamodule.h"
#include "dict/dbgrid.h"
#include "dict/dbnavigator.h"

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
    m_grid->setPoster([this] { return m_nav->postPending(); });

    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_nav);
    lay->addWidget(m_grid, 1);
    lay->addLayout(makeButtonRow(49, {close}));
    resize(480, 460);
}

void NameWindow::done(int r)
{
    DictWindow::done(r);
    try {
        if (m_table.isOpen())
            m_table.setFilter({});
    } catch (const TableError &) {
    }
}

} // namespace kv
