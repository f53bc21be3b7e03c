#include "app/objectform.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "data/prompter.h"
#include "widgets/buddylabel.h"
#include "data/schema.h"
#include "widgets/dialogbuttons.h"
#include "widgets/dialogrunner.h"
#include "widgets/helpwindow.h"
#include "widgets/listchoice.h"
#include "widgets/numerickeys.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kClasses = 16;

QString num(const OptD &v) { return v ? QString::fromStdString(formatGeneral(*v)) : QString(); }

// The colour of a stored RGB integer (red in the low byte) and back.
QColor colourOf(int rgb) { return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff); }
int rgbOf(const QColor &c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

void selectItem(QComboBox *c, const QString &text)
{
    c->setCurrentIndex(c->findText(text));
}

} // namespace

ObjectForm::ObjectForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TObjForm"));
    setWindowTitle(QStringLiteral("Параметры объекта."));

    // Name, label and colour.
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("EditName"));
    // The boxes take no more than the stored fields hold.
    m_name->setMaxLength(fieldSize(TableId::Object, "Name"));
    m_select = new QPushButton(QStringLiteral("Выбор..."), this);
    m_select->setObjectName(QStringLiteral("btnSelect"));
    m_select->setToolTip(QStringLiteral("Выбор наименования объекта из справочника"));
    m_label = new QLineEdit(this);
    m_label->setObjectName(QStringLiteral("EditsLabel"));
    m_label->setMaxLength(fieldSize(TableId::Object, "SLabel"));
    m_label->setMaximumWidth(110);
    m_swatch = new QFrame(this);
    m_swatch->setObjectName(QStringLiteral("Shape1"));
    m_swatch->setFrameShape(QFrame::Box);
    m_swatch->setFixedSize(44, 22);
    m_swatch->setAutoFillBackground(true);
    m_colourButton = new QPushButton(QStringLiteral("Изменить..."), this);
    m_colourButton->setObjectName(QStringLiteral("btnColor"));
    m_colourButton->setToolTip(QStringLiteral("Изменить цвет объекта"));

    auto *top = new QGridLayout;
    top->addWidget(buddyLabel(QStringLiteral("Наименование:"), m_name, this), 0, 0);
    top->addWidget(m_name, 0, 1, 1, 4);
    top->addWidget(m_select, 0, 5);
    top->addWidget(buddyLabel(QStringLiteral("Метка:"), m_label, this), 1, 0);
    top->addWidget(m_label, 1, 1);
    top->addItem(new QSpacerItem(16, 1, QSizePolicy::Expanding), 1, 2);
    top->addWidget(new QLabel(QStringLiteral("Цвет объекта:"), this), 1, 3);
    auto *colourRow = new QHBoxLayout;
    colourRow->addWidget(m_swatch);
    colourRow->addStretch(1);
    top->addLayout(colourRow, 1, 4);
    top->addWidget(m_colourButton, 1, 5);
    top->setColumnStretch(2, 1);

    // Position and sizes, each number with its spin buttons.
    m_x = new QLineEdit(this);
    m_y = new QLineEdit(this);
    m_l = new QLineEdit(this);
    m_s = new QLineEdit(this);
    m_hx = new QLineEdit(this);
    const std::pair<QLineEdit *, const char *> names[] = {
        {m_x, "EditX"}, {m_y, "EditY"}, {m_l, "EditL"}, {m_s, "EditS"}, {m_hx, "EditHx"}};
    for (const auto &[e, n] : names) {
        e->setObjectName(QString::fromLatin1(n));
        e->setFixedWidth(70);
        e->setAlignment(Qt::AlignRight);
        e->installEventFilter(this);
    }
    auto *coords = new QGroupBox(QStringLiteral(" Координаты левого верхнего угла "), this);
    auto *cg = new QGridLayout(coords);
    cg->addWidget(buddyLabel(QStringLiteral("X - координата по горизонтали, м:"), m_x, coords), 0,
                  0);
    cg->addWidget(numberRow(ObjectField::X, coords), 0, 1);
    cg->addWidget(buddyLabel(QStringLiteral("Y - координата по вертикали, м:"), m_y, coords), 1, 0);
    cg->addWidget(numberRow(ObjectField::Y, coords), 1, 1);
    cg->setRowStretch(2, 1);
    auto *sizes = new QGroupBox(QStringLiteral(" Размеры объекта "), this);
    auto *sg = new QGridLayout(sizes);
    sg->addWidget(buddyLabel(QStringLiteral("L - длина, м:"), m_l, sizes), 0, 0);
    sg->addWidget(numberRow(ObjectField::L, sizes), 0, 1);
    sg->addWidget(buddyLabel(QStringLiteral("S - ширина, м:"), m_s, sizes), 1, 0);
    sg->addWidget(numberRow(ObjectField::S, sizes), 1, 1);
    sg->addWidget(buddyLabel(QStringLiteral("Нх - высота, м:"), m_hx, sizes), 2, 0);
    sg->addWidget(numberRow(ObjectField::Hx, sizes), 2, 1);
    auto *groups = new QHBoxLayout;
    groups->addWidget(coords, 3);
    groups->addWidget(sizes, 2);

    // N, category and zone.
    m_n = new QLineEdit(this);
    m_n->setObjectName(QStringLiteral("EditN"));
    m_n->setReadOnly(true);
    m_n->setFixedWidth(70);
    m_n->setAlignment(Qt::AlignRight);
    m_kateg = new QComboBox(this);
    m_kateg->setObjectName(QStringLiteral("ComboKateg"));
    m_kateg->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QString()});
    m_zona = new QComboBox(this);
    m_zona->setObjectName(QStringLiteral("ComboZona"));
    m_zona->addItems({QStringLiteral("А"), QStringLiteral("Б"), QString()});
    for (QComboBox *c : {m_kateg, m_zona})
        c->setMinimumWidth(60);
    auto *req = new QGridLayout;
    req->addWidget(
        buddyLabel(QStringLiteral("N - ожидаемое количество поражений молнией в год:"), m_n, this),
        0, 0);
    req->addWidget(m_n, 0, 1);
    req->addWidget(buddyLabel(QStringLiteral("Категория молниезащиты:"), m_kateg, this), 1, 0);
    req->addWidget(m_kateg, 1, 1);
    req->addWidget(buddyLabel(QStringLiteral("Тип зоны защиты:"), m_zona, this), 2, 0);
    req->addWidget(m_zona, 2, 1);
    req->setColumnStretch(2, 1);

    // The sixteen classes, each a radio button beside its text.
    m_classBox = new QScrollArea(this);
    m_classBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_classBox->setWidgetResizable(true);
    m_classBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *classes = new QWidget;
    auto *cl = new QGridLayout(classes);
    cl->setVerticalSpacing(2);
    for (int k = 1; k <= kClasses; ++k) {
        auto *r = new QRadioButton(QString::number(k), classes);
        r->setObjectName(QStringLiteral("RadioButton%1").arg(k));
        auto *t = new QLabel(classes);
        t->setWordWrap(true);
        t->setFrameShape(QFrame::StyledPanel);
        t->setTextInteractionFlags(Qt::NoTextInteraction);
        t->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        t->setContentsMargins(3, 2, 3, 2);
        t->installEventFilter(this);
        cl->addWidget(r, k - 1, 0, Qt::AlignTop);
        cl->addWidget(t, k - 1, 1);
        m_classButtons << r;
        m_classTexts << t;
        connect(r, &QRadioButton::clicked, this, [this, k] { classChosen(k); });
    }
    cl->setColumnStretch(1, 1);
    m_classBox->setWidget(classes);
    m_classBox->setMinimumHeight(120);

    m_memoTabs = new QTabWidget(this);
    m_memoN = new QPlainTextEdit(this);
    m_memoN->setObjectName(QStringLiteral("MemoN"));
    m_memoObos = new QPlainTextEdit(this);
    m_memoObos->setObjectName(QStringLiteral("MemoObos"));
    for (QPlainTextEdit *m : {m_memoN, m_memoObos}) {
        m->setReadOnly(true);
        m->setMinimumHeight(60);
    }
    m_memoTabs->addTab(m_memoN, QStringLiteral("Расчет N"));
    m_memoTabs->addTab(m_memoObos, QStringLiteral("Обоснование типа зоны и категории"));
    m_memoTabs->setMaximumHeight(110);

    const DialogButtons buttons = makeDialogButtons(this, kHelpObject);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    m_help = buttons.help;
    connect(m_select, &QPushButton::clicked, this, &ObjectForm::chooseName);
    connect(m_colourButton, &QPushButton::clicked, this, &ObjectForm::chooseColour);
    for (QLineEdit *e : {m_l, m_s, m_hx})
        connect(e, &QLineEdit::textChanged, this, &ObjectForm::sizeEdited);

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addLayout(groups);
    lay->addLayout(req);
    lay->addWidget(new QLabel(QStringLiteral("Классы зданий и сооружений:"), this));
    lay->addWidget(m_classBox, 1);
    lay->addWidget(m_memoTabs);
    lay->addWidget(buttons.box);
    resize(596, 560);
    setColour(0);
}

