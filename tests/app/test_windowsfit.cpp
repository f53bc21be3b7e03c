// Every window and dialog of the program, opened as the user opens it (menu items of the project
// window, buttons of the placement window), fits a 1366 x 768 screen with all its buttons on it;
// the project window works down to 1024 x 600.

#include "app/heightmappanel.h"
#include "app/placementwindow.h"
#include "app/spherewindow.h"
#include "app/tableeditpanel.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolBar>

using namespace kv;
using namespace kv::test;

namespace {

// The room a window has on a 1366 x 768 screen under its title bar.
const QSize kScreen(1366, 768 - 30);

// Whether w lies inside a scrolled area below top (then scrolling reaches it).
bool scrolled(QWidget *w, QWidget *top)
{
    for (QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget())
        if (qobject_cast<QAbstractScrollArea *>(p))
            return true;
    return false;
}

// What does not fit in window w at the room `room`: its smallest size, the size it opens with,
// and every visible button and field outside it at that size. Empty when all fits.
QStringList misfits(QWidget *w, QSize room)
{
    QStringList out;
    const QString name = w->windowTitle().isEmpty()
                             ? QString::fromLatin1(w->metaObject()->className())
                             : w->windowTitle();
    const QSize min = w->minimumSizeHint().expandedTo(w->minimumSize());
    if (min.width() > room.width() || min.height() > room.height())
        out << QStringLiteral("%1: smallest size %2 x %3")
                   .arg(name)
                   .arg(min.width())
                   .arg(min.height());
    if (w->width() > room.width() || w->height() > room.height())
        out << QStringLiteral("%1: opens at %2 x %3").arg(name).arg(w->width()).arg(w->height());
    w->resize(w->size().boundedTo(room));
    QApplication::processEvents();
    const QRect inside = w->rect();
    QList<QWidget *> controls;
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        controls << b;
    for (QLineEdit *e : w->findChildren<QLineEdit *>())
        controls << e;
    for (QWidget *c : controls) {
        if (!c->isVisibleTo(w) || c->window() != w || scrolled(c, w))
            continue;
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        if (!inside.contains(r)) {
            const auto *b = qobject_cast<QAbstractButton *>(c);
            out << QStringLiteral("%1: \"%2\" at %3,%4 %5 x %6 outside %7 x %8")
                       .arg(name, b ? b->text() : c->objectName())
                       .arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height())
                       .arg(inside.width())
                       .arg(inside.height());
        }
    }
    return out;
}

// Runs open(), which opens a modal window; when it is up, inner() may open more from it, then it
// is measured and closed with Escape as a user would. Returns the window's misfits.
QStringList measureModal(const std::function<void()> &open,
                         const std::function<void(QWidget *)> &inner = {})
{
    QStringList out;
    QWidget *before = QApplication::activeModalWidget();
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *m = QApplication::activeModalWidget();
        if (!m || m == before || !m->isVisible())
            return;
        poll.stop();
        seen = true;
        if (inner)
            inner(m);
        out << misfits(m, kScreen);
        QTest::keyClick(m, Qt::Key_Escape);
    });
    poll.start();
    open();
    if (!seen)
        out << QStringLiteral("no window opened");
    return out;
}

class WindowsFit : public WindowFixture {
protected:
    QStringList byMenu(const char *action, const std::function<void(QWidget *)> &inner = {})
    {
        QAction *a = window->findAction(QLatin1String(action));
        if (!a || !a->isEnabled())
            return {QStringLiteral("%1 missing or disabled").arg(QLatin1String(action))};
        QStringList out = measureModal([a] { a->trigger(); }, inner);
        for (QString &s : out)
            s.prepend(QLatin1String(action) + QStringLiteral(" → "));
        return out;
    }
};

