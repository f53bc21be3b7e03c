#include "dict/settingswindow.h"

#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/prompter.h"
#include "data/settingsops.h"
#include "data/snapshot.h"
#include "widgets/buddylabel.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/helpwindow.h"
#include "widgets/numerickeys.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kv {

namespace {

const char *const kStyles[] = {"сплошная", "штриховая", "пунктирная", "штрих - пунктирная",
                               "штрих - два пунктира"};
const char *const kSolid = "сплошная";
// The style and width fields of the three line groups, in the order of SettingsWindow::Line.
OptS SettingsRec::*const kLineStyle[3] = {&SettingsRec::PodLineStyle, &SettingsRec::SelLineStyle,
                                     &SettingsRec::GridLineStyle};
OptI SettingsRec::*const kLineWidth[3] = {&SettingsRec::PodLineWidth, &SettingsRec::SelLineWidth,
                                     &SettingsRec::GridLineWidth};

QColor colorOf(int rgb) { return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff); }
int rgbOf(const QColor &c) { return c.red() + 256 * c.green() + 65536 * c.blue(); }

// Selects the item with this text, adding it when a stored value is not among the offered ones.
void showText(QComboBox *box, const QString &text)
{
    int i = box->findText(text);
    if (i < 0 && !text.isEmpty()) {
        box->addItem(text);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}

QComboBox *listBox(QWidget *parent, const QStringList &items, const char *name)
{
    auto *b = new QComboBox(parent);
    b->addItems(items);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

SettingsWindow::SettingsWindow(DataModule &dm, QWidget *parent)
    : DictWindow(dm.prompter(), parent), m_dm(dm)
{
    setWindowTitle(QStringLiteral("Параметры программы."));
    m_rec = m_original = loadSettings(dm);
    m_pickColor = [](const QColor &initial, QWidget *p) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, p);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(makeGeneralTab(), QStringLiteral("Общие"));
    m_tabs->addTab(makeCalcTab(dm), QStringLiteral("Расчеты"));
    m_tabs->addTab(makeGraphicsTab(), QStringLiteral("Графика"));

    m_save = new QPushButton(QStringLiteral("Сохранить"), this);
    m_save->setObjectName(QStringLiteral("btnSave"));
    m_save->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(m_save, &QPushButton::clicked, this, &SettingsWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(makeButtonRow(kHelpSettings, {m_save, cancel}));
    showRec();
}

QWidget *SettingsWindow::makeGeneralTab()
{
    auto *w = new QWidget(this);
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_objShag = listBox(w, {"0,01", "0,05", "0,1", "0,25", "0,5", "1"}, "cmbObjShag");
    m_scaleShag = listBox(w, {"1", "10", "50", "100"}, "cmbScaleShag");
    for (QComboBox *b : {m_objShag, m_scaleShag})
        b->setMinimumWidth(90);
    form->addRow(QStringLiteral("Интервал невидимой сетки, м:"), m_objShag);
    form->addRow(QStringLiteral("Шаг изменения масштаба:"), m_scaleShag);
    connect(m_objShag, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        if (!m_showing)
            m_rec.ObjShag = parseNumber(t.toStdString());
    });
    connect(m_scaleShag, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        if (!m_showing)
            m_rec.ScaleShag = t.toInt();
    });
    m_viewParRep = new QCheckBox(QStringLiteral("Перед экспортом отчета в документ MS Word "
                                                "активизировать диалог \"Параметры отчета\""),
                                 w);
    m_autoName = new QCheckBox(
        QStringLiteral("Автоматически формировать справочник наименований объектов"), w);
    m_useKlav = new QCheckBox(QStringLiteral("Использовать клавиатуру для перемещения "
                                             "молниеотвода и объектов (влево, вверх, вправо, "
                                             "вниз)"),
                              w);
    m_viewParRep->setObjectName(QStringLiteral("chkViewParRepForm"));
    m_autoName->setObjectName(QStringLiteral("chkAutoCreateObjName"));
    m_useKlav->setObjectName(QStringLiteral("chkUseKlav"));
    const std::pair<QCheckBox *, OptB SettingsRec::*> boxes[] = {
        {m_viewParRep, &SettingsRec::ViewParRepForm},
        {m_autoName, &SettingsRec::AutoCreateObjName},
        {m_useKlav, &SettingsRec::UseKlav}};
    for (auto [box, field] : boxes)
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!m_showing)
                m_rec.*field = on;
        });
    auto *lay = new QVBoxLayout(w);
    lay->addLayout(form);
    lay->addSpacing(8);
    lay->addWidget(m_viewParRep);
    lay->addWidget(m_autoName);
    lay->addWidget(m_useKlav);
    lay->addStretch(1);
    return w;
}

