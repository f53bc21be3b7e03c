#include "dict/thunderstormwindow.h"

#include "data/datamodule.h"
#include "widgets/buddylabel.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/helpwindow.h"
#include "widgets/fieldlink.h"
#include "widgets/numerickeys.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

ThunderstormWindow::ThunderstormWindow(DataModule &dm, QWidget *parent)
    : DictWindow(dm.prompter(), parent)
{
    setWindowTitle(QStringLiteral("Среднее количество поражений молнией земной поверхности."));
    Table &t = dm.table(TableId::Poraj);
    watchTable(&t);
    m_nav = new DbNavigator(t, m_prompter, DbNavigator::kAll, this);

    auto *panel = new QGroupBox(this);
    auto *g = new QGridLayout(panel);
    m_min = new QLineEdit(panel);
    m_max = new QLineEdit(panel);
    m_udarov = new QLineEdit(panel);
    m_min->setObjectName(QStringLiteral("editMin"));
    m_max->setObjectName(QStringLiteral("editMax"));
    m_udarov->setObjectName(QStringLiteral("editUdarov"));
    for (QLineEdit *e : {m_min, m_max, m_udarov}) {
        e->setMaximumWidth(90);
        NumericKeyFilter::install(e, false);
    }
    g->addWidget(new QLabel(QStringLiteral("Среднегодовая продолжительность гроз:"), panel), 0, 0, 1, 4);
    g->addWidget(buddyLabel(QStringLiteral("Тмин., ч -"), m_min, panel), 1, 0);
    g->addWidget(m_min, 1, 1);
    g->addWidget(buddyLabel(QStringLiteral("Тмакс., ч -"), m_max, panel), 1, 2);
    g->addWidget(m_max, 1, 3);
    g->addWidget(buddyLabel(QStringLiteral("Среднегодовое количество ударов молнии в 1 км2 "
                                          "земной поверхности - n:"),
                           m_udarov, panel),
                 2, 0, 1, 3);
    g->addWidget(m_udarov, 2, 3);
    g->setColumnStretch(4, 1);

    m_link = new FieldLink(t, m_prompter, this);
    m_link->bind(m_min, "ProdGrozMin");
    m_link->bind(m_max, "ProdGrozMax");
    m_link->bind(m_udarov, "Udarov");
    m_nav->setBeforePost([this] { return m_link->commit(); });

    m_grid = new DbGrid(t,
                        {{"ProdGrozMin", QStringLiteral("Тмин., ч")},
                         {"ProdGrozMax", QStringLiteral("Тмакс., ч")},
                         {"Udarov", QStringLiteral("n")}},
                        m_prompter, this);
    m_grid->setReadOnly(true);
    m_grid->bindNavigator(m_nav);
    m_nav->setConfirmDelete(true);
    // The grid only shows the rows: a new row is typed into the fields above it.
    connect(m_nav, &DbNavigator::inserted, m_min, [this] { m_min->setFocus(); });
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_nav);
    lay->addWidget(panel);
    lay->addWidget(m_grid, 1);
    lay->addLayout(makeButtonRow(kHelpPoraj, {close}));
    resize(520, 420);
}

} // namespace kv
