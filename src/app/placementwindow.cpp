#include "app/placementwindow.h"

#include "app/heightmappanel.h"
#include "app/objectbanddialog.h"
#include "app/placementdiagramwindow.h"
#include "app/projectdocument.h"
#include "app/tableeditpanel.h"
#include "widgets/buddylabel.h"
#include "widgets/helpwindow.h"
#include "widgets/tablemodel.h"
#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/prompter.h"
#include "data/transaction.h"
#include "placement/heighttablemodel.h"
#include "placement/placementpictures.h"
#include "plan/plancoords.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <mutex>
#include <thread>

namespace kv {

// The computation running in the worker: its feedback, the rows finished so far (stored by the
// GUI thread as they come) and the outcome.
struct PlacementWindow::Work {
    bool table = false;
    SearchFeedback fb;
    SingleRodJob single;
    ComplexJob complex;
    TableJob tableJob;
    std::mutex lock;
    std::vector<std::pair<int, RangeOutcome>> rows; // finished, not yet stored
    SearchOutcome outcome;
    TableOutcome tableOutcome;
    std::atomic<bool> done{false};
    std::thread thread;
    // A search's results are stored as one command, committed when it ends (or is stopped).
    std::unique_ptr<Transaction> tx;
};

namespace {

const QStringList kCoordPicks = {"0", "5", "10", "15", "20", "25", "30", "40", "50"};
const QStringList kStepPicks = {"0,25", "0,5", "1", "2", "3", "4", "5"};

std::vector<TableEditPanel::Column> rangeColumns(bool named)
{
    std::vector<TableEditPanel::Column> c;
    if (named)
        c.push_back({"DiapName", QStringLiteral("Диапазон")});
    c.push_back({"X1", QStringLiteral("X1, м"), false, kCoordPicks});
    c.push_back({"X2", QStringLiteral("X2, м"), false, kCoordPicks});
    c.push_back({"DX", QStringLiteral("DX, м"), false, kStepPicks});
    c.push_back({"Y1", QStringLiteral("Y1, м"), false, kCoordPicks});
    c.push_back({"Y2", QStringLiteral("Y2, м"), false, kCoordPicks});
    c.push_back({"DY", QStringLiteral("DY, м"), false, kStepPicks});
    if (!named) {
        c.push_back({"X", QStringLiteral("X, м"), true});
        c.push_back({"Y", QStringLiteral("Y, м"), true});
        c.push_back({"H", QStringLiteral("H, м"), true});
    }
    return c;
}

std::vector<TableEditPanel::Column> subColumns()
{
    return {{"X1", QStringLiteral("X1, м")},         {"VklX1", QStringLiteral("Вкл. X1"), false, {}, true},
            {"X2", QStringLiteral("X2, м")},         {"VklX2", QStringLiteral("Вкл. X2"), false, {}, true},
            {"Y1", QStringLiteral("Y1, м")},         {"VklY1", QStringLiteral("Вкл. Y1"), false, {}, true},
            {"Y2", QStringLiteral("Y2, м")},         {"VklY2", QStringLiteral("Вкл. Y2"), false, {}, true}};
}

QGroupBox *titled(const QString &title, QWidget *content, QWidget *parent)
{
    auto *g = new QGroupBox(title, parent);
    auto *l = new QVBoxLayout(g);
    l->setContentsMargins(4, 4, 4, 4);
    l->addWidget(content);
    return g;
}

// Header cells of the height table: grey like fixed cells, the minimum in bold.
class HeightCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem *o, const QModelIndex &i) const override
    {
        QStyledItemDelegate::initStyleOption(o, i);
        const auto *m = static_cast<const HeightTableModel *>(i.model());
        if (i.row() < m->fixedCount() || i.column() < m->fixedCount())
            o->backgroundBrush = QColor(0xE4, 0xE4, 0xE4);
        if (i.data(HeightTableModel::MinimumRole).toBool())
            o->font.setBold(true);
    }
};

QString q(const std::string &s) { return QString::fromStdString(s); }

// What the user is told about a failure: the store's own messages are written for the user; any
// other exception is a fault of the program, and its text (a library's English) is not shown.
std::string failureText(const std::exception &e)
{
    if (dynamic_cast<const TableError *>(&e))
        return e.what();
    return "Ошибка. Непредвиденная ошибка.";
}

} // namespace

