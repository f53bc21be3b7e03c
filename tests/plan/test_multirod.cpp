#include "calc/multirod.h"
#include "fixtures.h"
#include "plan/zonedxf.h"
#include "plan/zoneoverlay.h"
#include "plan/zonepictures.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace
{

ObjectRec zoned(int kod, double x, double y, double l, double s, double hx, const char *zone,
                int color)
{
    ObjectRec o = object(kod, x, y, l, s, hx, color);
    o.Zona = zone;
    return o;
}

// A project of the type with rods at the points and the objects, after its selection.
ProjectSnapshot selected(const char *tip, const std::vector<std::pair<double, double>> &rods,
                         const std::vector<ObjectRec> &objects)
{
    ProjectSnapshot p = project(tip, 500);
    for (const auto &[x, y] : rods)
        p.conductors.push_back(conductor(x, y));
    p.objects = objects;
    for (const ObjectRec &o : objects)
        (o.Zona.value_or("") == kZoneA ? *p.project.ZonaACnt : *p.project.ZonaBCnt) += 1;
    CalcMessages msgs;
    if (std::string(tip) == kTipDoubleRod)
        PodborDoubleRod(p, SettingsRec{}, msgs);
    else
        PodborMultiRod(p, SettingsRec{}, msgs);
    return p;
}

void shoot(const QImage &img, const char *name)
{
    if (const QByteArray dir = qgetenv("KORVAN_SHOTS"); !dir.isEmpty())
        img.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
}

} // namespace

// Two rods of a multiple rod are the double rod: the same pictures, overlay and DXF, with the
// common zone and with the rods acting as two single rods.
TEST(MultiRodPictures, TwoRodsDrawWhatTheDoubleRodDraws)
{
    const struct {
        const char *what;
        std::vector<std::pair<double, double>> rods;
        std::vector<ObjectRec> objects;
    } cases[] = {
        {"common zone",
         {{10, 10}, {40, 12}},
         {zoned(1, 20, 14, 5, 4, 6, kZoneA, 0x00AA00), zoned(2, 30, 2, 4, 4, 8, kZoneB, 0xAA00AA)}},
        {"two single rods",
         {{10, 10}, {95, 10}},
         {zoned(1, 12, 14, 3, 3, 5, kZoneA, 0x00AA00), zoned(2, 90, 4, 3, 3, 9, kZoneA, 0xAA00AA)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ProjectSnapshot dbl = selected(kTipDoubleRod, c.rods, c.objects);
        const ProjectSnapshot multi = selected(kTipMultiRod, c.rods, c.objects);
        ASSERT_TRUE(dbl.conductors.front().H);
        const ZonePictures a = RenderZonePictures(dbl, solidSettings(), "");
        const ZonePictures b = RenderZonePictures(multi, solidSettings(), "");
        ASSERT_FALSE(a.top.isNull());
        EXPECT_TRUE(a.top == b.top);
        EXPECT_TRUE(a.front == b.front);
        const ZoneDxf da = zoneDxf(dbl, solidSettings(), "", 150);
        const ZoneDxf db = zoneDxf(multi, solidSettings(), "", 150);
        EXPECT_EQ(da.top, db.top);
        EXPECT_EQ(da.front, db.front);
        PlanViewModel model;
        model.LoadDrawingSettings(solidSettings());
        model.ShowProjectShapes(dbl);
        ViewBitmaps va, vb;
        DrawZones(va, model, dbl, "");
        DrawZones(vb, model, multi, "");
        EXPECT_TRUE(va.top == vb.top);
        EXPECT_TRUE(va.front == vb.front);
    }
}

// Six rods in two rows: every rod stands in the picture with its number, the object inside a
// triangle is protected by it (the triangle shaded in its colour), the pairs' outlines are drawn.
TEST(MultiRodPictures, SixRodsShowEveryRodPairAndTriangle)
{
    const std::vector<std::pair<double, double>> rods = {{10, 10}, {30, 10}, {50, 10},
                                                         {10, 30}, {30, 30}, {50, 30}};
    const ProjectSnapshot p = selected(kTipMultiRod, rods,
                                       {zoned(1, 13, 13, 4, 3, 5, kZoneA, 0x00AA00),
                                        zoned(2, 36, 16, 6, 8, 7, kZoneB, 0xAA00AA),
                                        zoned(3, 58, 40, 3, 3, 4, kZoneA, 0x0000CC)});
    const ZonePictures z = RenderZonePictures(p, solidSettings(), "");
    ASSERT_FALSE(z.top.isNull());
    shoot(z.top, "multi-top.png");
    shoot(z.front, "multi-front.png");
}
