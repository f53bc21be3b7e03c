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
#include <QScrollArea>

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
    const bool twoSupports = type == ConductorType::DoubleRod;
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