PlacementWindow::PlacementWindow(ProjectDocument &doc, Prompter &prompter, bool complex,
                                 QWidget *parent)
    : QDialog(parent), m_doc(doc), m_prompter(prompter), m_complex(complex)
{
    setWindowTitle(complex ? QStringLiteral("Оптимальное размещение сложного молниеотвода.")
                           : QStringLiteral("Оптимальное размещение одиночного стержневого "
                                            "молниеотвода."));
    buildUi();
    // Every "Справка..." of the window and its dialogs opens the help window at its topic.
    connect(this, &PlacementWindow::helpRequested, this, [this](int topic) { showHelp(topic, this); });
    m_schemeLater = new QTimer(this);
    m_schemeLater->setSingleShot(true);
    m_schemeLater->setInterval(0);
    connect(m_schemeLater, &QTimer::timeout, this, [this] {
        if (!m_running)
            redrawScheme();
    });
    m_poll = new QTimer(this);
    m_poll->setInterval(40);
    connect(m_poll, &QTimer::timeout, this, &PlacementWindow::pollWork);
    // Button states follow the placement tables while nothing runs.
    DataModule &dm = m_doc.dataModule();
    const std::vector<TableId> ids =
        complex ? std::vector<TableId>{TableId::Diap2MO0, TableId::Diap2MO1, TableId::Diap2MO11,
                                       TableId::Diap2MO2, TableId::Diap2MO21, TableId::Diap2MO3}
                : std::vector<TableId>{TableId::Diap0, TableId::Diap1, TableId::Diap2};
    for (TableId id : ids) {
        Table *t = &dm.table(id);
        m_subscriptions.push_back(t->subscribe([this](TableChange) {
            // The scheme's own walk over the ranges moves their current rows.
            // The picture walks the range tables, so it is drawn once the change is over, never
            // in the middle of somebody else's walk over the same tables.
            if (!m_running && !m_drawing) {
                updateButtons();
                if (isVisible())
                    m_schemeLater->start();
            }
        }));
    }
}

void PlacementWindow::pollWork()
{
        if (!m_work)
            return;
        {
            std::vector<std::pair<int, RangeOutcome>> rows;
            {
                std::lock_guard<std::mutex> g(m_work->lock);
                rows.swap(m_work->rows);
            }
            DataModule &dm = m_doc.dataModule();
            for (const auto &[k, row] : rows) {
                if (m_complex)
                    storeCombination(dm, m_work->complex, row);
                else
                    storeSingleRodRow(dm, m_work->single, k, row);
            }
        }
        const std::int64_t max = m_work->fb.progressMaximum();
        // The bar counts in thousandths so that huge totals fit an int.
        m_progress->setMaximum(1000);
        m_progress->setValue(max > 0 ? static_cast<int>(1000 * m_work->fb.progress() / max) : 0);
        if (m_work->done.load())
            onWorkFinished();
}

PlacementWindow::~PlacementWindow()
{
    if (m_work) {
        m_work->fb.requestStop();
        if (m_work->thread.joinable())
            m_work->thread.join();
    }
    DataModule &dm = m_doc.dataModule();
    const std::vector<TableId> ids =
        m_complex ? std::vector<TableId>{TableId::Diap2MO0, TableId::Diap2MO1, TableId::Diap2MO11,
                                         TableId::Diap2MO2, TableId::Diap2MO21, TableId::Diap2MO3}
                  : std::vector<TableId>{TableId::Diap0, TableId::Diap1, TableId::Diap2};
    for (std::size_t i = 0; i < ids.size() && i < m_subscriptions.size(); ++i)
        dm.table(ids[i]).unsubscribe(m_subscriptions[i]);
}