QWidget *SettingsWindow::makeCalcTab(DataModule &dm)
{
    auto *w = new QWidget(this);
    m_calcTabs = new QTabWidget(w);

    // The cable-sag table.
    auto *sag = new QWidget(m_calcTabs);
    Table &sp = dm.table(TableId::SProves);
    watchTable(&sp);
    using N = DbNavigator;
    m_sagNav = new DbNavigator(sp, m_prompter,
                               N::mask({N::Insert, N::Delete, N::Edit, N::Post, N::Cancel,
                                        N::Refresh}),
                               sag);
    m_sagGrid = new DbGrid(sp, {{"Lot", {}}, {"Ldo", {}}, {"F", {}}}, m_prompter, sag);
    m_sagGrid->setObjectName(QStringLiteral("gridSag"));
    m_sagGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_sagGrid->bindNavigator(m_sagNav);
    m_sagNav->setConfirmDelete(true);
    auto *help = new QGroupBox(QStringLiteral(" Справка "), sag);
    auto *hl = new QVBoxLayout(help);
    for (const char *t : {"Минимум, м - минимальное расстояние между опорами, м (в диапазон не "
                          "включается)",
                          "Максимум, м - максимальное расстояние между опорами, м (в диапазон "
                          "включается)",
                          "Стрела, м - стрела провеса троса, м"}) {
        auto *l = new QLabel(QString::fromUtf8(t), help);
        l->setWordWrap(true);
        hl->addWidget(l);
    }
    auto *sl = new QVBoxLayout(sag);
    sl->addWidget(
        new QLabel(QStringLiteral("Таблица стрел провеса троса одиночного тросового молниеотвода."),
                   sag));
    sl->addWidget(m_sagNav);
    sl->addWidget(m_sagGrid, 1);
    sl->addWidget(help);

    // The double-rod limits: each typed once, shown read-only where it bounds the next range.
    auto *dbl = new QWidget(m_calcTabs);
    m_msgUseAs2 = new QCheckBox(QStringLiteral("Выводить сообщение при использовании двойного "
                                               "стержневого молниеотвода как двух одиночных "
                                               "стержневых молниеотводов"),
                                dbl);
    m_msgUseAs2->setObjectName(QStringLiteral("chkMsgUseAs2"));
    connect(m_msgUseAs2, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            m_rec.ChkMsgUseAs2 = on;
    });
    static const char *const names[5] = {"editA1", "editA2", "editA3", "editB1", "editB2"};
    for (int i = 0; i < 5; ++i) {
        m_limit[i] = new QLineEdit(dbl);
        m_limit[i]->setObjectName(QString::fromLatin1(names[i]));
        m_limit[i]->setFixedWidth(56);
        NumericKeyFilter::install(m_limit[i], false);
        m_limitCopy[i] = new QLabel(dbl);
        m_limitCopy[i]->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("Copy"));
        m_limitCopy[i]->setFrameShape(QFrame::StyledPanel);
        m_limitCopy[i]->setFixedSize(56, m_limit[i]->sizeHint().height());
        m_limitCopy[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(m_limit[i], &QLineEdit::textChanged, m_limitCopy[i], &QLabel::setText);
    }
    const char *const noLowering = "Высота зоны защиты над землей в середине между "
                                   "молниеотводами не имеет снижения при:";
    const char *const asSingles = "Рассматривать оба стержневых молниеотвода  как одиночные при:";
    // One band: its text, then "L <= [x] H", "[a] H < L <= [x] H" or "L > [a] H".
    const auto band = [&](QGridLayout *g, int row, const char *text, int lower, int upper) {
        auto *l = new QLabel(QString::fromUtf8(text));
        l->setWordWrap(true);
        g->addWidget(l, row, 0);
        auto *cond = new QHBoxLayout;
        if (lower >= 0) {
            cond->addWidget(m_limitCopy[lower]);
            cond->addWidget(new QLabel(upper >= 0 ? QStringLiteral("H < L <= ")
                                                  : QStringLiteral("H")));
        }
        if (upper >= 0) {
            if (lower < 0)
                cond->addWidget(new QLabel(QStringLiteral("L <= ")));
            cond->addWidget(m_limit[upper]);
            l->setBuddy(m_limit[upper]);
            cond->addWidget(new QLabel(QStringLiteral("H")));
        }
        cond->addStretch(1);
        g->addLayout(cond, row, 1);
    };
    auto *groupA = new QGroupBox(QStringLiteral(" Тип зоны защиты А "), dbl);
    auto *ga = new QGridLayout(groupA);
    band(ga, 0, noLowering, -1, 0);
    band(ga, 1,
         "Высота зоны защиты над землей в середине между молниеотводами имеет снижение при "
         "(диапазон 1):",
         0, 1);
    band(ga, 2,
         "Высота зоны защиты над землей в середине между молниеотводами имеет снижение при "
         "(диапазон 2):",
         1, 2);
    // "L > A3 H": the copy after its "L > ".
    {
        auto *l = new QLabel(QString::fromUtf8(asSingles));
        l->setWordWrap(true);
        ga->addWidget(l, 3, 0);
        auto *cond = new QHBoxLayout;
        cond->addWidget(new QLabel(QStringLiteral("L > ")));
        cond->addWidget(m_limitCopy[2]);
        cond->addWidget(new QLabel(QStringLiteral("H")));
        cond->addStretch(1);
        ga->addLayout(cond, 3, 1);
    }
    auto *groupB = new QGroupBox(QStringLiteral(" Тип зоны защиты Б "), dbl);
    auto *gb = new QGridLayout(groupB);
    band(gb, 0, noLowering, -1, 3);
    band(gb, 1, "Высота зоны защиты над землей в середине между молниеотводами имеет снижение при:",
         3, 4);
    {
        auto *l = new QLabel(QString::fromUtf8(asSingles));
        l->setWordWrap(true);
        gb->addWidget(l, 2, 0);
        auto *cond = new QHBoxLayout;
        cond->addWidget(new QLabel(QStringLiteral("L > ")));
        cond->addWidget(m_limitCopy[4]);
        cond->addWidget(new QLabel(QStringLiteral("H")));
        cond->addStretch(1);
        gb->addLayout(cond, 2, 1);
    }
    for (QGridLayout *g : {ga, gb}) {
        g->setColumnStretch(0, 1);
        g->setColumnMinimumWidth(1, 190);
    }
    auto *dl = new QVBoxLayout(dbl);
    dl->addWidget(m_msgUseAs2);
    dl->addWidget(groupA);
    dl->addWidget(groupB);
    auto *note = new QLabel(
        QStringLiteral("Примечание: L - расстояние между молниеотводами; Н - высота молниеотводов."),
        dbl);
    note->setWordWrap(true);
    dl->addWidget(note);
    dl->addStretch(1);

    m_calcTabs->addTab(sag, QStringLiteral("Одиночный тросовый молниеотвод"));
    m_calcTabs->addTab(dbl, QStringLiteral("Двойной стержневой молниеотвод"));
    auto *lay = new QVBoxLayout(w);
    lay->addWidget(m_calcTabs);
    return w;
}

