#include "app/projectpages.h"

#include "calc/construction.h"

#include "calc/numfmt.h"
#include "plan/plancoords.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QHeaderView>
#include <QScrollArea>
#include <QTableWidget>

#include <algorithm>
#include <utility>
#include <QTabBar>
#include <QVBoxLayout>

namespace kv {

namespace {

QString text(const OptD &v) { return v ? QString::fromStdString(formatGeneral(*v)) : QString(); }
QString text(const OptI &v) { return v ? QString::number(*v) : QString(); }
QString text(const OptS &v) { return v ? QString::fromStdString(*v) : QString(); }

// A scrolling page whose content is a vertical box.
QVBoxLayout *scrollPage(QTabWidget *tabs, const QString &title)
{
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget;
    auto *box = new QVBoxLayout(content);
    box->setContentsMargins(4, 4, 4, 4);
    box->setSpacing(4);
    scroll->setWidget(content);
    tabs->addTab(scroll, title);
    return box;
}

// Compact tabs for an inner page control whose captions are too long for the page side by side.
void compactTabs(QTabWidget *tabs)
{
    QFont f = tabs->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    tabs->tabBar()->setFont(f);
    tabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
}

} // namespace

QLineEdit *ProjectPages::addField(const QString &key)
{
    auto *e = new QLineEdit;
    e->setReadOnly(true);
    e->setObjectName(key);
    m_fields.insert(key, e);
    return e;
}

ProjectPages::ProjectPages(QWidget *parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("PageControl1"));
    // The pages are 255 pixels wide: a slightly smaller face keeps every caption and group title
    // inside them.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    setFont(small);
    // A caption above a full-width field.
    auto wide = [this](QVBoxLayout *box, const QString &caption, const QString &key) {
        auto *l = new QLabel(caption);
        l->setWordWrap(true);
        l->setMinimumWidth(40); // a wrapped caption never widens the page
        box->addWidget(l);
        QLineEdit *e = addField(key);
        l->setBuddy(e);
        box->addWidget(e);
        m_captions.insert(key, l);
    };
    // A wrapped caption with a short field beside it.
    auto row = [this](QGridLayout *g, const QString &caption, const QString &key) {
        const int r = g->rowCount();
        auto *l = new QLabel(caption);
        l->setWordWrap(true);
        l->setMinimumWidth(40);
        auto *e = addField(key);
        l->setBuddy(e);
        e->setFixedWidth(64);
        e->setAlignment(Qt::AlignRight);
        g->addWidget(l, r, 0);
        g->addWidget(e, r, 1, Qt::AlignTop);
        m_captions.insert(key, l);
    };
    auto grid = [](QBoxLayout *box) {
        auto *g = new QGridLayout;
        g->setColumnStretch(0, 1);
        g->setHorizontalSpacing(6);
        g->setVerticalSpacing(4);
        box->addLayout(g);
        return g;
    };
    // A framed group with its title as a caption above it, so that a long title wraps inside the
    // page instead of widening it.
    auto group = [](QBoxLayout *box, const QString &title) {
        auto *caption = new QLabel(title.trimmed());
        caption->setWordWrap(true);
        caption->setMinimumWidth(40);
        box->addWidget(caption);
        auto *gb = new QGroupBox;
        gb->setAccessibleName(title);
        auto *g = new QGridLayout(gb);
        g->setColumnStretch(0, 1);
        box->addWidget(gb);
        return g;
    };

