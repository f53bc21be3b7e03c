#include "app/projectwindow.h"

#include "app/plancanvas.h"
#include "app/projectdocument.h"
#include "app/projectpages.h"
#include "app/toolglyphs.h"
#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/podborops.h"
#include "data/prompter.h"
#include "plan/drawingsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>

namespace kv {

const char *const ProjectWindow::kPendingHint = "Будет доступно в следующей версии";

namespace {

QString general(double v) { return QString::fromStdString(formatGeneral(v)); }

// The eight move buttons: name, hint, direction in grid steps.
struct MoveButton {
    const char *name;
    const char *hint;
    int dx, dy;
};
constexpr MoveButton kMoveButtons[] = {
    {"spdL", "Переместить влево", -1, 0},        {"spdLU", "Переместить влево-вверх", -1, -1},
    {"spdU", "Переместить вверх", 0, -1},        {"spdRU", "Переместить вправо-вверх", 1, -1},
    {"spdR", "Переместить вправо", 1, 0},        {"spdRD", "Переместить вправо-вниз", 1, 1},
    {"spdD", "Переместить вниз", 0, 1},          {"spdLD", "Переместить влево-вниз", -1, 1},
};

QScrollArea *planPane(PlanCanvas *canvas, const QString &name)
{
    auto *pane = new QScrollArea;
    pane->setObjectName(name);
    pane->setWidget(canvas);
    pane->setWidgetResizable(false);
    pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pane->setBackgroundRole(QPalette::Base);
    QPalette pal = pane->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pane->setPalette(pal);
    return pane;
}

} // namespace

ProjectWindow::ProjectWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TVLST1Frm"));
    setWindowTitle(QStringLiteral("Korvan VL 2.1"));

    m_topView = new PlanCanvas(ViewKind::Top);
    m_frontView = new PlanCanvas(ViewKind::Front);
    m_topPane = planPane(m_topView, QStringLiteral("ScrollBox1"));
    m_frontPane = planPane(m_frontView, QStringLiteral("ScrollBox2"));
    m_splitter = new QSplitter(Qt::Vertical);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->addWidget(m_topPane);
    m_splitter->addWidget(m_frontPane);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({320, 160});
    m_topPane->setToolTip(QString());

    m_pages = new ProjectPages;
    m_pages->setFixedWidth(255);

    auto *central = new QWidget;
    auto *box = new QHBoxLayout(central);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    box->addWidget(m_splitter, 1);
    box->addWidget(m_pages);
    setCentralWidget(central);

    buildMenus();
    buildToolBar();
    buildPopups();
    buildStatusBar();
    wireOwnCommands();

    connect(m_topView, &PlanCanvas::shapePressed, this, &ProjectWindow::onShapePressed);
    connect(m_topView, &PlanCanvas::shapeDropped, this, &ProjectWindow::onShapeDropped);
    connect(m_topView, &PlanCanvas::pointerMoved, this, &ProjectWindow::onTopPointer);
    connect(m_frontView, &PlanCanvas::pointerMoved, this, &ProjectWindow::onFrontPointer);
    for (PlanCanvas *c : {m_topView, m_frontView})
        connect(c, &PlanCanvas::hintChanged, this, [this](const QString &h) { m_panels[3]->setText(h); });
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { scheduleRefresh(true); });

    // The selected shape blinks every half second.
    m_blink = new QTimer(this);
    m_blink->setObjectName(QStringLiteral("Timer1"));
    m_blink->setInterval(500);
    connect(m_blink, &QTimer::timeout, this, [this] { m_topView->setHatched(!m_topView->isHatched()); });
    m_blink->start();

    // Client area of the design size at least; the program shows the window maximised.
    resize(1024, 700);
    setMinimumSize(787, 516);
    UpdateCommands();
    UpdateMoveButtons();
}

ProjectWindow::~ProjectWindow()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

// --- Building ------------------------------------------------------------------------------

QAction *ProjectWindow::addCommand(QMenu *menu, const QString &name, const QString &caption)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    menu->addAction(a);
    Command c;
    c.item = a;
    m_commands.insert(name, c);
    connect(a, &QAction::triggered, this, [this, name] { run(name); });
    return a;
}

QAction *ProjectWindow::addMirror(const QString &objectName, const QString &command, const QString &text)
{
    auto *a = new QAction(text, this);
    a->setObjectName(objectName);
    m_mirrors.insert(objectName, a);
    m_commands[command].mirrors << a;
    connect(a, &QAction::triggered, this, [this, command] { run(command); });
    return a;
}

void ProjectWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto menu = [&](const QString &title, const QString &name) {
        QMenu *m = bar->addMenu(title);
        m->setObjectName(name);
        m->setToolTipsVisible(true);
        // Each menu runs the enabling rule when it opens.
        connect(m, &QMenu::aboutToShow, this, &ProjectWindow::UpdateCommands);
        return m;
    };

    QMenu *proj = menu(QStringLiteral("Проект"), QStringLiteral("mnProj"));
    addCommand(proj, QStringLiteral("mnCreateProj"), QStringLiteral("Создать..."));
    addCommand(proj, QStringLiteral("mnOpenProj"), QStringLiteral("Открыть..."));
    addCommand(proj, QStringLiteral("mnEditProj"), QStringLiteral("Редактировать..."));
    addCommand(proj, QStringLiteral("mnDeleteProj"), QStringLiteral("Удалить..."));
    addCommand(proj, QStringLiteral("mnSaveAsProj"), QStringLiteral("Сохранить как..."));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnLinkToGrid"), QStringLiteral("Привязать к сетке"));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnPreview"), QStringLiteral("Просмотр зон защиты..."));
    addCommand(proj, QStringLiteral("mnReport"), QStringLiteral("Экспорт отчета в Microsoft Word"));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnExit"), QStringLiteral("Выход"));

    // Undo and redo come from the document's stack (attach).
    m_editMenu = menu(QStringLiteral("Правка"), QStringLiteral("mnEdit"));

    QMenu *mo = menu(QStringLiteral("Молниеотвод"), QStringLiteral("mnMO"));
    addCommand(mo, QStringLiteral("mnAlignMO"), QStringLiteral("Выравнивание молниеотвода..."));
    addCommand(mo, QStringLiteral("mnKoordMO"), QStringLiteral("Координаты молниеотвода..."));
    mo->addSeparator();
    addCommand(mo, QStringLiteral("mnPodbor"), QStringLiteral("Ориентировочный подбор"));
    addCommand(mo, QStringLiteral("mnPlacement"), QStringLiteral("Оптимальное размещение..."));
    mo->addSeparator();
    addCommand(mo, QStringLiteral("mnSelectMO"), QStringLiteral("Выбор молниеотвода..."));
    addCommand(mo, QStringLiteral("mnClearMO"), QStringLiteral("Очистить данные выбранного молниеотвода"));

    QMenu *obj = menu(QStringLiteral("Объект"), QStringLiteral("mnObj"));
    addCommand(obj, QStringLiteral("mnAddObj"), QStringLiteral("Добавить..."));
    addCommand(obj, QStringLiteral("mnEditObj"), QStringLiteral("Редактировать..."));
    addCommand(obj, QStringLiteral("mnDeleteObj"), QStringLiteral("Удалить"));
    addCommand(obj, QStringLiteral("mnCloneObj"), QStringLiteral("Дублировать"));
    obj->addSeparator();
    QMenu *align = obj->addMenu(QStringLiteral("Выравнивание"));
    align->setObjectName(QStringLiteral("mnAlignObjMenu"));
    align->setToolTipsVisible(true);
    align->menuAction()->setObjectName(QStringLiteral("mnAlignObj"));
    addCommand(align, QStringLiteral("mnAlignObMO"), QStringLiteral("Относительно молниеотвода..."));
    addCommand(align, QStringLiteral("mnAlignObOb"), QStringLiteral("Относительно другого объекта..."));
    obj->addSeparator();
    addCommand(obj, QStringLiteral("mnDiagrams"), QStringLiteral("Диаграммы..."));

    QMenu *dict = menu(QStringLiteral("Справочники"), QStringLiteral("mnDict"));
    addCommand(dict, QStringLiteral("mnPoraj"), QStringLiteral("Среднее количество поражений молнией..."));
    addCommand(dict, QStringLiteral("mnClasses"), QStringLiteral("Классы зданий и сооружений..."));
    addCommand(dict, QStringLiteral("mnConstructions"), QStringLiteral("Конструкции молниеотводов..."));
    addCommand(dict, QStringLiteral("mnObjNames"), QStringLiteral("Наименования объектов..."));

    QMenu *par = menu(QStringLiteral("Параметры"), QStringLiteral("mnParam"));
    addCommand(par, QStringLiteral("N6"), QStringLiteral("Параметры программы..."));
    addCommand(par, QStringLiteral("mnReportSettings"), QStringLiteral("Параметры отчетов..."));

    QMenu *help = menu(QStringLiteral("Помощь"), QStringLiteral("mnHelpMenu"));
    addCommand(help, QStringLiteral("mnHelp"), QStringLiteral("Справка..."));
    addCommand(help, QStringLiteral("mnAbout"), QStringLiteral("О программе..."));
}

