// Plans of large sites: scrolled to their far corner they show grid, shapes and zones and take
// the mouse as anywhere else; Ctrl + wheel and "По размеру окна" change the scale through the
// scale spin, each as one undoable step.

#include "userinput.h"
#include "windowfixture.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QUndoStack>

#include <algorithm>

using namespace kv;
using namespace kv::test;

namespace {

constexpr QRgb kGridBlack = 0x000000;

int countColour(const QImage &img, QRgb rgb)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xffffff) == rgb;
    return n;
}

// Pixels of the pane in a zone colour (the conductor's or an object's) outside every shape:
// the zone outlines on screen.
int zonePixels(QScrollArea *pane, const QImage &shown, const ProjectWindow &w,
               const ProjectSnapshot &snap)
{
    std::vector<QRgb> colours{w.planModel().settings().conductorColor().rgb() & 0xffffff};
    for (const ObjectRec &o : snap.objects)
        colours.push_back(colorFromRgbInt(o.ObjColor.value_or(0)).rgb() & 0xffffff);
    const bool top = pane == w.topPane();
    const QPoint scroll(pane->horizontalScrollBar()->value(), pane->verticalScrollBar()->value());
    std::vector<QRect> shapes;
    for (const std::string &n : top ? w.planModel().topOrder() : w.planModel().frontOrder())
        if (const PlanShape *s = w.planModel().shape(n); s && s->visible)
            shapes.push_back(s->rect.translated(-scroll));
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb c = shown.pixel(x, y) & 0xffffff;
            if (std::find(colours.begin(), colours.end(), c) == colours.end())
                continue;
            n += std::none_of(shapes.begin(), shapes.end(),
                              [&](const QRect &r) { return r.contains(x, y); });
        }
    return n;
}

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void scrollToEnd(QScrollArea *pane)
{
    pane->horizontalScrollBar()->setValue(pane->horizontalScrollBar()->maximum());
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

QPoint scrollOf(QScrollArea *pane)
{
    return {pane->horizontalScrollBar()->value(), pane->verticalScrollBar()->value()};
}

// What the pane shows now, as on screen.
QImage seen(QScrollArea *pane)
{
    QApplication::processEvents();
    return pane->viewport()->grab().toImage();
}

} // namespace

class WideSite : public WindowFixture {
protected:
    // A rod with a shed and a mast at the far corner of a square site `side` metres wide at
    // 1:50, with their zones drawn.
    ProjectWindow &openSite(double side, QSize size = QSize(1100, 760))
    {
        addProject(kTipSingleRod, {{side - 6, side - 3}},
                   {{"Навес", side - 10, side - 4, 3, 2, 2, 0x00a000},
                    {"Мачта", side - 2, side - 2, 1, 1, 2, 0xc08000}},
                   50);
        ProjectWindow &w = open(size);
        EXPECT_TRUE(chooseMenu(&w, QStringLiteral("Молниеотвод"),
                               QStringLiteral("Ориентировочный подбор")));
        w.refreshNow();
        EXPECT_TRUE(doc().zoneSuffix());
        return w;
    }
};

