#include "app/openprojectform.h"

#include "data/datamodule.h"
#include "widgets/buddylabel.h"
#include "widgets/dialogbuttons.h"
#include "widgets/filtertabcontrol.h"
#include "widgets/helpwindow.h"
#include "widgets/tablemodel.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

// The date column in the user's short format (stored as YYYY-MM-DD).
class DateDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        const QDate d = QDate::fromString(value.toString(), Qt::ISODate);
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy"))
                           : QStyledItemDelegate::displayText(value, locale);
    }
};

QLineEdit *readOnlyField(QWidget *parent, const char *name, int width)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    e->setPalette(p);
    return e;
}

} // namespace

OpenProjectForm::OpenProjectForm(DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TOpenForm"));
    setWindowTitle(QStringLiteral("Открытие проекта."));

    Table &projects = dm.project();
    m_model = new TableModel(projects,
                             {{"Name", QStringLiteral("Наименование проекта")},
                              {"ProjOwner", QStringLiteral("Владелец")},
                              {"ProjDate", QStringLiteral("Дата")},
                              {"ProjTime", QStringLiteral("Время")},
                              {"TipMO", QStringLiteral("Тип молниеотвода")}},
                             this);
    m_model->setReadOnly(true);
    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setItemDelegateForColumn(2, new DateDelegate(m_grid));
    const int widths[] = {175, 87, 80, 64, 153};
    for (int c = 0; c < 5; ++c)
        m_grid->setColumnWidth(c, widths[c]);


    m_tabs = new FilterTabControl(this);
    m_tabs->setObjectName(QStringLiteral("viFilterTabControl1"));
    m_tabs->setWidget(m_grid);
    m_tabs->attach(projects, "Name");

    // The read-only views of the highlighted project.
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("ProjMemo"));
    m_memo->setReadOnly(true);
    m_memo->setMinimumWidth(160);
    m_min = readOnlyField(this, "ProdGrozMin", 50);
    m_max = readOnlyField(this, "ProdGrozMax", 50);
    m_udarov = readOnlyField(this, "Udarov", 60);
    m_zonaA = readOnlyField(this, "ZonaACnt", 50);
    m_zonaB = readOnlyField(this, "ZonaBCnt", 50);
    m_scale = readOnlyField(this, "IScale", 60);

    auto *memoBox = new QVBoxLayout;
    memoBox->addWidget(buddyLabel(QStringLiteral("Примечание"), m_memo, this));
    memoBox->addWidget(m_memo, 1);

    auto *hours = new QGridLayout;
    auto *hoursLabel =
        new QLabel(QStringLiteral("Среднегодовая продол-\nжительность гроз, час."), this);
    hours->addWidget(hoursLabel, 0, 0, 1, 5);
    hours->addWidget(buddyLabel(QStringLiteral("от"), m_min, this), 1, 0);
    hours->addWidget(m_min, 1, 1);
    hours->addWidget(buddyLabel(QStringLiteral("до"), m_max, this), 1, 2);
    hours->addWidget(m_max, 1, 3);
    auto *nLabel = new QLabel(QStringLiteral("Среднегодовое количество ударов молнии\n"
                                             "в 1 кв. км земной поверхности"),
                              this);
    nLabel->setBuddy(m_udarov);
    hours->addWidget(nLabel, 2, 0, 1, 5);
    hours->addWidget(m_udarov, 3, 1, 1, 2);
    hours->setColumnStretch(4, 1);
    hours->setRowStretch(4, 1);

    auto *zones = new QGroupBox(QStringLiteral(" Количество объектов по зонам защиты "), this);
    auto *zl = new QGridLayout(zones);
    zl->addWidget(buddyLabel(QStringLiteral("Зона А:"), m_zonaA, zones), 0, 0);
    zl->addWidget(m_zonaA, 0, 1);
    zl->addWidget(buddyLabel(QStringLiteral("Зона Б:"), m_zonaB, zones), 1, 0);
    zl->addWidget(m_zonaB, 1, 1);
    zl->setColumnStretch(2, 1);
    auto *scaleRow = new QHBoxLayout;
    scaleRow->addWidget(buddyLabel(QStringLiteral("Масштаб планов: 1 : "), m_scale, this));
    scaleRow->addWidget(m_scale);
    scaleRow->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(zones);
    right->addLayout(scaleRow);
    right->addStretch(1);

    auto *details = new QHBoxLayout;
    details->addLayout(memoBox, 1);
    details->addSpacing(8);
    details->addLayout(hours);
    details->addSpacing(8);
    details->addLayout(right);

    const DialogButtons buttons = makeDialogButtons(this, kHelpOpenProject, QStringLiteral("OK"));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    m_help = buttons.help;
    connect(m_grid, &QTableView::doubleClicked, this, [this] {
        if (chosenKod() >= 0)
            accept();
    });

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(details);
    lay->addWidget(buttons.box);
    resize(720, 470);

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &OpenProjectForm::gridMoved);
    connect(m_model, &TableModel::currentRowChanged, this, &OpenProjectForm::rowChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &OpenProjectForm::rowChanged);
    connect(m_tabs, &FilterTabControl::tabApplied, this, &OpenProjectForm::rowChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &OpenProjectForm::fitNameColumn);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &OpenProjectForm::fitNameColumn);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &OpenProjectForm::fitNameColumn);
    rowChanged();
    fitNameColumn();
}