// An edit box with three pairs of up/down buttons (steps 1, 0.1 and 0.01).
QWidget *ObjectForm::numberRow(ObjectField f, QWidget *parent)
{
    auto *w = new QWidget(parent);
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    h->addWidget(edit(f));
    const std::pair<double, const char *> steps[] = {
        {1.0, "Изменить значение параметра на 1"},
        {0.1, "Изменить значение параметра на 0,1"},
        {0.01, "Изменить значение параметра на 0,01"}};
    for (const auto &[step, hint] : steps) {
        auto *pair = new QVBoxLayout;
        pair->setSpacing(0);
        for (bool up : {true, false}) {
            auto *b = new QToolButton(w);
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setFixedSize(16, 11);
            b->setToolTip(QString::fromUtf8(hint));
            b->setAccessibleName(b->toolTip());
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            b->setObjectName(QStringLiteral("%1%2%3")
                                 .arg(edit(f)->objectName(), up ? QStringLiteral("Up")
                                                                : QStringLiteral("Down"))
                                 .arg(step == 1.0 ? 1 : step == 0.1 ? 2 : 3));
            const double s = step;
            connect(b, &QToolButton::clicked, this, [this, f, s, up] { stepField(f, s, up); });
            pair->addWidget(b);
        }
        h->addLayout(pair);
    }
    h->addStretch(1);
    return w;
}