QWidget *SettingsWindow::makeGraphicsTab()
{
    auto *w = new QWidget(this);
    QStringList widths;
    for (int i = 1; i <= 10; ++i)
        widths << QString::number(i);
    QStringList styles;
    for (const char *s : kStyles)
        styles << QString::fromUtf8(s);
    static const char *const titles[3] = {"Линии зон защиты при ориентировочном подборе молниеотвода",
                                          "Линии зон защиты при выборе молниеотвода",
                                          "Линии координатной сетки"};
    auto *lay = new QVBoxLayout(w);
    for (int l = 0; l < 3; ++l) {
        auto *g = new QGroupBox(QString::fromUtf8(titles[l]), w);
        auto *gl = new QHBoxLayout(g);
        m_width[l] = listBox(g, widths, "cmbWidth");
        m_width[l]->setObjectName(QStringLiteral("cmbWidth%1").arg(l));
        m_style[l] = listBox(g, styles, "cmbStyle");
        m_style[l]->setObjectName(QStringLiteral("cmbStyle%1").arg(l));
        m_style[l]->setMinimumWidth(170);
        gl->addWidget(buddyLabel(QStringLiteral("Ширина, мм:"), m_width[l], g));
        gl->addWidget(m_width[l]);
        gl->addSpacing(12);
        gl->addWidget(buddyLabel(QStringLiteral("Стиль:"), m_style[l], g));
        gl->addWidget(m_style[l]);
        const auto line = static_cast<Line>(l);
        connect(m_style[l], &QComboBox::activated, this, [this, line] { styleChosen(line); });
        connect(m_width[l], &QComboBox::activated, this, [this, line] { widthChosen(line); });
        if (l == GridLine) {
            gl->addSpacing(12);
            addColorRow(gl, g, false);
        }
        gl->addStretch(1);
        lay->addWidget(g);
    }
    auto *g = new QGroupBox(QStringLiteral("Молниеотвод"), w);
    auto *gl = new QHBoxLayout(g);
    addColorRow(gl, g, true);
    gl->addSpacing(24);
    m_sizeMO = listBox(g, {"4", "6", "8", "10", "12", "14", "16", "18", "20"}, "cmbSizeMO");
    gl->addWidget(buddyLabel(QStringLiteral("Размер стороны квадрата, пикселей:"), m_sizeMO, g));
    connect(m_sizeMO, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        if (!m_showing)
            m_rec.SizeMO = t.toInt();
    });
    gl->addWidget(m_sizeMO);
    gl->addStretch(1);
    lay->addWidget(g);
    lay->addStretch(1);
    return w;
}

