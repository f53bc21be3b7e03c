#include "app/heightmappanel.h"

#include "calc/numfmt.h"
#include "calc/stepper.h"
#include "data/prompter.h"
#include "placement/placementdriver.h"
#include "placement/placementpictures.h"
#include "widgets/buddylabel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

namespace {

QLabel *swatch(const QColor &c, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setFixedSize(14, 14);
    l->setStyleSheet(QStringLiteral("background:%1;border:1px solid black;").arg(c.name()));
    return l;
}

} // namespace

HeightMapPanel::HeightMapPanel(int side, bool complex, Prompter &prompter, QWidget *parent)
    : QFrame(parent), m_side(side), m_complex(complex), m_prompter(prompter)
{
    setObjectName(QStringLiteral("Панель карты высот молниеотвода"));
    setFrameShape(QFrame::StyledPanel);
    auto *lay = new QHBoxLayout(this);
    m_map = new QLabel(this);
    m_map->setObjectName(QStringLiteral("Карта высот молниеотвода"));
    m_map->setFixedSize(side + 4, side + 4);
    m_map->setAlignment(Qt::AlignCenter);
    m_map->setFrameShape(QFrame::Box);
    m_map->setMouseTracking(true);
    m_map->installEventFilter(this);
    lay->addWidget(m_map);

    auto *data = new QWidget(this);
    data->setObjectName(QStringLiteral("Панель данных"));
    auto *dl = new QVBoxLayout(data);
    dl->setContentsMargins(0, 0, 0, 0);
    auto group = [&](const QString &title, const QStringList &captions) {
        auto *g = new QGroupBox(title, data);
        auto *gl = new QGridLayout(g);
        gl->setContentsMargins(6, 4, 6, 4);
        for (int i = 0; i < captions.size(); ++i) {
            auto *e = new QLineEdit(g);
            gl->addWidget(buddyLabel(captions[i], e, g), i, 0);
            e->setReadOnly(true);
            e->setFixedWidth(70);
            gl->addWidget(e, i, 1);
            m_fields[title + captions[i]] = e;
        }
        dl->addWidget(g);
    };
    group(QStringLiteral(" Таблица "), {QStringLiteral("Номер столбца:"), QStringLiteral("Номер строки:")});
    if (complex) {
        group(QStringLiteral(" Опора 1 "), {QStringLiteral("Координата X, м:"), QStringLiteral("Координата Y, м:")});
        group(QStringLiteral(" Опора 2 "), {QStringLiteral("Координата X, м:"), QStringLiteral("Координата Y, м:")});
    } else {
        group(QStringLiteral(" Молниеотвод "), {QStringLiteral("Координата X, м:"), QStringLiteral("Координата Y, м:")});
    }
    group(QStringLiteral(" Высота молниеотвода "), {QStringLiteral("H, м:"), QStringLiteral("(H - Hмин) / Hмин * 100, %:")});

    auto *legend = new QGridLayout;
    legend->addWidget(swatch(Qt::red, data), 0, 0);
    m_factor = new QLineEdit(QStringLiteral("1"), data);
    legend->addWidget(buddyLabel(QStringLiteral("Н <= Hмин * "), m_factor, data), 0, 1);
    m_factor->setFixedWidth(44);
    m_factor->installEventFilter(this);
    legend->addWidget(m_factor, 0, 2);
    const QString h01 = QStringLiteral("Изменение значения параметра на 0,1");
    const QString h001 = QStringLiteral("Изменение значения параметра на 0,01");
    int col = 3;
    for (double step : {0.1, 0.01}) {
        auto *w = new QWidget(data);
        auto *wl = new QVBoxLayout(w);
        wl->setContentsMargins(0, 0, 0, 0);
        wl->setSpacing(0);
        for (bool up : {true, false}) {
            auto *b = new QToolButton(w);
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setToolTip(step == 0.1 ? h01 : h001);
            b->setAccessibleName(b->toolTip());
            b->setFixedSize(16, 11);
            connect(b, &QToolButton::clicked, this, [this, step, up] { stepFactor(step, up); });
            wl->addWidget(b);
        }
        legend->addWidget(w, 0, col++);
    }
    legend->addWidget(swatch(QColor(0, 255, 255), data), 1, 0);
    legend->addWidget(new QLabel(QStringLiteral("Поддиапазон исключения"), data), 1, 1, 1, 4);
    dl->addLayout(legend);
    dl->addStretch(1);
    lay->addWidget(data);
    connect(m_factor, &QLineEdit::textChanged, this, &HeightMapPanel::redraw);
}