QLineEdit *ObjectForm::edit(ObjectField f) const
{
    switch (f) {
    case ObjectField::Name: return m_name;
    case ObjectField::Label: return m_label;
    case ObjectField::X: return m_x;
    case ObjectField::Y: return m_y;
    case ObjectField::L: return m_l;
    case ObjectField::S: return m_s;
    case ObjectField::Hx: return m_hx;
    default: return nullptr;
    }
}

void ObjectForm::setProject(int T, double n)
{
    const int k = m_calc.buildingClass();
    m_calc = ObjectDialogCalc(T, n);
    m_calc.setBuildingClass(k);
}

void ObjectForm::setClassTexts(const QStringList &texts)
{
    for (int k = 0; k < kClasses; ++k)
        m_classTexts[k]->setText(k < texts.size() ? texts[k] : QString());
}

void ObjectForm::setColour(int rgb)
{
    m_colour = rgb;
    QPalette p = m_swatch->palette();
    p.setColor(QPalette::Window, colourOf(rgb));
    m_swatch->setPalette(p);
}

void ObjectForm::setValues(const ObjectRec &rec)
{
    m_filling = true;
    m_name->setText(QString::fromStdString(rec.Name.value_or("")));
    m_label->setText(QString::fromStdString(rec.SLabel.value_or("")));
    setColour(rec.ObjColor.value_or(0));
    m_x->setText(num(rec.MXa));
    m_y->setText(num(rec.MYa));
    m_l->setText(num(rec.L));
    m_s->setText(num(rec.S));
    m_hx->setText(num(rec.Hx));
    m_n->setText(num(rec.N));
    selectItem(m_kateg, rec.Kateg ? QString::number(*rec.Kateg) : QString());
    selectItem(m_zona, QString::fromStdString(rec.Zona.value_or("")));
    m_calc.setBuildingClass(rec.Tip.value_or(1));
    m_memoN->clear();
    m_memoObos->clear();
    m_filling = false;

    // Activation: the class of the row checked and at the top of the box, N and the rule again.
    const int k = m_calc.buildingClass();
    for (int i = 0; i < kClasses; ++i)
        m_classButtons[i]->setChecked(i + 1 == k);
    scrollClassIntoView();
    toCalc();
    report(m_calc.activate());
    fromCalc();
}

void ObjectForm::toCalc()
{
    m_calc.name = m_name->text().toStdString();
    m_calc.label = m_label->text().toStdString();
    m_calc.x = m_x->text().toStdString();
    m_calc.y = m_y->text().toStdString();
    m_calc.L = m_l->text().toStdString();
    m_calc.S = m_s->text().toStdString();
    m_calc.Hx = m_hx->text().toStdString();
    m_calc.N = m_n->text().toStdString();
    m_calc.kateg = m_kateg->currentText().toStdString();
    m_calc.zona = m_zona->currentText().toStdString();
}

void ObjectForm::fromCalc()
{
    m_filling = true;
    m_n->setText(QString::fromStdString(m_calc.N));
    QStringList lines;
    for (const auto &l : m_calc.memoN)
        lines << QString::fromStdString(l);
    if (!m_calc.memoN.empty())
        m_memoN->setPlainText(lines.join(QLatin1Char('\n')));
    m_memoObos->setPlainText(QString::fromStdString(m_calc.memoObos));
    selectItem(m_kateg, QString::fromStdString(m_calc.kateg));
    selectItem(m_zona, QString::fromStdString(m_calc.zona));
    m_filling = false;
}