void SettingsWindow::addColorRow(QHBoxLayout *row, QWidget *parent, bool conductor)
{
    row->addWidget(new QLabel(QStringLiteral("Цвет:"), parent));
    auto *swatch = new QFrame(parent);
    swatch->setObjectName(conductor ? QStringLiteral("moSwatch") : QStringLiteral("gridSwatch"));
    swatch->setFixedSize(40, 20);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    row->addWidget(swatch);
    auto *button = new QPushButton(QStringLiteral("Изменить..."), parent);
    button->setObjectName(conductor ? QStringLiteral("btnMOColor") : QStringLiteral("btnGridColor"));
    connect(button, &QPushButton::clicked, this, [this, conductor] { pickColor(conductor); });
    row->addWidget(button);
    (conductor ? m_moSwatch : m_gridSwatch) = swatch;
    (conductor ? m_moColorBtn : m_gridColorBtn) = button;
}

void SettingsWindow::setSwatch(QFrame *swatch, int rgb)
{
    QPalette p = swatch->palette();
    p.setColor(QPalette::Window, colorOf(rgb));
    swatch->setPalette(p);
}

void SettingsWindow::showRec()
{
    m_showing = true;
    const SettingsRec &r = m_rec;
    showText(m_objShag, QString::fromStdString(formatGeneral(r.ObjShag.value_or(1.0))));
    showText(m_scaleShag, QString::number(r.ScaleShag.value_or(100)));
    m_viewParRep->setChecked(r.ViewParRepForm.value_or(false));
    m_autoName->setChecked(r.AutoCreateObjName.value_or(false));
    m_useKlav->setChecked(r.UseKlav.value_or(false));
    m_msgUseAs2->setChecked(r.ChkMsgUseAs2.value_or(false));
    const OptD limits[5] = {r.A1, r.A2, r.A3, r.B1, r.B2};
    for (int i = 0; i < 5; ++i)
        m_limit[i]->setText(limits[i] ? QString::fromStdString(formatGeneral(*limits[i]))
                                      : QString());
    for (int l = 0; l < 3; ++l) {
        const OptI &w = r.*kLineWidth[l];
        showText(m_width[l], w ? QString::number(*w) : QStringLiteral("1"));
        showText(m_style[l], QString::fromStdString((r.*kLineStyle[l]).value_or(kSolid)));
    }
    // An empty conductor colour shows red, an empty grid colour black.
    setSwatch(m_moSwatch, r.MOColor.value_or(255));
    setSwatch(m_gridSwatch, r.GridLineColor.value_or(0));
    showText(m_sizeMO, QString::number(r.SizeMO.value_or(10)));
    m_showing = false;
}

