// The 3D view opened from the menu and driven with the mouse: zones, objects and the conductor
// drawn, following a drag in the plan, the preset views and the saved picture.

#include "app/spherewindow.h"
#include "app/view3dwindow.h"
#include "app/windowfixture.h"
#include "userinput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;
using namespace kv::test;

namespace {

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget *w, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, from, button, button);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, button);
    mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

View3DWindow *view3d()
{
    for (QWidget *t : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<View3DWindow *>(t); v && v->isVisible())
            return v;
    return nullptr;
}

// Where a plan point lands on the canvas.
QPoint onScreen(View3DCanvas *c, Point3 p)
{
    const QVector4D v = c->camera().matrix(c->size()) * QVector4D(float(p.x), float(-p.y), float(p.z), 1);
    return QPoint(int((v.x() / v.w() + 1) / 2 * c->width()), int((1 - v.y() / v.w()) / 2 * c->height()));
}

struct Tints {
    int zoneA = 0, zoneB = 0, sphere = 0;
};
Tints tints(const QImage &img)
{
    Tints t;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2) {
            const QColor c = img.pixelColor(x, y);
            t.zoneB += c.blue() - c.red() > 30 && c.blue() > 150;
            t.zoneA += c.red() - c.blue() > 40 && c.green() > 90 && c.red() > 150;
            t.sphere += c.red() - c.green() > 25 && c.blue() - c.green() > 25;
        }
    return t;
}

class View3D : public WindowFixture {
protected:
    // Opens the project window, ticks "Автоподбор" (the zones then follow every move) and opens
    // the 3D view from the menu.
    View3DWindow *openView()
    {
        ProjectWindow &w = open(QSize(1366, 768));
        QTest::mouseClick(w.autoPodborBox(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(8, w.autoPodborBox()->height() / 2));
        w.refreshNow();
        EXPECT_TRUE(doc().zoneSuffix());
        EXPECT_TRUE(chooseMenu(&w, QStringLiteral("Вид"), QStringLiteral("3D вид...")));
        QApplication::processEvents();
        View3DWindow *v = view3d();
        if (!v)
            return nullptr;
        v->resize(1000, 720);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(v));
        EXPECT_TRUE(clickButton(v, QStringLiteral("Изометрия")));
        QApplication::processEvents();
        if (qEnvironmentVariableIntValue("KORVAN_EXPECT_GL") == 1) {
            EXPECT_TRUE(v->canvas()->usesOpenGL());
        }
        return v;
    }
    void shot3d(View3DWindow *v, const char *file)
    {
        const char *dir = std::getenv("KORVAN_SHOTS");
        if (!dir || !*dir)
            return;
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QApplication::processEvents();
        v->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(file)));
    }
};

} // namespace

TEST_F(View3D, RodZonesObjectsAndADragInThePlan)
{
    addProject(kTipSingleRod, {{40, 35}},
               {{"Склад", 30, 38, 12, 8, 6, 0x00A000}, {"Цех", 30, 20, 10, 6, 5, 0x00A000}});
    View3DWindow *v = openView();
    ASSERT_TRUE(v);
    View3DCanvas *c = v->canvas();
    ASSERT_GE(c->width(), 800);
    ASSERT_GE(c->height(), 600);
    const QImage before = c->grab().toImage();
    const Tints t = tints(before);
    EXPECT_GT(t.zoneB, 5000); // the objects need zone B only
    EXPECT_EQ(t.zoneA, 0);
    // The warehouse's roof stands inside the zones: its green shows through their tint.
    const QColor roof = before.pixelColor(onScreen(c, {36, 42, 6}));
    EXPECT_GT(roof.green(), roof.red()) << roof.name().toStdString();
    shot3d(v, "view3d-rod.png");

    // The warehouse dragged 50 m off in the plan: the 3D view follows it there.
    ProjectWindow &w = *window;
    PlanCanvas *top = w.topView();
    const QPoint o = w.planModel().shape(firstShape())->rect.center();
    const int builds = v->builds();
    drag(top, o, o + QPoint(380, 0)); // 50 m to the right at 1:500
    QTRY_VERIFY(v->builds() > builds);
    const ObjectRec &moved = snap().objects.front();
    ASSERT_EQ(moved.MXa, 80.0);
    EXPECT_TRUE(clickButton(v, QStringLiteral("Изометрия"))); // the site grew: look at it whole
    QApplication::processEvents();
    const QImage after = c->grab().toImage();
    const QColor there = after.pixelColor(onScreen(c, {86, 42, 6}));
    EXPECT_GT(there.green(), 2 * there.red()) << there.name().toStdString();
    const QColor left = after.pixelColor(onScreen(c, {32, 39, 6}));
    EXPECT_LT(left.green(), 2 * left.red()) << left.name().toStdString();
}