void PlacementWindow::buildUi()
{
    DataModule &dm = m_doc.dataModule();
    auto *left = new QWidget(this);
    auto *ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);

    std::vector<TableEditPanel::Column> vc{{"Name", QStringLiteral("Вариант размещения")}};
    for (const char *f : m_complex ? std::vector<const char *>{"X1", "Y1", "H1", "X2", "Y2", "H2"}
                                   : std::vector<const char *>{"X", "Y", "H"})
        vc.push_back({f, QString::fromUtf8(f) + QStringLiteral(", м"), true});
    m_variants = new TableEditPanel(dm.table(m_complex ? TableId::Diap2MO0 : TableId::Diap0), vc,
                                    m_prompter, left);
    ll->addWidget(titled(QStringLiteral("Размещения."), m_variants, left), 2);

    auto bandButton = [this](const QString &text, int support, bool sub) {
        auto *b = new QToolButton(this);
        b->setText(text);
        connect(b, &QToolButton::clicked, this, [this, support, sub] { addObjectBand(support, sub); });
        m_bandButtons.push_back(b);
        return b;
    };
    auto supportGroup = [&](int support, TableId rid, TableId sid, const QString &subText) {
        auto *w = new QWidget(left);
        auto *wl = new QVBoxLayout(w);
        wl->setContentsMargins(0, 0, 0, 0);
        auto *r = new TableEditPanel(dm.table(rid), rangeColumns(m_complex), m_prompter, w);
        auto *s = new TableEditPanel(dm.table(sid), subColumns(), m_prompter, w);
        // Two supports side by side leave no room beside the navigator: there the object band
        // commands get a line of their own above the grid.
        const auto withTool = [&](TableEditPanel *p, QToolButton *tool) -> QWidget * {
            if (!m_complex) {
                p->addTool(tool);
                return p;
            }
            auto *box = new QWidget(w);
            auto *bl = new QVBoxLayout(box);
            bl->setContentsMargins(0, 0, 0, 0);
            bl->setSpacing(2);
            tool->setParent(box);
            bl->addWidget(tool, 0, Qt::AlignLeft);
            bl->addWidget(p, 1);
            return box;
        };
        wl->addWidget(titled(QStringLiteral("Диапазоны размещения."),
                             withTool(r, bandButton(QStringLiteral("Добавить объект в диапазон..."),
                                                    support, false)),
                             w),
                      3);
        wl->addWidget(titled(QStringLiteral("Поддиапазоны исключения."),
                             withTool(s, bandButton(subText, support, true)), w),
                      2);
        (support == 1 ? m_ranges1 : m_ranges2) = r;
        (support == 1 ? m_subs1 : m_subs2) = s;
        return w;
    };
    if (!m_complex) {
        ll->addWidget(supportGroup(1, TableId::Diap1, TableId::Diap2,
                                   QStringLiteral("Добавить объект в поддиапазон...")),
                      5);
    } else {
        auto *pair = new QWidget(left);
        auto *pl = new QHBoxLayout(pair);
        pl->setContentsMargins(0, 0, 0, 0);
        const QString subText = QStringLiteral("Добавить объект в поддиапазон исключения...");
        pl->addWidget(titled(QStringLiteral(" Опора 1 "),
                             supportGroup(1, TableId::Diap2MO1, TableId::Diap2MO2, subText), pair));
        pl->addWidget(titled(QStringLiteral(" Опора 2 "),
                             supportGroup(2, TableId::Diap2MO11, TableId::Diap2MO21, subText), pair));
        ll->addWidget(pair, 5);
        std::vector<TableEditPanel::Column> cc;
        for (const char *f : {"DiapName1", "X1", "Y1", "H1", "DiapName2", "X2", "Y2", "H2"})
            cc.push_back({f, {}, true});
        cc[0].label = QStringLiteral("Диапазон 1");
        cc[4].label = QStringLiteral("Диапазон 2");
        m_combos = new TableEditPanel(dm.table(TableId::Diap2MO3), cc, m_prompter, left);
        m_combos->setButtons({TableEditPanel::Button::Delete});
        m_combos->model()->setReadOnly(true);
        ll->addWidget(titled(QStringLiteral("Комбинации диапазонов размещения."), m_combos, left), 2);
    }

    // Buttons on the right.
    auto *right = new QWidget(this);
    auto *rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    for (const char *t : {"Расчет", "Стоп", "Таблица", "Диаграмма...", "Карта...", "Справка..."}) {
        auto *b = new QPushButton(QString::fromUtf8(t), right);
        m_buttons[b->text()] = b;
        rl->addWidget(b);
    }
    auto *modes = new QHBoxLayout;
    const char *hints[3][2] = {
        {"Оптимальное размещение молниеотвода для варианта размещения",
         "Оптимальное размещение опор молниеотвода для варианта размещения"},
        {"Оптимальное размещение молниеотвода для диапазона размещения",
         "Оптимальное размещение опор молниеотвода для комбинации диапазонов размещения"},
        {"Размещение молниеотвода по таблице высот молниеотвода",
         "Размещение опор молниеотвода по таблице высот молниеотвода"}};
    const char *modeText[3] = {"В", "Д", "Т"};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QToolButton(right);
        b->setText(QString::fromUtf8(modeText[i]));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setToolTip(QString::fromUtf8(hints[i][m_complex ? 1 : 0]));
        b->setAccessibleName(b->toolTip());
        b->setFixedSize(28, 24);
        modes->addWidget(b);
        m_modeButtons[static_cast<std::size_t>(i)] = b;
        connect(b, &QToolButton::clicked, this,
                [this, i] { setResultMode(static_cast<ResultMode>(i)); });
    }
    m_modeButtons[0]->setChecked(true);
    rl->addLayout(modes);
    for (const char *t : {"ОК", "Отмена"}) {
        auto *b = new QPushButton(QString::fromUtf8(t), right);
        m_buttons[b->text()] = b;
        rl->addWidget(b);
    }
    rl->addStretch(1);
    connect(button(QStringLiteral("Расчет")), &QPushButton::clicked, this, &PlacementWindow::runSearch);
    connect(button(QStringLiteral("Стоп")), &QPushButton::clicked, this, &PlacementWindow::stop);
    connect(button(QStringLiteral("Таблица")), &QPushButton::clicked, this, &PlacementWindow::buildTable);
    connect(button(QStringLiteral("Диаграмма...")), &QPushButton::clicked, this, &PlacementWindow::openDiagram);
    connect(button(QStringLiteral("Карта...")), &QPushButton::clicked, this, &PlacementWindow::toggleMap);
    connect(button(QStringLiteral("Справка...")), &QPushButton::clicked, this,
            [this] { emit helpRequested(m_complex ? kHelpComplex : kHelpSingle); });
    connect(button(QStringLiteral("ОК")), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(QStringLiteral("Отмена")), &QPushButton::clicked, this, &QDialog::reject);

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildTableTab(), QStringLiteral("Таблица"));
    m_tabs->addTab(buildSchemeTab(), QStringLiteral("Схема"));

    auto *top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(left);
    top->addWidget(m_tabs);
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 2);
    top->setSizes({m_complex ? 800 : 680, 420});
    auto *mainRow = new QHBoxLayout;
    mainRow->addWidget(top, 1);
    mainRow->addWidget(right);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Процесс:"), this));
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setValue(0);
    bottom->addWidget(m_progress, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(mainRow, 1);
    lay->addLayout(bottom);
    // Both fit a 1366 x 768 screen with the title bar and a task bar.
    resize(m_complex ? 1320 : 1180, 700);

    m_map = new HeightMapPanel(m_complex ? 300 : 250, m_complex, m_prompter, this);
    m_map->setWindowFlags(Qt::Tool);
    m_map->setWindowTitle(QStringLiteral("Карта высот молниеотвода"));
    m_map->hide();
    connect(m_map, &HeightMapPanel::cellChosen, this, [this](int c, int r) {
        m_grid->setCurrentIndex(m_heightModel->index(r, c));
        currentCellToView();
    });
    m_band = new ObjectBandDialog(m_prompter, this);
    connect(m_band, &ObjectBandDialog::helpRequested, this, &PlacementWindow::helpRequested);
    m_diagram = new PlacementDiagramWindow(this);
    m_diagram->prompter = &m_prompter;
    m_diagram->dataDir = m_doc.dataModule().dataDir();
    connect(m_diagram, &PlacementDiagramWindow::helpRequested, this, &PlacementWindow::helpRequested);
}