void SettingsWindow::styleChosen(Line l)
{
    const std::string s = m_style[l]->currentText().toStdString();
    m_rec.*kLineStyle[l] = s;
    // A broken line is drawn one unit wide only.
    if (s != kSolid) {
        m_rec.*kLineWidth[l] = 1;
        m_showing = true;
        showText(m_width[l], QStringLiteral("1"));
        m_showing = false;
    }
}

void SettingsWindow::widthChosen(Line l)
{
    const int w = m_width[l]->currentText().toInt();
    m_rec.*kLineWidth[l] = w;
    // A wide line is solid: the list shows it and the row stores it, so what is saved is what
    // the window showed.
    if (w != 1) {
        m_rec.*kLineStyle[l] = std::string(kSolid);
        m_showing = true;
        showText(m_style[l], QString::fromUtf8(kSolid));
        m_showing = false;
    }
}

void SettingsWindow::pickColor(bool conductor)
{
    const int current = conductor ? m_rec.MOColor.value_or(255) : m_rec.GridLineColor.value_or(0);
    const auto c = m_pickColor(colorOf(current), this);
    if (!c)
        return;
    (conductor ? m_rec.MOColor : m_rec.GridLineColor) = rgbOf(*c);
    setSwatch(conductor ? m_moSwatch : m_gridSwatch, rgbOf(*c));
}

void SettingsWindow::accept()
{
    // The typed limits must be numbers; then their order must make the bands meaningful.
    OptD SettingsRec::*limits[5] = {&SettingsRec::A1, &SettingsRec::A2, &SettingsRec::A3,
                                    &SettingsRec::B1, &SettingsRec::B2};
    for (int i = 0; i < 5; ++i) {
        const auto x = parseNumber(m_limit[i]->text().toStdString());
        if (!x) {
            m_prompter.error("Ошибочное значение для числового параметра.");
            m_tabs->setCurrentIndex(1);
            m_calcTabs->setCurrentIndex(1);
            m_limit[i]->setFocus();
            return;
        }
        m_rec.*limits[i] = *x;
    }
    if (const auto msg = checkDoubleRodLimits(m_rec)) {
        m_prompter.error(*msg);
        m_tabs->setCurrentIndex(1);
        m_calcTabs->setCurrentIndex(1);
        return;
    }
    try {
        saveSettings(m_dm, m_rec);
    } catch (const TableError &e) {
        m_prompter.error(e.what());
        return;
    }
    DictWindow::accept();
}

} // namespace kv
