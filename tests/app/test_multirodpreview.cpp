// The zone preview of a six-rod multiple rod, opened from the project menu after the selection.

#include "../userinput.h"
#include "windowfixture.h"

#include <QLabel>
#include <QTest>

using namespace kv;
using namespace kv::test;

TEST_F(WindowFixture, MultiRodPreviewShowsEveryRodAndItsZones)
{
    addProject(kTipMultiRod, {{10, 10}, {30, 10}, {50, 10}, {10, 30}, {30, 30}, {50, 30}},
               {{"Резервуар 1", 13, 13, 4, 3, 5, 0x008000},
                {"Насосная", 36, 16, 6, 8, 7, 0x808080},
                {"Резервуар 2", 56, 36, 3, 3, 4, 0xC00000}});
    ProjectWindow &w = open(QSize(1366, 768));
    ASSERT_TRUE(
        chooseMenu(&w, QStringLiteral("Молниеотвод"), QStringLiteral("Ориентировочный подбор")));
    QTRY_VERIFY(snap().conductors.front().H.has_value());
    QImage top;
    bool seen = false;
    ModalAnswer answer(QString(), [&](QWidget *m) {
        seen = true;
        m->resize(1000, 720);
        QApplication::processEvents();
        const QList<QLabel *> images = m->findChildren<QLabel *>();
        for (QLabel *l : images)
            if (!l->pixmap().isNull() && top.isNull())
                top = l->pixmap().toImage();
        if (const char *dir = std::getenv("KORVAN_SHOTS"); dir && *dir) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            m->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("preview-multi.png"));
        }
        m->close();
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Просмотр зон защиты...")));
    QTRY_VERIFY(seen);
    ASSERT_FALSE(top.isNull());
    // Every rod's marker stands in the top picture: six squares of the conductor colour.
    const QRgb mo = QColor(255, 0, 0).rgb();
    int markers = 0;
    for (int y = 1; y + 1 < top.height(); ++y)
        for (int x = 1; x + 1 < top.width(); ++x)
            if (top.pixel(x, y) == mo && top.pixel(x - 1, y) != mo && top.pixel(x, y - 1) != mo &&
                top.pixel(x + 1, y) == mo && top.pixel(x, y + 1) == mo &&
                top.pixel(x + 2, y + 2) == mo)
                ++markers;
    EXPECT_GE(markers, 6);
}
