#include "fixtures.h"
#include "plan/canvas.h"
#include "plan/plantiles.h"
#include "plan/zoneoverlay.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

ProjectSnapshot zonedProject(const char *tip)
{
    ProjectSnapshot p = project(tip);
    const bool two = tip != std::string(kTipSingleRod);
    for (double mx : two ? std::vector<double>{12.0, 48.0} : std::vector<double>{30.0}) {
        ConductorRec c = conductor(mx, 24, 20.0);
        c.Hop = 21.0;
        c.Ho_a = 17.0;
        c.Ro_a = 14.5;
        c.Ho_b = 19.0;
        c.Ro_b = 24.0;
        c.Hc_a = 12.0;
        c.Rc_a = 9.0;
        p.conductors.push_back(c);
    }
    ObjectRec o = object(1, 33, 20, 6, 5, 26.0, 0x00FF00);
    o.Rx = 11.0;
    o.Rcx = 6.0;
    p.objects.push_back(o);
    return p;
}

// Where two drawings differ: the count of differing pixels and the first of them. The
// rasteriser rounds a slanting line or a curve cut at an image's edge a pixel differently, and
// starts its dashes anew there, so zone outlines may differ in `allowed` pixels at the seams.
std::string difference(const QImage &a, const QImage &b, int allowed = 0)
{
    if (a.size() != b.size())
        return "sizes differ";
    int n = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && n++ == 0)
                first = QPoint(x, y);
    return n <= allowed ? std::string()
                  : std::to_string(n) + " pixels from (" + std::to_string(first.x()) + ", "
                        + std::to_string(first.y()) + ")";
}

} // namespace

// The window draws its views in parts; put together, the parts must be exactly the whole
// drawing: the grid lines and labels at the parts' edges, the front labels counted from the
// ground line, the zones in both views, whatever the pens.
TEST(DrawViewPart, PartsPutTogetherAreTheWholeView)
{
    struct Row {
        const char *tip;
        bool zones;
        bool dotted;
        QSize part;
    };
    const Row rows[] = {
        {kTipSingleRod, true, false, {97, 61}},  {kTipSingleRod, true, true, {256, 256}},
        {kTipCable, true, false, {130, 45}},     {kTipDoubleRod, true, false, {73, 300}},
        {kTipDoubleRod, false, true, {97, 61}},  {kTipCable, true, true, {256, 256}},
        {kTipSingleRod, false, true, {256, 256}},
    };
    const QSize topSize(601, 437);
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.tip) + (r.zones ? " zones " : " grid ")
                     + std::to_string(r.part.width()));
        const ProjectSnapshot p = zonedProject(r.tip);
        PlanViewModel model;
        // Zones with solid pens (see difference); the grid dotted or solid, exact either way.
        DrawingSettings s = solidSettings();
        s.gridPen = r.dotted ? LinePen{Qt::DotLine, 1} : LinePen{Qt::SolidLine, 1};
        model.LoadDrawingSettings(s);
        model.ShowProjectShapes(p);
        ViewBitmaps whole;
        whole.topSize = topSize;
        if (r.zones)
            DrawZones(whole, model, p, "");
        else
            model.RedrawGrids(whole.top, whole.front, whole.topSize);
        const std::string suffix;
        for (ViewKind view : {ViewKind::Top, ViewKind::Front}) {
            const QImage &expected = view == ViewKind::Top ? whole.top : whole.front;
            ASSERT_FALSE(expected.isNull());
            if (r.part.width() == PlanTiles::kTileSide) {
                // Through the window's tile cache, painted in two overlapping areas.
                PlanTiles tiles;
                tiles.reset(expected.size(), [&](const QRect &part) {
                    return DrawViewPart(view, part, topSize, model, p, r.zones ? &suffix : nullptr);
                });
                QImage got(expected.size(), QImage::Format_RGB32);
                got.fill(Qt::blue);
                QPainter painter(&got);
                tiles.paint(painter, QRect(0, 0, 300, expected.height()));
                tiles.paint(painter, QRect(250, 0, expected.width(), expected.height()));
                painter.end();
                EXPECT_EQ(difference(got, expected, r.zones ? 64 : 0), "");
                continue;
            }
            QImage got(expected.size(), QImage::Format_RGB32);
            got.fill(Qt::blue);
            QPainter painter(&got);
            for (int y = -7; y < expected.height(); y += r.part.height())
                for (int x = -5; x < expected.width(); x += r.part.width()) {
                    const QImage img = DrawViewPart(view, QRect(QPoint(x, y), r.part), topSize,
                                                    model, p, r.zones ? &suffix : nullptr);
                    if (!img.isNull())
                        painter.drawImage(img.offset(), img);
                }
            painter.end();
            EXPECT_EQ(difference(got, expected, r.zones ? 64 : 0), "");
        }
    }
}

