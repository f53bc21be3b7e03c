// The project window's commands: menus, tool bar, pop-ups and status bar, the table that wires
// each command to what it does, and the enabling of all of them by the rules.

#include "app/projectwindow.h"
#include "app/dxfcommands.h"
#include "plan/underlay.h"

#include "app/plancanvas.h"
#include "app/dictcommands.h"
#include "app/projectcommands.h"
#include "app/objectdiagramswindow.h"
#include "app/placementwindow.h"
#include "app/projectdocument.h"
#include "app/reportcommands.h"
#include "app/spherewindow.h"
#include "app/toolglyphs.h"
#include "app/view3dwindow.h"
#include "widgets/dialogrunner.h"
#include "widgets/help.h"
#include "widgets/helpwindow.h"
#include "data/datamodule.h"
#include "data/prompter.h"

#include <algorithm>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

namespace kv {

const char *const ProjectWindow::kPendingHint = "Будет доступно в следующей версии";

namespace {

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

} // namespace

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
    addCommand(proj, QStringLiteral("mnOpenFile"), QStringLiteral("Открыть файл..."));
    addCommand(proj, QStringLiteral("mnSaveFile"), QStringLiteral("Сохранить в файл..."));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnLinkToGrid"), QStringLiteral("Привязать к сетке"));
    addCommand(proj, QStringLiteral("mnImportDxf"), QStringLiteral("Импорт объектов из DXF..."));
    addCommand(proj, QStringLiteral("mnUnderlay"), QStringLiteral("Подложка..."));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnPreview"), QStringLiteral("Просмотр зон защиты..."));
    addCommand(proj, QStringLiteral("mnReport"), QStringLiteral("Экспорт отчета в Microsoft Word"));
    addCommand(proj, QStringLiteral("mnReportPdf"), QStringLiteral("Экспорт отчета в PDF..."));
    proj->addSeparator();
    addCommand(proj, QStringLiteral("mnExit"), QStringLiteral("Выход"));

    // Undo and redo come from the document's stack (attach).
    m_editMenu = menu(QStringLiteral("Правка"), QStringLiteral("mnEdit"));

    QMenu *view = menu(QStringLiteral("Вид"), QStringLiteral("mnView"));
    addCommand(view, QStringLiteral("mnFitView"), QStringLiteral("По размеру окна"));
    addCommand(view, QStringLiteral("mnView3D"), QStringLiteral("3D вид..."));

