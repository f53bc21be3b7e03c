// The project window driven through its widgets: the views of each conductor type with their
// zones, dragging, the move buttons and keys, snapping, the scale, the read-out and the pop-ups.

#include "windowfixture.h"

#include "app/projectcommands.h"
#include "app/projectpages.h"
#include "calc/numfmt.h"
#include "data/podborops.h"
#include "widgets/help.h"
#include "widgets/helpwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace kv;
using namespace kv::test;

namespace {

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at from, moves to to (two steps) and, unless hold, releases there.
void drag(QWidget *w, QPoint from, QPoint to, bool hold = false)
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    if (!hold)
        mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

int countColour(const QImage &img, QRgb rgb)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xffffff) == (rgb & 0xffffff);
    return n;
}

QPoint centre(const ProjectWindow &w, const char *shape) { return w.planModel().shape(shape)->rect.center(); }

} // namespace

TEST_F(WindowFixture, EmptyDataShowsTheEmptyState)
{
    removeAllProjects();
    ProjectWindow &w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Korvan VL 2.1"));
    EXPECT_FALSE(doc().hasProject());
    for (const char *m : {kShapeMO, kShapeMO1, kShapeMO_1, kShapeMO1_1})
        EXPECT_FALSE(w.planModel().shape(m)->visible) << m;
    for (const char *b : {"spdL", "spdLU", "spdU", "spdRU", "spdR", "spdRD", "spdD", "spdLD", "mnLinkToGrid",
                          "mnPodbor", "btnPodbor", "mnClearMO"})
        EXPECT_FALSE(w.findAction(QLatin1String(b))->isEnabled()) << b;
    EXPECT_FALSE(w.scaleSpin()->isEnabled());
    EXPECT_FALSE(w.autoPodborBox()->isEnabled());
    // Only creating a project, the help and the always-available items can be used.
    for (const char *b : {"btnNewProj", "SpeedButton1", "mnCreateProj", "mnExit", "mnHelp", "mnAbout"})
        EXPECT_TRUE(w.findAction(QLatin1String(b))->isEnabled()) << b;
    for (const char *b : {"btnOpenProj", "mnOpenProj", "mnEditProj", "btnAddObject", "mnAddObj"})
        EXPECT_FALSE(w.findAction(QLatin1String(b))->isEnabled()) << b;
    // The grids are drawn even without a project.
    EXPECT_GT(w.topView()->width(), 100);
    EXPECT_TRUE(prompter.messages.empty());
    shot("main-empty.png");
}

TEST_F(WindowFixture, CommandsWithoutTheirWindowsAreDisabledWithAHint)
{
    ProjectWindow &w = open();
    // Every menu item has an action named after its handler, and every command has its window.
    for (const char *n : {"mnPreview", "mnReport", "mnReportSettings", "mnPlacement", "mnDiagrams"}) {
        ASSERT_TRUE(w.findAction(QLatin1String(n))) << n;
        EXPECT_TRUE(w.isWired(QLatin1String(n))) << n;
        EXPECT_FALSE(w.findAction(QLatin1String(n))->statusTip().contains(
            QString::fromUtf8(ProjectWindow::kPendingHint))) << n;
    }
    // The help button opens the contents, F1 the window's topic (through the help request).
    std::vector<int> topics;
    setHelpHandler([&](int context, QWidget *) { topics.push_back(context); });
    w.findAction(QStringLiteral("SpeedButton1"))->trigger();
    w.findAction(QStringLiteral("helpContext"))->trigger();
    setHelpHandler({});
    EXPECT_EQ(topics, (std::vector<int>{kHelpContents, kHelpProjectWindow}));
    // Wiring a command is one line; the rules apply from then on.
    int calls = 0;
    w.wire(QStringLiteral("mnPreview"), [&] { ++calls; });
    EXPECT_TRUE(w.findAction(QStringLiteral("btnPreview"))->isEnabled());
    EXPECT_EQ(w.findAction(QStringLiteral("btnPreview"))->toolTip(), QStringLiteral("Просмотр зон защиты"));
    w.findAction(QStringLiteral("btnPreview"))->trigger();
    w.action(QStringLiteral("mnPreview"))->trigger();
    EXPECT_EQ(calls, 2);
    // A failing command shows one message and leaves the window working.
    w.wire(QStringLiteral("mnReport"), [] { throw std::runtime_error("Ошибка. Проверка."); });
    w.action(QStringLiteral("mnReport"))->trigger();
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка. Проверка."});
}