    // "Проект".
    {
        QVBoxLayout *box = scrollPage(this, QStringLiteral("Проект"));
        wide(box, QStringLiteral("Наименование:"), QStringLiteral("project.Name"));
        auto *hoursCaption = new QLabel(QStringLiteral("Среднегодовая продолжительность гроз, час.:"));
        hoursCaption->setWordWrap(true);
        hoursCaption->setMinimumWidth(40);
        box->addWidget(hoursCaption);
        auto *hours = new QHBoxLayout;
        for (const auto &[caption, key] : {std::pair{"от", "project.ProdGrozMin"},
                                           std::pair{"до", "project.ProdGrozMax"}}) {
            auto *l = new QLabel(QString::fromUtf8(caption));
            l->setBuddy(addField(QLatin1String(key)));
            hours->addWidget(l);
            hours->addWidget(l->buddy());
        }
        for (const char *f : {"project.ProdGrozMin", "project.ProdGrozMax"})
            m_fields.value(QLatin1String(f))->setFixedWidth(56);
        hours->addStretch(1);
        box->addLayout(hours);
        QGridLayout *g = grid(box);
        row(g, QStringLiteral("Среднегодовое количество ударов молнии в 1 км2 земной поверхности n:"),
            QStringLiteral("project.Udarov"));
        QGridLayout *zones = group(box, QStringLiteral(" Количество объектов по зонам защиты "));
        row(zones, QStringLiteral("Зона А:"), QStringLiteral("project.ZonaACnt"));
        row(zones, QStringLiteral("Зона Б:"), QStringLiteral("project.ZonaBCnt"));
        wide(box, QStringLiteral("Тип молниеотвода:"), QStringLiteral("project.TipMO"));
        m_note = new QLabel(QStringLiteral("Двойной стержневой молниеотвод \nиспользуется как два одиночных \n"
                                           "стержневых молниеотвода."));
        m_note->setObjectName(QStringLiteral("noteUseAs2"));
        m_note->setFrameShape(QFrame::StyledPanel);
        m_note->setMargin(4);
        m_note->hide();
        box->addWidget(m_note);
        box->addStretch(1);
    }

    // "Молниеотвод".
    {
        QVBoxLayout *box = scrollPage(this, QStringLiteral("Молниеотвод"));
        QGridLayout *xy = group(box, QStringLiteral(" Координаты "));
        row(xy, QStringLiteral("X, м:"), QStringLiteral("mo.MX"));
        row(xy, QStringLiteral("Y, м:"), QStringLiteral("mo.MY"));

        // The multiple rod's rods and pairs.
        m_multi = new QWidget;
        m_multi->setObjectName(QStringLiteral("MultiRodPanel"));
        auto *mbox = new QVBoxLayout(m_multi);
        mbox->setContentsMargins(0, 0, 0, 0);
        mbox->setSpacing(4);
        const auto makeGrid = [&](const QString &name, const QStringList &heads) {
            auto *t = new QTableWidget(0, static_cast<int>(heads.size()));
            t->setObjectName(name);
            t->setHorizontalHeaderLabels(heads);
            t->verticalHeader()->hide();
            t->setEditTriggers(QAbstractItemView::NoEditTriggers);
            t->setSelectionBehavior(QAbstractItemView::SelectRows);
            t->setSelectionMode(QAbstractItemView::SingleSelection);
            t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
            t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 4);
            t->setFixedHeight(t->verticalHeader()->defaultSectionSize() * 6
                              + t->horizontalHeader()->sizeHint().height() + 4);
            return t;
        };
        auto *rodsBox = new QGroupBox(QStringLiteral(" Опоры "));
        auto *rl = new QVBoxLayout(rodsBox);
        rl->setContentsMargins(4, 4, 4, 4);
        m_rods = makeGrid(QStringLiteral("gridRods"),
                          {QStringLiteral("№"), QStringLiteral("X, м"), QStringLiteral("Y, м")});
        m_rods->setAccessibleName(QStringLiteral("Опоры многократного молниеотвода"));
        rl->addWidget(m_rods);
        mbox->addWidget(rodsBox);
        connect(m_rods, &QTableWidget::cellClicked, this, [this](int r, int) { emit rodClicked(r); });
        auto *pairsBox = new QGroupBox(QStringLiteral(" Пары опор "));
        auto *pl = new QVBoxLayout(pairsBox);
        pl->setContentsMargins(4, 4, 4, 4);
        m_pairs = makeGrid(QStringLiteral("gridPairs"),
                           {QStringLiteral("Опоры"), QStringLiteral("L, м"), QStringLiteral("L/H")});
        m_pairs->setAccessibleName(QStringLiteral("Пары опор многократного молниеотвода"));
        pl->addWidget(m_pairs);
        QGridLayout *pg = grid(pl);
        row(pg, QStringLiteral("Hс_a - высота зоны защиты в месте снижения (зона А), м:"),
            QStringLiteral("pair.Hc_a"));
        row(pg, QStringLiteral("Rс_a - радиус зоны защиты в месте снижения (зона А), м:"),
            QStringLiteral("pair.Rc_a"));
        row(pg, QStringLiteral("Hс_b - высота зоны защиты в месте снижения (зона Б), м:"),
            QStringLiteral("pair.Hc_b"));
        row(pg, QStringLiteral("Rс_b - радиус зоны защиты в месте снижения (зона Б), м:"),
            QStringLiteral("pair.Rc_b"));
        wide(pl, QStringLiteral("Режим пары:"), QStringLiteral("pair.Mode"));
        connect(m_pairs, &QTableWidget::cellClicked, this, [this](int r, int) { showPair(r); });
        mbox->addWidget(pairsBox);
        box->addWidget(m_multi);
        m_multi->hide();