void HeightMapPanel::setTable(const HeightTable *table)
{
    m_table = table;
    redraw();
}

std::optional<double> HeightMapPanel::factor() const
{
    return parseNumber(m_factor->text().toStdString());
}

void HeightMapPanel::redraw()
{
    if (!m_table || m_table->dataCols == 0 || m_table->dataRows == 0) {
        m_map->clear();
        return;
    }
    std::optional<double> k = factor();
    if (!k && isVisible()) {
        m_prompter.error("Ошибочное значение для числового параметра.");
        m_factor->setFocus();
    }
    m_map->setPixmap(QPixmap::fromImage(renderHeightMap(*m_table, m_side, k.value_or(0))));
}

void HeightMapPanel::stepFactor(double step, bool up)
{
    const std::optional<double> v = factor();
    const std::optional<double> r =
        up ? std::optional(stepUp(v, step)) : stepDown(v, step, StepFloor::MapFactor);
    if (r)
        m_factor->setText(QString::fromStdString(formatGeneral(*r)));
}

QString HeightMapPanel::fieldText(const QString &caption) const
{
    for (const auto &[k, e] : m_fields)
        if (k.endsWith(caption))
            return e->text();
    return {};
}

void HeightMapPanel::showCellAt(QPoint pixel)
{
    if (!m_table)
        return;
    const auto cell = heightMapCellAt(*m_table, m_side, pixel);
    for (auto &[k, e] : m_fields)
        e->clear();
    if (!cell)
        return;
    const HeightTable &t = *m_table;
    const int h = t.headerCols();
    const int c = cell->x() + h, r = cell->y() + h;
    auto set = [this](const QString &key, const std::string &text) {
        m_fields[key]->setText(QString::fromStdString(text));
    };
    set(QStringLiteral(" Таблица Номер столбца:"), std::to_string(cell->x()));
    set(QStringLiteral(" Таблица Номер строки:"), std::to_string(cell->y()));
    const QString x = QStringLiteral("Координата X, м:"), y = QStringLiteral("Координата Y, м:");
    if (t.mode == TableMode::Both) {
        set(QStringLiteral(" Опора 1 ") + x, heightTableText(t, c, 0));
        set(QStringLiteral(" Опора 1 ") + y, heightTableText(t, c, 1));
        set(QStringLiteral(" Опора 2 ") + x, heightTableText(t, 0, r));
        set(QStringLiteral(" Опора 2 ") + y, heightTableText(t, 1, r));
    } else {
        const QString g = !m_complex                      ? QStringLiteral(" Молниеотвод ")
                          : t.mode == TableMode::Support2 ? QStringLiteral(" Опора 2 ")
                                                          : QStringLiteral(" Опора 1 ");
        set(g + x, heightTableText(t, c, 0));
        set(g + y, heightTableText(t, 0, r));
    }
    const double H = t.cell(cell->x(), cell->y());
    set(QStringLiteral(" Высота молниеотвода H, м:"), heightTableText(t, c, r));
    if (!std::isnan(H) && t.Hmin != 0)
        set(QStringLiteral(" Высота молниеотвода (H - Hмин) / Hмин * 100, %:"),
            format00((H - t.Hmin) / t.Hmin * 100));
}

bool HeightMapPanel::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_map && m_table && !m_map->pixmap().isNull() &&
        (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress)) {
        const QSize ps = m_map->pixmap().size();
        const QPoint origin((m_map->width() - ps.width()) / 2, (m_map->height() - ps.height()) / 2);
        const QPoint p = static_cast<QMouseEvent *>(e)->position().toPoint() - origin;
        showCellAt(p);
        if (e->type() == QEvent::MouseButtonPress) {
            if (const auto cell = heightMapCellAt(*m_table, m_side, p))
                emit cellChosen(cell->x() + m_table->headerCols(), cell->y() + m_table->headerCols());
        }
    }
    if (o == m_factor && e->type() == QEvent::FocusOut && m_complex && !factor()) {
        m_prompter.error("Ошибочное значение для числового параметра.");
        m_factor->setFocus();
    }
    return QFrame::eventFilter(o, e);
}

} // namespace kv
