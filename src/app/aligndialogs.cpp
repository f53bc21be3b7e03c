#include "app/aligndialogs.h"

#include "app/alignpreview.h"
#include "calc/numfmt.h"
#include "data/prompter.h"
#include "widgets/buddylabel.h"
#include "widgets/dialogbuttons.h"
#include "widgets/helpwindow.h"
#include "widgets/numerickeys.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

// The radio choices, kept between openings for the whole run.
int s_alignH = 2, s_alignV = 2;
CoordKind s_coordKind = CoordKind::Absolute;
int s_coordPoint = 0;
int s_objToMoPoint = 4;
int s_objToObjP = 0, s_objToObjQ = 1;

QStringList pointItems(int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QString::fromUtf8(alignPointText(i));
    return items;
}

QString numberText(double v) { return QString::fromStdString(formatGeneral(round5(v))); }

// Preview geometry: a marker of 10 pixels centred on a point.
QRectF markerAt(QPointF c) { return {c.x() - 5, c.y() - 5, 10, 10}; }

} // namespace

// ---- PositionDialog -----------------------------------------------------------------------------

PositionDialog::PositionDialog(const ProjectSnapshot &snap, QWidget *parent)
    : QDialog(parent), m_snap(snap)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_preview = new AlignPreview(this);
}

void PositionDialog::finishLayout(QWidget *content, int helpContext)
{
    const DialogButtons b = makeDialogButtons(this, helpContext);
    m_ok = b.ok;
    m_ok->setObjectName(QStringLiteral("btnOk"));
    b.cancel->setObjectName(QStringLiteral("btnCancel"));
    b.help->setObjectName(QStringLiteral("btnHelp"));
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(content, 1);
    lay->addWidget(b.box);
    setFixedSize(sizeHint());
}

QGroupBox *PositionDialog::radioGroup(const QString &caption, const QStringList &items,
                                      QButtonGroup *&group)
{
    auto *box = new QGroupBox(caption, this);
    auto *l = new QVBoxLayout(box);
    l->setSpacing(2);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *r = new QRadioButton(items[i], box);
        group->addButton(r, i);
        l->addWidget(r);
    }
    l->addStretch(1);
    return box;
}

const ObjectRec *PositionDialog::objectNamed(const QString &name) const
{
    const std::string n = name.toStdString();
    for (const ObjectRec &o : m_snap.objects)
        if (o.Name.value_or("") == n)
            return &o;
    return nullptr;
}

const ObjectRec *PositionDialog::objectByKod(int kod) const
{
    for (const ObjectRec &o : m_snap.objects)
        if (o.Kod == kod)
            return &o;
    return nullptr;
}

// ---- Conductor to an object ----------------------------------------------------------------------

AlignConductorDialog::AlignConductorDialog(const ProjectSnapshot &snap, int conductorColor,
                                           QWidget *parent)
    : PositionDialog(snap, parent), m_conductorColor(conductorColor)
{
    setWindowTitle(QStringLiteral("Выравнивание молниеотвода."));
    auto *content = new QWidget(this);
    m_objects = new QComboBox(content);
    m_objects->setObjectName(QStringLiteral("cmbObject"));
    m_objects->setMinimumWidth(220);
    for (const ObjectRec &o : snap.objects)
        m_objects->addItem(QString::fromStdString(o.Name.value_or("")));
    auto *align = new QGroupBox(QStringLiteral(" Выравнивание относительно объекта "), content);
    auto *al = new QHBoxLayout(align);
    al->addWidget(radioGroup(QStringLiteral(" по горизонтали "),
                             {QStringLiteral("нет"), QStringLiteral("по левому краю"),
                              QStringLiteral("по центру"), QStringLiteral("по правому краю")},
                             m_h));
    al->addWidget(radioGroup(QStringLiteral(" по вертикали "),
                             {QStringLiteral("нет"), QStringLiteral("по верхнему краю"),
                              QStringLiteral("по центру"), QStringLiteral("по нижнему краю")},
                             m_v));
    m_h->button(s_alignH)->setChecked(true);
    m_v->button(s_alignV)->setChecked(true);
    auto *view = new QGroupBox(QStringLiteral("Просмотр"), content);
    auto *vl = new QVBoxLayout(view);
    vl->addWidget(m_preview);

    auto *top = new QHBoxLayout;
    top->addWidget(buddyLabel(QStringLiteral("Объект выравнивания:"), m_objects, content));
    top->addWidget(m_objects, 1);
    auto *mid = new QHBoxLayout;
    mid->addWidget(align, 1);
    mid->addWidget(view);
    auto *cl = new QVBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addLayout(top);
    cl->addLayout(mid);
    finishLayout(content, kHelpAlignMO);
    connect(m_objects, &QComboBox::currentIndexChanged, this, &AlignConductorDialog::update);
    connect(m_h, &QButtonGroup::idClicked, this, &AlignConductorDialog::update);
    connect(m_v, &QButtonGroup::idClicked, this, &AlignConductorDialog::update);
    update();
}