        auto *inner = new QTabWidget;
        inner->setObjectName(QStringLiteral("PageControl2"));
        const QList<QPair<QString, QString>> captions = {
            {QStringLiteral("H"), QStringLiteral("H - высота молниеотвода, м:")},
            {QStringLiteral("Hop"), QStringLiteral("Hоп - высота опоры, м:")},
            {QStringLiteral("Ho_a"), QStringLiteral("Ho_a - высота конуса (зона А), м:")},
            {QStringLiteral("Ho_b"), QStringLiteral("Ho_b - высота конуса (зона Б), м:")},
            {QStringLiteral("Ro_a"), QStringLiteral("Ro_a - радиус зоны защиты на уровне земли (зона А), м:")},
            {QStringLiteral("Ro_b"), QStringLiteral("Ro_b - радиус зоны защиты на уровне земли (зона Б), м:")},
            {QStringLiteral("Hc_a"), QStringLiteral("Hс_a - высота зоны защиты в месте снижения (зона А), м:")},
            {QStringLiteral("Hc_b"), QStringLiteral("Hс_b - высота зоны защиты в месте снижения (зона Б), м:")},
            {QStringLiteral("Rc_a"), QStringLiteral("Rс_a - радиус зоны защиты в месте снижения (зона А), м:")},
            {QStringLiteral("Rc_b"), QStringLiteral("Rс_b - радиус зоны защиты в месте снижения (зона Б), м:")},
            {QStringLiteral("L_H"), QStringLiteral("L/H - отношение расстояния между опорами к высоте:")},
        };
        for (const QString &suffix : {QString(), QStringLiteral("1")}) {
            auto *page = new QWidget;
            auto *pbox = new QVBoxLayout(page);
            pbox->setContentsMargins(4, 4, 4, 4);
            if (!suffix.isEmpty()) {
                wide(pbox, QStringLiteral("Тип:"), QStringLiteral("mo.Tip"));
                wide(pbox, QStringLiteral("Примечание:"), QStringLiteral("mo.Prim"));
            }
            QGridLayout *g = grid(pbox);
            for (const auto &[f, c] : captions)
                row(g, c, QStringLiteral("mo.") + f + suffix);
            pbox->addStretch(1);
            inner->addTab(page, suffix.isEmpty() ? QStringLiteral("Подбор") : QStringLiteral("Выбор"));
        }
        box->addWidget(inner);
        box->addStretch(1);
    }

    // "Объект".
    {
        QVBoxLayout *box = scrollPage(this, QStringLiteral("Объект"));
        wide(box, QStringLiteral("Наименование:"), QStringLiteral("object.Name"));
        auto *colour = new QHBoxLayout;
        colour->addWidget(new QLabel(QStringLiteral("Цвет объекта:")));
        m_swatch = new QFrame;
        m_swatch->setObjectName(QStringLiteral("ObjColor"));
        m_swatch->setFrameShape(QFrame::Box);
        m_swatch->setFixedSize(64, 20);
        m_swatch->setAutoFillBackground(true);
        colour->addWidget(m_swatch);
        colour->addStretch(1);
        box->addLayout(colour);
        QGridLayout *xy = group(box, QStringLiteral(" Координаты левого верхнего угла "));
        row(xy, QStringLiteral("X, м:"), QStringLiteral("object.MXa"));
        row(xy, QStringLiteral("Y, м:"), QStringLiteral("object.MYa"));
        QGridLayout *dims = group(box, QStringLiteral(" Габариты объекта "));
        row(dims, QStringLiteral("L - длина, м:"), QStringLiteral("object.L"));
        row(dims, QStringLiteral("S - ширина, м:"), QStringLiteral("object.S"));
        row(dims, QStringLiteral("Нх - высота, м:"), QStringLiteral("object.Hx"));
        auto *inner = new QTabWidget;
        inner->setObjectName(QStringLiteral("PageControl3"));
        compactTabs(inner);
        auto *prot = new QWidget;
        auto *pbox = new QVBoxLayout(prot);
        pbox->setContentsMargins(4, 4, 4, 4);
        QGridLayout *g = grid(pbox);
        row(g, QStringLiteral("N - ожидаемое количество поражений молнией в год:"), QStringLiteral("object.N"));
        row(g, QStringLiteral("Категория молниезащиты:"), QStringLiteral("object.Kateg"));
        row(g, QStringLiteral("Тип зоны защиты:"), QStringLiteral("object.Zona"));
        row(g, QStringLiteral("H - требуемая высота молниеотвода, м:"), QStringLiteral("object.H"));
        row(g, QStringLiteral("Rx - расчетный радиус защиты на высоте Нх, м:"), QStringLiteral("object.Rx"));
        row(g, QStringLiteral("Rxi - фактический радиус защиты на высоте Нх, м:"), QStringLiteral("object.Rx1"));
        row(g, QStringLiteral("Rcx - расчетный радиус сужения зоны снижения, м:"), QStringLiteral("object.Rcx"));
        row(g, QStringLiteral("Rcx1 - фактический радиус сужения зоны снижения, м:"), QStringLiteral("object.Rcx1"));
        pbox->addStretch(1);
        auto *cls = new QWidget;
        auto *cbox = new QVBoxLayout(cls);
        cbox->setContentsMargins(4, 4, 4, 4);
        wide(cbox, QStringLiteral("Тип объекта:"), QStringLiteral("object.STip"));
        auto *classCaption = new QLabel(QStringLiteral("Класс объекта:"));
        cbox->addWidget(classCaption);
        m_classMemo = new QPlainTextEdit;
        classCaption->setBuddy(m_classMemo);
        m_classMemo->setObjectName(QStringLiteral("object.ClassObject"));
        m_classMemo->setReadOnly(true);
        cbox->addWidget(m_classMemo, 1);
        inner->addTab(prot, QStringLiteral("Параметры молниезащиты"));
        inner->addTab(cls, QStringLiteral("Тип, класс"));
        inner->setCurrentIndex(1);
        box->addWidget(inner, 1);
    }
    setCurrentIndex(1);
}

