// DXF drawings read and turned into objects: drawings written by the program's own DXF writer or
// as hand-written text; every imported object's rectangle, height and name is checked.

#include "plan/dxfimport.h"
#include "plan/dxfwriter.h"
#include "plan/planview.h"
#include "plan/underlay.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace kv;

namespace {

struct Expected {
    std::string name;
    double x, y, L, S, Hx;
    int cls;
    bool bounding;
};

void expectObjects(const DxfImportPlan &plan, const std::vector<Expected> &want)
{
    ASSERT_EQ(plan.objects.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const ImportedObject &o = plan.objects[i];
        const Expected &w = want[i];
        SCOPED_TRACE(w.name);
        EXPECT_EQ(o.name, w.name);
        EXPECT_NEAR(o.x, w.x, 1e-9);
        EXPECT_NEAR(o.y, w.y, 1e-9);
        EXPECT_NEAR(o.L, w.L, 1e-9);
        EXPECT_NEAR(o.S, w.S, 1e-9);
        EXPECT_NEAR(o.Hx, w.Hx, 1e-9);
        EXPECT_EQ(o.buildingClass, w.cls);
        EXPECT_EQ(o.boundingOnly, w.bounding);
    }
}

// Rectangles on two layers with height and name texts (one on a layer of its own), a rotated
// outline, a small and a large circle, and a layer that is not imported.
std::string sitePlan(double k)
{
    DxfDocument d;
    for (const char *l : {"Здания", "Навесы", "Опоры", "Надписи", "Прочее"})
        d.addLayer(l, 7);
    auto P = [k](double x, double y) { return DxfPoint{x * k, y * k}; };
    d.polyline("Здания", {P(0, 0), P(20, 0), P(20, 10), P(0, 10)}, true);
    d.text("Здания", P(2, 2), 1 * k, "h=12");
    d.text("Надписи", P(2, 5), 1 * k, "Склад");
    d.polyline("Здания", {P(30, -5), P(40, -5), P(40, 5), P(30, 5)}, true);
    d.text("Надписи", P(32, 0), 1 * k, "15 м");
    d.polyline("Навесы", {P(60, 5), P(65, 0), P(60, -5), P(55, 0)}, true);
    d.circle("Опоры", P(70, 20), 1 * k);
    d.circle("Опоры", P(90, 0), 3 * k);
    d.polyline("Прочее", {P(-50, -50), P(-40, -50), P(-40, -40)}, true);
    d.polyline("Здания", {P(0, 30), P(10, 30)}, false); // an open line is no outline
    return d.toString();
}

const std::vector<Expected> kSitePlan = {
    {"Склад", 1, 12, 20, 10, 12, 1, false},
    {"Здания 2", 31, 17, 10, 10, 15, 1, false},
    {"Навесы 1", 56, 17, 10, 10, 10, 1, true},
    {"Опоры 1", 70, 1, 2, 2, 10, 16, false},
    {"Опоры 2", 88, 19, 6, 6, 10, 1, false},
};

} // namespace

TEST(DxfImport, SitePlanInMetresAndMillimetres)
{
    for (double k : {1.0, 1000.0}) {
        SCOPED_TRACE(k);
        const DxfDrawing d = readDxfText(sitePlan(k), "plan.dxf");
        const auto layers = summarizeLayers(d);
        auto layer = [&](const char *name) {
            for (const auto &l : layers)
                if (l.name == name)
                    return l;
            ADD_FAILURE() << "no layer " << name;
            return DxfLayerSummary{};
        };
        EXPECT_EQ(layer("Здания").outlines, 2);
        EXPECT_EQ(layer("Здания").texts, 1);
        EXPECT_EQ(layer("Опоры").circles, 2);
        EXPECT_EQ(layer("Надписи").texts, 2);
        EXPECT_EQ(layer("Прочее").outlines, 1);
        DxfImportOptions opt;
        opt.layers = {"Здания", "Навесы", "Опоры"};
        opt.metresPerUnit = 1 / k;
        const DxfImportPlan plan = planDxfImport(d, opt, 1.0);
        expectObjects(plan, kSitePlan);
        EXPECT_EQ(plan.boundingCount, 1);
        EXPECT_EQ(plan.shift, (PlanShift{1, 22}));
        // A later import of the same project keeps the shift, so the objects line up.
        opt.layers = {"Опоры"};
        const DxfImportPlan again = planDxfImport(d, opt, 1.0, plan.shift);
        expectObjects(again, {kSitePlan[3], kSitePlan[4]});
    }
}