void OpenProjectForm::fitNameColumn()
{
    // Names longer than the column widen it, up to a limit. Measured over the model, since a
    // view not shown yet knows no row sizes.
    const QFontMetrics fm(m_grid->font());
    int w = 0;
    for (int r = 0; r < m_model->rowCount(); ++r)
        w = std::max(w, fm.horizontalAdvance(m_model->index(r, 0).data().toString()));
    m_grid->setColumnWidth(0, std::clamp(w + 2 * fm.averageCharWidth() + 4, 175, 320));
}

OpenProjectForm::~OpenProjectForm() { finish(); }

void OpenProjectForm::setPrompter(Prompter *p)
{
    m_tabs->setPrompter(p);
    m_model->setPrompter(p);
}

void OpenProjectForm::finish()
{
    if (!m_tabs->table())
        return;
    m_tabs->selectTab(0);
    m_tabs->detach();
}

void OpenProjectForm::selectProject(int kod)
{
    const int row = m_model->rowOfKey(kod);
    if (row >= 0)
        m_model->setCurrentRow(row);
    rowChanged();
}

int OpenProjectForm::chosenKod() const
{
    const int row = m_model->currentRow();
    return row < 0 ? -1 : static_cast<int>(m_model->keyAt(row));
}

// The grid moved: the highlighted row becomes the current project row.
void OpenProjectForm::gridMoved()
{
    if (m_syncing)
        return;
    const QModelIndex cur = m_grid->selectionModel()->currentIndex();
    if (cur.isValid())
        m_model->setCurrentRow(cur.row());
    rowChanged();
}

// The current row moved (or the rows changed): highlight it and show its fields.
void OpenProjectForm::rowChanged()
{
    const int row = m_model->currentRow();
    m_syncing = true;
    if (row >= 0) {
        m_grid->selectionModel()->setCurrentIndex(
            m_model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_grid->scrollTo(m_model->index(row, 0));
    } else {
        m_grid->selectionModel()->clear();
    }
    m_syncing = false;
    Table &t = m_dm.project();
    const bool has = row >= 0 && t.isOpen() && !t.isEmpty() && t.recNo() >= 0;
    auto text = [&](const char *f) {
        return has ? TableModel::displayText(t.value(f), t.def().field(f)->type) : QString();
    };
    m_memo->setPlainText(text("ProjMemo"));
    m_min->setText(text("ProdGrozMin"));
    m_max->setText(text("ProdGrozMax"));
    m_udarov->setText(text("Udarov"));
    m_zonaA->setText(text("ZonaACnt"));
    m_zonaB->setText(text("ZonaBCnt"));
    m_scale->setText(text("IScale"));
    m_ok->setEnabled(has);
}

QString OpenProjectForm::fieldText(const char *field) const
{
    const QString f = QString::fromLatin1(field);
    if (f == QLatin1String("ProjMemo"))
        return m_memo->toPlainText();
    for (QLineEdit *e : {m_min, m_max, m_udarov, m_zonaA, m_zonaB, m_scale})
        if (e->objectName() == f)
            return e->text();
    return {};
}

} // namespace kv