void ProjectWindow::buildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Панель инструментов"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->toggleViewAction()->setEnabled(false);
    auto button = [&](const char *name, const char *hint, const char *command) {
        QAction *a = addMirror(QLatin1String(name), QLatin1String(command), QString::fromUtf8(hint));
        a->setIcon(toolGlyph(QLatin1String(name)));
        a->setToolTip(QString::fromUtf8(hint));
        a->setStatusTip(QString::fromUtf8(hint));
        a->setProperty("hint", QString::fromUtf8(hint));
        m_toolBar->addAction(a);
        m_toolBar->widgetForAction(a)->setFixedSize(23, 22);
    };
    button("btnNewProj", "Создать проект", "mnCreateProj");
    button("btnOpenProj", "Открыть проект", "mnOpenProj");
    m_toolBar->addSeparator();
    button("btnPreview", "Просмотр зон защиты", "mnPreview");
    button("btnReport", "Экспорт отчета в Microsoft Word", "mnReport");
    m_toolBar->addSeparator();
    button("btnKoordMO", "Координаты молниеотвода", "mnKoordMO");
    button("btnAlignMO", "Выравнивание молниеотвода относительно объекта", "mnAlignMO");
    button("btnPodbor", "Ориентировочный подбор молниеотвода", "mnPodbor");
    button("btnSelectMO", "Выбор молниеотвода из справочника", "mnSelectMO");
    m_toolBar->addSeparator();
    button("btnAddObject", "Добавление объекта", "mnAddObj");
    button("btnDeleteObject", "Удаление объекта", "mnDeleteObj");
    button("btnEditObject", "Редактирование объекта", "mnEditObj");
    button("btnCopyObject", "Дублирование объекта", "mnCloneObj");
    button("btnAlignObMO", "Выравнивание объекта относительно молниеотвода", "mnAlignObMO");
    button("btnAlignObOb", "Выравнивание объекта относительно другого объекта", "mnAlignObOb");
    m_toolBar->addSeparator();
    button("SpeedButton1", "Вызов справки", "mnHelp");
    m_toolBar->addSeparator();

    for (const MoveButton &m : kMoveButtons) {
        auto *a = new QAction(QString::fromUtf8(m.hint), this);
        a->setObjectName(QLatin1String(m.name));
        a->setIcon(toolGlyph(QLatin1String(m.name)));
        a->setToolTip(QString::fromUtf8(m.hint));
        a->setStatusTip(QString::fromUtf8(m.hint));
        const int dx = m.dx, dy = m.dy;
        connect(a, &QAction::triggered, this, [this, dx, dy] { moveBy(dx, dy); });
        m_moveButtons << a;
        m_mirrors.insert(a->objectName(), a);
    }
    // Arranged as the compass: left, left-up, up, right-up, right, right-down, down, left-down.
    for (QAction *a : m_moveButtons) {
        m_toolBar->addAction(a);
        m_toolBar->widgetForAction(a)->setFixedSize(23, 22);
    }
    m_toolBar->addSeparator();

    m_autoPodbor = new QCheckBox(QStringLiteral("Автоподбор"));
    m_autoPodbor->setObjectName(QStringLiteral("chkAutoPodbor"));
    m_autoPodbor->setToolTip(QStringLiteral("Автоподбор расчетной высоты молниеотвода"));
    m_autoPodbor->setStatusTip(m_autoPodbor->toolTip());
    m_toolBar->addWidget(m_autoPodbor);
    connect(m_autoPodbor, &QCheckBox::toggled, this, [this](bool on) {
        // Ticking it runs the selection at once; from then on every change runs it.
        if (m_doc)
            guarded([&] {
                m_doc->setAutoPodbor(on);
                if (on && m_doc->hasProject() && !m_doc->snapshot().objects.empty())
                    m_doc->runPodbor();
            });
        UpdateCommands();
    });

    auto *spacer = new QWidget;
    spacer->setFixedWidth(12);
    m_toolBar->addWidget(spacer);
    auto *oneTo = new QLineEdit(QStringLiteral("1 : "));
    oneTo->setObjectName(QStringLiteral("Edit1"));
    oneTo->setReadOnly(true);
    oneTo->setFocusPolicy(Qt::NoFocus);
    oneTo->setFixedWidth(oneTo->fontMetrics().horizontalAdvance(QStringLiteral("1 : ")) + 12);
    oneTo->setAlignment(Qt::AlignRight);
    m_toolBar->addWidget(oneTo);
    m_spinScale = new QSpinBox;
    m_spinScale->setObjectName(QStringLiteral("SpinScale"));
    m_spinScale->setRange(kMinScale, kMaxScale);
    m_spinScale->setValue(500);
    m_spinScale->setSingleStep(100);
    m_spinScale->setKeyboardTracking(false);
    m_spinScale->setToolTip(QStringLiteral("Масштаб планов текущего проекта"));
    m_spinScale->setStatusTip(m_spinScale->toolTip());
    m_spinScale->setFixedWidth(m_spinScale->sizeHint().width() + 8);
    // Only the spin buttons change the scale: typed keys and the wheel are swallowed.
    m_spinScale->installEventFilter(this);
    if (QLineEdit *le = m_spinScale->findChild<QLineEdit *>())
        le->installEventFilter(this);
    m_toolBar->addWidget(m_spinScale);
    connect(m_spinScale, &QSpinBox::valueChanged, this, &ProjectWindow::onScaleChanged);
}