// A view's part draws only that view: every figure on the other view's (null) image is skipped
// without a word from the painter (a multiple rod's shaded triangles warned on every tile).
TEST(DrawViewPart, TheOtherViewsCanvasDrawsNothing)
{
    static int warnings = 0;
    const QtMessageHandler old = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &) {
            warnings += type == QtWarningMsg;
        });
    QImage none;
    {
        Canvas c(none);
        c.polygon({{0, 0}, {10, 0}, {0, 10}});
        c.line(0, 0, 10, 10);
        c.rectangle(0, 0, 10, 10);
    }
    qInstallMessageHandler(old);
    EXPECT_EQ(warnings, 0);
    EXPECT_TRUE(none.isNull());
}

// A part far out in a view much larger than any whole bitmap may be: the grid lines at their
// multiples of 38 pixels and the zone circle where it belongs, and nothing of the other view.
TEST(DrawViewPart, FarCornerOfATwoKilometreSiteAtOneToFifty)
{
    ProjectSnapshot p = project(kTipSingleRod, 50);
    ConductorRec c = conductor(1980, 1980, 20.0);
    c.Ho_b = 19.0;
    c.Ro_b = 3.0;
    p.conductors.push_back(c);
    PlanViewModel model;
    DrawingSettings s = solidSettings();
    s.gridPen = {Qt::SolidLine, 1};
    s.gridLineColor = 0xFF0000; // blue
    model.LoadDrawingSettings(s);
    model.ShowProjectShapes(p);
    const PlanScale &sc = model.scale();
    const int side = sc.px(2000);
    ASSERT_EQ(side, 152000);
    const QPoint centre(sc.px(1980), sc.px(1980));
    const QRect part(centre - QPoint(300, 100), QSize(400, 200));
    const std::string suffix;
    const QImage img = DrawViewPart(ViewKind::Top, part, QSize(side, side), model, p, &suffix);
    ASSERT_EQ(img.size(), part.size());
    EXPECT_EQ(img.offset(), part.topLeft());
    const QColor blue(0, 0, 255);
    const int firstLine = (part.left() + 37) / 38 * 38;
    EXPECT_TRUE(isColor(img, firstLine - part.left(), 150, blue));
    EXPECT_TRUE(isColor(img, firstLine + 38 - part.left(), 150, blue));
    EXPECT_FALSE(isColor(img, firstLine + 19 - part.left(), 150, blue));
    // The circle of px(3) = 228 pixels meets the centre's row on the left.
    const int row = centre.y() - part.top();
    EXPECT_TRUE(anyNear(xsInRow(img, row, kRed), centre.x() - sc.px(3) - part.left()));
    // The front part of the same place holds the cone's foot on the ground line.
    const int ground = model.groundLine();
    const QImage front = DrawViewPart(ViewKind::Front, QRect(part.left(), 0, 400, ground),
                                      QSize(side, side), model, p, &suffix);
    ASSERT_EQ(front.height(), ground);
    EXPECT_TRUE(anyNear(xsInRow(front, ground - 1, kRed), centre.x() - sc.px(3) - part.left(), 2));
    // Beyond the view, nothing.
    EXPECT_TRUE(DrawViewPart(ViewKind::Top, QRect(side, 0, 10, 10), QSize(side, side), model, p,
                             &suffix)
                    .isNull());
}
