#include "app/projectwindow.h"

#include "calc/numfmt.h"
#include "data/datamodule.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kv {

namespace {

QString cellText(const Table &t, const std::string &field)
{
    const Value v = t.value(field);
    if (v.isNull())
        return {};
    if (v.isDouble())
        return QString::fromStdString(formatGeneral(v.toDouble()));
    return QString::fromStdString(v.toText());
}

void fill(QTableWidget *w, Table &t, const std::vector<std::string> &fields)
{
    w->clear();
    w->setColumnCount(static_cast<int>(fields.size()));
    QStringList headers;
    for (const auto &f : fields) {
        const FieldDef *d = t.def().field(f);
        headers << QString::fromStdString(d && !d->label.empty() ? d->label : f);
    }
    w->setHorizontalHeaderLabels(headers);
    w->setRowCount(0);
    if (!t.isOpen())
        return;
    RowKeeper keep(t);
    int row = 0;
    for (t.first(); !t.eof(); t.next(), ++row) {
        w->insertRow(row);
        for (int c = 0; c < static_cast<int>(fields.size()); ++c)
            w->setItem(row, c, new QTableWidgetItem(cellText(t, fields[c])));
    }
    w->resizeColumnsToContents();
}

} // namespace

ProjectWindow::ProjectWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Korvan VL 2.1"));
    resize(787, 516);
    auto *central = new QWidget;
    auto *box = new QVBoxLayout(central);
    m_summary = new QLabel;
    m_summary->setWordWrap(true);
    box->addWidget(m_summary);
    auto *split = new QSplitter(Qt::Vertical);
    m_conductors = new QTableWidget;
    m_objects = new QTableWidget;
    m_conductors->setObjectName(QStringLiteral("conductors"));
    m_objects->setObjectName(QStringLiteral("objects"));
    for (QTableWidget *w : {m_conductors, m_objects}) {
        w->setEditTriggers(QAbstractItemView::NoEditTriggers);
        w->setSelectionBehavior(QAbstractItemView::SelectRows);
        split->addWidget(w);
    }
    box->addWidget(split, 1);
    setCentralWidget(central);
    statusBar()->showMessage(QStringLiteral("Окно проекта в разработке: показаны данные текущего проекта."));
}

void ProjectWindow::attach(DataModule *dm)
{
    m_dm = dm;
    Table &p = dm->project();
    if (!p.isOpen() || p.isEmpty()) {
        ShowEmptyState();
        return;
    }
    Table &param = dm->param();
    if (param.isOpen() && !param.isEmpty()) {
        param.first();
        if (!param.isNull("LastProj"))
            p.locate({{"Kod", param.value("LastProj")}});
    }
    LoadProject();
}

void ProjectWindow::LoadProject()
{
    Table &p = m_dm->project();
    m_summary->setText(QStringLiteral("Проект: %1\nМолниеотвод: %2\nМасштаб 1:%3")
                           .arg(cellText(p, "Name"), cellText(p, "TipMO"), cellText(p, "IScale")));
    fill(m_conductors, m_dm->mo(),
         {"MX", "MY", "H", "Hop", "Ho_a", "Ro_a", "Ho_b", "Ro_b", "Tip", "H1"});
    fill(m_objects, m_dm->object(),
         {"Name", "SLabel", "MXa", "MYa", "L", "S", "Hx", "N", "Tip", "Kateg", "Zona", "H", "Rx"});
}

void ProjectWindow::ShowEmptyState()
{
    m_summary->setText(QStringLiteral("Нет проектов."));
    m_conductors->clear();
    m_conductors->setRowCount(0);
    m_objects->clear();
    m_objects->setRowCount(0);
}

void ProjectWindow::closeEvent(QCloseEvent *e)
{
    // The current project is reopened at the next start.
    if (m_dm) {
        Table &p = m_dm->project();
        Table &param = m_dm->param();
        if (p.isOpen() && param.isOpen() && !p.isEmpty()) {
            const Value kod = p.value("Kod");
            if (param.isEmpty())
                param.append();
            else {
                param.first();
                param.edit();
            }
            param.setValue("LastProj", kod);
            param.post();
        }
    }
    e->accept();
}

} // namespace kv
