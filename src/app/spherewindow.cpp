#include "app/spherewindow.h"

#include "app/projectdocument.h"
#include "calc/construction.h"
#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/podborops.h"
#include "data/prompter.h"
#include "data/snapshot.h"
#include "data/table.h"
#include "plan/zonepictures.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kv
{

namespace
{

QString general(double v)
{
    return QString::fromStdString(formatGeneral(v));
}
QString levelName(int level)
{
    return QString::fromLatin1(SphereLevelName(level));
}

enum Column {
    ColName,
    ColLabel,
    ColHx,
    ColI,
    ColPoint = ColI + kSphereLevelCount,
    ColDepth,
    ColCount
};

const QColor kProtectedFill(0xd8, 0xf0, 0xd8);
const QColor kExposedFill(0xf8, 0xd0, 0xd0);

} // namespace

bool sphereUsesChosen(const ProjectSnapshot &snap)
{
    // As the zones shown and the report: the chosen construction once there is one.
    return previewSuffix(snap).value_or("") == "1";
}

bool applySphereHeight(ProjectDocument &doc, Prompter &prompter, int level)
{
    if (!doc.hasProject())
        return false;
    const ProjectSnapshot &snap = doc.snapshot();
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    if (type == ConductorType::Cable || type == ConductorType::Unknown) {
        prompter.info("Подбор высоты выполняется только для стержневых молниеотводов.");
        return false;
    }
    std::optional<double> H;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        H = SphereRodHeight(snap, level);
        QApplication::restoreOverrideCursor();
    }
    if (!H) {
        prompter.info("Ни при какой высоте молниеотвода до " + formatGeneral(kSphereMaxRodHeight) +
                      " м объекты проекта не защищены по уровню защиты " + SphereLevelName(level) +
                      ".");
        return false;
    }
    // The height found becomes the chosen construction: its zones are worked out as for a
    // catalogue choice, and the check then runs on it.
    DataModule &dm = doc.dataModule();
    const ChosenConstruction c{
        std::string(),
        std::string("Высота по методу катящейся сферы, уровень ") + SphereLevelName(level), *H};
    const bool ok = doc.execute(
        QStringLiteral("подбор высоты по методу катящейся сферы"),
        [&] { chooseConstruction(dm, c); }, ProjectDocument::Rows, false, std::string("1"));
    if (ok)
        doc.setZoneSuffix(std::string("1"));
    return ok;
}

// The check running in the worker: its own copy of what it checks, its progress and stop.
struct SphereWindow::Work {
    SphereTerminations terms;
    std::vector<SphereObject> objects;
    std::atomic<int> done{0};
    std::atomic<int> total{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    SphereResult result;
    std::thread thread;
};

SphereWindow::SphereWindow(ProjectDocument &doc, Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_doc(doc), m_prompter(prompter)
{
    setObjectName(QStringLiteral("SphereWindow"));
    setWindowTitle(QStringLiteral("Проверка методом катящейся сферы"));
    setModal(false);

    auto *root = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *levelCaption = new QLabel(QStringLiteral("Уровень защиты:"));
    m_level = new QComboBox;
    m_level->setObjectName(QStringLiteral("cbLevel"));
    for (int i = 0; i < kSphereLevelCount; ++i)
        m_level->addItem(
            QStringLiteral("%1 (R = %2 м)").arg(levelName(i), general(SphereRadius(i))));
    m_level->setAccessibleName(QStringLiteral("Уровень защиты"));
    levelCaption->setBuddy(m_level);
    m_arcs = new QCheckBox(QStringLiteral("Дуги сферы на виде спереди"));
    m_arcs->setObjectName(QStringLiteral("chkArcs"));
    top->addWidget(levelCaption);
    top->addWidget(m_level);
    top->addSpacing(16);
    top->addWidget(m_arcs);
    top->addStretch(1);
    root->addLayout(top);

    m_best = new QLabel;
    m_best->setObjectName(QStringLiteral("lblBest"));
    QFont bold = m_best->font();
    bold.setBold(true);
    m_best->setFont(bold);
    root->addWidget(m_best);

    m_table = new QTableWidget(0, ColCount);
    m_table->setObjectName(QStringLiteral("gridSphere"));
    QStringList heads = {QStringLiteral("Наименование"), QStringLiteral("Метка"),
                         QStringLiteral("Hx, м")};
    for (int i = 0; i < kSphereLevelCount; ++i)
        heads << levelName(i);
    heads << QString() << QString();
    m_table->setHorizontalHeaderLabels(heads);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(22);
    QHeaderView *h = m_table->horizontalHeader();
    // The names get the room they need; the exposed point takes what is left.
    for (int c = ColName; c < ColCount; ++c)
        h->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    h->setSectionResizeMode(ColPoint, QHeaderView::Stretch);
    m_table->setMinimumHeight(200);
    root->addWidget(m_table, 1);

    m_rule = new QLabel(QStringLiteral(
        "Объект защищен, если сфера, катящаяся по земле и молниеотводам, не касается ни одной его "
        "точки. Другие объекты не экранируют проверяемый объект."));
    m_rule->setWordWrap(true);
    root->addWidget(m_rule);

    auto *bottom = new QHBoxLayout;
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);
    m_fit = new QPushButton(QStringLiteral("Подобрать высоту"));
    m_fit->setObjectName(QStringLiteral("btnFitHeight"));
    m_fit->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("Закрыть"));
    close->setObjectName(QStringLiteral("btnClose"));
    close->setAutoDefault(false);
    bottom->addWidget(m_progress, 1);
    bottom->addStretch();
    bottom->addWidget(m_fit);
    bottom->addWidget(close);
    root->addLayout(bottom);