int AlignConductorDialog::objectKod() const
{
    const ObjectRec *o = objectNamed(m_objects->currentText());
    return o && o->Kod ? *o->Kod : -1;
}

void AlignConductorDialog::update()
{
    const int h = m_h->checkedId(), v = m_v->checkedId();
    m_ok->setEnabled((h > 0 || v > 0) && objectKod() >= 0);
    const ObjectRec *o = objectNamed(m_objects->currentText());
    const QRectF obj(70, 45, 70, 55);
    const double xs[4] = {30, obj.left(), obj.center().x(), obj.right()};
    const double ys[4] = {22, obj.top(), obj.center().y(), obj.bottom()};
    m_preview->setItems({{obj, AlignPreview::storedColor(o ? o->ObjColor : std::nullopt),
                          QStringLiteral("Объект выравнивания ")},
                         {markerAt({xs[std::max(h, 0)], ys[std::max(v, 0)]}),
                          AlignPreview::storedColor(m_conductorColor),
                          QStringLiteral("Выравниваемый молниеотвод")}});
}

void AlignConductorDialog::accept()
{
    s_alignH = m_h->checkedId();
    s_alignV = m_v->checkedId();
    if (!m_ok->isEnabled())
        return;
    QDialog::accept();
}

// ---- Conductor coordinates ---------------------------------------------------------------------