// A hand-written R12 drawing in millimetres: an old-style POLYLINE whose corner is off the grid
// (the rectangle grows to the grid point before it, never shrinks; a corner given twice and a
// point along a side leave it a rectangle, not a bounding one), an arc-sided outline (the
// bulge reaches beyond the vertices), a two-paragraph MTEXT with formatting whose second line is
// the height, Cyrillic in \U+ escapes.
TEST(DxfImport, HandWrittenMillimetresWithBulgesAndMText)
{
    const std::string text = "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n4\n0\nENDSEC\n"
                             "0\nSECTION\n2\nENTITIES\n"
                             "0\nPOLYLINE\n8\nA\n66\n1\n70\n1\n"
                             "0\nVERTEX\n8\nA\n10\n1234.5\n20\n0\n"
                             "0\nVERTEX\n8\nA\n10\n5678.9\n20\n0\n"
                             "0\nVERTEX\n8\nA\n10\n5678.9\n20\n0\n"
                             "0\nVERTEX\n8\nA\n10\n5678.9\n20\n1500\n"
                             "0\nVERTEX\n8\nA\n10\n5678.9\n20\n3000\n"
                             "0\nVERTEX\n8\nA\n10\n1234.5\n20\n3000\n0\nSEQEND\n8\nA\n"
                             "0\nTEXT\n8\nA\n10\n2000\n20\n2000\n40\n300\n1\n\\U+0426\\U+0435\\U+0445\n"
                             "0\nMTEXT\n8\nA\n10\n2000\n20\n1000\n40\n300\n"
                             "1\n{\\fArial|b0;Ввод}\\P{\\H1.2x;H=7,5}\\P\n"
                             "0\nLWPOLYLINE\n8\nB\n90\n2\n70\n1\n"
                             "10\n10000\n20\n0\n42\n1\n10\n20000\n20\n0\n42\n1\n"
                             "0\nENDSEC\n0\nEOF\n";
    const DxfDrawing d = readDxfText(text, "mm.dxf");
    ASSERT_EQ(d.insUnits, 4);
    ASSERT_EQ(metresPerUnit(*d.insUnits), 0.001);
    DxfImportOptions opt;
    opt.layers = {"A", "B"};
    opt.metresPerUnit = 0.001;
    const DxfImportPlan plan = planDxfImport(d, opt, 0.5);
    // Drawing metres: A x 1.2345..5.6789, y 0..3; B (two half circles) x 10..20, y -5..5.
    // Shift: x 0.5 - 1.2345, y 0.5 + 5.
    expectObjects(plan, {{"Цех", 0.5, 2.5, 4.45, 3, 7.5, 1, false},
                         {"B 1", 9, 0.5, 10.27, 10, 10, 1, true}});
}

TEST(DxfImport, HeightTexts)
{
    const std::vector<std::pair<QString, std::optional<double>>> cases = {
        {"h=12", 12},      {"H = 12,5", 12.5}, {"12 м", 12},        {"12м", 12},
        {"Н=9", 9},        {"h=7.25 м", 7.25}, {"м 4", 4},          {"12", std::nullopt},
        {"0 м", std::nullopt}, {"Склад 12 м", std::nullopt}, {"h=", std::nullopt},
        {"12 мм", std::nullopt},
    };
    for (const auto &[t, h] : cases)
        EXPECT_EQ(heightFromText(t), h) << t.toStdString();
}