    resize(940, 480);

    m_poll = new QTimer(this);
    m_poll->setInterval(30);
    connect(m_poll, &QTimer::timeout, this, &SphereWindow::pollWork);
    m_slow = new QTimer(this);
    m_slow->setSingleShot(true);
    m_slow->setInterval(16);
    connect(m_slow, &QTimer::timeout, this, [this] {
        if (m_work)
            m_progress->setVisible(true);
    });

    connect(m_level, &QComboBox::currentIndexChanged, this, [this] {
        showLevelColumns();
        updateOverlay();
    });
    connect(m_arcs, &QCheckBox::toggled, this, &SphereWindow::updateOverlay);
    connect(m_fit, &QPushButton::clicked, this, &SphereWindow::fitHeight);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    // Every change of the project is checked again while the window is shown.
    for (auto sig : {&ProjectDocument::projectLoaded, &ProjectDocument::projectClosed,
                     &ProjectDocument::projectChanged, &ProjectDocument::conductorsChanged,
                     &ProjectDocument::zonesRecomputed})
        connect(&m_doc, sig, this, &SphereWindow::scheduleCheck);
    connect(&m_doc, &ProjectDocument::conductorMoved, this, &SphereWindow::scheduleCheck);
    for (auto sig : {&ProjectDocument::objectAdded, &ProjectDocument::objectChanged,
                     &ProjectDocument::objectRemoved})
        connect(&m_doc, sig, this, &SphereWindow::scheduleCheck);
}

SphereWindow::~SphereWindow()
{
    if (m_work) {
        m_work->stop.store(true);
        if (m_work->thread.joinable())
            m_work->thread.join();
    }
}

int SphereWindow::level() const
{
    return std::max(0, m_level->currentIndex());
}

void SphereWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    scheduleCheck();
}

void SphereWindow::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    stopWork();
    updateOverlay();
}

void SphereWindow::closeEvent(QCloseEvent *e)
{
    QDialog::closeEvent(e);
    stopWork();
    updateOverlay();
}

void SphereWindow::scheduleCheck()
{
    if (!isVisible() || m_queued)
        return;
    m_queued = true;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        startCheck();
    });
}

void SphereWindow::stopWork()
{
    if (!m_work)
        return;
    m_work->stop.store(true);
    if (m_work->thread.joinable())
        m_work->thread.join();
    m_work.reset();
    m_poll->stop();
    m_slow->stop();
    m_progress->setVisible(false);
    m_again = false;
}

void SphereWindow::startCheck()
{
    if (!isVisible())
        return;
    if (m_work) {
        // The running check is of an older state: it stops and a new one follows.
        m_work->stop.store(true);
        m_again = true;
        return;
    }
    const ProjectSnapshot &snap = m_doc.snapshot();
    m_shapes.clear();
    if (!m_doc.hasProject()) {
        m_result = {};
        showResult();
        return;
    }
    auto w = std::make_unique<Work>();
    try {
        w->terms =
            SphereTerminationsOf(snap, loadSagTable(m_doc.dataModule()), sphereUsesChosen(snap));
        w->objects = SphereObjectsOf(snap);
    } catch (const std::exception &ex) {
        m_prompter.error(ex.what());
        return;
    }
    for (const ObjectRec &o : snap.objects)
        m_shapes.push_back(o.ShapeName.value_or(""));
    m_overlay.suffix = sphereUsesChosen(snap) ? "1" : "";
    m_work = std::move(w);
    Work *work = m_work.get();
    work->total.store(static_cast<int>(work->objects.size()));
    work->thread = std::thread([work] {
        work->result = SphereCheck(work->terms, work->objects, [work](int done, int total) {
            work->done.store(done);
            work->total.store(total);
            return !work->stop.load();
        });
        work->finished.store(true);
    });
    m_progress->setValue(0);
    m_slow->start();
    m_poll->start();
}

void SphereWindow::pollWork()
{
    if (!m_work)
        return;
    const int total = m_work->total.load();
    m_progress->setValue(total > 0 ? 1000 * m_work->done.load() / total : 0);
    if (m_work->finished.load())
        finishWork();
}