QWidget *PlacementWindow::buildTableTab()
{
    auto *w = new QWidget(this);
    auto *l = new QVBoxLayout(w);
    l->addWidget(new QLabel(m_complex ? QStringLiteral("Таблица высот молниеотводов для диапазонов размещения.")
                                      : QStringLiteral("Таблица высот молниеотвода диапазона размещения."),
                            w));
    m_heightModel = new HeightTableModel(this);
    m_grid = new QTableView(w);
    m_grid->setModel(m_heightModel);
    m_grid->setMinimumWidth(300);
    m_grid->setItemDelegate(new HeightCellDelegate(m_grid));
    m_grid->horizontalHeader()->setVisible(false);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setDefaultSectionSize(52);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    l->addWidget(m_grid, 1);
    auto *h = new QGridLayout;
    m_hmin = new QLineEdit(w);
    m_hmax = new QLineEdit(w);
    m_hmin->setReadOnly(true);
    m_hmax->setReadOnly(true);
    h->addWidget(buddyLabel(QStringLiteral("Hмин., м:"), m_hmin, w), 0, 0);
    h->addWidget(m_hmin, 0, 1);
    h->addWidget(buddyLabel(QStringLiteral("Hмакс., м:"), m_hmax, w), 1, 0);
    h->addWidget(m_hmax, 1, 1);
    auto *find = new QGroupBox(QStringLiteral(" Поиск "), w);
    auto *fl = new QGridLayout(find);
    const QStringList captions = m_complex ? QStringList{QStringLiteral("X1, м:"), QStringLiteral("Y1, м:"),
                                                        QStringLiteral("X2, м:"), QStringLiteral("Y2, м:")}
                                           : QStringList{QStringLiteral("X, м:"), QStringLiteral("Y, м:")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *cb = new QComboBox(find);
        fl->addWidget(buddyLabel(captions[i], cb, find), i % 2, (i / 2) * 2);
        cb->setMaxVisibleItems(25);
        cb->setMinimumWidth(70);
        fl->addWidget(cb, i % 2, (i / 2) * 2 + 1);
        m_findLists[static_cast<std::size_t>(i)] = cb;
        connect(cb, &QComboBox::currentTextChanged, this, [this] {
            if (!m_running)
                updateButtons();
        });
    }
    auto *findButton = new QPushButton(QStringLiteral("Найти"), find);
    m_buttons[findButton->text()] = findButton;
    fl->addWidget(findButton, 0, captions.size(), 2, 1);
    fl->setColumnStretch(static_cast<int>(captions.size()) + 1, 1); // the lists stay compact
    connect(findButton, &QPushButton::clicked, this, &PlacementWindow::find);
    // Under the two heights, so that the tab stays narrow beside the range grids.
    h->addWidget(find, 2, 0, 1, 3);
    h->setColumnStretch(2, 1);
    l->addLayout(h);
    return w;
}