    QMenu *mo = menu(QStringLiteral("Молниеотвод"), QStringLiteral("mnMO"));
    addCommand(mo, QStringLiteral("mnAlignMO"), QStringLiteral("Выравнивание молниеотвода..."));
    addCommand(mo, QStringLiteral("mnKoordMO"), QStringLiteral("Координаты молниеотвода..."));
    addCommand(mo, QStringLiteral("mnAddRod"), QStringLiteral("Добавить опору"));
    addCommand(mo, QStringLiteral("mnDeleteRod"), QStringLiteral("Удалить опору"));
    mo->addSeparator();
    addCommand(mo, QStringLiteral("mnPodbor"), QStringLiteral("Ориентировочный подбор"));
    addCommand(mo, QStringLiteral("mnPlacement"), QStringLiteral("Оптимальное размещение..."));
    addCommand(mo, QStringLiteral("mnSphere"), QStringLiteral("Проверка методом катящейся сферы..."));
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
    // The underlay is shown or hidden; the choice is kept with the project.
    auto *underlay = new QAction(QStringLiteral("Подложка"), this);
    underlay->setObjectName(QStringLiteral("btnUnderlay"));
    underlay->setCheckable(true);
    underlay->setEnabled(false);
    underlay->setToolTip(QStringLiteral("Показать или скрыть подложку"));
    underlay->setStatusTip(underlay->toolTip());
    m_toolBar->addAction(underlay);
    connect(underlay, &QAction::toggled, this, [this](bool on) {
        if (!m_doc || !m_doc->hasProject())
            return;
        const QString dir = QString::fromStdString(m_dm->dataDir());
        UnderlaySettings s = loadUnderlaySettings(dir, m_doc->projectKod());
        s.shown = on;
        guarded([&] { saveUnderlaySettings(dir, m_doc->projectKod(), s); });
        setProperty("underlayKod", QVariant()); // loaded again by the next refresh
        scheduleRefresh(true);
    });
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
            guarded([&] { m_doc->switchAutoPodbor(on); });
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
    oneTo->setAccessibleName(oneTo->text());
    m_toolBar->addWidget(oneTo);
    m_spinScale = new QSpinBox;
    m_spinScale->setObjectName(QStringLiteral("SpinScale"));
    m_spinScale->setRange(kMinScale, kMaxScale);
    m_spinScale->setValue(500);
    m_spinScale->setSingleStep(100);
    m_spinScale->setKeyboardTracking(false);
    m_spinScale->setToolTip(QStringLiteral("Масштаб планов текущего проекта"));
    m_spinScale->setStatusTip(m_spinScale->toolTip());
    m_spinScale->setAccessibleName(m_spinScale->toolTip());
    m_spinScale->setFixedWidth(m_spinScale->sizeHint().width() + 8);
    // Only the spin buttons change the scale: typed keys and the wheel are swallowed.
    m_spinScale->installEventFilter(this);
    if (QLineEdit *le = m_spinScale->findChild<QLineEdit *>())
        le->installEventFilter(this);
    m_toolBar->addWidget(m_spinScale);
    connect(m_spinScale, &QSpinBox::valueChanged, this, &ProjectWindow::onScaleChanged);
    button("btnFitView", "По размеру окна", "mnFitView");
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
    mo("pmAddRod", "mnAddRod", "Добавить опору");
    mo("pmDeleteRod", "mnDeleteRod", "Удалить опору");
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
    m_protection = new QLabel;
    m_protection->setObjectName(QStringLiteral("panelProtection"));
    m_protection->setFrameShape(QFrame::StyledPanel);
    m_protection->setFrameShadow(QFrame::Sunken);
    m_protection->setContentsMargins(3, 0, 3, 0);
    m_protection->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_protection->hide();
    sb->addPermanentWidget(m_protection);
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
    wire(QStringLiteral("mnClearMO"), [this] { cmdClearChosenConstruction(*m_doc); });
    wire(QStringLiteral("mnExit"), [this] { close(); });
    wire(QStringLiteral("mnFitView"), [this] { fitView(); });

    // The project and object commands show their dialogs and call the document.
    wire(QStringLiteral("mnCreateProj"), [this] { cmdCreateProject(*m_doc, this); });
    wire(QStringLiteral("mnOpenProj"), [this] { cmdOpenProject(*m_doc, this); });
    wire(QStringLiteral("mnEditProj"), [this] { cmdEditProject(*m_doc, this); });
    wire(QStringLiteral("mnDeleteProj"), [this] { cmdDeleteProject(*m_doc, this); });
    wire(QStringLiteral("mnSaveAsProj"), [this] { cmdSaveAsProject(*m_doc, this); });
    wire(QStringLiteral("mnOpenFile"), [this] { cmdOpenProjectFile(*m_doc, this); });
    wire(QStringLiteral("mnSaveFile"), [this] { cmdSaveProjectFile(*m_doc, this); });
    wire(QStringLiteral("mnImportDxf"), [this] { cmdImportDxf(*m_doc, this); });
    wire(QStringLiteral("mnUnderlay"), [this] { cmdUnderlay(*m_doc, this); });
    wire(QStringLiteral("mnAddObj"), [this] { cmdAddObject(*m_doc, this); });
    wire(QStringLiteral("mnEditObj"), [this] { cmdEditObject(*m_doc, this); });
    wire(QStringLiteral("mnDeleteObj"), [this] { cmdDeleteObject(*m_doc, this); });
    wire(QStringLiteral("mnCloneObj"), [this] { cmdCloneObject(*m_doc, this); });
    wire(QStringLiteral("mnHelp"), [this] { requestHelp(kHelpContents, this); });
    wire(QStringLiteral("mnAbout"), [this] { showAbout(this); });