void ProjectWindow::buildPopups()
{
    m_popupMO = new QMenu(this);
    m_popupMO->setObjectName(QStringLiteral("PopupMenuMO"));
    m_popupMO->setToolTipsVisible(true);
    auto mo = [&](const char *name, const char *command, const char *caption) {
        m_popupMO->addAction(addMirror(QLatin1String(name), QLatin1String(command), QString::fromUtf8(caption)));
    };
    mo("pmAlignMO", "mnAlignMO", "Выравнивание молниеотвода...");
    mo("pmKoordMO", "mnKoordMO", "Координаты молниеотвода...");
    m_popupMO->addSeparator();
    mo("pmPodbor", "mnPodbor", "Ориентировочный подбор");
    mo("pmPlacement", "mnPlacement", "Оптимальное размещение...");
    m_popupMO->addSeparator();
    mo("pmSelectMO", "mnSelectMO", "Выбор молниеотвода...");
    mo("pmClearMO", "mnClearMO", "Очистить данные выбранного молниеотвода");

    m_popupObj = new QMenu(this);
    m_popupObj->setObjectName(QStringLiteral("PopupMenuObj"));
    m_popupObj->setToolTipsVisible(true);
    auto ob = [&](QMenu *m, const char *name, const char *command, const char *caption) {
        m->addAction(addMirror(QLatin1String(name), QLatin1String(command), QString::fromUtf8(caption)));
    };
    ob(m_popupObj, "pmAddObj", "mnAddObj", "Добавить...");
    ob(m_popupObj, "pmEditObj", "mnEditObj", "Редактировать...");
    ob(m_popupObj, "pmDeleteObj", "mnDeleteObj", "Удалить");
    ob(m_popupObj, "pmCloneObj", "mnCloneObj", "Дублировать");
    m_popupObj->addSeparator();
    QMenu *align = m_popupObj->addMenu(QStringLiteral("Выравнивание"));
    align->setToolTipsVisible(true);
    align->menuAction()->setObjectName(QStringLiteral("pmAlignObj"));
    m_mirrors.insert(QStringLiteral("pmAlignObj"), align->menuAction());
    ob(align, "pmAlignObMO", "mnAlignObMO", "Относительно молниеотвода...");
    ob(align, "pmAlignObOb", "mnAlignObOb", "Относительно другого объекта...");
}

void ProjectWindow::buildStatusBar()
{
    QStatusBar *sb = statusBar();
    sb->setObjectName(QStringLiteral("StatusBar1"));
    sb->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel;
        m_panels[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setContentsMargins(3, 0, 3, 0);
        if (i < 3) {
            m_panels[i]->setFixedWidth(75);
            sb->addWidget(m_panels[i]);
        } else {
            sb->addWidget(m_panels[i], 1);
        }
    }
    m_panels[0]->setText(QStringLiteral("X: "));
    m_panels[1]->setText(QStringLiteral("Y: "));
    m_panels[2]->setText(QStringLiteral("Z: "));
}

// --- Commands ------------------------------------------------------------------------------