QWidget *PlacementWindow::buildSchemeTab()
{
    auto *w = new QWidget(this);
    auto *l = new QVBoxLayout(w);
    auto *row = new QHBoxLayout;
    m_scale = new QComboBox(w);
    row->addWidget(buddyLabel(QStringLiteral("Условный масштаб, пиксель/метр:"), m_scale, w));
    for (int i = 1; i <= 10; ++i)
        m_scale->addItem(QString::number(i));
    m_scale->setCurrentIndex(3);
    row->addWidget(m_scale);
    row->addStretch(1);
    l->addLayout(row);
    auto *opts = new QHBoxLayout;
    auto *inc = new QGroupBox(QStringLiteral(" Включить в схему "), w);
    auto *il = new QGridLayout(inc);
    m_withConductor = new QCheckBox(m_complex ? QStringLiteral("Опоры молниеотвода")
                                              : QStringLiteral("Молниеотвод"), inc);
    m_withObjects = new QCheckBox(QStringLiteral("Объекты"), inc);
    m_withSubs = new QCheckBox(QStringLiteral("Поддиапазоны исключения"), inc);
    for (QCheckBox *c : {m_withConductor, m_withObjects, m_withSubs})
        c->setChecked(true);
    il->addWidget(m_withConductor, 0, 0);
    il->addWidget(m_withObjects, 1, 0);
    il->addWidget(m_withSubs, 2, 0);
    auto *rg = new QGroupBox(QStringLiteral(" Диапазоны размещения  "), inc);
    auto *rgl = new QVBoxLayout(rg);
    m_rangesAll = new QRadioButton(QStringLiteral("все"), rg);
    m_rangesCurrent = new QRadioButton(m_complex ? QStringLiteral("текущие") : QStringLiteral("текущий"), rg);
    m_rangesNone = new QRadioButton(QStringLiteral("нет"), rg);
    m_rangesAll->setChecked(true);
    rgl->addWidget(m_rangesAll);
    rgl->addWidget(m_rangesCurrent);
    rgl->addWidget(m_rangesNone);
    il->addWidget(rg, 0, 1, 3, 1);
    opts->addWidget(inc);
    opts->addStretch(1);
    l->addLayout(opts);
    auto *legend = new QGroupBox(QStringLiteral(" Условные обозначения "), w);
    auto *lg = new QGridLayout(legend);
    int r = 0;
    auto item = [&](const QString &style, const QString &text) {
        auto *s = new QLabel(legend);
        s->setFixedSize(22, 12);
        s->setStyleSheet(style);
        lg->addWidget(s, r, 0);
        lg->addWidget(new QLabel(text, legend), r++, 1);
    };
    if (m_complex) {
        item(QStringLiteral("border:2px solid blue;"), QStringLiteral("Диапазон размещения первой опоры"));
        item(QStringLiteral("border:2px solid green;"), QStringLiteral("Диапазон размещения второй опоры"));
    } else {
        item(QStringLiteral("border:2px solid blue;"), QStringLiteral("Диапазон размещения"));
    }
    item(QStringLiteral("border:1px solid red;"), QStringLiteral("Поддиапазон исключения (границы включаются)"));
    item(QStringLiteral("border:1px dotted red;"), QStringLiteral("Поддиапазон исключения (границы не включаются)"));
    item(QStringLiteral("background:lime;border:1px solid black;"), QStringLiteral("Объект"));
    item(QStringLiteral("background:red;border:1px solid black;max-width:6px;"),
         m_complex ? QStringLiteral("Опора молниеотвода") : QStringLiteral("Молниеотвод"));
    l->addWidget(legend);
    auto *scroll = new QScrollArea(w);
    m_scheme = new QLabel(scroll);
    m_scheme->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scheme->installEventFilter(this);
    scroll->setWidget(m_scheme);
    scroll->setWidgetResizable(true);
    l->addWidget(scroll, 1);
    connect(m_scale, &QComboBox::currentIndexChanged, this, &PlacementWindow::redrawScheme);
    for (QCheckBox *c : {m_withConductor, m_withObjects, m_withSubs})
        connect(c, &QCheckBox::toggled, this, &PlacementWindow::redrawScheme);
    for (QRadioButton *b : {m_rangesAll, m_rangesCurrent, m_rangesNone})
        connect(b, &QRadioButton::toggled, this, [this] {
            m_withSubs->setEnabled(!m_rangesNone->isChecked());
            redrawScheme();
        });
    return w;
}

QPushButton *PlacementWindow::button(const QString &text) const
{
    const auto it = m_buttons.find(text);
    return it == m_buttons.end() ? nullptr : it->second;
}

bool PlacementWindow::hasZonedObjects() const
{
    for (const ObjectRec &o : m_doc.snapshot().objects)
        if (o.Zona && !o.Zona->empty())
            return true;
    return false;
}

void PlacementWindow::activate()
{
    if (m_doc.projectKod() != m_projectKod) {
        resetHeightTable();
        m_projectKod = m_doc.projectKod();
    }
    redrawScheme();
    updateButtons();
}

void PlacementWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    activate();
}

int PlacementWindow::execAndApply()
{
    const int r = exec();
    if (r == QDialog::Accepted)
        applyResult();
    return r;
}

void PlacementWindow::closeEvent(QCloseEvent *e)
{
    // Closing from the title bar while a computation runs stops it first.
    stop();
    waitForWork();
    m_map->hide();
    QDialog::closeEvent(e);
}

void PlacementWindow::done(int result)
{
    // However the window closes (OK, Отмена, Escape), a running computation stops first and the
    // height map goes with the window.
    stop();
    waitForWork();
    m_map->hide();
    QDialog::done(result);
}

void PlacementWindow::setResultMode(ResultMode m)
{
    m_mode = m;
    m_modeButtons[static_cast<std::size_t>(m)]->setChecked(true);
    updateButtons();
}