void ProjectPages::showRods(const std::vector<ConductorRec> &conductors,
                            const MultiRodResult &stored, int currentRod)
{
    m_multi->setVisible(!conductors.empty());
    if (conductors.empty())
        return;
    const int n = static_cast<int>(conductors.size());
    const auto cell = [](QTableWidget *t, int r, int c, const QString &v) {
        QTableWidgetItem *it = t->item(r, c);
        if (!it) {
            it = new QTableWidgetItem;
            it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            t->setItem(r, c, it);
        }
        if (it->text() != v)
            it->setText(v);
    };
    if (m_rods->rowCount() != n)
        m_rods->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        cell(m_rods, i, 0, QString::number(i + 1));
        cell(m_rods, i, 1, text(conductors[static_cast<std::size_t>(i)].MX));
        cell(m_rods, i, 2, text(conductors[static_cast<std::size_t>(i)].MY));
    }
    const int cur = std::clamp(currentRod, 0, n - 1);
    if (m_rods->currentRow() != cur)
        m_rods->selectRow(cur);
    // The stored pairs when they are those of these rods; otherwise the spans alone.
    m_rodRows = conductors;
    m_stored = stored;
    const int np = MultiRodPairCount(n);
    if (static_cast<int>(m_stored.pairs.size()) != np)
        m_stored.pairs.clear();
    if (m_stored.pairs.empty())
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                MultiRodPair p;
                p.i = i;
                p.j = j;
                const auto &a = conductors[static_cast<std::size_t>(i)];
                const auto &b = conductors[static_cast<std::size_t>(j)];
                p.L = SpanLength({a.MX.value_or(0), a.MY.value_or(0)},
                                 {b.MX.value_or(0), b.MY.value_or(0)});
                m_stored.pairs.push_back(p);
            }
    if (m_pairs->rowCount() != np)
        m_pairs->setRowCount(np);
    for (int k = 0; k < np; ++k) {
        const MultiRodPair &p = m_stored.pairs[static_cast<std::size_t>(k)];
        cell(m_pairs, k, 0, QStringLiteral("%1–%2").arg(p.i + 1).arg(p.j + 1));
        cell(m_pairs, k, 1, QString::fromStdString(formatGeneral(p.L)));
        cell(m_pairs, k, 2, text(p.L_H));
    }
    const int pair = MultiRodPairIndex(n, cur, cur + 1 < n ? cur + 1 : 0);
    m_pairs->selectRow(pair);
    showPair(pair);
}

