#include "app/projectform.h"

#include "calc/valueranges.h"

#include "calc/numfmt.h"
#include "data/schema.h"
#include "widgets/arrowspinbox.h"
#include "widgets/buddylabel.h"
#include "widgets/dialogbuttons.h"
#include "widgets/helpwindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace kv {

ProjectForm::ProjectForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TProjForm"));
    setWindowTitle(QStringLiteral("Параметры проекта."));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("EditName"));
    m_name->setMaxLength(fieldSize(TableId::Project, "Name"));
    m_range = new QComboBox(this);
    m_range->setObjectName(QStringLiteral("ComboBox1"));
    m_range->setMinimumWidth(120);
    m_udarov = new QLineEdit(this);
    m_udarov->setObjectName(QStringLiteral("EditN"));
    m_udarov->setReadOnly(true);
    m_udarov->setFixedWidth(70);
    m_udarov->setAlignment(Qt::AlignRight);
    QPalette grey = m_udarov->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    m_udarov->setPalette(grey);
    m_owner = new QLineEdit(this);
    m_owner->setObjectName(QStringLiteral("EditOwner"));
    m_owner->setMaxLength(fieldSize(TableId::Project, "ProjOwner"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("dtpDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QStringLiteral("dtpTime"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    auto *typeBox = new QGroupBox(QStringLiteral("Тип молниеотвода "), this);
    typeBox->setObjectName(QStringLiteral("rdgTipMO"));
    auto *tv = new QVBoxLayout(typeBox);
    auto *group = new QButtonGroup(this);
    // The radio items in the dialog's own order: rod, catenary, double rod, multiple rod.
    const char *types[4] = {kTipSingleRod, kTipCable, kTipDoubleRod, kTipMultiRod};
    for (int i = 0; i < 4; ++i) {
        m_types[i] = new QRadioButton(QString::fromUtf8(types[i]), typeBox);
        group->addButton(m_types[i], i);
        tv->addWidget(m_types[i]);
    }
    m_types[0]->setChecked(true);

    m_scale = new ArrowSpinBox(this);
    m_scale->setObjectName(QStringLiteral("SpinEditScale"));
    m_scale->setRange(kMinPlanScale, kMaxPlanScale);
    m_scale->setSingleStep(100);
    m_scale->setValue(500);
    m_scale->setMinimumWidth(80);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo"));
    m_memo->setTabChangesFocus(true);
    m_memo->setMinimumHeight(60);

    // Short captions in a form; the two long thunderstorm captions on rows of their own width.
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(QStringLiteral("Наименование:"), m_name);
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(
        buddyLabel(QStringLiteral("Среднегодовая продолжительность гроз, час.:"), m_range, this));
    rangeRow->addWidget(m_range);
    rangeRow->addStretch(1);
    auto *nRow = new QHBoxLayout;
    nRow->addWidget(buddyLabel(
        QStringLiteral("Среднегодовое количество ударов молнии в 1 кв. км земной поверхности - n:"),
        m_udarov, this));
    nRow->addWidget(m_udarov);
    nRow->addStretch(1);
    auto *form2 = new QFormLayout;
    form2->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form2->addRow(QStringLiteral("Владелец:"), m_owner);
    auto *when = new QHBoxLayout;
    when->addWidget(m_date);
    when->addSpacing(16);
    when->addWidget(buddyLabel(QStringLiteral("Время создания:"), m_time, this));
    when->addWidget(m_time);
    when->addStretch(1);
    form2->addRow(buddyLabel(QStringLiteral("Дата создания:"), m_date, this), when);

    auto *scaleRow = new QHBoxLayout;
    scaleRow->addWidget(buddyLabel(QStringLiteral("Масштаб планов: 1 : "), m_scale, this));
    scaleRow->addWidget(m_scale);
    scaleRow->addStretch(1);

    const DialogButtons buttons = makeDialogButtons(this, kHelpProject);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    m_help = buttons.help;

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(rangeRow);
    lay->addLayout(nRow);
    lay->addLayout(form2);
    lay->addWidget(typeBox);
    lay->addLayout(scaleRow);
    lay->addWidget(buddyLabel(QStringLiteral("Примечание:"), m_memo, this));
    lay->addWidget(m_memo, 1);
    lay->addWidget(buttons.box);
    resize(473, 414);

    connect(m_range, &QComboBox::currentIndexChanged, this, &ProjectForm::rangeChanged);
}

void ProjectForm::setRanges(const std::vector<std::string> &items, UdarovLookup udarovOf)
{
    m_udarovOf = std::move(udarovOf);
    const QSignalBlocker block(m_range);
    m_range->clear();
    for (const auto &s : items)
        m_range->addItem(QString::fromStdString(s));
    m_range->setCurrentIndex(-1);
}

void ProjectForm::setScaleStep(int step) { m_scale->setSingleStep(step > 0 ? step : 100); }

void ProjectForm::setInput(const ProjectInput &in)
{
    m_name->setText(QString::fromStdString(in.name));
    m_udarov->setText(QString::fromStdString(in.udarovText));
    m_owner->setText(QString::fromStdString(in.owner));
    const QDate d = QDate::fromString(QString::fromStdString(in.date), Qt::ISODate);
    m_date->setDate(d.isValid() ? d : QDate::currentDate());
    const QTime t = QTime::fromString(QString::fromStdString(in.time), Qt::ISODate);
    m_time->setTime(t.isValid() ? t : QTime::currentTime());
    if (in.typeIndex >= 0 && in.typeIndex < 4)
        m_types[in.typeIndex]->setChecked(true);
    m_scale->setValue(in.scale);
    m_memo->setPlainText(QString::fromStdString(in.memo));
    {
        const QSignalBlocker block(m_range);
        m_range->setCurrentIndex(m_range->findText(QString::fromStdString(in.grozRange.value_or(std::string()))));
    }
    rangeChanged(m_range->currentIndex()); // the change rule runs once
}

// The strike density of the chosen row; without a matching row the box keeps its text.
void ProjectForm::rangeChanged(int index)
{
    if (index < 0 || !m_udarovOf)
        return;
    if (const auto n = m_udarovOf(m_range->itemText(index).toStdString()))
        m_udarov->setText(QString::fromStdString(formatGeneral(*n)));
}

ProjectInput ProjectForm::input() const
{
    ProjectInput in;
    in.name = m_name->text().toStdString();
    if (m_range->currentIndex() >= 0)
        in.grozRange = m_range->currentText().toStdString();
    in.udarovText = m_udarov->text().toStdString();
    in.owner = m_owner->text().toStdString();
    in.date = m_date->date().toString(Qt::ISODate).toStdString();
    in.time = m_time->time().toString(QStringLiteral("HH:mm:ss")).toStdString();
    for (int i = 0; i < 4; ++i)
        if (m_types[i]->isChecked())
            in.typeIndex = i;
    in.scale = m_scale->value();
    in.memo = m_memo->toPlainText().toStdString();
    return in;
}

} // namespace kv