// Files the reader refuses with a reason instead of reading garbage or crashing.
TEST(DxfImport, RefusedFiles)
{
    const std::string ok = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n";
    // A block inserting itself, and an empty block inserted as an array of four million.
    const auto blocks = [](const std::string &inner, const std::string &insert) {
        const std::string head = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nA\n"
                                 "70\n0\n10\n0\n20\n0\n";
        const std::string entities = "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
        return head + inner + entities + "0\nINSERT\n8\n0\n2\nA\n10\n0\n20\n0\n" + insert
               + "0\nENDSEC\n0\nEOF\n";
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string("AutoCAD Binary DXF\r\n\x1a\0\x01", 23), "двоичный"},
        {ok + std::string("0\nEN\0DSEC\n", 10), "двоичные данные"},
        {ok, "EOF"},
        {ok + "x\nENDSEC\n0\nEOF\n", "код группы"},
        {ok + "10\n1.2.3\n0\nENDSEC\n0\nEOF\n", "число"},
        {ok + "0\nLWPOLYLINE\n8\n0\n90\n2000000000\n0\nENDSEC\n0\nEOF\n", "число элементов"},
        {ok + "1\n" + std::string(2000, 'a') + "\n0\nENDSEC\n0\nEOF\n", "длинная"},
        {"Здравствуйте\n", "не является чертежом"},
        {"", "не является чертежом"},
        {blocks("0\nINSERT\n8\n0\n2\nA\n10\n1\n20\n0\n", ""), "вложены"},
        {blocks("", "70\n2000\n71\n2000\n44\n1\n45\n1\n"), "элементов"},
    };
    for (const auto &[text, reason] : cases) {
        try {
            readDxfText(text, "x.dxf");
            ADD_FAILURE() << "accepted: " << reason;
        } catch (const DxfRefused &e) {
            EXPECT_EQ(std::string(e.what()).rfind("Ошибка.", 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
}

// A block inserted at scale 0 adds no circle of radius 0 (no object without size); a long MTEXT
// of the paper space leaves none of its pieces to the next text.
TEST(DxfImport, ScaleZeroAndPaperSpaceLeaveNothing)
{
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nZ\n70\n0\n10\n0\n20\n0\n"
                             "0\nCIRCLE\n8\n0\n10\n0\n20\n0\n40\n1\n0\nENDBLK\n0\nENDSEC\n"
                             "0\nSECTION\n2\nENTITIES\n0\nINSERT\n8\n0\n2\nZ\n10\n20\n20\n0\n"
                             "41\n0\n42\n0\n0\nINSERT\n8\n0\n2\nZ\n10\n5\n20\n0\n"
                             "0\nMTEXT\n8\n0\n67\n1\n10\n0\n20\n0\n3\nЛист \n1\n2\n"
                             "0\nMTEXT\n8\n0\n10\n0\n20\n0\n1\nСклад\n"
                             "0\nENDSEC\n0\nEOF\n";
    const DxfDrawing d = readDxfText(text, "zero.dxf");
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].text, QStringLiteral("Склад"));
    ASSERT_EQ(d.circles.size(), 1u);
    EXPECT_EQ(d.circles[0].centre.x, 5);
    EXPECT_EQ(d.circles[0].r, 1);
}

// A 50 MB drawing holds more elements than the limit: refused while it is checked, before the
// drawing is built.
TEST(DxfImport, FiftyMegabyteDrawingRefused)
{
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/big.dxf").toStdString();
    {
        std::ofstream f(path, std::ios::binary);
        f << "0\nSECTION\n2\nENTITIES\n";
        const std::string line = "0\nLINE\n8\n0\n10\n100.25\n20\n200.5\n11\n300.75\n21\n400\n";
        for (std::size_t n = 0; n * line.size() < 50u << 20; ++n)
            f << line;
        f << "0\nENDSEC\n0\nEOF\n";
    }
    try {
        readDxfFile(QString::fromStdString(path));
        ADD_FAILURE() << "a 50 MB drawing over the element limit was read";
    } catch (const DxfRefused &e) {
        EXPECT_NE(std::string(e.what()).find("элементов"), std::string::npos) << e.what();
    }
}

// The underlay's settings survive a save and load; a missing or damaged file is no underlay; a
// DXF underlay is drawn beneath the grid at its plan position.
TEST(Underlay, StoredAndDrawnBeneathTheGrid)
{
    QTemporaryDir dir;
    const QString data = dir.path();
    EXPECT_EQ(loadUnderlaySettings(data, 3), UnderlaySettings{});
    UnderlaySettings s;
    s.shift = PlanShift{2.5, 40};
    s.metresPerUnit = 0.001;
    s.kind = UnderlayKind::Image;
    s.file = "3.png";
    s.p1 = {10, 20};
    s.p2 = {110, 20};
    s.distance = 25;
    s.at = {4, 6};
    s.shown = false;
    saveUnderlaySettings(data, 3, s);
    EXPECT_EQ(loadUnderlaySettings(data, 3), s);
    {
        QFile f(data + "/underlay/4.json");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"underlay\": {\"kind\": \"dxf\", \"file\": \"../../etc/passwd\"}");
    }
    EXPECT_EQ(loadUnderlaySettings(data, 4).kind, UnderlayKind::None);
    // Nor may it name another project's copy, which forgetting this project would remove.
    for (const char *name : {"/underlay/4.json", "/underlay/3.png"}) {
        QFile f(data + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"underlay\": {\"kind\": \"image\", \"file\": \"3.png\"}}");
    }
    EXPECT_EQ(loadUnderlaySettings(data, 4).kind, UnderlayKind::None);
    forgetProjectUnderlay(data, 4);
    EXPECT_TRUE(QFile::exists(data + "/underlay/3.png"));
    EXPECT_FALSE(QFile::exists(data + "/underlay/4.json"));
    // A DXF underlay set before any import keeps one grid step of margin, as the import would.
    {
        DxfDocument plan;
        plan.addLayer("0", 7);
        plan.polyline("0", {{100, 50}, {140, 50}, {140, 80}}, false);
        const QString file = data + "/plan.dxf";
        std::ofstream(file.toStdString(), std::ios::binary) << plan.toString();
        UnderlaySettings dxf;
        dxf.kind = UnderlayKind::Dxf;
        setUnderlayFile(data, 5, dxf, file, 5.0);
        const UnderlaySettings got = loadUnderlaySettings(data, 5);
        ASSERT_TRUE(got.shift);
        EXPECT_EQ(got.shift->x, 5 - 100);
        EXPECT_EQ(got.shift->y, 5 + 80);
    }

    // A line at plan y = 10.5 m from x = 0 to 30 m, at 1:100 (38 px per metre).
    DxfDrawing d;
    d.layerIndex("0");
    d.lines.push_back({0, {0, -10.5}, {30, -10.5}});
    PlanViewModel model;
    DrawingSettings solid;
    solid.gridPen = {Qt::SolidLine, 1};
    model.LoadDrawingSettings(solid);
    model.setScale(100);
    model.setUnderlay(underlayFromDxf(d, 1.0, {0, 0}));
    QImage top, front;
    model.RedrawGrids(top, front, QSize(1200, 800));
    EXPECT_EQ(top.pixel(500, 399) & 0xffffff, kUnderlayColour & 0xffffff);
    EXPECT_EQ(top.pixel(500, 420) & 0xffffff, 0xffffffu);
    // The grid is drawn over it: grid line x = 38 k stays the grid's colour.
    EXPECT_NE(top.pixel(380, 399) & 0xffffff, kUnderlayColour & 0xffffff);
    model.setUnderlay(nullptr);
    model.RedrawGrids(top, front, QSize(1200, 800));
    EXPECT_EQ(top.pixel(500, 399) & 0xffffff, 0xffffffu);
}