TEST_F(WindowFixture, EachConductorTypeWithItsZones)
{
    struct Case {
        const char *tip;
        std::vector<std::pair<double, double>> conductors;
        const char *shotName;
        bool second;
    } cases[] = {
        {kTipSingleRod, {{40, 35}}, "main-rod.png", false},
        {kTipDoubleRod, {{30, 35}, {60, 35}}, "main-double.png", true},
        {kTipCable, {{30, 35}, {65, 35}}, "main-catenary.png", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tip);
        addProject(c.tip, c.conductors,
                   {{"Склад", 20, 15, 16, 10, 6, 0x800000}, {"Цех", 45, 20, 12, 8, 9, 0x008000},
                    {"Насосная", 38, 45, 8, 6, 4, 0x808000}});
        ProjectWindow &w = open();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Проект ") + QString::fromUtf8(c.tip));
        EXPECT_EQ(w.planModel().shape(kShapeMO1)->visible, c.second);
        EXPECT_EQ(w.planModel().shape(kShapeMO1_1)->visible, c.second);
        // Ticking "Автоподбор" runs the selection; its zones are drawn in the conductor colour.
        ASSERT_TRUE(w.autoPodborBox()->isEnabled());
        w.autoPodborBox()->setChecked(true);
        w.refreshNow();
        ASSERT_TRUE(doc().zoneSuffix());
        const ConductorRec &rod = snap().conductors.front();
        ASSERT_TRUE(rod.H);
        EXPECT_EQ(w.pages()->field(QStringLiteral("mo.H"))->text(), QString::fromStdString(formatGeneral(*rod.H)));
        EXPECT_GT(countColour(w.topView()->grab().toImage(), qRgb(255, 0, 0)), 200);
        EXPECT_GT(countColour(w.frontView()->grab().toImage(), qRgb(255, 0, 0)), 50);
        // The conductor type decides which fields apply.
        const ConductorType t = conductorTypeOf(c.tip);
        EXPECT_EQ(w.pages()->field(QStringLiteral("mo.Hop"))->isEnabled(), t == ConductorType::Cable);
        EXPECT_EQ(w.pages()->field(QStringLiteral("mo.Hc_a"))->isEnabled(), t == ConductorType::DoubleRod);
        EXPECT_EQ(w.pages()->field(QStringLiteral("object.Rcx"))->isEnabled(), t == ConductorType::DoubleRod);
        EXPECT_EQ(w.pages()->field(QStringLiteral("project.TipMO"))->text(), QString::fromUtf8(c.tip));
        w.pages()->setCurrentIndex(1);
        shot(c.shotName);
        window.reset();
    }
    EXPECT_TRUE(prompter.errors().empty());
}

// A 5 m rod chosen for a 30 m tower: the object tab says the tower is outside the chosen zone
// instead of showing a radius (once a negative one).
TEST_F(WindowFixture, AnObjectAboveTheChosenZoneIsSaidInWords)
{
    addProject(kTipSingleRod, {{40, 35}}, {{"Башня", 38, 33, 2, 2, 30, 0x800000}});
    chooseConstruction(*dm, ChosenConstruction{"М-5", "М", 5});
    ProjectWindow &w = open();
    EXPECT_EQ(w.pages()->field(QStringLiteral("object.Rx1"))->text(),
              QStringLiteral("вне зоны защиты выбранного молниеотвода"));
    EXPECT_FALSE(snap().objects.front().Rx1);
}