// A conversion error of the evaluation: its message, and the focus into the box.
void ObjectForm::report(const std::optional<DialogError> &e)
{
    if (!e)
        return;
    if (m_prompter)
        m_prompter->error(e->message);
    if (QLineEdit *box = edit(e->focus))
        box->setFocus();
}

void ObjectForm::sizeEdited()
{
    if (m_filling)
        return;
    toCalc();
    const auto e = m_calc.sizeChanged();
    // A box emptied while the user retypes it is not reported: the lists simply wait for a
    // number, and the OK check refuses an empty box in any case.
    const QLineEdit *box = e ? edit(e->focus) : nullptr;
    if (!(box && box->text().trimmed().isEmpty()))
        report(e);
    fromCalc();
}

void ObjectForm::classChosen(int k)
{
    toCalc();
    report(m_calc.chooseClass(k));
    fromCalc();
}

QString ObjectForm::stepped(const QString &text, double step, bool up)
{
    const std::string t = text.trimmed().toStdString();
    if (t.empty())
        return QString::fromStdString(formatGeneral(step));
    const auto v = parseNumber(t);
    if (!v)
        return text;
    double r = *v;
    if (up)
        r = *v + step;
    else if (*v == 0)
        r = step;
    else if (*v > step)
        r = *v - step;
    return QString::fromStdString(formatGeneral(r));
}

void ObjectForm::stepField(ObjectField f, double step, bool up)
{
    if (QLineEdit *e = edit(f))
        e->setText(stepped(e->text(), step, up));
}

void ObjectForm::chooseName()
{
    ListChoice choice;
    choice.table = m_names;
    choice.dataField = "ObjName";
    choice.prompter = m_prompter;
    if (choice.execute(this))
        m_name->setText(choice.value);
}

void ObjectForm::chooseColour()
{
    QColorDialog dlg(colourOf(m_colour), this);
    dlg.setWindowTitle(QStringLiteral("Цвет объекта"));
    if (runDialog(dlg) == QDialog::Accepted)
        setColour(rgbOf(dlg.currentColor()));
}

void ObjectForm::scrollClassIntoView()
{
    const int k = m_calc.buildingClass();
    if (k < 1 || k > kClasses)
        return;
    m_classBox->widget()->adjustSize();
    m_classBox->verticalScrollBar()->setValue(m_classButtons[k - 1]->y() - 2);
}

void ObjectForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    QTimer::singleShot(0, this, [this] { scrollClassIntoView(); });
}

void ObjectForm::accept()
{
    toCalc();
    ObjectDialogValues out;
    if (const auto e = m_calc.accept(out)) {
        if (m_prompter)
            m_prompter->error(e->message);
        if (QLineEdit *box = edit(e->focus))
            box->setFocus();
        else
            (e->focus == ObjectField::Kateg ? m_kateg : m_zona)->setFocus();
        return;
    }
    QDialog::accept();
}

ObjectRec ObjectForm::values() const
{
    ObjectDialogCalc calc = m_calc;
    calc.name = m_name->text().toStdString();
    calc.label = m_label->text().toStdString();
    calc.x = m_x->text().toStdString();
    calc.y = m_y->text().toStdString();
    calc.L = m_l->text().toStdString();
    calc.S = m_s->text().toStdString();
    calc.Hx = m_hx->text().toStdString();
    calc.N = m_n->text().toStdString();
    calc.kateg = m_kateg->currentText().toStdString();
    calc.zona = m_zona->currentText().toStdString();
    ObjectDialogValues v;
    ObjectRec r;
    if (calc.accept(v))
        return r;
    r.Name = v.name;
    r.SLabel = v.label;
    r.ObjColor = m_colour;
    r.Kateg = v.kateg;
    r.Zona = v.zona;
    r.MXa = v.x;
    r.MYa = v.y;
    r.L = v.L;
    r.S = v.S;
    r.Hx = v.Hx;
    r.N = v.N;
    r.Tip = v.buildingClass;
    r.STip = v.shapeKind;
    return r;
}

bool ObjectForm::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        // The numeric boxes take digits, the comma (or the point), Backspace and Tab.
        if (numberKeyPress(o, static_cast<QKeyEvent *>(e), false))
            return true;
    } else if (e->type() == QEvent::MouseButtonRelease) {
        // A click on a class text chooses that class.
        const auto i = m_classTexts.indexOf(qobject_cast<QLabel *>(o));
        if (i >= 0) {
            m_classButtons[i]->setChecked(true);
            classChosen(static_cast<int>(i) + 1);
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

} // namespace kv