void ProjectWindow::wireOwnCommands()
{
    // The commands this window carries out itself. The dialog commands join with one line each
    // when their windows exist: wire("mnXxx", [this] { cmdXxx(*m_doc, this); }).
    wire(QStringLiteral("mnLinkToGrid"), [this] { m_doc->snapAllToGrid(); });
    wire(QStringLiteral("mnPodbor"), [this] { m_doc->runPodbor(); });
    wire(QStringLiteral("mnClearMO"), [this] {
        const bool chosenShown = m_doc->zoneSuffix() && *m_doc->zoneSuffix() == "1";
        if (m_doc->execute(QStringLiteral("Очистить данные выбранного молниеотвода"),
                           [this] { clearChosenConstruction(*m_dm); }, ProjectDocument::Rows, false)
            && chosenShown)
            m_doc->setZoneSuffix(std::nullopt);
    });
    wire(QStringLiteral("mnExit"), [this] { close(); });
}

QAction *ProjectWindow::action(const QString &name) const
{
    const auto it = m_commands.find(name);
    return it == m_commands.end() ? nullptr : it->item;
}

QAction *ProjectWindow::findAction(const QString &objectName) const
{
    if (QAction *a = action(objectName))
        return a;
    if (QAction *a = m_mirrors.value(objectName))
        return a;
    return findChild<QAction *>(objectName);
}

void ProjectWindow::wire(const QString &name, std::function<void()> handler)
{
    auto it = m_commands.find(name);
    if (it == m_commands.end())
        return;
    it->handler = std::move(handler);
    UpdateCommands();
}

bool ProjectWindow::isWired(const QString &name) const
{
    const auto it = m_commands.find(name);
    return it != m_commands.end() && static_cast<bool>(it->handler);
}

bool ProjectWindow::guarded(const std::function<void()> &f)
{
    // No exception leaves a slot: a failure is one message, the rows stay as the document left them.
    try {
        f();
        return true;
    } catch (const std::exception &e) {
        if (m_dm)
            m_dm->prompter().error(e.what());
    } catch (...) {
        if (m_dm)
            m_dm->prompter().error("Ошибка. Непредвиденная ошибка.");
    }
    return false;
}

void ProjectWindow::run(const QString &name)
{
    const auto it = m_commands.find(name);
    if (it == m_commands.end() || !it->handler || !m_doc)
        return;
    const std::function<void()> handler = it->handler;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded(handler);
    QApplication::restoreOverrideCursor();
    UpdateCommands();
    UpdateMoveButtons();
}

CommandState ProjectWindow::commandState() const
{
    CommandState s;
    if (!m_dm || !m_doc)
        return s;
    s.projects = m_dm->project().isOpen() ? m_dm->project().recordCount() : 0;
    if (m_doc->hasProject()) {
        const ProjectSnapshot &snap = m_doc->snapshot();
        s.objects = static_cast<int>(snap.objects.size());
        if (!snap.conductors.empty()) {
            const ConductorRec &c = m_conductorPos == 1 ? snap.conductors.back() : snap.conductors.front();
            s.chosen = c.H1.has_value();
        }
    }
    return s;
}

void ProjectWindow::UpdateCommands()
{
    const CommandState s = commandState();
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it) {
        const bool wired = static_cast<bool>(it->handler);
        QList<QAction *> all = it->mirrors;
        all.prepend(it->item);
        for (QAction *a : all) {
            a->setEnabled(wired && commandEnabled(a->objectName(), s));
            QString hint = a->property("hint").toString();
            if (!wired)
                hint = hint.isEmpty() ? QString::fromUtf8(kPendingHint)
                                      : hint + QStringLiteral(". ") + QString::fromUtf8(kPendingHint);
            a->setToolTip(hint.isEmpty() ? a->text() : hint);
            a->setStatusTip(hint);
        }
    }
    // The alignment submenus follow their rule; their items are ruled on their own.
    for (const QString &n : {QStringLiteral("mnAlignObj"), QStringLiteral("pmAlignObj")})
        if (QAction *a = findChild<QAction *>(n))
            a->setEnabled(commandEnabled(n, s));
    if (QAction *a = m_mirrors.value(QStringLiteral("pmAlignObj")))
        a->setEnabled(commandEnabled(QStringLiteral("pmAlignObj"), s));
    m_autoPodbor->setEnabled(commandEnabled(QStringLiteral("chkAutoPodbor"), s));
    m_spinScale->setEnabled(commandEnabled(QStringLiteral("SpinScale"), s));
}

void ProjectWindow::UpdateMoveButtons()
{
    const MoveEnabling e = m_doc ? m_doc->moveEnabling() : MoveEnabling{};
    const bool on[] = {e.left, e.leftUp, e.up, e.rightUp, e.right, e.rightDown, e.down, e.leftDown};
    for (int i = 0; i < m_moveButtons.size(); ++i)
        m_moveButtons[i]->setEnabled(on[i]);
}

