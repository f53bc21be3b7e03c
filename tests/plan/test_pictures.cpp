#include "fixtures.h"
#include "plan/zonedxf.h"
#include "plan/zonepictures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

ProjectSnapshot singleRod()
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.project.ZonaACnt = 1;
    p.project.ZonaBCnt = 1;
    ConductorRec c = conductor(0, 0, 20.0);
    c.Ho_a = 17.0;
    c.Ro_a = 20.0;
    c.Ho_b = 19.0;
    c.Ro_b = 22.5;
    p.conductors.push_back(c);
    return p;
}

bool allBlack(const QImage &img, int y, int x0, int x1)
{
    for (int x = x0; x <= x1; ++x)
        if (qGray(img.pixel(x, y)) > 60)
            return false;
    return true;
}

} // namespace

TEST(BlockedInterval, StraddlingObjectOnTheRightWrapsThroughZero)
{
    const ObjectRec o = object(1, 5, -2, 4, 4, 3.0);
    const auto b = blockedInterval(o, 0, 0);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->smallest, -22);
    EXPECT_EQ(b->largest, 22);
    EXPECT_EQ(searchFreeAngle({*b}, 0, 360), 23);
}

TEST(BlockedInterval, CornersAndInsidePoints)
{
    const ObjectRec o = object(1, -10, 5, 4, 4, 3.0); // lower left of the rod
    const auto b = blockedInterval(o, 0, 0);
    ASSERT_TRUE(b);
    // Corners at 123.7 (-6, 9), 138 (-10, 9), 140.2 (-6, 5) and 153.4 (-10, 5) degrees.
    EXPECT_EQ(b->smallest, 124);
    EXPECT_EQ(b->largest, 153);
    EXPECT_FALSE(blockedInterval(o, -8, 7));   // inside
    EXPECT_FALSE(blockedInterval(o, -10, 6));  // on the boundary
    EXPECT_EQ(searchFreeAngle({{0, 10}, {5, 20}}, 0, 360), 21);
    EXPECT_EQ(searchFreeAngle({{0, 400}}, 0, 360), 361); // ran past the limit
}

TEST(ZonePictures, SingleRodTopSizeAndCentre)
{
    ProjectSnapshot p = singleRod();
    p.objects.push_back(object(1, -20, -25, 5, 4, 6.0)); // upper left, away from the labels
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    ASSERT_EQ(z.top.size(), QSize(422, 422));
    EXPECT_TRUE(isColor(z.top, 211, 211, kRed)); // the marker's fill
    EXPECT_TRUE(isColor(z.top, 206, 211, Qt::black)); // its outline at c - G
    // Zone circles of px(20) = 152 and px(22.5) = 171 around the rod.
    EXPECT_TRUE(anyNear(ysInColumn(z.top, 211, kRed), 211 + 171));
    EXPECT_TRUE(anyNear(ysInColumn(z.top, 211, kRed), 211 + 152));
    // Object drawn at px(MXa) + ox.
    EXPECT_TRUE(isColor(z.top, 211 - 152 + 2, 211 - 190 + 2, kGreen));
}

TEST(ZonePictures, TwoLabelsAtZeroAndFifteenDegrees)
{
    ProjectSnapshot p = singleRod();
    p.objects.push_back(object(1, -20, -25, 5, 4, 6.0));
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    // "Ro_a" at 0 degrees: arrowed line along the row to px(20) = 152, leader 30 px on.
    EXPECT_TRUE(allBlack(z.top, 211, 220, 211 + 152 + 29));
    // "Ro_b" at 15 degrees: end point (211 + 165, 211 + 44), leader to the right.
    EXPECT_TRUE(allBlack(z.top, 255, 376 + 2, 376 + 28));
}

TEST(ZonePictures, FirstLabelMovesPastAStraddlingObject)
{
    ProjectSnapshot p = singleRod();
    p.objects.push_back(object(1, 5, -2, 4, 4, 3.0)); // blocks -22..22
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    EXPECT_FALSE(allBlack(z.top, 211, 280, 300)); // nothing along 0 degrees
    // The first label goes at 23 degrees: its end point at radius 152.
    const double a = 23 * M_PI / 180;
    const int ex = 211 + static_cast<int>(std::nearbyint(std::cos(a) * 152));
    const int ey = 211 + static_cast<int>(std::nearbyint(std::sin(a) * 152));
    EXPECT_TRUE(allBlack(z.top, ey, ex + 2, ex + 28));
}

TEST(ZonePictures, CatenaryLabelsOnTheOuterHalfPlanes)
{
    ProjectSnapshot p = project(kTipCable);
    p.project.ZonaACnt = 1;
    for (double my : {10.0, 40.0}) { // vertically aligned supports: theta = 90
        ConductorRec c = conductor(20, my, 17.0);
        c.Hop = 20.0;
        c.Ho_a = 15.0;
        c.Ro_a = 10.0;
        p.conductors.push_back(c);
    }
    p.objects.push_back(object(1, 30, 50, 2, 2, 2.0));
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    // width = px(20) + 80, height = px(20 + 30) + 80.
    ASSERT_EQ(z.top.size(), QSize(232, 460));
    // Support 1 at (116, 116): the label at 180 degrees points left, leader to the left.
    EXPECT_TRUE(allBlack(z.top, 116, 116 - 76 - 28, 116 - 10));
}