TEST_F(View3D, PresetsMouseAndSavedPicture)
{
    addProject(kTipDoubleRod, {{20, 30}, {55, 30}},
               {{"Цех", 30, 26, 14, 8, 7, 0x30A0E0}, {"Склад", 24, 40, 8, 5, 4, 0x00A000}});
    View3DWindow *v = openView();
    ASSERT_TRUE(v);
    View3DCanvas *c = v->canvas();
    shot3d(v, "view3d-double.png");

    // From above the two rods stand where the plan has them, 35 m apart along the screen's x.
    EXPECT_TRUE(clickButton(v, QStringLiteral("Сверху")));
    const QPoint r1 = onScreen(c, {20, 30, 0}), r2 = onScreen(c, {55, 30, 0});
    EXPECT_NEAR(r1.y(), r2.y(), 1);
    EXPECT_GT(r2.x() - r1.x(), 200);
    EXPECT_GT(tints(c->grab().toImage()).zoneB, 1000);
    // From the front the heights read upwards: the rod's top above its foot.
    EXPECT_TRUE(clickButton(v, QStringLiteral("Спереди")));
    const double H = *snap().conductors.front().H;
    EXPECT_LT(onScreen(c, {20, 30, H}).y(), onScreen(c, {20, 30, 0}).y() - 100);

    // A left drag turns the view, a right drag shifts it, the wheel brings it nearer.
    const Camera3D start = c->camera();
    drag(c, QPoint(400, 300), QPoint(500, 260));
    EXPECT_NE(c->camera().yaw, start.yaw);
    EXPECT_NE(c->camera().pitch, start.pitch);
    const Point3 target = c->camera().target;
    drag(c, QPoint(400, 300), QPoint(450, 300), Qt::RightButton);
    EXPECT_NE(c->camera().target.x, target.x);
    const double distance = c->camera().distance;
    QWheelEvent wheel(QPointF(400, 300), c->mapToGlobal(QPointF(400, 300)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(c, &wheel);
    EXPECT_LT(c->camera().distance, distance);

    // "Сохранить изображение..." writes the picture of the canvas as PNG.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("site"));
    ModalAnswer answer(QStringLiteral("Сохранить"), [&](QWidget *dlg) {
        auto *name = dlg->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_TRUE(clickButton(v, QStringLiteral("Сохранить изображение...")));
    QTRY_VERIFY(answer.done());
    const QImage saved(path + QStringLiteral(".png"));
    EXPECT_EQ(saved.size(), c->size());
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(View3D, CatenaryWithItsSagAndTent)
{
    addProject(kTipCable, {{15, 30}, {65, 30}},
               {{"Цех", 25, 24, 30, 10, 6, 0x30A0E0}, {"Склад", 45, 40, 8, 6, 4, 0x00A000}});
    View3DWindow *v = openView();
    ASSERT_TRUE(v);
    View3DCanvas *c = v->canvas();
    shot3d(v, "view3d-catenary.png");
    const ConductorRec &s1 = snap().conductors.front();
    ASSERT_TRUE(s1.Hop && s1.H);
    // The cable hangs lowest in the middle: from the front its midpoint is drawn below the
    // supports' tops, by the sag.
    EXPECT_TRUE(clickButton(v, QStringLiteral("Спереди")));
    const int topY = onScreen(c, {15, 30, *s1.Hop}).y();
    const int midY = onScreen(c, {40, 30, *s1.H}).y();
    EXPECT_GT(midY, topY);
    const QImage img = c->grab().toImage();
    const QColor cable = img.pixelColor(onScreen(c, {40, 30, *s1.H}));
    EXPECT_LT(cable.value(), 120) << cable.name().toStdString();
    EXPECT_GT(tints(img).zoneB, 500);
}

TEST_F(View3D, RollingSphereEnvelopeWhileTheCheckIsShown)
{
    addProject(kTipDoubleRod, {{30, 30}, {60, 30}},
               {{"Склад", 40, 26, 10, 8, 6, 0x00A000}, {"Насосная", 78, 28, 4, 4, 4, 0x00A000}});
    View3DWindow *v = openView();
    ASSERT_TRUE(v);
    View3DCanvas *c = v->canvas();
    EXPECT_EQ(c->scene().sphereFaces, 0);
    EXPECT_FALSE(v->sphereBox()->isEnabled());

    // The check opened from the project window's menu brings the envelope into the view.
    ProjectWindow &w = *window;
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Молниеотвод"),
                           QStringLiteral("Проверка методом катящейся сферы...")));
    SphereWindow *sw = w.sphereWindow();
    ASSERT_TRUE(sw);
    QTRY_VERIFY(c->scene().sphereFaces > 0);
    QTRY_VERIFY(!sw->isRunning());
    // Level I with the keys: the smaller sphere reaches the far pump house, which turns red.
    sw->levelBox()->setFocus();
    while (sw->levelBox()->currentIndex() > 0)
        QTest::keyClick(sw->levelBox(), Qt::Key_Up);
    QTRY_VERIFY(!sw->isRunning());
    QTRY_COMPARE(sw->table()->item(1, 3)->text(), QStringLiteral("не защищен"));
    auto redFaces = [&] {
        int n = 0;
        for (const Scene3D::Face &f : c->scene().faces)
            n += f.color == kUnprotectedColor;
        return n;
    };
    QTRY_VERIFY(redFaces() > 0);
    // Its top is above the level I envelope: the envelope's highest point is a rod's top.
    double top = 0;
    for (const Scene3D::Face &f : c->scene().faces)
        if (f.color == sphereEnvelopeColor(w.planModel().settings()))
            for (int k = 0; k < 3; ++k)
                top = std::max(top, f.p[k].z);
    EXPECT_NEAR(top, *snap().conductors.front().H, 1e-6);

    EXPECT_TRUE(clickButton(v, QStringLiteral("Изометрия")));
    QApplication::processEvents();
    const int tinted = tints(c->grab().toImage()).sphere;
    shot3d(v, "view3d-sphere.png");

    // "Огибающая сферы" unticked and ticked again with the mouse: the purple tint goes (the
    // zone's blue over the red boxes stays).
    QCheckBox *box = v->sphereBox();
    ASSERT_TRUE(box->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    QTRY_COMPARE(c->scene().sphereFaces, 0);
    EXPECT_GT(tinted, tints(c->grab().toImage()).sphere + 2000);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    QTRY_VERIFY(c->scene().sphereFaces > 0);

    // The check closed: no envelope and no red from the sphere.
    EXPECT_TRUE(clickButton(sw, QStringLiteral("Закрыть")));
    QTRY_COMPARE(c->scene().sphereFaces, 0);
    EXPECT_FALSE(v->sphereBox()->isEnabled());
}