void ProjectWindow::moveBy(int dx, int dy)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const double s = m_doc->gridStep();
    guarded([&] { m_doc->moveSelected(dx * s, dy * s); });
    UpdateMoveButtons();
}

bool ProjectWindow::keyMove(int key)
{
    if (!m_doc || !m_doc->hasProject() || m_doc->selection().kind == Selection::None)
        return false;
    const SettingsRec st = m_doc->settings();
    if (!st.UseKlav.value_or(false))
        return false;
    const MoveEnabling e = m_doc->moveEnabling();
    switch (key) {
    case Qt::Key_Left:
        if (e.left)
            moveBy(-1, 0);
        return true;
    case Qt::Key_Up:
        if (e.up)
            moveBy(0, -1);
        return true;
    case Qt::Key_Right:
        moveBy(1, 0);
        return true;
    case Qt::Key_Down:
        moveBy(0, 1);
        return true;
    default:
        return false;
    }
}

// --- Start-up and closing ------------------------------------------------------------------

void ProjectWindow::attach(DataModule *dm)
{
    m_dm = dm;
    m_doc = std::make_unique<ProjectDocument>(*dm);
    ProjectDocument *doc = m_doc.get();

    QAction *undo = doc->undoStack()->createUndoAction(this, QStringLiteral("Отменить"));
    undo->setObjectName(QStringLiteral("mnUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = doc->undoStack()->createRedoAction(this, QStringLiteral("Повторить"));
    redo->setObjectName(QStringLiteral("mnRedo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    m_editMenu->addAction(undo);
    m_editMenu->addAction(redo);
    addAction(undo);
    addAction(redo);

    const auto views = [this] { scheduleRefresh(true); };
    const auto state = [this] { scheduleRefresh(false); };
    connect(doc, &ProjectDocument::projectLoaded, this, [this] {
        m_objectKod = -1;
        m_conductorPos = 0;
        scheduleRefresh(true);
    });
    connect(doc, &ProjectDocument::projectClosed, this, views);
    connect(doc, &ProjectDocument::projectChanged, this, views);
    connect(doc, &ProjectDocument::conductorMoved, this, views);
    connect(doc, &ProjectDocument::conductorsChanged, this, views);
    connect(doc, &ProjectDocument::objectAdded, this, views);
    connect(doc, &ProjectDocument::objectChanged, this, views);
    connect(doc, &ProjectDocument::objectRemoved, this, views);
    connect(doc, &ProjectDocument::zonesRecomputed, this, views);
    connect(doc, &ProjectDocument::settingsChanged, this, views);
    connect(doc, &ProjectDocument::selectionChanged, this, state);
    connect(doc, &ProjectDocument::autoPodborChanged, this, [this](bool on) {
        const QSignalBlocker block(m_autoPodbor);
        m_autoPodbor->setChecked(on);
    });
    connect(doc->undoStack(), &QUndoStack::indexChanged, this, state);

    // Keyboard moving sees the arrow keys before any control of the window.
    qApp->installEventFilter(this);

    // Activation: "Автоподбор" starts unticked; the last project (or the empty state); the
    // conductor marker selected.
    guarded([&] {
        doc->setAutoPodbor(false);
        doc->openLastProject();
        doc->selectConductor(0);
    });
    m_autoPodbor->setChecked(doc->autoPodbor());
    refreshNow();
}

void ProjectWindow::closeEvent(QCloseEvent *e)
{
    // The current project is reopened at the next start.
    if (m_doc)
        guarded([&] { m_doc->storeLastProject(); });
    e->accept();
}

// --- Showing the document ------------------------------------------------------------------

void ProjectWindow::scheduleRefresh(bool views)
{
    m_stateDirty = true;
    m_viewsDirty = m_viewsDirty || views;
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] { refreshNow(); });
}

void ProjectWindow::refreshNow()
{
    m_refreshQueued = false;
    if (!m_doc)
        return;
    const bool views = m_viewsDirty;
    m_viewsDirty = m_stateDirty = false;
    guarded([&] {
        if (views)
            rebuildViews();
        showState();
    });
}

void ProjectWindow::redrawViews()
{
    m_viewsDirty = true;
    refreshNow();
}

QSize ProjectWindow::contentSize() const
{
    // The top image covers the visible area and every shape; the front image is as wide.
    int w = std::max(m_topPane->viewport()->width(), m_frontPane->viewport()->width());
    int h = m_topPane->viewport()->height();
    for (const std::string &n : m_model.topOrder()) {
        const PlanShape *s = m_model.shape(n);
        if (s && s->visible) {
            w = std::max(w, s->rect.right() + 20);
            h = std::max(h, s->rect.bottom() + 20);
        }
    }
    for (const std::string &n : m_model.frontOrder()) {
        const PlanShape *s = m_model.shape(n);
        if (s && s->visible)
            w = std::max(w, s->rect.right() + 20);
    }
    return {std::min(w, kMaxBitmapSide), std::min(h, kMaxBitmapSide)};
}

void ProjectWindow::rebuildViews()
{
    m_model.LoadDrawingSettings(LoadDrawingSettings(m_doc->settings()));
    m_spinScale->setSingleStep(std::max(1, m_model.settings().scaleShag));
    const ProjectSnapshot &snap = m_doc->snapshot();
    if (m_doc->hasProject()) {
        setWindowTitle(QString::fromStdString(snap.project.Name.value_or("")));
        m_model.ShowProjectShapes(snap);
        const QSignalBlocker block(m_spinScale);
        m_spinScale->setValue(m_model.scale().n());
    } else {
        setWindowTitle(QStringLiteral("Korvan VL 2.1"));
        m_model.ShowEmptyPlan(m_frontPane->viewport()->height() - PlanCanvas::kGroundBar);
    }
    m_bitmaps.topSize = contentSize();
    if (m_doc->hasProject() && m_doc->zoneSuffix() && !snap.conductors.empty())
        DrawZones(m_bitmaps, m_model, snap, *m_doc->zoneSuffix());
    else
        m_model.RedrawGrids(m_bitmaps.top, m_bitmaps.front, m_bitmaps.topSize);
    m_topView->setContent(&m_bitmaps.top, &m_model);
    m_frontView->setContent(&m_bitmaps.front, &m_model);
}

std::string ProjectWindow::selectedShapeName() const
{
    if (!m_doc || !m_doc->hasProject())
        return {};
    const Selection s = m_doc->selection();
    switch (s.kind) {
    case Selection::Conductor:
        return s.position == 1 ? kShapeMO1 : kShapeMO;
    case Selection::Object:
        if (const ObjectRec *o = m_doc->object(s.objectKod))
            return o->ShapeName.value_or("");
        return {};
    default:
        return {};
    }
}

void ProjectWindow::showState()
{
    const ProjectSnapshot &snap = m_doc->snapshot();
    const Selection sel = m_doc->selection();
    if (sel.kind == Selection::Object)
        m_objectKod = sel.objectKod;
    else if (sel.kind == Selection::Conductor)
        m_conductorPos = sel.position;
    if (!m_doc->hasProject()) {
        m_objectKod = -1;
        m_pages->showRows(nullptr, nullptr, nullptr, {});
    } else {
        const ObjectRec *obj = m_doc->object(m_objectKod);
        if (!obj && !snap.objects.empty()) {
            obj = &snap.objects.front();
            m_objectKod = obj->Kod.value_or(-1);
        }
        const ConductorRec *c = nullptr;
        if (!snap.conductors.empty())
            c = m_conductorPos == 1 ? &snap.conductors.back() : &snap.conductors.front();
        QString classText;
        if (obj && obj->Tip) {
            Table &cls = m_dm->table(TableId::Class);
            if (cls.isOpen())
                if (const auto row = cls.rowByKey(*obj->Tip); row && row->size() > 1)
                    classText = QString::fromStdString((*row)[1].toText());
        }
        m_pages->showRows(&snap.project, c, obj, classText);
    }
    m_topView->setSelectedShape(selectedShapeName());
    UpdateCommands();
    UpdateMoveButtons();
}

// --- Plan events -----------------------------------------------------------------------------

void ProjectWindow::onShapePressed(const QString &name, Qt::MouseButton button, const QPoint &globalPos)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const std::string n = name.toStdString();
    const ShapeRecordRef ref = m_model.SelectShapeRecord(n, m_doc->snapshot());
    Selection sel;
    switch (ref.kind) {
    case ShapeRecordRef::FirstConductor:
        sel = {Selection::Conductor, 0, -1};
        break;
    case ShapeRecordRef::LastConductor:
        sel = {Selection::Conductor, 1, -1};
        break;
    case ShapeRecordRef::Object:
        sel = {Selection::Object, 0, m_doc->snapshot().objects[static_cast<size_t>(ref.objectIndex)].Kod.value_or(-1)};
        break;
    default:
        return;
    }
    guarded([&] { m_doc->select(sel); });
    refreshNow();
    if (button == Qt::LeftButton)
        return;
    // Any other button opens the shape's pop-up at the pointer.
    UpdateCommands();
    (sel.kind == Selection::Object ? m_popupObj : m_popupMO)->popup(globalPos);
}

void ProjectWindow::dropSelectedAt(QPoint topLeft)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const PlanScale &sc = m_model.scale();
    const int g = m_model.settings().halfMarker();
    // A marker stores its centre, an object its top-left corner.
    if (m_doc->selection().kind == Selection::Conductor)
        guarded([&] { m_doc->dropSelected(sc.m(topLeft.x() + g), sc.m(topLeft.y() + g)); });
    else
        guarded([&] { m_doc->dropSelected(sc.m(topLeft.x()), sc.m(topLeft.y())); });
}

