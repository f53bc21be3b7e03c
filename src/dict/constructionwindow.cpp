#include "dict/constructionwindow.h"

#include "data/datamodule.h"
#include "data/prompter.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/helpwindow.h"
#include "widgets/dialogrunner.h"
#include "dict/searchresultwindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {
const char *const kMsgNoConstruction = "Ошибка. Не выбрана конструкция молниеотвода.";
}

ConstructionWindow::ConstructionWindow(DataModule &dm, Mode mode, QWidget *parent)
    : DictWindow(dm.prompter(), parent), m_dm(dm), m_mode(mode), m_cable(usesCableCatalogue(dm)),
      m_groups(catalogueGroups(dm, m_cable)), m_items(catalogueItems(dm, m_cable))
{
    setWindowTitle(QString::fromUtf8(m_cable ? kCaptionCableCatalogue : kCaptionRodCatalogue));
    watchTable(&m_items);
    watchTable(&m_groups);
    using N = DbNavigator;
    const unsigned navMask =
        N::mask({N::Insert, N::Delete, N::Edit, N::Post, N::Cancel, N::Refresh});

    m_groupNav = new DbNavigator(m_groups, m_prompter, navMask, this);
    m_groupGrid = new DbGrid(m_groups, {{"Name", QStringLiteral("Конструкция молниеотвода")}},
                             m_prompter, this);
    m_groupGrid->setObjectName(QStringLiteral("gridGroups"));
    m_groupGrid->bindNavigator(m_groupNav);
    m_groupNav->setConfirmDelete(true);

    m_itemNav = new DbNavigator(m_items, m_prompter, navMask, this);
    m_itemGrid = new DbGrid(m_items,
                            {{"Tip", QStringLiteral("Тип молниеотвода")},
                             {"H", QStringLiteral("Высота, м")}},
                            m_prompter, this);
    m_itemGrid->setObjectName(QStringLiteral("gridItems"));
    m_itemGrid->bindNavigator(m_itemNav);
    m_itemNav->setConfirmDelete(true);
    m_itemGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    m_filter = new QCheckBox(QStringLiteral("Фильтрация молниеотводов по допустимому значению высоты"),
                             this);
    m_filter->setObjectName(QStringLiteral("chkFilter"));
    m_filter->setChecked(mode == Choice);
    connect(m_filter, &QCheckBox::clicked, this, &ConstructionWindow::applyFilter);

    static const char *const glyphs[6] = {"|◀", "◀", "▶", "▶|", "☰", "↻"};
    static const char *const hints[6] = {
        "Поиск первого молниеотвода",
        "Поиск предыдущего молниеотвода",
        "Поиск следующего молниеотвода",
        "Поиск последнего молниеотвода",
        "Выбор из таблицы поиска  по высоте молниеотводов",
        "Создание (обновление) таблицы поиска по высоте молниеотводов",
    };
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(m_filter);
    searchRow->addStretch(1);
    searchRow->addWidget(new QLabel(QStringLiteral("Поиск по высоте:"), this));
    for (int i = 0; i < 6; ++i) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(glyphs[i]));
        b->setToolTip(QString::fromUtf8(hints[i]));
        b->setAccessibleName(b->toolTip());
        b->setObjectName(QStringLiteral("btnSearch%1").arg(i));
        b->setFixedSize(28, 24);
        connect(b, &QToolButton::clicked, this,
                [this, i] { runSearch(static_cast<SearchButton>(i)); });
        searchRow->addWidget(b);
        m_searchButtons[i] = b;
    }

    m_ok = new QPushButton(QStringLiteral("ОК"), this);
    m_ok->setObjectName(QStringLiteral("btnOk"));
    m_ok->setVisible(mode == Choice);
    m_cancel = new QPushButton(mode == Choice ? QStringLiteral("Отмена") : QStringLiteral("Закрыть"),
                               this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(m_ok, &QPushButton::clicked, this, &ConstructionWindow::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    std::vector<QPushButton *> buttons;
    if (mode == Choice)
        buttons.push_back(m_ok);
    buttons.push_back(m_cancel);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_groupNav);
    lay->addWidget(m_groupGrid, 2);
    lay->addWidget(m_itemNav);
    lay->addWidget(m_itemGrid, 3);
    lay->addLayout(searchRow);
    lay->addLayout(makeButtonRow(kHelpConstructions, buttons));
    resize(640, 520);
    applyFilter();
    updateSearchButtons();
}

ConstructionWindow::~ConstructionWindow()
{
    try {
        if (m_items.isOpen() && !m_items.isEditing())
            m_items.setFilter({});
    } catch (const TableError &) {
    }
}

void ConstructionWindow::showEvent(QShowEvent *e)
{
    DictWindow::showEvent(e);
    applyFilter();
}

void ConstructionWindow::applyFilter()
{
    try {
        if (!m_items.isOpen())
            return;
        if (m_items.isEditing() && !m_itemNav->postPending())
            return;
        m_items.setFilter(m_filter->isChecked() ? heightFilter(catalogueHeight(m_dm))
                                                : std::string());
    } catch (const TableError &e) {
        m_prompter.error(e.what());
    }
}

void ConstructionWindow::updateSearchButtons()
{
    const auto b = m_search.buttons();
    m_searchButtons[SearchFirst]->setEnabled(b.first);
    m_searchButtons[SearchPrior]->setEnabled(b.prior);
    m_searchButtons[SearchNext]->setEnabled(b.next);
    m_searchButtons[SearchLast]->setEnabled(b.last);
    m_searchButtons[SearchTable]->setEnabled(b.table);
    m_searchButtons[SearchBuild]->setEnabled(m_items.isOpen());
}

void ConstructionWindow::runSearch(SearchButton b)
{
    try {
        if (!m_groupNav->postPending() || !m_itemNav->postPending())
            return;
        switch (b) {
        case SearchBuild:
            m_search.build(m_dm, m_cable, catalogueHeight(m_dm));
            if (!m_search.rows().empty())
                m_search.show(m_dm, m_cable);
            break;
        case SearchFirst:
            m_search.first();
            m_search.show(m_dm, m_cable);
            break;
        case SearchPrior:
            m_search.prior();
            m_search.show(m_dm, m_cable);
            break;
        case SearchNext:
            m_search.next();
            m_search.show(m_dm, m_cable);
            break;
        case SearchLast:
            m_search.last();
            m_search.show(m_dm, m_cable);
            break;
        case SearchTable: {
            SearchResultWindow w(m_search, m_prompter, this);
            if (runDialog(w) == QDialog::Accepted && w.chosenRow() >= 0) {
                m_search.setCurrent(w.chosenRow());
                m_search.show(m_dm, m_cable);
            }
            break;
        }
        }
    } catch (const TableError &e) {
        m_prompter.error(e.what());
    }
    updateSearchButtons();
}

void ConstructionWindow::accept()
{
    if (m_mode != Choice)
        return;
    try {
        if (!m_groupNav->postPending() || !m_itemNav->postPending())
            return;
        if (m_items.isEmpty() || m_items.bookmark() < 0) {
            m_prompter.error(kMsgNoConstruction);
            return;
        }
        m_chosen = m_items.asInt("Kod");
    } catch (const TableError &e) {
        m_prompter.error(e.what());
        return;
    }
    DictWindow::accept();
}

void ConstructionWindow::done(int r)
{
    DictWindow::done(r);
    // The result lives only while the window is open; the filter is the window's own.
    m_search.discard();
    updateSearchButtons();
    try {
        if (m_items.isOpen())
            m_items.setFilter({});
    } catch (const TableError &) {
    }
}

} // namespace kv