// At 1:50 a 2 000 m site is 152 000 pixels a side: scrolled to the far corner, both plans show
// their grid and the zones, and the far object is picked and dragged there like anywhere else.
TEST_F(WideSite, FarCornerShowsGridAndZonesAndTakesTheMouse)
{
    ProjectWindow &w = openSite(2000);
    EXPECT_GE(w.topView()->width(), PlanScale(50).px(1999));
    EXPECT_GE(w.topView()->height(), PlanScale(50).px(1999));
    // The top plan at its far corner, the front plan at its far end with the rod's top.
    scrollToEnd(w.topPane());
    scrollToEnd(w.frontPane());
    w.frontPane()->verticalScrollBar()->setValue(0);
    const QImage top = seen(w.topPane());
    EXPECT_GT(countColour(top, kGridBlack), 200);
    EXPECT_GT(zonePixels(w.topPane(), top, w, snap()), 100);
    const QImage front = seen(w.frontPane());
    EXPECT_GT(countColour(front, kGridBlack), 100);
    EXPECT_GT(zonePixels(w.frontPane(), front, w, snap()), 100);
    // Only what is on screen was drawn.
    EXPECT_LT(w.topView()->tileCount(), 40u);

    // The mast in the far corner, pressed and dragged 1 m left.
    const std::string far = snap().objects.at(1).ShapeName.value_or("");
    const QRect r = w.planModel().shape(far)->rect;
    // The plan reaches on to the zone's edge: scrolled back to the mast.
    const QSize room = w.topPane()->viewport()->size();
    w.topPane()->horizontalScrollBar()->setValue(r.center().x() - room.width() / 2);
    w.topPane()->verticalScrollBar()->setValue(r.center().y() - room.height() / 2);
    const QRect shown(scrollOf(w.topPane()), room);
    const QPoint at = r.center();
    ASSERT_TRUE(shown.contains(at));
    mouse(w.topView(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(w.topView(), QEvent::MouseMove, at - QPoint(38, 0), Qt::NoButton, Qt::LeftButton);
    mouse(w.topView(), QEvent::MouseMove, at - QPoint(76, 0), Qt::NoButton, Qt::LeftButton);
    mouse(w.topView(), QEvent::MouseButtonRelease, at - QPoint(76, 0), Qt::LeftButton,
          Qt::NoButton);
    w.refreshNow();
    EXPECT_EQ(w.topView()->selectedShape(), far);
    EXPECT_DOUBLE_EQ(snap().objects.at(1).MXa.value_or(0), 1997.0);
    EXPECT_EQ(w.planModel().shape(far)->rect.left(), r.left() - 76);
    // Still in sight where it was dropped.
    EXPECT_TRUE(QRect(scrollOf(w.topPane()), shown.size()).contains(r.center() - QPoint(76, 0)));
    EXPECT_TRUE(prompter.errors().empty());
}

TEST_F(WideSite, ScreenshotOfAKilometreSiteAtItsFarEdge)
{
    ProjectWindow &w = openSite(1000, QSize(1366, 768));
    scrollToEnd(w.topPane());
    scrollToEnd(w.frontPane());
    w.frontPane()->verticalScrollBar()->setValue(0);
    EXPECT_GT(zonePixels(w.topPane(), seen(w.topPane()), w, snap()), 100);
    shot("main-wide.png");

    // The coordinate labels stay along the top and the left edge like rulers: scrolled to the
    // far corner the edge strips read as they do with the view scrolled back to that edge.
    auto strip = [&](const QRect &r) { return seen(w.topPane()).copy(r); };
    auto same = [](const QImage &a, const QImage &b) {
        int equal = 0, dark = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                equal += a.pixel(x, y) == b.pixel(x, y);
                dark += qGray(a.pixel(x, y)) < 100;
            }
        return dark > 30 && equal > a.width() * a.height() * 97 / 100;
    };
    const int width = w.topPane()->viewport()->width();
    const int height = w.topPane()->viewport()->height();
    const QRect top(0, 0, width, 12), left(0, 24, 20, height - 24);
    const QImage cornerTop = strip(top), cornerLeft = strip(left);
    QTest::keyClick(w.topPane()->verticalScrollBar(), Qt::Key_Home);
    EXPECT_TRUE(same(cornerTop, strip(top)));
    QTest::keyClick(w.topPane()->verticalScrollBar(), Qt::Key_End);
    QTest::keyClick(w.topPane()->horizontalScrollBar(), Qt::Key_Home);
    EXPECT_TRUE(same(cornerLeft, strip(left)));
}

// Ctrl + wheel steps the scale spin around the pointer, in the top and in the front plan; the
// spin's own buttons and undo see one step each.
TEST_F(WideSite, CtrlWheelZoomsAroundThePointerAndUndoes)
{
    ProjectWindow &w = openSite(300);
    QScrollArea *top = w.topPane();
    top->horizontalScrollBar()->setValue(7000);
    top->verticalScrollBar()->setValue(9000);
    QPoint at(300, 120);
    // The plan point under the pointer, in metres, before and after each notch.
    auto metresUnder = [&](QScrollArea *pane, QWidget *view, bool front) {
        const QPoint c = view->mapFrom(pane->viewport(), at);
        const double perPx = w.scaleSpin()->value() / 3800.0;
        return QPointF(c.x() * perPx, (front ? w.planModel().groundLine() - c.y() : c.y()) * perPx);
    };
    const QPointF before = metresUnder(top, w.topView(), false);
    turnWheel(w.topView(), w.topView()->mapFrom(top->viewport(), at), -1, Qt::ControlModifier);
    EXPECT_EQ(w.scaleSpin()->value(), 150);
    EXPECT_EQ(snap().project.IScale, 150);
    // Within one pixel of the new scale.
    const QPointF after = metresUnder(top, w.topView(), false);
    EXPECT_NEAR(after.x(), before.x(), 150 / 3800.0);
    EXPECT_NEAR(after.y(), before.y(), 150 / 3800.0);
    // Without Ctrl the wheel scrolls and leaves the scale alone.
    turnWheel(w.topView(), w.topView()->mapFrom(top->viewport(), at), -1);
    EXPECT_EQ(w.scaleSpin()->value(), 150);

    // The front plan keeps the point under the pointer too (heights from the ground line; near
    // its top, where the plan can scroll that far).
    QScrollArea *front = w.frontPane();
    at = QPoint(300, 40);
    front->horizontalScrollBar()->setValue(2000);
    const QPointF fBefore = metresUnder(front, w.frontView(), true);
    turnWheel(w.frontView(), w.frontView()->mapFrom(front->viewport(), at), 1, Qt::ControlModifier);
    EXPECT_EQ(w.scaleSpin()->value(), 50);
    const QPointF fAfter = metresUnder(front, w.frontView(), true);
    EXPECT_NEAR(fAfter.x(), fBefore.x(), 50 / 3800.0);
    EXPECT_NEAR(fAfter.y(), fBefore.y(), 50 / 3800.0);

    // Two steps of the undo stack, in order.
    QAction *undo =
        menuAction(&w, QStringLiteral("Правка"), QStringLiteral("Отменить изменение масштаба"));
    ASSERT_TRUE(undo);
    undo->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().project.IScale, 150);
    EXPECT_EQ(w.scaleSpin()->value(), 150);
    undo->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().project.IScale, 50);
    EXPECT_EQ(w.scaleSpin()->value(), 50);
    EXPECT_TRUE(prompter.errors().empty());
}