TEST(ZonePictures, FrontGrowsBy26PerDimensionRow)
{
    ProjectSnapshot p = singleRod();
    ObjectRec a = object(1, 5, -2, 4, 4, 5.0);
    a.Zona = kZoneA;
    a.Rx = 12.0;
    ObjectRec b = object(2, 12, 3, 4, 4, 3.0);
    b.Zona = kZoneB;
    b.Rx = 16.0;
    p.objects = {a, b};
    PlanViewModel m;
    m.LoadDrawingSettings(solidSettings());
    m.ShowProjectShapes(p);
    const ZonePictures z = RenderZonePictures(p, m, "");
    EXPECT_EQ(m.frontImageHeight(), 152);
    ASSERT_EQ(z.front.height(), 152 + 30 + 52);
    EXPECT_EQ(z.front.width(), z.top.width());
    const int h0 = 182;
    // Left list: Ro_a (cx - 152) first, then Ro_b (cx - 171).
    EXPECT_TRUE(allBlack(z.front, h0 + 20, 211 - 152 + 2, 211 - 2));
    EXPECT_TRUE(allBlack(z.front, h0 + 40, 211 - 171 + 2, 211 - 2));
    // Right list: Rx1 (cx + 91) then Rx2 (cx + 122).
    EXPECT_TRUE(allBlack(z.front, h0 + 20, 211 + 2, 211 + 91 - 2));
    EXPECT_TRUE(allBlack(z.front, h0 + 40, 211 + 2, 211 + 122 - 2));
    // The rod's axis runs down to the lowest dimension line.
    EXPECT_TRUE(isColor(z.front, 211, h0 + 44, Qt::black));
    EXPECT_FALSE(isColor(z.front, 211, h0 + 47, Qt::black));
    // Zone cone of zone B: apex px(1) below the rod top, feet on the ground (y = 172).
    EXPECT_TRUE(anyNear(xsInRow(z.front, 171, kRed), 211 + 171, 2));
}

TEST(ZonePictures, NearerObjectCoversTheRod)
{
    ProjectSnapshot p = singleRod();
    p.conductors[0].MX = 20;
    p.conductors[0].MY = 10;
    p.objects.push_back(object(1, 18, 12, 4, 2, 5.0)); // depth 14, in front of the rod
    const ZonePictures front = RenderZonePictures(p, solidSettings(), "");
    const int cx = front.top.width() / 2;
    const int ground = front.front.height() - 52 - 10; // two rows of radius names
    EXPECT_TRUE(isColor(front.front, cx, ground - 3, kGreen));

    p.objects[0].MYa = 2; // depth 4, behind the rod
    const ZonePictures behind = RenderZonePictures(p, solidSettings(), "");
    EXPECT_TRUE(isColor(behind.front, cx, ground - 3, kRed));
}

TEST(ZonePictures, CatenaryFrontCableSags)
{
    ProjectSnapshot p = project(kTipCable);
    for (double mx : {10.0, 40.0}) {
        ConductorRec c = conductor(mx, 20, 17.0);
        c.Hop = 20.0;
        p.conductors.push_back(c);
    }
    p.objects.push_back(object(1, 12, 18, 2, 2, 2.0));
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    // No radius at all: the picture is px(30) + 80 wide, the supports 228 px apart.
    ASSERT_EQ(z.top.width(), 308);
    const int yT = z.front.height() - 10 - 152;
    const auto mid = ysInColumn(z.front, 154, kRed);
    ASSERT_FALSE(mid.empty());
    EXPECT_NEAR(mid.back(), yT + 24, 1);
}

TEST(ZonePictures, MissingRadiiAndHugeValuesStaySound)
{
    ProjectSnapshot p = singleRod();
    p.conductors[0].Ro_a.reset();
    p.conductors[0].Ro_b.reset();
    ObjectRec o = object(1, 2, 2, 2, 2, 2.0);
    o.Zona = kZoneA;
    o.Rx = 5.0;
    p.objects.push_back(o);
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    EXPECT_EQ(z.top.width(), 76 + 80); // sized by the object's radius

    p.conductors[0].Ro_b = 1e9;
    p.project.IScale = 50;
    const ZonePictures huge = RenderZonePictures(p, solidSettings(), "1");
    EXPECT_LE(huge.top.width(), kMaxBitmapSide);
    EXPECT_LE(huge.front.height(), kMaxBitmapSide);

    ProjectSnapshot none = project(kTipSingleRod);
    const ZonePictures empty = RenderZonePictures(none, solidSettings(), "");
    EXPECT_FALSE(empty.top.isNull());
}

