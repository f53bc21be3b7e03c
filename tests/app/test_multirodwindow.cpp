// The multiple rod in the project window, driven as a user drives it: the type picked in the
// project dialog, rods added and deleted from the conductor menu, a rod dragged and the steps
// undone, the placement withheld with its reason, and the rods and pairs on the right page.

#include "windowfixture.h"

#include "../userinput.h"
#include "app/commandrules.h"
#include "app/projectpages.h"
#include "calc/numfmt.h"
#include "data/multirodstore.h"

#include <QAction>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTableWidget>
#include <QDir>
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

void drag(QWidget *w, QPoint from, QPoint to)
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QPoint centre(const ProjectWindow &w, const std::string &shape)
{
    return w.planModel().shape(shape)->rect.center();
}

} // namespace

TEST_F(WindowFixture, MultipleRodIsCreatedEditedAndUndoneByHand)
{
    ProjectWindow &w = open(QSize(1366, 768));
    ModalAnswer create(QStringLiteral("ОК"), [](QWidget *d) {
        typeInto(d->findChild<QLineEdit *>(QStringLiteral("EditName")), QStringLiteral("Склад ГСМ"));
        for (auto *b : d->findChildren<QRadioButton *>())
            if (b->text() == QString::fromUtf8(kTipMultiRod))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Создать...")));
    QTRY_VERIFY(create.done());
    w.refreshNow();
    ASSERT_TRUE(doc().isMultiRod());
    ASSERT_EQ(snap().conductors.size(), 2u);
    // Two rods: none to spare; the placement says why it is not offered.
    EXPECT_FALSE(w.findAction(QStringLiteral("mnDeleteRod"))->isEnabled());
    QAction *place = w.findAction(QStringLiteral("mnPlacement"));
    EXPECT_FALSE(place->isEnabled());
    EXPECT_EQ(place->statusTip(), QString::fromUtf8(kHintPlacementMultiRod));

    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Молниеотвод"), QStringLiteral("Добавить опору")));
    w.refreshNow();
    ASSERT_EQ(snap().conductors.size(), 3u);
    EXPECT_EQ(doc().selection().position, 2);
    EXPECT_EQ(w.topView()->selectedShape(), rodShapeName(2));
    auto *rods = w.findChild<QTableWidget *>(QStringLiteral("gridRods"));
    ASSERT_TRUE(rods && rods->isVisible());
    EXPECT_EQ(rods->rowCount(), 3);
    EXPECT_EQ(rods->currentRow(), 2);
    EXPECT_EQ(w.findChild<QTableWidget *>(QStringLiteral("gridPairs"))->rowCount(), 3);
    EXPECT_TRUE(w.findAction(QStringLiteral("mnDeleteRod"))->isEnabled());

    // The third rod dragged two grid cells to the right and down.
    const double x0 = *snap().conductors[2].MX, y0 = *snap().conductors[2].MY;
    const QPoint from = centre(w, rodShapeName(2));
    drag(w.topView(), from, from + QPoint(76, 38));
    w.refreshNow();
    EXPECT_GT(*snap().conductors[2].MX, x0);
    EXPECT_GT(*snap().conductors[2].MY, y0);
    EXPECT_EQ(rods->item(2, 1)->text().toStdString(), formatGeneral(*snap().conductors[2].MX));

    // A click on the first rod's row selects it; its pop-up deletes it.
    QTest::mouseClick(rods->viewport(), Qt::LeftButton, {}, rods->visualItemRect(rods->item(0, 0)).center());
    w.refreshNow();
    EXPECT_EQ(doc().selection().position, 0);

    QAction *undo = w.findAction(QStringLiteral("mnUndo"));
    undo->trigger();
    w.refreshNow();
    EXPECT_EQ(*snap().conductors[2].MX, x0);
    undo->trigger();
    w.refreshNow();
    EXPECT_EQ(snap().conductors.size(), 2u);
    EXPECT_FALSE(w.planModel().shape(rodShapeName(2))->visible);
}

TEST_F(WindowFixture, SixRodsAfterTheSelection)
{
    prepareMultiRodFolder(*dm);
    addProject(kTipMultiRod, {{10, 10}, {40, 8}, {70, 12}, {12, 40}, {42, 44}, {72, 38}},
               {{"Резервуар 1", 18, 16, 12, 10, 8, 0x80C0FF},
                {"Резервуар 2", 50, 18, 12, 10, 8, 0x80C0FF},
                {"Насосная", 28, 28, 10, 6, 5, 0x8080C0},
                {"Операторская", 56, 30, 8, 6, 4, 0xC0C0C0}});
    ProjectWindow &w = open(QSize(1366, 768));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Молниеотвод"), QStringLiteral("Ориентировочный подбор")));
    w.refreshNow();
    ASSERT_TRUE(snap().conductors.front().H.has_value());
    EXPECT_EQ(loadMultiRod(*dm).pairs.size(), 15u);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(w.planModel().shape(rodShapeName(i))->visible) << i;
    // The pair of the current rod and the next is shown with its values.
    auto *pairs = w.findChild<QTableWidget *>(QStringLiteral("gridPairs"));
    ASSERT_EQ(pairs->rowCount(), 15);
    EXPECT_EQ(pairs->currentRow(), 0);
    EXPECT_FALSE(w.pages()->field(QStringLiteral("pair.Mode"))->text().isEmpty());
    shot("main-multi.png");

    // The zone preview of the six rods, opened from the menu as the user opens it.
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *m = QApplication::activeModalWidget();
        if (!m || !m->isVisible() || m == &w)
            return;
        poll.stop();
        QTest::qWait(300);
        if (const char *dir = std::getenv("KORVAN_SHOTS"); dir && *dir)
            m->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("preview-multi.png")));
        seen = m->windowTitle().startsWith(QStringLiteral("Просмотр зон защиты"));
        m->close();
    });
    poll.start();
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Просмотр зон защиты...")));
    QTRY_VERIFY(seen);
}