TEST_F(WindowFixture, DraggingAMarkerAndAnObjectSnapsAndClampsAtZero)
{
    addProject(kTipSingleRod, {{50, 30}}, {{"Склад", 20, 20, 20, 12, 6, 0x800000}});
    ProjectWindow &w = open();
    w.autoPodborBox()->setChecked(true);
    w.refreshNow();
    PlanCanvas *top = w.topView();
    // At 1:500 the marker's centre is at (380, 228); 38 pixels are 5 m.
    EXPECT_EQ(w.planModel().shape(kShapeMO)->rect, QRect(375, 223, 10, 10));
    const QPoint c = centre(w, kShapeMO);
    drag(top, c, c + QPoint(38, 38), true);
    EXPECT_TRUE(top->isDragging());
    EXPECT_EQ(top->rubberBand().topLeft(), QPoint(375 + 38, 223 + 38));
    // While the band moves the shape stays where it was.
    EXPECT_EQ(w.planModel().shape(kShapeMO)->rect.topLeft(), QPoint(375, 223));
    const double heightBefore = *snap().conductors.front().H;
    mouse(top, QEvent::MouseButtonRelease, c + QPoint(38, 38), Qt::LeftButton, Qt::NoButton);
    w.refreshNow();
    EXPECT_FALSE(top->isDragging());
    EXPECT_EQ(snap().conductors.front().MX, 55.0);
    EXPECT_EQ(snap().conductors.front().MY, 35.0);
    EXPECT_EQ(w.pages()->field(QStringLiteral("mo.MX"))->text(), QStringLiteral("55"));
    // "Автоподбор" is ticked: the selection ran again for the new place and its zones are shown.
    ASSERT_TRUE(doc().zoneSuffix());
    EXPECT_NE(*snap().conductors.front().H, heightBefore);

    // An object stores its snapped top-left corner: left 152 + 40 = 192 px is 25.26 m -> 25.
    const QPoint o = centre(w, firstShape().c_str());
    drag(top, o, o + QPoint(40, 3), true);
    shot("main-drag.png");
    mouse(top, QEvent::MouseButtonRelease, o + QPoint(40, 3), Qt::LeftButton, Qt::NoButton);
    w.refreshNow();
    EXPECT_EQ(doc().selection().kind, Selection::Object);
    EXPECT_EQ(snap().objects.front().MXa, 25.0);
    EXPECT_EQ(snap().objects.front().MYa, 20.0);
    const QPoint o2 = centre(w, firstShape().c_str());
    drag(top, o2, o2 - QPoint(0, 500));
    w.refreshNow();
    EXPECT_EQ(snap().objects.front().MXa, 25.0);
    EXPECT_EQ(snap().objects.front().MYa, 0.0);
    // Dragged beyond the plan's origin the centre is stored at 0.
    const QPoint c2 = centre(w, kShapeMO);
    drag(top, c2, c2 - QPoint(1000, 0));
    w.refreshNow();
    EXPECT_EQ(snap().conductors.front().MX, 0.0);
    EXPECT_EQ(snap().conductors.front().MY, 35.0);

    EXPECT_TRUE(prompter.errors().empty());
}