ConductorCoordsDialog::ConductorCoordsDialog(const ProjectSnapshot &snap, int position,
                                             Prompter &prompter, QWidget *parent)
    : PositionDialog(snap, parent), m_position(position), m_prompter(prompter),
      m_twoRows(snap.conductors.size() >= 2)
{
    setWindowTitle(QStringLiteral("Координаты молниеотвода."));
    auto *content = new QWidget(this);
    QStringList kinds{QStringLiteral("абсолютные")};
    if (m_twoRows)
        kinds << QStringLiteral("относительно другой опоры молниеотвода");
    kinds << QStringLiteral("относительно объекта");
    m_kindBox = radioGroup(QStringLiteral(" Тип координат "), kinds, m_kind);
    m_objects = new QComboBox(content);
    m_objects->setObjectName(QStringLiteral("cmbObject"));
    m_objects->setMinimumWidth(220);
    for (const ObjectRec &o : snap.objects)
        m_objects->addItem(QString::fromStdString(o.Name.value_or("")));
    m_pointBox = radioGroup(QStringLiteral(" Точка объекта привязки "), pointItems(5), m_point);
    m_point->button(s_coordPoint)->setChecked(true);

    m_x = new QLineEdit(content);
    m_y = new QLineEdit(content);
    m_x->setObjectName(QStringLiteral("EditX"));
    m_y->setObjectName(QStringLiteral("EditY"));
    m_fx = NumericKeyFilter::install(m_x, false);
    m_fy = NumericKeyFilter::install(m_y, false);
    auto *fields = new QGridLayout;
    static const double steps[3] = {1, 0.1, 0.01};
    static const char *const stepTexts[3] = {"1", "0,1", "0,01"};
    QLineEdit *edits[2] = {m_x, m_y};
    fields->addWidget(buddyLabel(QStringLiteral("Х - координата по горизонтали, м:"), m_x, content),
                      0, 0);
    fields->addWidget(buddyLabel(QStringLiteral("Y - координата по вертикали, м:"), m_y, content),
                      1, 0);
    for (int f = 0; f < 2; ++f) {
        edits[f]->setFixedWidth(100);
        fields->addWidget(edits[f], f, 1);
        for (int s = 0; s < 3; ++s) {
            auto *pair = new QVBoxLayout;
            pair->setSpacing(0);
            for (int up = 1; up >= 0; --up) {
                auto *b = new QToolButton(content);
                b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
                b->setFixedSize(30, 12);
                b->setToolTip(QStringLiteral("Изменить значение параметра на ")
                              + QString::fromUtf8(stepTexts[s]));
                b->setAccessibleName(b->toolTip());
                b->setObjectName(QStringLiteral("step%1_%2_%3").arg(f).arg(s).arg(up));
                QLineEdit *e = edits[f];
                const double st = steps[s];
                connect(b, &QToolButton::clicked, this, [this, e, st, up] { step(e, st, up); });
                pair->addWidget(b);
                m_steps[f][s][up] = b;
            }
            fields->addLayout(pair, f, 2 + s);
        }
    }
    for (int s = 0; s < 3; ++s) {
        auto *l = new QLabel(QString::fromUtf8(stepTexts[s]), content);
        l->setAlignment(Qt::AlignHCenter);
        fields->addWidget(l, 2, 2 + s);
    }
    fields->setColumnStretch(5, 1);

    auto *view = new QGroupBox(QStringLiteral("Просмотр"), content);
    auto *vl = new QVBoxLayout(view);
    vl->addWidget(m_preview);

    auto *objRow = new QHBoxLayout;
    objRow->addWidget(buddyLabel(QStringLiteral("Объект привязки:"), m_objects, content));
    objRow->addWidget(m_objects, 1);
    auto *right = new QVBoxLayout;
    right->addLayout(objRow);
    auto *pr = new QHBoxLayout;
    pr->addWidget(m_pointBox, 1);
    pr->addWidget(view);
    right->addLayout(pr);
    auto *top = new QHBoxLayout;
    top->addWidget(m_kindBox);
    top->addLayout(right, 1);
    auto *cl = new QVBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addLayout(top);
    cl->addLayout(fields);
    finishLayout(content, kHelpKoordMO);

    // Opening: without objects only absolute coordinates; otherwise the first object.
    CoordKind k = s_coordKind;
    if (snap.objects.empty()) {
        k = CoordKind::Absolute;
        m_kindBox->setEnabled(false);
    }
    if (k == CoordKind::RelativeToOther && !m_twoRows)
        k = CoordKind::Absolute;
    const int id = k == CoordKind::Absolute ? 0
                   : k == CoordKind::RelativeToOther ? 1
                                                     : (m_twoRows ? 2 : 1);
    m_kind->button(id)->setChecked(true);
    connect(m_kind, &QButtonGroup::idClicked, this, &ConductorCoordsDialog::kindChanged);
    connect(m_point, &QButtonGroup::idClicked, this, &ConductorCoordsDialog::fillFields);
    connect(m_objects, &QComboBox::currentIndexChanged, this, &ConductorCoordsDialog::fillFields);
    kindChanged();
}

CoordKind ConductorCoordsDialog::kind() const
{
    const int id = m_kind->checkedId();
    if (id == 0)
        return CoordKind::Absolute;
    if (m_twoRows && id == 1)
        return CoordKind::RelativeToOther;
    return CoordKind::RelativeToObject;
}

int ConductorCoordsDialog::objectKod() const
{
    const ObjectRec *o = objectNamed(m_objects->currentText());
    return o && o->Kod ? *o->Kod : -1;
}

AlignPoint ConductorCoordsDialog::point() const
{
    return static_cast<AlignPoint>(std::max(m_point->checkedId(), 0));
}

QToolButton *ConductorCoordsDialog::stepButton(int field, int step, bool up) const
{
    return m_steps[field][step][up ? 1 : 0];
}

void ConductorCoordsDialog::kindChanged()
{
    const bool toObject = kind() == CoordKind::RelativeToObject;
    m_objects->setEnabled(toObject);
    m_pointBox->setEnabled(toObject);
    m_fx->setSigned(kind() != CoordKind::Absolute);
    m_fy->setSigned(kind() != CoordKind::Absolute);
    fillFields();
}

void ConductorCoordsDialog::fillFields()
{
    const auto at = [&](std::size_t i) {
        const ConductorRec &c = m_snap.conductors[i];
        return PlanPoint{c.MX.value_or(0), c.MY.value_or(0)};
    };
    const std::size_t n = m_snap.conductors.size();
    if (n == 0)
        return;
    const std::size_t self = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, m_position)), n - 1);
    const std::size_t other = self == 0 ? std::min<std::size_t>(1, n - 1) : 0;
    const PlanPoint v = coordsOfConductor(kind(), at(self), at(other),
                                          objectNamed(m_objects->currentText()), point());
    m_x->setText(numberText(v.x));
    m_y->setText(numberText(v.y));
    updatePreview();
}