void ProjectPages::showPair(int row)
{
    const bool ok = row >= 0 && row < static_cast<int>(m_stored.pairs.size());
    const MultiRodPair p = ok ? m_stored.pairs[static_cast<std::size_t>(row)] : MultiRodPair{};
    setText(QStringLiteral("pair.Hc_a"), text(p.Hc_a));
    setText(QStringLiteral("pair.Rc_a"), text(p.Rc_a));
    setText(QStringLiteral("pair.Hc_b"), text(p.Hc_b));
    setText(QStringLiteral("pair.Rc_b"), text(p.Rc_b));
    QString mode;
    if (ok && p.L_H)
        mode = p.useAs2 ? QStringLiteral("два одиночных стержневых молниеотвода")
                        : QStringLiteral("общая зона защиты");
    setText(QStringLiteral("pair.Mode"), mode);
}

void ProjectPages::setText(const QString &key, const QString &t)
{
    // A field whose text stays is left alone: a drag refreshes all of them many times a second.
    if (QLineEdit *e = m_fields.value(key); e && e->text() != t) {
        e->setText(t);
        e->setCursorPosition(0);
    }
}

void ProjectPages::setFieldEnabled(const QString &key, bool on)
{
    if (QLineEdit *e = m_fields.value(key))
        e->setEnabled(on);
    if (QLabel *l = m_captions.value(key))
        l->setEnabled(on);
}