TEST_F(WindowFixture, MoveButtonsFollowTheirEnablingRule)
{
    // step s, start (x, y) of the selected shape, button, enabled?, position after the click
    struct Case {
        double step;
        bool object;
        double x, y;
        const char *button;
        bool enabled;
        double nx, ny;
    } cases[] = {
        {1, true, 0.4, 5, "spdL", false, 0.4, 5},
        {1, true, 0.4, 5, "spdLU", false, 0.4, 5},
        {1, true, 0.4, 5, "spdLD", false, 0.4, 5},
        {1, true, 0.4, 5, "spdR", true, 1, 5},
        {1, true, 0.4, 5, "spdU", true, 0, 4}, // both coordinates are snapped
        {1, true, 0.4, 5, "spdRU", true, 1, 4},
        {1, false, 3, 0.5, "spdU", false, 3, 0.5},
        {1, false, 3, 0.5, "spdRU", false, 3, 0.5},
        {1, false, 3, 0.5, "spdD", true, 3, 2},
        {1, false, 3, 0.5, "spdRD", true, 4, 2},
        {1, false, 3, 0.5, "spdLD", true, 2, 2},
        {1, false, 3, 3, "spdLU", true, 2, 2},
        {0.5, false, 3.3, 3, "spdR", true, 4, 3},
        {0.5, false, 3.3, 3, "spdL", true, 3, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " from " << c.x << ", " << c.y << " step " << c.step);
        const int kod = addProject(kTipSingleRod, {{c.object ? 10 : c.x, c.object ? 10 : c.y}},
                                   {{"Склад", c.object ? c.x : 10, c.object ? c.y : 10, 4, 4, 3, 0x800000}});
        setSetting("ObjShag", Value(c.step));
        ProjectWindow &w = open();
        ASSERT_EQ(doc().projectKod(), kod);
        if (c.object) {
            const QPoint o = centre(w, snap().objects.front().ShapeName->c_str());
            mouse(w.topView(), QEvent::MouseButtonPress, o, Qt::LeftButton, Qt::LeftButton);
            w.refreshNow();
            ASSERT_EQ(doc().selection().kind, Selection::Object);
            // A click without a drag leaves the unsnapped position alone only when it is on the grid.
            doc().select({Selection::Object, 0, *snap().objects.front().Kod});
        }
        QAction *b = w.findAction(QLatin1String(c.button));
        EXPECT_EQ(b->isEnabled(), c.enabled);
        if (b->isEnabled())
            b->trigger();
        w.refreshNow();
        const double x = c.object ? *snap().objects.front().MXa : *snap().conductors.front().MX;
        const double y = c.object ? *snap().objects.front().MYa : *snap().conductors.front().MY;
        EXPECT_DOUBLE_EQ(x, c.nx);
        EXPECT_DOUBLE_EQ(y, c.ny);
        window.reset();
    }
}

TEST_F(WindowFixture, ArrowKeysMoveOnlyWhenTheSettingsAllow)
{
    addProject(kTipSingleRod, {{0.4, 5}}, {});
    ProjectWindow &w = open();
    QTest::keyClick(w.topView(), Qt::Key_Right);
    w.refreshNow();
    EXPECT_EQ(snap().conductors.front().MX, 0.4); // UseKlav off: the plan does not move
    window.reset();

    setSetting("UseKlav", Value(true));
    ProjectWindow &w2 = open();
    struct Step {
        Qt::Key key;
        double x, y;
    } steps[] = {
        {Qt::Key_Left, 0.4, 5}, // disabled: 0.4 - 1 < 0
        {Qt::Key_Right, 1, 5},  {Qt::Key_Down, 1, 6}, {Qt::Key_Up, 1, 5}, {Qt::Key_Left, 0, 5},
        {Qt::Key_Left, 0, 5},
    };
    for (const Step &s : steps) {
        // The key reaches the window through any of its controls, the scale field included.
        QTest::keyClick(w2.scaleSpin(), s.key);
        w2.refreshNow();
        EXPECT_DOUBLE_EQ(*snap().conductors.front().MX, s.x);
        EXPECT_DOUBLE_EQ(*snap().conductors.front().MY, s.y);
    }
    EXPECT_EQ(w2.scaleSpin()->value(), 500);
}

TEST_F(WindowFixture, SnapAllToGrid)
{
    addProject(kTipDoubleRod, {{2.37, 4.1}, {10.6, 4}}, {{"Склад", 2.37, 7.2, 4, 4, 3, 0x800000}});
    setSetting("ObjShag", Value(0.25));
    ProjectWindow &w = open();
    w.action(QStringLiteral("mnLinkToGrid"))->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().conductors[0].MX, 2.25);
    EXPECT_EQ(snap().conductors[0].MY, 4.0);
    EXPECT_EQ(snap().conductors[1].MX, 10.5);
    EXPECT_EQ(snap().objects[0].MXa, 2.25);
    EXPECT_EQ(snap().objects[0].MYa, 7.25);
}