void ProjectWindow::onShapeDropped(const QString &, const QPoint &topLeft, bool moved)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    if (moved) {
        dropSelectedAt(topLeft);
    } else {
        // A click stores the position again, snapped to the grid; a position already on the grid
        // stays exactly as it is (no drift through pixel rounding).
        const Selection s = m_doc->selection();
        const ProjectSnapshot &sn = m_doc->snapshot();
        double x = 0, y = 0;
        if (s.kind == Selection::Object) {
            const ObjectRec *o = m_doc->object(s.objectKod);
            if (!o)
                return;
            x = o->MXa.value_or(0);
            y = o->MYa.value_or(0);
        } else if (!sn.conductors.empty()) {
            const ConductorRec &c = s.position == 1 ? sn.conductors.back() : sn.conductors.front();
            x = c.MX.value_or(0);
            y = c.MY.value_or(0);
        }
        const double step = m_doc->gridStep();
        if (snap(x, step) != x || snap(y, step) != y)
            guarded([&] { m_doc->dropSelected(snap(x, step), snap(y, step)); });
    }
    UpdateCommands();
    UpdateMoveButtons();
}

void ProjectWindow::onTopPointer(const QPoint &p)
{
    const PlanScale &sc = m_model.scale();
    m_panels[0]->setText(QStringLiteral("X: ") + general(sc.m(p.x())));
    m_panels[1]->setText(QStringLiteral("Y: ") + general(sc.m(p.y())));
}