void ConductorCoordsDialog::updatePreview()
{
    const ObjectRec *o = objectNamed(m_objects->currentText());
    const QRectF obj(45, 35, 100, 70);
    const QPointF pts[5] = {obj.topLeft(), obj.topRight(), obj.bottomRight(), obj.bottomLeft(),
                            obj.center()};
    const QPointF p = pts[static_cast<int>(point()) % 5];
    m_preview->setItems({{obj, AlignPreview::storedColor(o ? o->ObjColor : std::nullopt),
                          QStringLiteral("Объект привязки")},
                         {QRectF(p.x() - 4, p.y() - 4, 8, 8), Qt::white,
                          QStringLiteral("Точка привязки"), true}});
}

void ConductorCoordsDialog::step(QLineEdit *edit, double st, bool up)
{
    const auto v = parseNumber(edit->text().toStdString());
    const double r = up ? coordStepUp(v, st)
                        : coordStepDown(v, st, kind() == CoordKind::Absolute);
    edit->setText(numberText(r));
}

void ConductorCoordsDialog::accept()
{
    for (QLineEdit *e : {m_x, m_y}) {
        if (!parseNumber(e->text().toStdString())) {
            m_prompter.error("Ошибочное значение для числового параметра.");
            e->setFocus();
            return;
        }
    }
    m_vx = *parseNumber(m_x->text().toStdString());
    m_vy = *parseNumber(m_y->text().toStdString());
    if (m_kindBox->isEnabled())
        s_coordKind = kind();
    s_coordPoint = m_point->checkedId();
    QDialog::accept();
}

// ---- Object to the conductor ---------------------------------------------------------------------

AlignObjectToConductorDialog::AlignObjectToConductorDialog(const ProjectSnapshot &snap,
                                                           int objectKod, int conductorColor,
                                                           QWidget *parent)
    : PositionDialog(snap, parent), m_objectKod(objectKod), m_conductorColor(conductorColor)
{
    setWindowTitle(QStringLiteral("Выравнивание объекта относительно молниеотвода."));
    auto *content = new QWidget(this);
    QGroupBox *points = radioGroup(QStringLiteral(" Совместить с молниеотводом точку объекта "),
                                   pointItems(kAlignPointCount), m_point);
    m_point->button(s_objToMoPoint)->setChecked(true);
    auto *view = new QGroupBox(QStringLiteral("Просмотр"), content);
    auto *vl = new QVBoxLayout(view);
    vl->addWidget(m_preview);
    vl->addStretch(1);
    auto *cl = new QHBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addWidget(points, 1);
    cl->addWidget(view);
    finishLayout(content, kHelpAlignObjToMO);
    connect(m_point, &QButtonGroup::idClicked, this, &AlignObjectToConductorDialog::update);
    update();
}

AlignPoint AlignObjectToConductorDialog::point() const
{
    return static_cast<AlignPoint>(std::max(m_point->checkedId(), 0));
}

void AlignObjectToConductorDialog::update()
{
    const ObjectRec *o = objectByKod(m_objectKod);
    m_ok->setEnabled(o != nullptr);
    // The object 70 × 50 moved so that its chosen point lies on the marker in the middle.
    const ObjectRec shape = [] {
        ObjectRec r;
        r.MXa = 0;
        r.MYa = 0;
        r.L = 70;
        r.S = 50;
        return r;
    }();
    const PlanPoint off = alignOffset(shape, point());
    const QPointF c(100, 75);
    m_preview->setItems({{QRectF(c.x() - off.x, c.y() - off.y, 70, 50),
                          AlignPreview::storedColor(o ? o->ObjColor : std::nullopt),
                          QStringLiteral("Выравниваемый объект ")},
                         {markerAt(c), AlignPreview::storedColor(m_conductorColor),
                          QStringLiteral("Молниеотвод")}});
}

void AlignObjectToConductorDialog::accept()
{
    s_objToMoPoint = m_point->checkedId();
    if (!m_ok->isEnabled())
        return;
    QDialog::accept();
}

// ---- Object to another object --------------------------------------------------------------------