void PlacementWindow::updateButtons()
{
    DataModule &dm = m_doc.dataModule();
    Table &variant = dm.table(m_complex ? TableId::Diap2MO0 : TableId::Diap0);
    const bool hasVariant = !variant.isEmpty();
    const bool r1 = !dm.table(m_complex ? TableId::Diap2MO1 : TableId::Diap1).isEmpty();
    const bool r2 = m_complex && !dm.table(TableId::Diap2MO11).isEmpty();
    // A search needs zoned objects: without them it would only fill tables of zeros.
    const bool objects = hasZonedObjects();
    const bool canRun = !m_running && (r1 || r2) && objects;
    const QString noObjects = QStringLiteral("В проекте нет объектов, требующих защиты");
    for (const char *t : {"Расчет", "Таблица"}) {
        QPushButton *b = button(QString::fromUtf8(t));
        b->setEnabled(canRun);
        b->setToolTip(!objects ? noObjects : QString());
    }
    const bool hasTable = m_heightModel->hasTable();
    button(QStringLiteral("Диаграмма..."))->setEnabled(!m_running && hasTable);
    button(QStringLiteral("Карта..."))->setEnabled(!m_running && hasTable);
    button(QStringLiteral("Справка..."))->setEnabled(!m_running);
    button(QStringLiteral("Отмена"))->setEnabled(!m_running);
    button(QStringLiteral("Стоп"))->setEnabled(m_running);
    for (QToolButton *b : m_modeButtons)
        b->setEnabled(!m_running);
    const auto shows = [this](int i) {
        return m_findLists[static_cast<std::size_t>(i)] &&
               !m_findLists[static_cast<std::size_t>(i)]->currentText().isEmpty();
    };
    const bool findOk = m_complex ? ((shows(0) && shows(1)) || (shows(2) && shows(3)))
                                  : (shows(0) && shows(1));
    button(QStringLiteral("Найти"))->setEnabled(!m_running && findOk);
    bool ok = false;
    if (m_mode == ResultMode::Table) {
        ok = hasTable;
    } else {
        Table &t = dm.table(m_mode == ResultMode::Variant
                                ? (m_complex ? TableId::Diap2MO0 : TableId::Diap0)
                                : (m_complex ? TableId::Diap2MO3 : TableId::Diap1));
        const bool has = !t.isEmpty() && t.recNo() >= 0;
        ok = has && (m_complex ? (!t.isNull("H1") || !t.isNull("H2")) : !t.isNull("H"));
    }
    button(QStringLiteral("ОК"))->setEnabled(!m_running && ok);
    if (m_bandButtons.size() >= 2) {
        m_bandButtons[0]->setEnabled(!m_running && hasVariant);
        m_bandButtons[1]->setEnabled(!m_running && r1);
    }
    if (m_bandButtons.size() >= 4) {
        m_bandButtons[2]->setEnabled(!m_running && hasVariant);
        m_bandButtons[3]->setEnabled(!m_running && r2);
    }
}

void PlacementWindow::setRunningState(bool running)
{
    m_running = running;
    QApplication::restoreOverrideCursor();
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    updateButtons();
}

void PlacementWindow::runSearch()
{
    if (m_running)
        return;
    startWork(false);
}

void PlacementWindow::buildTable()
{
    if (m_running)
        return;
    startWork(true);
}

void PlacementWindow::startWork(bool table)
{
    DataModule &dm = m_doc.dataModule();
    auto w = std::make_unique<Work>();
    w->table = table;
    try {
        if (table) {
            w->tableJob = beginTable(dm, m_complex);
            if (!w->tableJob.ok)
                return;
            resetHeightTable();
        } else if (m_complex) {
            if (dm.table(TableId::Diap2MO0).isEmpty())
                return;
            w->tx = std::make_unique<Transaction>(dm, std::initializer_list<TableId>{
                                                          TableId::Diap2MO0, TableId::Diap2MO3});
            w->complex = beginComplexSearch(dm);
            if (!w->complex.ok)
                return;
        } else {
            if (dm.table(TableId::Diap0).isEmpty())
                return;
            w->tx = std::make_unique<Transaction>(
                dm, std::initializer_list<TableId>{TableId::Diap0, TableId::Diap1});
            w->single = beginSingleRodSearch(dm);
            if (!w->single.ok)
                return;
        }
    } catch (const std::exception &e) {
        m_prompter.error(failureText(e));
        return;
    }
    m_work = std::move(w);
    setRunningState(true);
    m_progress->setValue(0);
    Work *work = m_work.get();
    const bool complex = m_complex;
    work->thread = std::thread([work, complex] {
        auto onRow = [work](int k, const RangeOutcome &row) {
            std::lock_guard<std::mutex> g(work->lock);
            work->rows.emplace_back(k, row);
        };
        if (work->table)
            work->tableOutcome = computeTable(work->tableJob, work->fb);
        else if (complex)
            work->outcome = searchComplex(work->complex.model, work->complex.ranges1,
                                          work->complex.ranges2, work->complex.fixed1,
                                          work->complex.fixed2, work->fb, Engine::Fast, onRow);
        else
            work->outcome = searchSingleRod(work->single.model, work->single.ranges, work->fb,
                                            Engine::Fast, onRow);
        work->done.store(true);
    });
    m_poll->start();
}

void PlacementWindow::stop()
{
    if (m_work)
        m_work->fb.requestStop();
}

void PlacementWindow::waitForWork()
{
    if (!m_work)
        return;
    if (m_work->thread.joinable())
        m_work->thread.join();
    pollWork(); // store what is left and finish
}

void PlacementWindow::onWorkFinished()
{
    m_poll->stop();
    if (m_work->thread.joinable())
        m_work->thread.join();
    std::unique_ptr<Work> w = std::move(m_work);
    DataModule &dm = m_doc.dataModule();
    try {
        if (w->table) {
            if (!w->tableOutcome.refused.empty())
                m_prompter.error(w->tableOutcome.refused);
            showTable(w->tableOutcome);
        } else if (!w->outcome.refused.empty()) {
            // Too large to search: nothing was computed; the transaction is left to roll back
            // so the previous results stay.
            m_prompter.error(w->outcome.refused);
            w->tx.reset();
        } else if (m_complex) {
            finishComplexSearch(dm, w->outcome);
        } else {
            finishSingleRodSearch(dm, w->outcome);
        }
        if (w->tx)
            w->tx->commit();
    } catch (const std::exception &e) {
        m_prompter.error(failureText(e));
    }
    m_progress->setValue(0);
    setRunningState(false);
    redrawScheme();
}