// Inside a placement window: a variant and a range typed in, the height table, then the
// diagrams window, the height map and the object band dialog measured too.
QStringList placementInner(QWidget *m, bool complex)
{
    auto *pw = qobject_cast<PlacementWindow *>(m);
    if (!pw)
        return {QStringLiteral("not a placement window")};
    const auto type = [](TableEditPanel *p, const std::vector<std::pair<QString, QString>> &f) {
        clickButton(p, QStringLiteral("+"));
        for (const auto &[caption, text] : f)
            for (QComboBox *cb : p->findChildren<QComboBox *>())
                if (cb->toolTip() == caption && cb->lineEdit())
                    typeInto(cb->lineEdit(), text);
        clickButton(p, QStringLiteral("✓"));
    };
    type(pw->variants(), {{"Вариант размещения", "V"}});
    std::vector<std::pair<QString, QString>> r = {{"X1, м", "0"}, {"X2, м", "4"}, {"DX, м", "1"},
                                                  {"Y1, м", "0"}, {"Y2, м", "4"}, {"DY, м", "1"}};
    if (complex)
        r.insert(r.begin(), {"Диапазон", "Д"});
    type(pw->ranges(1), r);
    QStringList out;
    if (!clickButton(pw, QStringLiteral("Таблица")) ||
        !QTest::qWaitFor([pw] { return findButton(pw, "Диаграмма...")->isEnabled(); }, 20000))
        return {QStringLiteral("no height table")};
    out << measureModal([pw] { clickButton(pw, QStringLiteral("Диаграмма...")); });
    out << measureModal([pw] { clickButton(pw, QStringLiteral("Добавить объект в диапазон...")); });
    clickButton(pw, QStringLiteral("Карта..."));
    QApplication::processEvents();
    out << misfits(pw->mapPanel(), kScreen);
    clickButton(pw, QStringLiteral("Карта..."));
    return out;
}

} // namespace

TEST_F(WindowsFit, EveryWindowFits1366x768AndTheMainWindow1024x600)
{
    // The project window at 1024 x 600: nothing forces it larger, every control on screen.
    // A second project (for "Открыть..."); the sample one is opened, its height selected (for
    // the zone preview).
    addProject("двойной стержневой молниеотвод", {{0, 10}, {40, 10}},
               {{"Цех", 15, 5, 10, 5, 6, 0x80FF80}});
    setSetting("LastProj", Value(1));
    ProjectWindow &w = open(QSize(1024, 600));
    ASSERT_TRUE(chooseMenu(&w, "Молниеотвод", "Ориентировочный подбор"));
    QApplication::processEvents();
    EXPECT_EQ(w.size(), QSize(1024, 600));
    const QStringList main = misfits(&w, QSize(1024, 600));
    EXPECT_TRUE(main.isEmpty()) << main.join(QLatin1Char('\n')).toStdString();
    shot("main-1024.png");

    QStringList out;
    for (const char *a : {"mnCreateProj", "mnOpenProj", "mnEditProj", "mnPreview", "mnAlignMO",
                          "mnKoordMO", "mnSelectMO", "mnAddObj", "mnEditObj", "mnAlignObMO",
                          "mnAlignObOb", "mnDiagrams", "mnPoraj", "mnClasses", "mnConstructions",
                          "mnObjNames", "N6", "mnReportSettings", "mnAbout"})
        out << byMenu(a);
    out << byMenu("mnPlacement", [&](QWidget *m) { out << placementInner(m, false); });
    // The help window is not modal: it opens beside the project window.
    window->findAction(QStringLiteral("mnHelp"))->trigger();
    QApplication::processEvents();
    bool help = false;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (t->isVisible() && t != window.get() && t->inherits("kv::HelpWindow")) {
            help = true;
            out << misfits(t, kScreen);
            t->close();
        }
    EXPECT_TRUE(help);
    // So is the rolling-sphere window.
    window->findAction(QStringLiteral("mnSphere"))->trigger();
    QApplication::processEvents();
    if (SphereWindow *sw = window->sphereWindow()) {
        out << misfits(sw, kScreen);
        sw->close();
    } else {
        out << QStringLiteral("mnSphere → no window");
    }
    // The 3D view is not modal either; it opens from the "Вид" menu.
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Вид"), QStringLiteral("3D вид...")));
    QApplication::processEvents();
    bool view3d = false;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (t->isVisible() && t->inherits("kv::View3DWindow")) {
            view3d = true;
            out << misfits(t, kScreen);
            t->close();
        }
    EXPECT_TRUE(view3d);

    // The complex placement window, over the double-rod project.
    setSetting("LastProj", Value(2));
    open(QSize(1366, 768));
    out << byMenu("mnPlacement", [&](QWidget *m) {
        out << placementInner(m, true);
        m->resize(1366, 768 - 30);
        QApplication::processEvents();
        if (const char *dir = std::getenv("KORVAN_SHOTS"); dir && *dir)
            m->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("place-complex-1366.png"));
    });
    EXPECT_TRUE(out.isEmpty()) << out.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0].text;
}