void ProjectPages::showRows(const ProjectRec *p, const ConductorRec *c, const ObjectRec *o,
                            const QString &classText)
{
    const ProjectRec np;
    const ConductorRec nc;
    const ObjectRec no;
    const ProjectRec &pr = p ? *p : np;
    const ConductorRec &cr = c ? *c : nc;
    const ObjectRec &orr = o ? *o : no;

    setText(QStringLiteral("project.Name"), text(pr.Name));
    setText(QStringLiteral("project.ProdGrozMin"), text(pr.ProdGrozMin));
    setText(QStringLiteral("project.ProdGrozMax"), text(pr.ProdGrozMax));
    setText(QStringLiteral("project.Udarov"), text(pr.Udarov));
    setText(QStringLiteral("project.ZonaACnt"), text(pr.ZonaACnt));
    setText(QStringLiteral("project.ZonaBCnt"), text(pr.ZonaBCnt));
    setText(QStringLiteral("project.TipMO"), text(pr.TipMO));

#define KV_MO(f) setText(QStringLiteral("mo." #f), text(cr.f));
    KV_MO(MX) KV_MO(MY) KV_MO(H) KV_MO(Hop) KV_MO(Ho_a) KV_MO(Ho_b) KV_MO(Ro_a) KV_MO(Ro_b)
    KV_MO(Hc_a) KV_MO(Hc_b) KV_MO(Rc_a) KV_MO(Rc_b) KV_MO(L_H) KV_MO(Tip) KV_MO(Prim) KV_MO(H1)
    KV_MO(Hop1) KV_MO(Ho_a1) KV_MO(Ho_b1) KV_MO(Ro_a1) KV_MO(Ro_b1) KV_MO(Hc_a1) KV_MO(Hc_b1)
    KV_MO(Rc_a1) KV_MO(Rc_b1) KV_MO(L_H1)
#undef KV_MO
#define KV_OBJ(f) setText(QStringLiteral("object." #f), text(orr.f));
    KV_OBJ(Name) KV_OBJ(MXa) KV_OBJ(MYa) KV_OBJ(L) KV_OBJ(S) KV_OBJ(Hx) KV_OBJ(N) KV_OBJ(Kateg)
    KV_OBJ(Zona) KV_OBJ(H) KV_OBJ(Rx) KV_OBJ(Rx1) KV_OBJ(Rcx) KV_OBJ(Rcx1) KV_OBJ(STip)
#undef KV_OBJ
    // An object the chosen construction does not reach has no radius to show: say so instead.
    const bool zoned = orr.Zona == std::string(kZoneA) || orr.Zona == std::string(kZoneB);
    if (o && cr.H1 && zoned && !orr.Rx1) {
        setText(QStringLiteral("object.Rx1"), QString::fromUtf8(kTextOutsideChosenZone));
        if (conductorTypeOf(pr.TipMO.value_or("")) == ConductorType::DoubleRod)
            setText(QStringLiteral("object.Rcx1"), QString::fromUtf8(kTextOutsideChosenZone));
    }
    if (const QString memo = o ? classText : QString(); m_classMemo->toPlainText() != memo)
        m_classMemo->setPlainText(memo);

    QPalette pal = m_swatch->palette();
    pal.setColor(QPalette::Window, o && o->ObjColor ? colorFromRgbInt(*o->ObjColor)
                                                    : palette().color(QPalette::Window));
    m_swatch->setPalette(pal);

    // Which fields apply to the conductor type.
    const ConductorType type = conductorTypeOf(pr.TipMO.value_or(""));
    const bool twoSupports = type == ConductorType::DoubleRod
                             || (type == ConductorType::MultiRod && (cr.L_H || cr.L_H1));
    const bool support = type == ConductorType::Cable;
    for (const char *f : {"Hc_a", "Hc_b", "Rc_a", "Rc_b", "L_H", "Hc_a1", "Hc_b1", "Rc_a1", "Rc_b1", "L_H1"})
        setFieldEnabled(QStringLiteral("mo.") + QLatin1String(f), !p || twoSupports);
    for (const char *f : {"Rcx", "Rcx1"})
        setFieldEnabled(QStringLiteral("object.") + QLatin1String(f), !p || twoSupports);
    for (const char *f : {"Hop", "Hop1"})
        setFieldEnabled(QStringLiteral("mo.") + QLatin1String(f), !p || support);
    m_note->setVisible(p && twoSupports && pr.ChkUseAs2.value_or(false));
}

} // namespace kv