// A catenary of 100 m at 1:100 is 6722 pixels wide; pictures were once cut at 6000 pixels,
// losing both ends of the zone without a word. Past the limits the picture is refused instead.
TEST(ZonePictures, LargePicturesAreDrawnWholeOrRefused)
{
    ProjectSnapshot p = project(kTipCable, 100);
    p.project.ZonaBCnt = 1;
    ConductorRec c1 = conductor(0, 0, 20.0);
    c1.Hop = 22.0;
    c1.Ho_b = 19.0;
    c1.Ro_b = 37.4;
    p.conductors = {c1, conductor(100, 0, 20.0)};
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    ASSERT_TRUE(z.refused.empty()) << z.refused;
    ASSERT_EQ(z.top.width(), 6722);
    // Both ends of the stadium: 40 px from each side on the supports' row.
    const int row = z.top.height() / 2;
    EXPECT_TRUE(anyNear(xsInRow(z.top, row, kRed), 40, 2));
    EXPECT_TRUE(anyNear(xsInRow(z.top, row, kRed), 6722 - 41, 2));
    EXPECT_EQ(z.front.width(), 6722);

    c1.Ro_b = 2000.0; // 155 880 pixels at 1:100
    p.conductors.front() = c1;
    const ZonePictures big = RenderZonePictures(p, solidSettings(), "");
    EXPECT_TRUE(big.top.isNull());
    EXPECT_TRUE(big.front.isNull());
    EXPECT_NE(big.refused.find("155880 x"), std::string::npos) << big.refused;
    EXPECT_NE(big.refused.find("масштаб"), std::string::npos) << big.refused;
}

// A chosen construction lower than the design one gives a smaller zone; the picture of it was
// sized by that zone alone, so an object it does not reach fell outside the picture. Both
// frames, design and chosen, and both views hold every object.
TEST(ZonePictures, EveryFrameHoldsEveryObject)
{
    ProjectSnapshot p = singleRod();
    ConductorRec &c = p.conductors.front();
    c.H1 = 8.0;
    c.Ro_a1 = 8.0;
    c.Ro_b1 = 12.0;
    p.objects.push_back(object(1, 150, 150, 5, 5, 6.0));
    p.objects.push_back(object(2, -60, 5, 4, 4, 3.0, 0xFF0000));
    for (const char *suffix : {"", "1"}) {
        SCOPED_TRACE(suffix);
        const ZonePictures z = RenderZonePictures(p, solidSettings(), suffix);
        ASSERT_TRUE(z.refused.empty()) << z.refused;
        // The rod stays in the middle; the far object spans px(150) = 1140 to px(155) = 1178
        // pixels right of and below it, the other px(-60) = -456 to -426 across and 38 to 68
        // down.
        const int cx = z.top.width() / 2, cy = z.top.height() / 2;
        EXPECT_GE(z.top.width(), 2 * 1178 + 40);
        EXPECT_TRUE(isColor(z.top, cx + 1142, cy + 1142, kGreen));
        EXPECT_TRUE(isColor(z.top, cx + 1176, cy + 1176, kGreen));
        EXPECT_TRUE(isColor(z.top, cx - 454, cy + 40, QColor(0, 0, 255)));
        // In the elevation the objects stand at the same columns.
        EXPECT_FALSE(ysInColumn(z.front, cx + 1142, kGreen).empty());
        EXPECT_FALSE(ysInColumn(z.front, cx - 454, QColor(0, 0, 255)).empty());
    }
}

// The DXF drawings were built whatever their size (140 000 objects: 945 MB, two minutes). They
// are sized first, like the pictures, and refused with their size and the limit.
TEST(ZoneDxf, DrawingsAreSizedBeforeTheyAreBuilt)
{
    ProjectSnapshot p = singleRod();
    p.objects.push_back(object(1, 5, -2, 4, 4, 3.0));
    PlanViewModel m;
    m.LoadDrawingSettings(solidSettings());
    m.ShowProjectShapes(p);
    EXPECT_EQ(zoneDxfTooLarge(p, m.settings(), "", m.frontImageHeight()), "");
    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(writeZoneDxf(p, m, "", dir.filePath("t.dxf"), dir.filePath("f.dxf"), &error));
    EXPECT_TRUE(QFile::exists(dir.filePath("f.dxf")));

    p.project.IScale = 50;
    p.objects.push_back(object(2, 1e6, 0, 4, 4, 3.0)); // a grid line every metre for 1 000 km
    const std::string refused = zoneDxfTooLarge(p, m.settings(), "", m.frontImageHeight());
    EXPECT_NE(refused.find("МБ (допускается не более 256 МБ)"), std::string::npos) << refused;
    EXPECT_FALSE(writeZoneDxf(p, m, "", dir.filePath("big.dxf"), {}, &error));
    EXPECT_EQ(error.toStdString(), refused);
    EXPECT_FALSE(QFile::exists(dir.filePath("big.dxf")));
}