TEST_F(WindowFixture, ScaleSpinStoresTheScaleAndRedrawsThePlan)
{
    addProject(kTipSingleRod, {{50, 45}}, {{"Склад", 20, 20, 20, 12, 6, 0x800000}});
    ProjectWindow &w = open();
    EXPECT_EQ(w.scaleSpin()->value(), 500);
    EXPECT_EQ(w.scaleSpin()->singleStep(), 100);
    // Typed digits change nothing.
    QTest::keyClicks(w.scaleSpin(), QStringLiteral("1234"));
    w.refreshNow();
    EXPECT_EQ(w.scaleSpin()->value(), 500);
    w.scaleSpin()->stepUp();
    w.refreshNow();
    EXPECT_EQ(snap().project.IScale, 600);
    EXPECT_EQ(dm->project().asInt("IScale"), 600);
    // At 1:600 the object's left edge is round(20 * 100 / 600 * 38) = 127 pixels.
    EXPECT_EQ(w.planModel().shape(firstShape())->rect.left(), 127);
    w.scaleSpin()->setValue(2000);
    w.scaleSpin()->stepUp();
    w.refreshNow();
    EXPECT_EQ(snap().project.IScale, 2000);
}

TEST_F(WindowFixture, StatusBarReadsOutThePointer)
{
    addProject(kTipSingleRod, {{50, 45}}, {{"Склад", 20, 20, 20, 12, 6, 0x800000}});
    ProjectWindow &w = open();
    mouse(w.topView(), QEvent::MouseMove, QPoint(38, 1), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w.statusPanel(0)->text(), QStringLiteral("X: 5"));
    EXPECT_EQ(w.statusPanel(1)->text(), QStringLiteral("Y: 0,13"));
    const int ground = w.planModel().groundLine();
    mouse(w.frontView(), QEvent::MouseMove, QPoint(76, ground - 38), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w.statusPanel(0)->text(), QStringLiteral("X: 10"));
    EXPECT_EQ(w.statusPanel(2)->text(), QStringLiteral("Z: 5"));
    // The hint of the shape under the pointer goes to the last panel.
    mouse(w.topView(), QEvent::MouseMove, centre(w, firstShape().c_str()), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w.statusPanel(3)->text(), QStringLiteral("Склад"));
}