void ProjectWindow::onFrontPointer(const QPoint &p)
{
    const PlanScale &sc = m_model.scale();
    m_panels[0]->setText(QStringLiteral("X: ") + general(sc.m(p.x())));
    m_panels[2]->setText(QStringLiteral("Z: ") + general(sc.m(m_model.groundLine() - p.y())));
}

void ProjectWindow::onScaleChanged(int n)
{
    if (!m_doc || !m_doc->hasProject() || n < kMinScale)
        return;
    if (m_doc->snapshot().project.IScale == n)
        return;
    const int kod = m_doc->projectKod();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        m_doc->execute(QStringLiteral("Масштаб 1 : %1").arg(n), [this, kod, n] {
            Table &p = m_dm->project();
            if (!p.locate({{"Kod", Value(kod)}}))
                return;
            p.edit();
            p.setValue("IScale", Value(n));
            p.post();
        });
    });
    QApplication::restoreOverrideCursor();
    refreshNow();
}

// --- Events ----------------------------------------------------------------------------------

void ProjectWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    scheduleRefresh(true);
}

void ProjectWindow::contextMenuEvent(QContextMenuEvent *e)
{
    // The object pop-up is the window's own context menu once the project has objects.
    const QWidget *w = childAt(e->pos());
    const bool onToolBar = w && (w == m_toolBar || m_toolBar->isAncestorOf(w));
    if (!onToolBar && m_doc && m_doc->hasProject() && !m_doc->snapshot().objects.empty()) {
        UpdateCommands();
        m_popupObj->popup(e->globalPos());
        e->accept();
        return;
    }
    QMainWindow::contextMenuEvent(e);
}

bool ProjectWindow::event(QEvent *e)
{
    // The last status panel shows the hint of the control under the mouse.
    if (e->type() == QEvent::StatusTip) {
        m_panels[3]->setText(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool ProjectWindow::eventFilter(QObject *watched, QEvent *e)
{
    const QEvent::Type t = e->type();
    if (t == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        auto *ke = static_cast<QKeyEvent *>(e);
        if (w->window() == this && (ke->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
            && keyMove(ke->key()))
            return true;
    }
    if (watched == m_spinScale || watched->parent() == m_spinScale) {
        // Only the spin buttons change the scale: every typed key but Enter (and the focus keys)
        // and the wheel are swallowed.
        if (t == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Tab
                && key != Qt::Key_Backtab)
                return true;
        }
        if (t == QEvent::Wheel)
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace kv