// "По размеру окна" picks the most detailed of the spin's values at which the whole site fits
// both plans: the objects, the conductor and its zones, from the menu and from the tool bar
// (again: no change, as the zones the scale change cleared still count); undo takes it back.
TEST_F(WideSite, FitToWindowShowsTheWholeSiteAndUndoes)
{
    ProjectWindow &w = openSite(120);
    EXPECT_GT(w.topView()->width(), w.topPane()->viewport()->width());
    const ConductorRec rod = snap().conductors.front();
    // The zone reaches past the far objects (the margin of the views on top).
    const double far = *rod.MX + *rod.Ro_b;
    ASSERT_GT(far, 120);
    // At 1:50 the plan reaches as far as the zone, to be scrolled to.
    EXPECT_GE(w.topView()->width(), PlanScale(50).px(far));
    EXPECT_GE(w.topView()->height(), PlanScale(50).px(*rod.MY + *rod.Ro_b));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Вид"), QStringLiteral("По размеру окна")));
    w.refreshNow();
    const int n = w.scaleSpin()->value();
    EXPECT_EQ(snap().project.IScale, n);
    EXPECT_EQ((n - 50) % 100, 0) << n; // one of the spin's values from 50
    const QSize room = w.topPane()->maximumViewportSize();
    const int side = std::min(room.width(), room.height());
    EXPECT_LE(PlanScale(n).px(far) + 20, side);
    EXPECT_GT(PlanScale(n - 100).px(far) + 20, side);
    QApplication::processEvents(); // the scroll bars come and go after the plan's new size
    for (QScrollArea *pane : {w.topPane(), w.frontPane()}) {
        EXPECT_LE(pane->widget()->width(), pane->viewport()->width());
        EXPECT_LE(pane->widget()->height(), pane->viewport()->height());
        EXPECT_EQ(scrollOf(pane), QPoint(0, 0));
    }
    // The tool button once more changes nothing and adds no step.
    QAction *fit = w.findAction(QStringLiteral("btnFitView"));
    ASSERT_TRUE(fit && fit->isEnabled());
    const int steps = doc().undoStack()->count();
    QTest::mouseClick(w.findChild<QToolBar *>()->widgetForAction(fit), Qt::LeftButton);
    EXPECT_EQ(doc().undoStack()->count(), steps);
    EXPECT_EQ(w.scaleSpin()->value(), n);
    ASSERT_TRUE(
        chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить изменение масштаба")));
    w.refreshNow();
    EXPECT_EQ(w.scaleSpin()->value(), 50);

    // A tall rod: the front plan decides.
    setSetting("LastProj", Value(addProject(kTipSingleRod, {{5, 5}}, {}, 500)));
    ProjectWindow &tall = open();
    ASSERT_TRUE(chooseMenu(&tall, QStringLiteral("Вид"), QStringLiteral("По размеру окна")));
    tall.refreshNow();
    QApplication::processEvents();
    EXPECT_LE(tall.frontView()->height(), tall.frontPane()->viewport()->height());
}

// A change of the scale by the spin's buttons, by undo or by redo keeps the plan point in the
// middle of each pane (where the plan reaches that far).
TEST_F(WideSite, AnotherScaleKeepsTheMiddleOfThePanes)
{
    ProjectWindow &w = openSite(300);
    QScrollArea *top = w.topPane();
    top->horizontalScrollBar()->setValue(9000);
    top->verticalScrollBar()->setValue(8000);
    auto middle = [&] {
        const QPoint c = scrollOf(top) + QPoint(top->viewport()->width() / 2,
                                                top->viewport()->height() / 2);
        return QPointF(c) * (w.scaleSpin()->value() / 3800.0);
    };
    const QPointF before = middle();
    // The spin's up button.
    QSpinBox *spin = w.scaleSpin();
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(spin->width() - 5, 4));
    w.refreshNow();
    ASSERT_EQ(spin->value(), 150);
    EXPECT_NEAR(middle().x(), before.x(), 150 / 3800.0 * 2);
    EXPECT_NEAR(middle().y(), before.y(), 150 / 3800.0 * 2);
    // The wheel near the pane's corner moves the middle; undo and redo keep the new one.
    turnWheel(w.topView(), w.topView()->mapFrom(top->viewport(), QPoint(10, 10)), -1,
              Qt::ControlModifier);
    ASSERT_EQ(spin->value(), 250);
    const QPointF zoomed = middle();
    for (const char *item : {"Отменить изменение масштаба", "Отменить изменение масштаба",
                             "Повторить изменение масштаба"}) {
        SCOPED_TRACE(item);
        ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QString::fromUtf8(item)));
        w.refreshNow();
        const QPointF now = middle();
        EXPECT_NEAR(now.x(), zoomed.x(), spin->value() / 3800.0 * 2);
        EXPECT_NEAR(now.y(), zoomed.y(), spin->value() / 3800.0 * 2);
    }
}
