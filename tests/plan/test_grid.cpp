#include "fixtures.h"
#include "plan/fonts.h"
#include "plan/planview.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

TEST(DrawGrid, TopViewLinesEvery38PixelsWithLabels)
{
    DrawingSettings s;
    s.gridPen = {Qt::SolidLine, 1};
    s.gridLineColor = 0xFF0000; // blue
    QImage img(200, 150, QImage::Format_RGB32);
    DrawGrid(img, ViewKind::Top, s, PlanScale(250));
    const QColor blue(0, 0, 255);
    EXPECT_TRUE(isColor(img, 100, 38, blue));
    EXPECT_TRUE(isColor(img, 100, 76, blue));
    EXPECT_TRUE(isColor(img, 190, 114, blue));
    EXPECT_FALSE(isColor(img, 100, 37, blue));
    EXPECT_TRUE(isColor(img, 38, 100, blue));
    EXPECT_TRUE(isColor(img, 76, 21, blue));
    // Horizontal lines start at x = 25, vertical ones at y = 20.
    EXPECT_FALSE(isColor(img, 24, 114, blue));
    EXPECT_FALSE(isColor(img, 114, 19, blue));
    // Labels are written in black on white.
    int black = 0;
    for (int y = 30; y < 46; ++y)
        for (int x = 0; x < 25; ++x)
            black += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(black, 3);
}

TEST(DrawGrid, FrontViewCountsUpFromTheBottom)
{
    DrawingSettings s;
    s.gridPen = {Qt::SolidLine, 1};
    s.gridLineColor = 255;
    QImage img(120, 100, QImage::Format_RGB32);
    DrawGrid(img, ViewKind::Front, s, PlanScale(500));
    EXPECT_TRUE(isColor(img, 60, 100 - 38, kRed));
    EXPECT_TRUE(isColor(img, 60, 100 - 76, kRed));
    EXPECT_FALSE(isColor(img, 60, 100 - 114, kRed)); // above y = 20: no line
}

TEST(DrawGrid, RedrawGridsSizesBothBitmaps)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(10, 10, 20.0));
    PlanViewModel m;
    m.ShowProjectShapes(p);
    QImage top, front;
    m.RedrawGrids(top, front, QSize(640, 480));
    EXPECT_EQ(top.size(), QSize(640, 480));
    EXPECT_EQ(front.size(), QSize(640, 152));
    m.RedrawGrids(top, front, QSize(1 << 20, 10));
    EXPECT_EQ(top.width(), kMaxBitmapSide);
}

// Repainting the grids reuses the last grid; after any change of what a grid depends on, and
// after zones were painted over a bitmap, the bitmaps still equal a freshly drawn grid.
TEST(DrawGrid, RepaintedGridsEqualFreshOnesAfterEveryChange)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(10, 10, 20.0));
    PlanViewModel m;
    m.ShowProjectShapes(p);
    DrawingSettings s;
    struct Step {
        QSize size;
        int scale;
        LinePen pen;
        int color;
    };
    const Step steps[] = {
        {{400, 300}, 500, {Qt::DotLine, 1}, 0},      {{400, 300}, 500, {Qt::DotLine, 1}, 0},
        {{401, 300}, 500, {Qt::DotLine, 1}, 0},      {{401, 300}, 250, {Qt::DotLine, 1}, 0},
        {{401, 300}, 250, {Qt::SolidLine, 1}, 0},    {{401, 300}, 250, {Qt::SolidLine, 2}, 0},
        {{401, 300}, 250, {Qt::SolidLine, 2}, 255},  {{401, 300}, 250, {Qt::SolidLine, 2}, 255},
    };
    QImage top, front;
    for (const Step &st : steps) {
        s.gridPen = st.pen;
        s.gridLineColor = st.color;
        m.LoadDrawingSettings(s);
        m.setScale(st.scale);
        m.RedrawGrids(top, front, st.size);
        QImage freshTop(top.size(), QImage::Format_RGB32);
        QImage freshFront(front.size(), QImage::Format_RGB32);
        DrawGrid(freshTop, ViewKind::Top, s, PlanScale(st.scale));
        DrawGrid(freshFront, ViewKind::Front, s, PlanScale(st.scale));
        EXPECT_EQ(top, freshTop) << st.size.width() << " 1:" << st.scale;
        EXPECT_EQ(front, freshFront) << st.size.width() << " 1:" << st.scale;
        top.fill(Qt::red); // zones painted over the bitmaps must not reach the next grid
        front.fill(Qt::red);
    }
    // A bitmap shared elsewhere is not painted over.
    const QImage kept = top;
    m.RedrawGrids(top, front, steps[std::size(steps) - 1].size);
    EXPECT_TRUE(isColor(kept, 5, 5, QColor(Qt::red)));
}

TEST(Fonts, CanvasAndTimesResolveToCyrillicFonts)
{
    const QFontInfo canvas(canvasFont());
    EXPECT_EQ(canvas.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(QFontMetrics(canvasFont()).inFont(QChar(0x0416))); // Ж
    const QFontInfo times(timesNewRomanFont());
    EXPECT_TRUE(times.family() == QStringLiteral("Liberation Serif")
                || times.family() == QStringLiteral("DejaVu Serif"))
        << times.family().toStdString();
    EXPECT_TRUE(QFontMetrics(timesNewRomanFont()).inFont(QChar(0x044F))); // я
}