TEST_F(WindowFixture, RightClickSelectsAndOpensTheShapesMenu)
{
    addProject(kTipSingleRod, {{50, 45}},
               {{"Склад", 20, 20, 20, 12, 6, 0x800000}, {"Цех", 60, 10, 10, 8, 9, 0x008000}});
    ProjectWindow &w = open();
    mouse(w.topView(), QEvent::MouseButtonPress, centre(w, firstShape().c_str()), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(doc().selection().kind, Selection::Object);
    EXPECT_TRUE(w.objectPopup()->isVisible());
    EXPECT_EQ(w.topView()->selectedShape(), firstShape());
    EXPECT_EQ(snap().objects.front().MXa, 20.0); // nothing moved
    w.objectPopup()->hide();
    // The context-menu event of the same click does not open a second menu; the empty plan offers
    // nothing (an object menu there would act on whichever object happens to be current).
    const QPoint onShapePos = centre(w, firstShape().c_str());
    QContextMenuEvent onShape(QContextMenuEvent::Mouse, onShapePos, w.topView()->mapToGlobal(onShapePos));
    QApplication::sendEvent(w.topView(), &onShape);
    EXPECT_FALSE(w.objectPopup()->isVisible());
    mouse(w.topView(), QEvent::MouseButtonPress, QPoint(5, 300), Qt::RightButton, Qt::RightButton);
    QContextMenuEvent onPlan(QContextMenuEvent::Mouse, QPoint(5, 300), w.topView()->mapToGlobal(QPoint(5, 300)));
    QApplication::sendEvent(w.topView(), &onPlan);
    EXPECT_FALSE(w.objectPopup()->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    // The menu of the second object deletes that object, though the first one was current.
    const std::string second = snap().objects.at(1).ShapeName.value_or("");
    mouse(w.topView(), QEvent::MouseButtonPress, centre(w, second.c_str()), Qt::RightButton,
          Qt::RightButton);
    ASSERT_TRUE(w.objectPopup()->isVisible());
    for (QAction *a : w.objectPopup()->actions())
        if (a->text() == QStringLiteral("Удалить"))
            a->trigger();
    w.objectPopup()->hide();
    w.refreshNow();
    ASSERT_EQ(snap().objects.size(), 1u);
    EXPECT_EQ(snap().objects.front().ShapeName, firstShape());
    w.findAction(QStringLiteral("mnUndo"))->trigger();
    w.refreshNow();
    mouse(w.topView(), QEvent::MouseButtonPress, centre(w, kShapeMO), Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(w.conductorPopup()->isVisible());
    // Placement and coordinates are always offered in the conductor's menu.
    QStringList items;
    for (QAction *a : w.conductorPopup()->actions())
        if (!a->isSeparator() && a->isVisible())
            items << a->text();
    EXPECT_EQ(items, QStringList({"Выравнивание молниеотвода...", "Координаты молниеотвода...",
                                  "Ориентировочный подбор", "Оптимальное размещение...",
                                  "Выбор молниеотвода...", "Очистить данные выбранного молниеотвода"}));
    EXPECT_TRUE(w.findAction(QStringLiteral("pmPodbor"))->isEnabled());
    EXPECT_FALSE(w.findAction(QStringLiteral("pmClearMO"))->isEnabled());
    w.conductorPopup()->hide();
}

TEST_F(WindowFixture, TheSelectedShapeBlinks)
{
    addProject(kTipSingleRod, {{50, 45}}, {});
    ProjectWindow &w = open();
    auto *timer = w.findChild<QTimer *>(QStringLiteral("Timer1"));
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->interval(), 500);
    EXPECT_EQ(w.topView()->selectedShape(), kShapeMO);
    const bool before = w.topView()->isHatched();
    QTest::qWait(560);
    EXPECT_NE(w.topView()->isHatched(), before);
}

namespace {

// Every stored row of one project: the project row, its conductors and its objects.
std::vector<std::vector<Value>> projectRows(DataModule &dm, int kod)
{
    std::vector<std::vector<Value>> rows;
    rows.push_back(dm.project().rowByKey(kod).value_or(std::vector<Value>{}));
    for (Table *t : {&dm.mo(), &dm.object()})
        for (const auto key : t->keysUnder(kod))
            rows.push_back(*t->rowByKey(key));
    return rows;
}

} // namespace

TEST_F(WindowFixture, UndoAndRedoOfEveryMoveRestoreTheStoredRows)
{
    const int kod = addProject(kTipSingleRod, {{50, 30}},
                               {{"Склад", 20, 20, 20, 12, 6, 0x800000}, {"Цех", 60, 10, 10, 8, 9, 0x008000}});
    setSetting("UseKlav", Value(true));
    ProjectWindow &w = open();
    QAction *undo = w.findAction(QStringLiteral("mnUndo"));
    QAction *redo = w.findAction(QStringLiteral("mnRedo"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(redo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_FALSE(undo->isEnabled());
    w.autoPodborBox()->setChecked(true);
    w.refreshNow();

    struct Step {
        const char *what;
        std::function<void()> act;
    } steps[] = {
        {"drag of the marker", [&] { drag(w.topView(), centre(w, kShapeMO), centre(w, kShapeMO) + QPoint(40, 20)); }},
        {"drag of an object", [&] { drag(w.topView(), centre(w, firstShape().c_str()), centre(w, firstShape().c_str()) - QPoint(300, 0)); }},
        {"move button", [&] { w.findAction(QStringLiteral("spdD"))->trigger(); }},
        {"arrow key", [&] { QTest::keyClick(w.topView(), Qt::Key_Right); }},
        {"snap to the grid", [&] { w.action(QStringLiteral("mnLinkToGrid"))->trigger(); }},
        {"scale", [&] { w.scaleSpin()->stepUp(); }},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        if (std::string(s.what) == "snap to the grid") {
            // An unsnapped position, as stored by an older version of the data.
            Table &o = dm->object();
            o.last();
            o.edit();
            o.setValue("MXa", 60.4);
            o.post();
            doc().openProject(kod);
            w.refreshNow();
        }
        const auto before = projectRows(*dm, kod);
        s.act();
        w.refreshNow();
        const auto after = projectRows(*dm, kod);
        ASSERT_TRUE(before != after);
        ASSERT_TRUE(undo->isEnabled());
        undo->trigger();
        w.refreshNow();
        EXPECT_TRUE(projectRows(*dm, kod) == before);
        EXPECT_TRUE(redo->isEnabled());
        redo->trigger();
        w.refreshNow();
        EXPECT_TRUE(projectRows(*dm, kod) == after);
        // The views follow the rows: the marker stands where the conductor row says.
        EXPECT_EQ(w.planModel().shape(kShapeMO)->rect.left() + 5,
                  w.planModel().scale().px(*snap().conductors.front().MX));
    }
    EXPECT_EQ(w.scaleSpin()->value(), 600);
    undo->trigger();
    w.refreshNow();
    EXPECT_EQ(w.scaleSpin()->value(), 500);
    EXPECT_TRUE(prompter.errors().empty());
}

TEST_F(WindowFixture, ProjectAndObjectCommandsFromTheToolBar)
{
    removeAllProjects();
    ProjectWindow &w = open();
    int dialogs = 0;
    // Every dialog is accepted with the values it offers.
    dialogRunner() = [&](QDialog &) {
        ++dialogs;
        return static_cast<int>(QDialog::Accepted);
    };
    w.findAction(QStringLiteral("btnNewProj"))->trigger();
    w.refreshNow();
    ASSERT_TRUE(doc().hasProject());
    EXPECT_EQ(w.windowTitle(), QString::fromStdString(snap().project.Name.value_or("?")));
    EXPECT_TRUE(w.planModel().shape(kShapeMO)->visible);
    EXPECT_TRUE(w.findAction(QStringLiteral("btnAddObject"))->isEnabled());
    EXPECT_FALSE(w.findAction(QStringLiteral("btnEditObject"))->isEnabled());
    EXPECT_TRUE(w.findAction(QStringLiteral("spdR"))->isEnabled());

    w.findAction(QStringLiteral("btnAddObject"))->trigger();
    w.refreshNow();
    ASSERT_EQ(snap().objects.size(), 1u);
    // The new object is the selected (blinking) shape and the "Объект" tab shows it.
    EXPECT_EQ(w.topView()->selectedShape(), firstShape());
    EXPECT_TRUE(w.planModel().shape(firstShape()));
    EXPECT_EQ(w.pages()->field(QStringLiteral("object.Name"))->text(),
              QString::fromStdString(snap().objects.front().Name.value_or("")));
    EXPECT_TRUE(w.findAction(QStringLiteral("btnEditObject"))->isEnabled());

    w.findAction(QStringLiteral("btnCopyObject"))->trigger();
    w.refreshNow();
    ASSERT_EQ(snap().objects.size(), 2u);
    EXPECT_TRUE(w.findAction(QStringLiteral("btnAlignObOb"))->isEnabled() == w.isWired(QStringLiteral("mnAlignObOb")));
    w.findAction(QStringLiteral("btnDeleteObject"))->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().objects.size(), 1u);
    EXPECT_EQ(w.topView()->selectedShape(), kShapeMO);
    w.findAction(QStringLiteral("mnUndo"))->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().objects.size(), 2u);
    EXPECT_TRUE(w.planModel().shape(snap().objects.back().ShapeName.value_or("")));
    EXPECT_EQ(dialogs, 2);
    dialogRunner() = {};
    EXPECT_TRUE(prompter.errors().empty());
}
