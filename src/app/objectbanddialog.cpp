#include "app/objectbanddialog.h"

#include "calc/numfmt.h"
#include "calc/stepper.h"
#include "data/prompter.h"
#include "widgets/buddylabel.h"
#include "widgets/numerickeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

QToolButton *arrow(Qt::ArrowType a, const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setArrowType(a);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFixedSize(18, 12);
    return b;
}

} // namespace

ObjectBandDialog::ObjectBandDialog(Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Выбор объекта."));
    auto *grid = new QGridLayout;
    m_object = new QComboBox(this);
    grid->addWidget(buddyLabel(QStringLiteral("Объект:"), m_object, this), 0, 0);
    m_object->setMinimumWidth(220);
    grid->addWidget(m_object, 0, 1, 1, 2);
    m_width = new QLineEdit(QStringLiteral("0"), this);
    grid->addWidget(buddyLabel(QStringLiteral("Ширина полосы вокруг объекта, м:"), m_width, this),
                    1, 0);
    m_width->installEventFilter(this);
    grid->addWidget(m_width, 1, 1);
    auto *arrows = new QWidget(this);
    auto *al = new QGridLayout(arrows);
    al->setContentsMargins(0, 0, 0, 0);
    al->setSpacing(0);
    const QString hint1 = QStringLiteral("Изменение значения параметра на 1");
    const QString hint01 = QStringLiteral("Изменение значения параметра на 0,1");
    auto *up1 = arrow(Qt::UpArrow, hint1, arrows), *down1 = arrow(Qt::DownArrow, hint1, arrows);
    auto *up01 = arrow(Qt::UpArrow, hint01, arrows),
         *down01 = arrow(Qt::DownArrow, hint01, arrows);
    al->addWidget(up1, 0, 0);
    al->addWidget(down1, 1, 0);
    al->addWidget(up01, 0, 1);
    al->addWidget(down01, 1, 1);
    grid->addWidget(arrows, 1, 2);
    connect(up1, &QToolButton::clicked, this, [this] { stepWidth(1, true); });
    connect(down1, &QToolButton::clicked, this, [this] { stepWidth(1, false); });
    connect(up01, &QToolButton::clicked, this, [this] { stepWidth(0.1, true); });
    connect(down01, &QToolButton::clicked, this, [this] { stepWidth(0.1, false); });

    m_group = new QGroupBox(QStringLiteral(" Включаются в поддиапазон исключения "), this);
    auto *gl = new QGridLayout(m_group);
    const char *texts[4] = {"левая граница", "правая граница", "верхняя граница",
                            "нижняя граница"};
    for (int i = 0; i < 4; ++i) {
        m_checks[static_cast<std::size_t>(i)] = new QCheckBox(QString::fromUtf8(texts[i]), m_group);
        m_checks[static_cast<std::size_t>(i)]->setChecked(true);
        gl->addWidget(m_checks[static_cast<std::size_t>(i)], i / 2, i % 2);
    }

    m_ok = new QPushButton(QStringLiteral("ОК"), this);
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    auto *help = new QPushButton(QStringLiteral("Справка..."), this);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addWidget(m_group);
    lay->addLayout(buttons);
    connect(m_width, &QLineEdit::textChanged, this, &ObjectBandDialog::updateOk);
    connect(m_object, &QComboBox::currentTextChanged, this, &ObjectBandDialog::updateOk);
    updateOk();
}

void ObjectBandDialog::prepare(const std::vector<std::string> &objectNames, bool forSubRange)
{
    m_object->clear();
    for (const std::string &n : objectNames)
        m_object->addItem(QString::fromStdString(n));
    m_object->setCurrentIndex(objectNames.empty() ? -1 : 0);
    m_group->setEnabled(forSubRange);
    updateOk();
}

std::string ObjectBandDialog::objectName() const { return m_object->currentText().toStdString(); }

double ObjectBandDialog::width() const
{
    return parseNumber(m_width->text().toStdString()).value_or(0);
}

std::array<bool, 4> ObjectBandDialog::flags() const
{
    return {m_checks[0]->isChecked(), m_checks[1]->isChecked(), m_checks[2]->isChecked(),
            m_checks[3]->isChecked()};
}

void ObjectBandDialog::stepWidth(double step, bool up)
{
    const std::optional<double> v = parseNumber(m_width->text().toStdString());
    const std::optional<double> r =
        up ? std::optional(stepUp(v, step)) : stepDown(v, step, StepFloor::BandWidth);
    if (r)
        m_width->setText(QString::fromStdString(formatGeneral(*r)));
}

void ObjectBandDialog::updateOk()
{
    m_ok->setEnabled(!m_width->text().isEmpty() && !m_object->currentText().isEmpty());
}

bool ObjectBandDialog::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_width && e->type() == QEvent::KeyPress) {
        if (numberKeyPress(o, static_cast<QKeyEvent *>(e), false))
            return true;
    }
    if (o == m_width && e->type() == QEvent::FocusOut && isVisible()) {
        if (!parseNumber(m_width->text().toStdString())) {
            m_prompter.error("Ошибочное значение для числового параметра.");
            m_width->setFocus();
        }
    }
    return QDialog::eventFilter(o, e);
}

} // namespace kv