void PlacementWindow::resetHeightTable()
{
    m_heightModel->clear();
    m_hmin->clear();
    m_hmax->clear();
    for (QComboBox *c : m_findLists)
        if (c)
            c->clear();
    m_map->setTable(nullptr);
    m_map->hide();
}

void PlacementWindow::showTable(const TableOutcome &out)
{
    if (out.stopped || !out.refused.empty() || out.table.dataCols == 0) {
        resetHeightTable();
        return;
    }
    m_heightModel->setTable(out.table);
    const HeightTable &t = m_heightModel->table();
    // The find lists: each coordinate text once, in table order.
    auto fill = [](QComboBox *cb, const std::vector<std::string> &texts) {
        if (!cb)
            return;
        cb->clear();
        for (const std::string &s : texts)
            if (cb->findText(q(s)) < 0)
                cb->addItem(q(s));
        cb->setCurrentIndex(cb->count() > 0 ? 0 : -1);
    };
    std::vector<std::string> a, b, c, d;
    if (t.mode == TableMode::Both) {
        for (const Pt &p : t.points1)
            a.push_back(formatGeneral(p.x)), b.push_back(formatGeneral(p.y));
        for (const Pt &p : t.points2)
            c.push_back(formatGeneral(p.x)), d.push_back(formatGeneral(p.y));
        fill(m_findLists[0], a), fill(m_findLists[1], b), fill(m_findLists[2], c), fill(m_findLists[3], d);
    } else {
        for (double x : t.xs)
            a.push_back(formatGeneral(x));
        for (double y : t.ys)
            b.push_back(formatGeneral(y));
        const int base = t.mode == TableMode::Support2 ? 2 : 0;
        fill(m_findLists[static_cast<std::size_t>(base)], a);
        fill(m_findLists[static_cast<std::size_t>(base + 1)], b);
    }
    m_hmin->setText(q(formatGeneral(t.Hmin)));
    m_hmax->setText(q(formatGeneral(t.Hmax)));
    const QModelIndex min = m_heightModel->minimumIndex();
    if (min.isValid())
        m_grid->setCurrentIndex(min);
    currentCellToView();
    m_map->setTable(&m_heightModel->table());
}

void PlacementWindow::currentCellToView()
{
    m_grid->scrollTo(m_grid->currentIndex());
    if (m_tabs->currentIndex() == 0)
        m_grid->setFocus();
    m_grid->viewport()->update();
}

void PlacementWindow::find()
{
    const auto text = [this](int i) {
        return m_findLists[static_cast<std::size_t>(i)] ? m_findLists[static_cast<std::size_t>(i)]->currentText()
                                                        : QString();
    };
    HeightTableModel::Hit hit;
    const TableMode mode = m_heightModel->table().mode;
    if (!m_complex || mode == TableMode::SingleRod || mode == TableMode::Support1)
        hit = m_heightModel->find(text(0), text(1));
    else if (mode == TableMode::Support2)
        hit = m_heightModel->find(text(2), text(3));
    else
        hit = m_heightModel->find(text(0), text(1), text(2), text(3));
    const QModelIndex cur = m_grid->currentIndex();
    const int col = hit.column >= 0 ? hit.column : cur.column();
    const int row = hit.row >= 0 ? hit.row : cur.row();
    if (col >= 0 && row >= 0)
        m_grid->setCurrentIndex(m_heightModel->index(row, col));
    currentCellToView();
}

void PlacementWindow::toggleMap()
{
    if (m_map->isVisible()) {
        m_map->hide();
        return;
    }
    m_map->setTable(&m_heightModel->table());
    m_map->show();
    m_map->redraw();
}

void PlacementWindow::openDiagram()
{
    if (!m_heightModel->hasTable())
        return;
    DataModule &dm = m_doc.dataModule();
    PlacementDiagramWindow::Source s;
    s.table = m_heightModel->table();
    s.singleRod = !m_complex;
    s.movingSupport = s.table.mode == TableMode::Support2 ? 2 : 1;
    const ConductorPositions now = conductorPositions(dm);
    if (s.table.mode == TableMode::Support1)
        s.fixedSupport = now.p2;
    else if (s.table.mode == TableMode::Support2)
        s.fixedSupport = now.p1;
    const TableJob job = beginTable(dm, m_complex);
    if (job.range1)
        s.range = *job.range1;
    if (job.range2) {
        if (s.table.mode == TableMode::Support2)
            s.range = *job.range2;
        s.range2 = *job.range2;
    }
    for (const ObjectRec &o : m_doc.snapshot().objects)
        s.objects.push_back({o.MXa.value_or(0), o.MYa.value_or(0), o.L.value_or(0),
                             o.S.value_or(0), colorFromRgbInt(o.ObjColor.value_or(0x00FF00))});
    m_diagram->setSource(std::move(s));
    if (m_diagramShow)
        m_diagramShow(*m_diagram);
    else
        m_diagram->exec();
}