void SphereWindow::finishWork()
{
    m_poll->stop();
    m_slow->stop();
    m_progress->setVisible(false);
    if (m_work->thread.joinable())
        m_work->thread.join();
    std::unique_ptr<Work> w = std::move(m_work);
    if (m_again || w->stop.load()) {
        m_again = false;
        scheduleCheck();
        return;
    }
    m_result = std::move(w->result);
    showResult();
}

void SphereWindow::showResult()
{
    const ProjectSnapshot &snap = m_doc.snapshot();
    const bool have = m_doc.hasProject() && m_result.objects.size() == snap.objects.size();
    m_table->setRowCount(have ? static_cast<int>(snap.objects.size()) : 0);
    for (int r = 0; have && r < m_table->rowCount(); ++r) {
        const ObjectRec &o = snap.objects[static_cast<std::size_t>(r)];
        auto set = [&](int c, const QString &t,
                       Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
            auto *item = new QTableWidgetItem(t);
            item->setTextAlignment(a);
            m_table->setItem(r, c, item);
            return item;
        };
        set(ColName, QString::fromStdString(o.Name.value_or("")));
        set(ColLabel, QString::fromStdString(o.SLabel.value_or("")), Qt::AlignCenter);
        set(ColHx, o.Hx ? general(*o.Hx) : QString(), Qt::AlignRight | Qt::AlignVCenter);
        for (int l = 0; l < kSphereLevelCount; ++l) {
            const bool p = m_result.objects[static_cast<std::size_t>(r)]
                               .levels[static_cast<std::size_t>(l)]
                               .isProtected;
            QTableWidgetItem *item =
                set(ColI + l, p ? QStringLiteral("защищен") : QStringLiteral("не защищен"),
                    Qt::AlignCenter);
            item->setBackground(p ? kProtectedFill : kExposedFill);
        }
    }
    const int best = m_result.bestLevel;
    if (!m_doc.hasProject() || snap.objects.empty())
        m_best->setText(QStringLiteral("В проекте нет объектов."));
    else if (!have)
        m_best->setText(QString());
    else if (best < 0)
        m_best->setText(QStringLiteral("Объекты проекта не защищены ни по одному уровню защиты."));
    else
        m_best->setText(QStringLiteral("Все объекты защищены по уровню защиты %1 (R = %2 м).")
                            .arg(levelName(best), general(SphereRadius(best))));
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    m_fit->setEnabled(m_doc.hasProject() && !snap.objects.empty() && type != ConductorType::Cable &&
                      type != ConductorType::Unknown);
    showLevelColumns();
    updateOverlay();
}

void SphereWindow::showLevelColumns()
{
    const int l = level();
    m_table->setHorizontalHeaderItem(
        ColPoint,
        new QTableWidgetItem(QStringLiteral("Точка касания x; y; z (%1), м").arg(levelName(l))));
    m_table->setHorizontalHeaderItem(
        ColDepth, new QTableWidgetItem(QStringLiteral("Глубина (%1), м").arg(levelName(l))));
    const bool have = m_result.objects.size() == static_cast<std::size_t>(m_table->rowCount());
    for (int r = 0; have && r < m_table->rowCount(); ++r) {
        const SphereLevelResult &lr =
            m_result.objects[static_cast<std::size_t>(r)].levels[static_cast<std::size_t>(l)];
        QString point, depth;
        if (!lr.isProtected) {
            if (lr.point)
                point = general(round2(lr.point->x)) + QStringLiteral("; ") +
                        general(round2(lr.point->y)) + QStringLiteral("; ") +
                        general(round2(lr.point->z));
            depth = general(round2(lr.depth));
        }
        auto *pi = new QTableWidgetItem(point);
        pi->setTextAlignment(Qt::AlignCenter);
        m_table->setItem(r, ColPoint, pi);
        auto *di = new QTableWidgetItem(depth);
        di->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(r, ColDepth, di);
    }
}

void SphereWindow::updateOverlay()
{
    SphereOverlay o;
    o.shown = isVisible();
    o.arcs = o.shown && m_arcs->isChecked();
    o.R = SphereRadius(level());
    o.suffix = m_overlay.suffix;
    if (o.shown && m_result.objects.size() == m_shapes.size()) {
        for (std::size_t i = 0; i < m_shapes.size(); ++i)
            if (!m_result.objects[i].levels[static_cast<std::size_t>(level())].isProtected &&
                !m_shapes[i].empty())
                o.exposedShapes.push_back(m_shapes[i]);
    }
    const bool same = o.shown == m_overlay.shown && o.arcs == m_overlay.arcs &&
                      o.R == m_overlay.R && o.suffix == m_overlay.suffix &&
                      o.exposedShapes == m_overlay.exposedShapes;
    m_overlay = std::move(o);
    if (!same)
        emit overlayChanged();
}

void SphereWindow::fitHeight()
{
    try {
        applySphereHeight(m_doc, m_prompter, level());
    } catch (const std::exception &e) {
        m_prompter.error(e.what());
    }
}

} // namespace kv