AlignObjectToObjectDialog::AlignObjectToObjectDialog(const ProjectSnapshot &snap, int objectKod,
                                                     QWidget *parent)
    : PositionDialog(snap, parent), m_objectKod(objectKod)
{
    setWindowTitle(QStringLiteral("Выравнивание объекта относительно другого объекта."));
    auto *content = new QWidget(this);
    const ObjectRec *self = objectByKod(objectKod);
    const std::string selfName = self ? self->Name.value_or("") : std::string();
    m_name = new QLineEdit(QString::fromStdString(selfName), content);
    m_name->setObjectName(QStringLiteral("editAligned"));
    m_name->setReadOnly(true);
    m_objects = new QComboBox(content);
    m_objects->setObjectName(QStringLiteral("cmbObject"));
    for (const ObjectRec &o : snap.objects) {
        const std::string n = o.Name.value_or("");
        if (n != selfName && m_objects->findText(QString::fromStdString(n)) < 0)
            m_objects->addItem(QString::fromStdString(n));
    }
    QGroupBox *pg = radioGroup(QStringLiteral(" Точка выравниваемого объекта "),
                               pointItems(kAlignPointCount), m_p);
    QGroupBox *qg = radioGroup(QStringLiteral(" Точка объекта привязки "),
                               pointItems(kAlignPointCount), m_q);
    m_p->button(s_objToObjP)->setChecked(true);
    m_q->button(s_objToObjQ)->setChecked(true);
    auto *view = new QGroupBox(QStringLiteral("Просмотр"), content);
    auto *vl = new QVBoxLayout(view);
    vl->addWidget(m_preview);
    vl->addStretch(1);

    auto *names = new QGridLayout;
    names->addWidget(buddyLabel(QStringLiteral("Выравниваемый объект:"), m_name, content), 0, 0);
    names->addWidget(m_name, 0, 1);
    names->addWidget(buddyLabel(QStringLiteral("Объект привязки:"), m_objects, content), 1, 0);
    names->addWidget(m_objects, 1, 1);
    names->setColumnStretch(1, 1);
    auto *groups = new QHBoxLayout;
    groups->addWidget(pg);
    groups->addWidget(qg);
    groups->addWidget(view);
    auto *cl = new QVBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addLayout(names);
    cl->addLayout(groups);
    finishLayout(content, kHelpAlignObjToObj);
    connect(m_p, &QButtonGroup::idClicked, this, &AlignObjectToObjectDialog::update);
    connect(m_q, &QButtonGroup::idClicked, this, &AlignObjectToObjectDialog::update);
    connect(m_objects, &QComboBox::currentIndexChanged, this, &AlignObjectToObjectDialog::update);
    update();
}

int AlignObjectToObjectDialog::bindingKod() const
{
    const ObjectRec *o = objectNamed(m_objects->currentText());
    return o && o->Kod && m_objects->count() > 0 ? *o->Kod : -1;
}

AlignPoint AlignObjectToObjectDialog::pointOfAligned() const
{
    return static_cast<AlignPoint>(std::max(m_p->checkedId(), 0));
}

AlignPoint AlignObjectToObjectDialog::pointOfBinding() const
{
    return static_cast<AlignPoint>(std::max(m_q->checkedId(), 0));
}

void AlignObjectToObjectDialog::update()
{
    const ObjectRec *self = objectByKod(m_objectKod);
    const ObjectRec *binding = objectNamed(m_objects->currentText());
    m_ok->setEnabled(self && bindingKod() >= 0);
    // The binding object 70 × 50 in the middle, the aligned one 40 × 30 on its chosen point.
    ObjectRec b, a;
    b.MXa = 65;
    b.MYa = 50;
    b.L = 70;
    b.S = 50;
    a.MXa = 0;
    a.MYa = 0;
    a.L = 40;
    a.S = 30;
    const PlanPoint q = alignPointOf(b, pointOfBinding());
    const PlanPoint off = alignOffset(a, pointOfAligned());
    m_preview->setItems(
        {{QRectF(65, 50, 70, 50),
          AlignPreview::storedColor(binding ? binding->ObjColor : std::nullopt),
          QStringLiteral("Объект выравнивания")},
         {QRectF(q.x - off.x, q.y - off.y, 40, 30),
          AlignPreview::storedColor(self ? self->ObjColor : std::nullopt),
          QStringLiteral("Выравниваемый объект")}});
}

void AlignObjectToObjectDialog::accept()
{
    s_objToObjP = m_p->checkedId();
    s_objToObjQ = m_q->checkedId();
    if (!m_ok->isEnabled())
        return;
    QDialog::accept();
}

} // namespace kv