void PlacementWindow::addObjectBand(int support, bool subRange)
{
    std::vector<std::string> names;
    for (const ObjectRec &o : m_doc.snapshot().objects)
        names.push_back(o.Name.value_or(""));
    m_band->prepare(names, subRange);
    const bool ok = m_bandAnswer ? m_bandAnswer(*m_band) : m_band->exec() == QDialog::Accepted;
    if (!ok)
        return;
    DataModule &dm = m_doc.dataModule();
    try {
        if (subRange) {
            const TableId id = !m_complex ? TableId::Diap2 : support == 1 ? TableId::Diap2MO2 : TableId::Diap2MO21;
            addObjectBandSubRange(dm, id, m_band->objectName(), m_band->width(), m_band->flags());
        } else {
            const TableId id = !m_complex ? TableId::Diap1 : support == 1 ? TableId::Diap2MO1 : TableId::Diap2MO11;
            addObjectBandRange(dm, id, m_band->objectName(), m_band->width());
        }
    } catch (const std::exception &e) {
        m_prompter.error(failureText(e));
    }
}

bool PlacementWindow::applyResult()
{
    DataModule &dm = m_doc.dataModule();
    const QModelIndex cur = m_grid->currentIndex();
    const ConductorPositions p =
        placementResult(dm, m_complex, m_mode, m_heightModel->hasTable() ? &m_heightModel->table() : nullptr,
                        cur.column(), cur.row());
    return m_doc.applyPlacement(p);
}

void PlacementWindow::redrawScheme()
{
    if (!m_scheme || m_drawing)
        return;
    m_drawing = true;
    DataModule &dm = m_doc.dataModule();
    SchemeInput in;
    in.scale = m_scale->currentIndex() + 1;
    in.withConductor = m_withConductor->isChecked();
    in.withObjects = m_withObjects->isChecked();
    in.withSubranges = m_withSubs->isChecked() && m_withSubs->isEnabled();
    const ConductorPositions now = conductorPositions(dm);
    if (now.p1)
        in.conductors.push_back(*now.p1);
    if (m_complex && now.p2)
        in.conductors.push_back(*now.p2);
    for (const ObjectRec &o : m_doc.snapshot().objects)
        in.objects.push_back({o.MXa.value_or(0), o.MYa.value_or(0), o.L.value_or(0),
                              o.S.value_or(0), colorFromRgbInt(o.ObjColor.value_or(0x00FF00))});
    if (!m_rangesNone->isChecked()) {
        const bool current = m_rangesCurrent->isChecked();
        auto add = [&](TableId rid, TableId sid, QColor color) {
            Table &rt = dm.table(rid);
            if (rt.isEditing())
                return;
            const int cur = rt.recNo();
            const std::vector<PlacementRange> list = loadRanges(rt, dm.table(sid));
            for (std::size_t k = 0; k < list.size(); ++k) {
                if (current && static_cast<int>(k) != cur)
                    continue;
                const PlacementRange &r = list[k];
                in.ranges.push_back({r.X1, r.Y1, r.X2, r.Y2, color, r.subranges});
            }
        };
        try {
            if (m_complex) {
                add(TableId::Diap2MO1, TableId::Diap2MO2, QColor(0, 0, 255));
                add(TableId::Diap2MO11, TableId::Diap2MO21, QColor(0, 128, 0));
            } else {
                add(TableId::Diap1, TableId::Diap2, QColor(0, 0, 255));
            }
        } catch (const std::exception &) {
            // A row being edited elsewhere: the picture follows on the next change.
        }
    }
    m_drawing = false;
    m_schemeImage = renderScheme(in);
    m_scheme->setPixmap(QPixmap::fromImage(m_schemeImage));
}

void PlacementWindow::dragOnScheme(QPoint from, QPoint to)
{
    const double k = m_scale->currentIndex() + 1;
    const int x1 = rnd(from.x() / k), y1 = rnd(from.y() / k);
    const int x2 = rnd(to.x() / k), y2 = rnd(to.y() / k);
    const QString step = q(formatGeneral(m_doc.gridStep()));
    std::vector<TableEditPanel *> panels{m_ranges1, m_subs1};
    if (m_complex)
        panels.insert(panels.end(), {m_ranges2, m_subs2});
    for (TableEditPanel *p : panels) {
        if (!p || !p->isEditing())
            continue;
        p->setStripText("X1", QString::number(std::min(x1, x2)));
        p->setStripText("X2", QString::number(std::max(x1, x2)));
        p->setStripText("Y1", QString::number(std::min(y1, y2)));
        p->setStripText("Y2", QString::number(std::max(y1, y2)));
        if (p->table().def().field("DX")) {
            if (p->stripText("DX").isEmpty())
                p->setStripText("DX", step);
            if (p->stripText("DY").isEmpty())
                p->setStripText("DY", step);
        }
    }
}

bool PlacementWindow::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_scheme && e->type() == QEvent::MouseButtonPress)
        m_dragStart = static_cast<QMouseEvent *>(e)->position().toPoint();
    if (o == m_scheme && e->type() == QEvent::MouseButtonRelease)
        dragOnScheme(m_dragStart, static_cast<QMouseEvent *>(e)->position().toPoint());
    return QDialog::eventFilter(o, e);
}

} // namespace kv
