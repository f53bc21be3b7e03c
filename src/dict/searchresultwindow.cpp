#include "dict/searchresultwindow.h"

#include "calc/numfmt.h"
#include "widgets/helpwindow.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kv {

SearchResultWindow::SearchResultWindow(const ConstructionSearch &search, Prompter &prompter,
                                       QWidget *parent)
    : DictWindow(prompter, parent)
{
    setWindowTitle(QStringLiteral("Выбор молниеотвода из таблицы поиска"));
    const auto &rows = search.rows();
    m_grid = new QTableWidget(static_cast<int>(rows.size()), 3, this);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Конструкция молниеотвода"),
                                       QStringLiteral("Тип молниеотвода"),
                                       QStringLiteral("Высота, м")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setVisible(false);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const SearchRow &s = rows[static_cast<std::size_t>(r)];
        m_grid->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(s.name)));
        m_grid->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(s.tip)));
        auto *h = new QTableWidgetItem(QString::fromStdString(formatGeneral(s.h)));
        h->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_grid->setItem(r, 2, h);
    }
    m_grid->resizeColumnsToContents();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    if (search.current() >= 0)
        m_grid->selectRow(search.current());
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);

    auto *ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_grid, 1);
    lay->addLayout(makeButtonRow(kHelpSearchResult, {ok, cancel}));
    resize(560, 360);
}

int SearchResultWindow::chosenRow() const
{
    const auto sel = m_grid->selectionModel()->selectedRows();
    return sel.isEmpty() ? -1 : sel.first().row();
}

} // namespace kv