    // Positioning, the catalogue, the dictionaries and the settings.
    wire(QStringLiteral("mnAlignMO"), [this] { cmdAlignConductor(*m_doc, this); });
    wire(QStringLiteral("mnKoordMO"), [this] { cmdConductorCoords(*m_doc, this); });
    wire(QStringLiteral("mnAddRod"), [this] { m_doc->addRod(); });
    wire(QStringLiteral("mnDeleteRod"), [this] { m_doc->deleteRod(); });
    wire(QStringLiteral("mnAlignObMO"), [this] { cmdAlignObjectToConductor(*m_doc, this); });
    wire(QStringLiteral("mnAlignObOb"), [this] { cmdAlignObjectToObject(*m_doc, this); });
    wire(QStringLiteral("mnSelectMO"), [this] { cmdChooseConstruction(*m_doc, this); });
    wire(QStringLiteral("mnPoraj"), [this] { showThunderstormDictionary(*m_doc, this); });
    wire(QStringLiteral("mnClasses"), [this] { showClassDictionary(*m_doc, this); });
    wire(QStringLiteral("mnConstructions"), [this] { showConstructionDictionary(*m_doc, this); });
    wire(QStringLiteral("mnObjNames"), [this] { showNameDictionary(*m_doc, this); });
    wire(QStringLiteral("N6"), [this] { cmdSettings(*m_doc, this); });

    // The report: preview, export and its settings.
    wire(QStringLiteral("mnPreview"), [this] { cmdPreview(*m_doc, &m_model, this, &m_sphere); });
    wire(QStringLiteral("mnReport"), [this] { cmdReport(*m_doc, statusBar(), m_panels[3], this); });
    wire(QStringLiteral("mnReportPdf"),
         [this] { cmdReport(*m_doc, statusBar(), m_panels[3], this, true); });
    wire(QStringLiteral("mnReportSettings"), [this] { cmdReportSettings(*m_doc, this); });

    // The 3D view: one window over the document, shown again when it was closed.
    wire(QStringLiteral("mnView3D"), [this] {
        auto *window = findChild<View3DWindow *>(QString(), Qt::FindDirectChildrenOnly);
        if (!window) {
            window = new View3DWindow(*m_doc, this);
            window->setSphere(m_sphere);
        }
        window->show();
        window->raise();
        window->activateWindow();
    });

    // Optimal placement (the window of the project's conductor kind) and the object diagrams.
    wire(QStringLiteral("mnPlacement"), [this] {
        const bool complex = conductorTypeOf(m_doc->snapshot().project.TipMO.value_or(""))
                             != ConductorType::SingleRod;
        // Each kind of placement window is made once and kept, so that its height table,
        // result mode, map factor and scheme settings last while the program runs.
        const QString name =
            complex ? QStringLiteral("placementComplex") : QStringLiteral("placementSingle");
        auto *window = findChild<PlacementWindow *>(name, Qt::FindDirectChildrenOnly);
        if (!window) {
            window = new PlacementWindow(*m_doc, m_dm->prompter(), complex, this);
            window->setObjectName(name);
        }
        window->execAndApply();
    });
    wire(QStringLiteral("mnSphere"), [this] { showSphereWindow(); });
    wire(QStringLiteral("mnDiagrams"), [this] {
        ObjectDiagramsWindow window(*m_doc, this);
        window.activate();
        runDialog(window);
    });

    // F1 opens the topic of the window, or of the plans when the pointer is over them.
    auto *f1 = new QAction(this);
    f1->setObjectName(QStringLiteral("helpContext"));
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(f1);
    connect(f1, &QAction::triggered, this, [this] {
        const QWidget *w = QApplication::widgetAt(QCursor::pos());
        const bool plans = w && (m_splitter->isAncestorOf(w));
        guarded([&] { requestHelp(plans ? kHelpPlans : kHelpProjectWindow, this); });
    });
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
            const ConductorRec &c = snap.conductors[std::min<std::size_t>(
                static_cast<std::size_t>(std::max(0, m_conductorPos)), snap.conductors.size() - 1)];
            s.chosen = c.H1.has_value();
        }
        s.multiRod = m_doc->isMultiRod();
        s.rods = static_cast<int>(snap.conductors.size());
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
            if (s.multiRod && it.key() == QStringLiteral("mnPlacement"))
                hint = QString::fromUtf8(kHintPlacementMultiRod);
            // The rods' commands belong to the multiple rod only.
            if (it.key() == QStringLiteral("mnAddRod") || it.key() == QStringLiteral("mnDeleteRod"))
                a->setVisible(s.multiRod);
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

} // namespace kv
