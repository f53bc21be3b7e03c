// The report sections read back from the written .docx: the worked calculations of each
// conductor type against their texts, the tables, the notes, the drawings and the progress.

#include "reportfixture.h"

#include "calc/numfmt.h"
#include "plan/dxfreader.h"
#include "plan/dxfwriter.h"
#include "plan/underlay.h"
#include "plan/zonepictures.h"
#include "report/docxfile.h"
#include "report/sampleproject.h"

#include <QImage>
#include <algorithm>
#include <cstdio>

using namespace kv;
using namespace kvtest;

namespace {

ObjectRec obj(const char *name, const char *label, double xa, double ya, double l, double s,
              double hx, const char *zona, double r, double h)
{
    ObjectRec o;
    o.Kod = std::atoi(label);
    o.Name = name;
    o.SLabel = label;
    o.STip = "прямоугольный";
    o.MXa = xa;
    o.MYa = ya;
    o.L = l;
    o.S = s;
    o.Hx = hx;
    o.Zona = zona;
    o.R = r;
    o.H = h;
    o.N = 0.02;
    o.Tip = 5;
    o.Kateg = 3;
    o.Rx = 1.5;
    return o;
}

ReportInput baseInput(const char *tip, std::vector<ConductorRec> mos, std::vector<ObjectRec> objs)
{
    ReportInput in;
    in.snap.project.Name = "Проект";
    in.snap.project.TipMO = tip;
    in.snap.project.Udarov = 5.5;
    in.snap.project.IScale = 500;
    int a = 0, b = 0;
    for (const auto &o : objs) {
        a += o.Zona == std::string("А");
        b += o.Zona == std::string("Б");
    }
    in.snap.project.ZonaACnt = a;
    in.snap.project.ZonaBCnt = b;
    in.snap.conductors = std::move(mos);
    in.snap.objects = std::move(objs);
    in.settings.A1 = 1;
    in.settings.A2 = 2;
    in.settings.A3 = 4;
    in.settings.B1 = 1;
    in.settings.B2 = 6;
    in.profile = onlyFlags({&ReportProfile::ObjTabMOHar, &ReportProfile::ObjScoreMOHar});
    return in;
}

ConductorRec mo(double x, double y, OptD h = {})
{
    ConductorRec c;
    c.MX = x;
    c.MY = y;
    c.H = h;
    return c;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(ReportSingleRod, WorkedDistancesAndHeights)
{
    // Rod at (0, 0): the workshop's corners are 10, 20, 20,62 and 11,18 m away (right bottom);
    // the store's left and right top corners are equally far (right top).
    ReportInput in = baseInput(kTipSingleRod, {mo(0, 0, 31.65)},
                               {obj("Цех", "1", 10, 0, 10, 5, 10, "А", 20.62, 31.65),
                                obj("Склад", "2", -5, -20, 10, 5, 4, "Б", 20.62, 18.1)});
    const auto w = writeDocx(in);
    EXPECT_EQ(linesFrom(w.docx, "Цех (правый нижний угол): ", 2),
              (Lines{"Цех (правый нижний угол): ", "R = [(10+10-0) 2 +(0+5-0) 2 ] 1/2  = 20,62 м."}));
    EXPECT_EQ(linesFrom(w.docx, "Склад (правый верхний угол): ", 2),
              (Lines{"Склад (правый верхний угол): ",
                     "R = [(-5+10-0) 2 +(-20-0) 2 ] 1/2  = 20,62 м."}));
    EXPECT_EQ(linesFrom(w.docx, "Цех (зона А):", 8),
              (Lines{"Цех (зона А):", "a = -0,002;", "b = 1,1+0,002/0,85*10 = 1,12353;",
                     "c = -(1,1/0,85*10+20,62) = -33,56118;",
                     "D = 1,12353 2 -4*(-0,002)*(-33,56118) = 0,99383;",
                     "H = (-1,12353+0,99383 1/2 )/(2*(-0,002)) = 31,65 м.",
                     "Склад (зона Б): H = 20,62/1,5+4/0,92 = 18,1 м.",
                     "В качестве расчетной принимается высота молниеотвода 31,65 м."}));
    // Both zone types present: both formula blocks.
    EXPECT_EQ(linesFrom(w.docx, "Расчетная высота молниеотвода.", 9),
              (Lines{"Расчетная высота молниеотвода.",
                     "Расчетные формулы определения высоты молниеотвода:",
                     "- для зоны защиты А: ", "a = -0,002;", "b = 1,1+0,002/0,85*Hx;",
                     "c = -(1,1/0,85*Hx+R);", "D = b 2 -4*a*c;", "H = (-b+D 1/2 )/(2*a), м;",
                     "- для зоны защиты Б: H = R/1,5+Hx/0,92, м;"}));
    EXPECT_EQ(w.docx.count("Цех (прямоугольный объект): N = [(5+6*10)*(10+6*10)-7,7*10 2 ]*5,5*10 -6  = 0,02."), 1);
    EXPECT_EQ(w.docx.count("- для сосредоточенных объектов: N = 9*П*Hx 2 *n*10 -6 ,"), 0)
        << "no concentrated object, no concentrated formula";

    // Formats: the title 12 plain, the worked line 10 with raised exponents.
    const DocxParagraph *t = w.docx.paragraph("Расчетная высота молниеотвода.");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->runs[0].size, 12);
    EXPECT_FALSE(t->runs[0].bold);
    const DocxParagraph *f = w.docx.paragraph("R = [(10+10-0) 2 +(0+5-0) 2 ] 1/2  = 20,62 м.");
    ASSERT_TRUE(f);
    const std::vector<std::pair<std::string, bool>> runs = {
        {"R = [(10+10-0)", false}, {" 2 ", true}, {"+(0+5-0)", false}, {" 2 ", true},
        {"]", false},              {" 1/2 ", true}, {" = 20,62 м.", false}};
    ASSERT_EQ(f->runs.size(), runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(f->runs[i].text, runs[i].first);
        EXPECT_EQ(f->runs[i].raised, runs[i].second);
        EXPECT_EQ(f->runs[i].size, 10);
        EXPECT_EQ(f->runs[i].font, "Times New Roman");
    }
    const DocxParagraph *calc = w.docx.paragraph("Расчеты.");
    ASSERT_TRUE(calc);
    EXPECT_TRUE(calc->runs[0].bold);
}

TEST(ReportCatenary, FootOfTheCornerOnTheAxis)
{
    struct Case {
        const char *name;
        ConductorRec s1, s2;
        ObjectRec o;
        Lines expected;
    };
    const Case cases[] = {
        {"supports on one Y", mo(0, 0, 20), mo(30, 0), obj("Склад", "1", 10, 5, 5, 5, 4, "Б", 10, 8),
         {"Склад (от оси молниеотвода до правого нижнего угла): ", "mXp = mX = 15 м;",
          "mYp = mY1 = 0 м;", "R = [(15-15) 2 +(10-0) 2 ] 1/2  = 10 м."}},
        {"supports on one X", mo(0, 0, 20), mo(0, 30), obj("Склад", "1", 5, 10, 5, 5, 4, "Б", 10, 8),
         {"Склад (от оси молниеотвода до правого верхнего угла): ", "mXp = mX1 = 0 м;",
          "mYp = mY = 10 м;", "R = [(10-0) 2 +(10-10) 2 ] 1/2  = 10 м."}},
        {"negative slope in parentheses", mo(0, 0, 20), mo(20, -10),
         obj("Склад", "1", 10, 0, 2, 2, 4, "Б", 7.16, 8),
         {"Склад (от оси молниеотвода до правого нижнего угла): ", "k = (-10-0) / (20-0) = -0,5;",
          "mXp = ((-0,5)*0+1/(-0,5)*12-0+2) / ((-0,5)+1/(-0,5)) = 8,8 м;",
          "mYp = (-0,5)*8,8-(-0,5)*0+0 = -4,4 м;", "R = [(12-8,8) 2 +(2--4,4) 2 ] 1/2  = 7,16 м."}},
        {"corner beyond the second support", mo(0, 0, 20), mo(30, 0),
         obj("Склад", "1", 32, 2, 4, 3, 4, "Б", 7.07, 8),
         {"Склад (от второй опоры молниеотвода до правого нижнего угла): ",
          "R = [(32+4-30) 2 +(2+3-0) 2 ] 1/2  = 7,07 м."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ReportInput in = baseInput(kTipCable, {c.s1, c.s2}, {c.o});
        const auto w = writeDocx(in);
        EXPECT_EQ(linesFrom(w.docx, c.expected.front(), c.expected.size()), c.expected);
        EXPECT_EQ(w.docx.count("Склад (зона Б): H = " + formatGeneral(*c.o.R) + "/1,7+4/0,92 = 8 м."), 1);
    }
}

TEST(ReportCatenary, SagLookedUpForEachConductorSection)
{
    ReportInput in = sampleReportInput(ConductorType::Cable);
    in.sagTable.clear(); // the span is in no row: 3 m, and the message, both times
    in.profile = onlyFlags({&ReportProfile::MOTabRasHar, &ReportProfile::MOScoreRasHar,
                            &ReportProfile::MOTabSelHar, &ReportProfile::MOScoreSelHar});
    const auto w = writeDocx(in);
    ASSERT_EQ(w.result.messages.size(), 2u);
    EXPECT_EQ(w.result.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(w.docx.count("- стрела провеса троса между опорами молниеотвода: dH = 3 м;"), 1);
    const std::string h1 = formatGeneral(*in.snap.conductors[0].H1);
    EXPECT_EQ(w.docx.count("- высота опор молниеотвода: Hоп. = Н + dH = " + h1 + "+3 = "
                           + formatGeneral(*in.snap.conductors[0].Hop1) + " м;"),
              1);
}

TEST(ReportDoubleRod, GoverningPointsOfEachObject)
{
    // Rods at (0, 0) and (20, 10): span 22,36 m, slope 0,5.
    ObjectRec top = obj("Навес", "1", 5, 0, 20, 6, 4, "Б", 5.59, 8.07);
    top.PointOt = "Ось";
    top.PointDo = "AB";
    top.Rejim = 1;
    ObjectRec corner = obj("Склад", "2", -10, -6, 4, 3, 4, "Б", 11.66, 12.12);
    corner.PointOt = "МО1";
    corner.PointDo = "A";
    corner.Rejim = 1;
    ObjectRec fresh = obj("Новый", "3", 40, 40, 4, 3, 4, "Б", 1, 1); // no selection since added
    ObjectRec regime2 = obj("Котельная", "4", 30, 20, 4, 3, 4, "Б", 12, 25);
    regime2.PointOt = "МО2";
    regime2.PointDo = "D";
    regime2.Rejim = 2; // the design height 30 puts the span back into regime 1
    ReportInput in = baseInput(kTipDoubleRod, {mo(0, 0, 30), mo(20, 10, 30)},
                               {top, corner, fresh, regime2});
    const auto w = writeDocx(in);
    const std::string mid = "- расстояние от оси молниеотвода до точки пересечения верхней стороны "
                            "объекта и перпендикуляра к оси молниеотвода, проходящего через ее центр:";
    EXPECT_EQ(linesFrom(w.docx, "Навес:", 13),
              (Lines{"Навес:", mid, "Х0 = 10 м;", "Y0 = 5 м;", "k = (10-0) / (20-0) = 0,5;",
                     "Xab = (0-1/0,5*10-5) * (-1)*0,5 = 12,5 м;", "Yab = Ya = 0 м;",
                     "k = (10-0) / (20-0) = 0,5;",
                     "mXp = (0,5*0+1/0,5*12,5-0+0) / (0,5+1/0,5) = 10 м;",
                     "mYp = 0,5*10-0,5*0+0 = 5 м;", "R = [(12,5-10) 2 +(0-5) 2 ] 1/2  = 5,59 м.",
                     "- расчетная высота молниеотвода:", "H = 5,59/1,5+4/0,92 = 8,07 м."}));
    EXPECT_EQ(linesFrom(w.docx, "Склад:", 5),
              (Lines{"Склад:", "- расстояние от первой опоры молниеотвода до левого верхнего угла:",
                     "R = [(-10-0) 2 +(-6-0) 2 ] 1/2  = 11,66 м.", "- расчетная высота молниеотвода:",
                     "H = 11,66/1,5+4/0,92 = 12,12 м."}));
    EXPECT_EQ(linesFrom(w.docx, "Новый:", 3),
              (Lines{"Новый:", "- расчетная высота молниеотвода:", "Котельная:"}));
    // Regime 2 at the object's height, regime 1 at the design height: the stored height alone,
    // not the single-rod formula that would end in another number.
    EXPECT_EQ(linesFrom(w.docx, "Котельная:", 5),
              (Lines{"Котельная:", "- расстояние от второй опоры молниеотвода до левого нижнего угла:",
                     "R = [(30-20) 2 +(20+3-10) 2 ] 1/2  = 12 м.", "- расчетная высота молниеотвода:",
                     "H = 25 м."}));
    EXPECT_EQ(linesFrom(w.docx, "В качестве расчетной принимается высота молниеотвода 30 м.", 2),
              (Lines{"В качестве расчетной принимается высота молниеотвода 30 м.", ""}));
    // Zone B only: no zone A lines in any formula block.
    EXPECT_EQ(w.docx.count("- для зоны защиты А: "), 0);
    EXPECT_EQ(w.docx.count("при Kb_min*Н>=Lмо:"), 2);
    // Not in two-single-rods mode: the Rcx column and the narrowing endings.
    ASSERT_EQ(w.docx.tables.size(), 1u);
    EXPECT_EQ(w.docx.tables[0].cells[0].back(), "Rcx, м");
    EXPECT_EQ(w.docx.count("при L<=1*H:"), 4);
}

TEST(ReportDoubleRod, TwoSingleRodsMode)
{
    ObjectRec fromRod2 = obj("Склад", "1", 20, 5, 4, 3, 4, "Б", 3.16, 6.45);
    fromRod2.NumMO = 2;
    fromRod2.PointDo1 = "C";
    ObjectRec crossing = obj("Навес", "2", 5, 0, 20, 6, 4, "Б", 5.59, 8.07);
    crossing.NumMO = 12;
    crossing.PointDo1 = "AB";
    ReportInput in = baseInput(kTipDoubleRod, {mo(0, 0, 30), mo(21, 9, 30)}, {fromRod2, crossing});
    in.snap.project.ChkUseAs2 = true;
    in.profile.ObjPrimMOHar = true;
    const auto w = writeDocx(in);
    EXPECT_EQ(linesFrom(w.docx, "Склад:", 3),
              (Lines{"Склад:", "- расстояние от второй опоры молниеотвода до правого нижнего угла:",
                     "R = [(20+4-21) 2 +(5+3-9) 2 ] 1/2  = 3,16 м."}));
    EXPECT_EQ(linesFrom(w.docx, "Навес:", 3),
              (Lines{"Навес:", "- расчетная высота молниеотвода:", "H = 5,59/1,5+4/0,92 = 8,07 м."}));
    ASSERT_EQ(w.docx.tables.size(), 1u);
    EXPECT_EQ(w.docx.tables[0].cells[0].back(), "Rx, м") << "no Rcx column";
    EXPECT_EQ(w.docx.count("Rx, м - радиус области защиты объекта на высоте Нх при наибольшей "
                           "расчетной высоте молниеотвода (30 м)."),
              1);
    EXPECT_EQ(w.docx.count("Rcx, м - радиус сужения зоны защиты объекта на высоте Нх при "
                           "наибольшей расчетной высоте молниеотвода (30 м)."),
              0);
    EXPECT_EQ(w.docx.find("Радиусы областей зон защиты объектов на высоте Нх при расчетной высоте "
                          "молниеотвода.") > 0,
              true);
}

TEST(ReportObjects, ClassNoteDescribesEachClassOnce)
{
    ObjectRec a = obj("А1", "1", 0, 0, 1, 1, 1, "Б", 1, 1), b = a, c = a;
    a.Tip = 5;
    b.Tip = 2;
    c.Tip = 5;
    ReportInput in = baseInput(kTipSingleRod, {mo(0, 0, 10)}, {a, b, c});
    in.classTexts = {{2, "Второй класс."}, {5, "Пятый класс"}}; // one brings its own full stop
    in.profile = onlyFlags({&ReportProfile::ObjTabMOHar, &ReportProfile::ObjPrimClass});
    const auto w = writeDocx(in);
    EXPECT_EQ(linesFrom(w.docx, "Примечание. Классы объектов по молниезащите.", 4),
              (Lines{"Примечание. Классы объектов по молниезащите.", "5 - Пятый класс.",
                     "2 - Второй класс.", ""}));
}

TEST(ReportObjects, ProfileWithEveryFlagOffStillSetsThePageUp)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    in.profile = ReportProfile{};
    in.profile.PaperSize = "A5";
    in.profile.TopMargin = 10;
    const auto w = writeDocx(in);
    EXPECT_EQ(w.docx.lines, Lines{""});
    auto sect = w.docx.document.child("w:document").child("w:body").child("w:sectPr");
    EXPECT_EQ(sect.child("w:pgSz").attribute("w:w").as_int(), mmToTwips(148));
    EXPECT_EQ(sect.child("w:pgMar").attribute("w:top").as_int(), 28 * 20);
}

TEST(ReportObjects, PreExportChecks)
{
    struct Case {
        bool ReportProfile::*flag;
        bool designDone, chosenDone;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {&ReportProfile::ProjHar, false, false, {}},
        {&ReportProfile::MOTabRasHar, false, true, {kMsgNeedPodbor}},
        {&ReportProfile::CherVidPrymoPod, true, false, {}},
        {&ReportProfile::MOTabRadZon, true, false, {kMsgNeedChoice}},
        {&ReportProfile::CherVidSverhu, true, true, {}},
    };
    for (const auto &c : cases) {
        ReportInput in = baseInput(kTipSingleRod, {mo(0, 0)}, {});
        if (c.designDone)
            in.snap.conductors[0].Ho_b = 10;
        if (c.chosenDone)
            in.snap.conductors[0].H1 = 12;
        in.profile = onlyFlags({c.flag});
        EXPECT_EQ(preExportErrors(in), c.errors);
    }
    ReportInput both = baseInput(kTipSingleRod, {mo(0, 0)}, {});
    both.profile = ReportProfile::full();
    EXPECT_EQ(preExportErrors(both), (std::vector<std::string>{kMsgNeedPodbor, kMsgNeedChoice}));
}

namespace {
class CountingFeedback : public ReportFeedback {
public:
    void setProgress(int step, int total) override
    {
        steps.push_back(step);
        EXPECT_EQ(total, kReportSteps);
    }
    bool isCancelled() const override { return cancelAt > 0 && steps.back() >= cancelAt; }
    std::vector<int> steps;
    int cancelAt = 0;
};
} // namespace

struct TypeCase {
    const char *name;
    ConductorType type;
    bool useAs2;
    size_t designColumns, radiiColumns;
    const char *radiiCaption;
    const char *adjective;
};

class ReportOfType : public testing::TestWithParam<TypeCase> {};

TEST_P(ReportOfType, WholeReportInSectionOrder)
{
    const TypeCase &c = GetParam();
    ReportInput in = sampleReportInput(c.type);
    in.snap.project.ChkUseAs2 = c.useAs2;
    CountingFeedback fb;
    const auto w = writeDocx(in, &fb);
    const Docx &d = w.docx;
    // Captions of the tables, in the order of the sections.
    const Lines captions = {"Общая характеристика объектов.",
                            "Характеристика объектов по устройству молниезащиты.",
                            "Расчетные характеристики молниеотвода.",
                            "Характеристики выбранного молниеотвода.", c.radiiCaption,
                            "Выбранный молниеотвод. Вид спереди.",
                            "Проверка защиты объектов методом катящейся сферы."};
    int at = 0;
    for (const auto &cap : captions) {
        const int i = d.find(cap, at);
        EXPECT_GT(i, at) << cap;
        at = std::max(at, i);
    }
    ASSERT_EQ(d.tables.size(), 6u);
    EXPECT_EQ(d.tables[0].cells[0], (Lines{"Наименование", "Метка", "Тип", " X, м", "Y, м", "L, м",
                                           "S, м", "Hx, м"}));
    EXPECT_EQ(d.tables[0].cells.size(), in.snap.objects.size() + 1);
    EXPECT_EQ(d.tables[2].cells[0].size(), c.designColumns);
    EXPECT_EQ(d.tables[2].cells.size(), in.snap.conductors.size() + 1);
    EXPECT_EQ(d.tables[4].cells[0].size(), c.radiiColumns);
    EXPECT_EQ(d.tables[1].cells[1][0], "Склад ГСМ");
    EXPECT_EQ(d.tables[2].cells[1][2], formatGeneral(*in.snap.conductors[0].H));
    // Header row bold, the body plain, 12 points, centred.
    EXPECT_TRUE(d.tables[0].firstRuns[0].at(0).bold);
    EXPECT_FALSE(d.tables[0].firstRuns[1].at(0).bold);
    EXPECT_EQ(d.tables[0].firstRuns[1].at(0).size, 12);
    // The four drawings with their captions and legends. Drawn at the project's 1:500 they are
    // wider than the page: each is reduced to the text width and its note states the scale it
    // has there, so that the picture's width read at that scale spans what it shows.
    EXPECT_EQ(d.pictures, 5); // the four zone drawings and the sphere's
    const auto extents = d.document.select_nodes("//wp:extent");
    ASSERT_EQ(extents.size(), 5u);
    int k = 0;
    for (const char *cap : {"Расчетный молниеотвод. Вид сверху.", "Расчетный молниеотвод. Вид спереди.",
                            "Выбранный молниеотвод. Вид сверху.", "Выбранный молниеотвод. Вид спереди."}) {
        const int i = d.find(cap);
        ASSERT_GT(i, 0) << cap;
        int scale = 0;
        const std::string &note = d.lines[static_cast<size_t>(i) + 1];
        ASSERT_EQ(std::sscanf(note.c_str(), "Масштаб 1 : %d.", &scale), 1) << note;
        EXPECT_GT(scale, 500) << note;
        const std::string &png = d.parts.at("word/media/image" + std::to_string(k + 1) + ".png");
        const QImage img = QImage::fromData(reinterpret_cast<const uchar *>(png.data()),
                                            static_cast<int>(png.size()));
        const double cm = extents[static_cast<size_t>(k)].node().attribute("cx").as_double() / 360000;
        EXPECT_NEAR(cm * scale, img.width() / 38.0 * 500, img.width() / 38.0 * 500 * 0.002) << cap;
        EXPECT_EQ(d.lines[static_cast<size_t>(i) + 2], "Примечание.");
        ++k;
    }
    const std::string legend = "Rx1 (" + formatGeneral(*in.snap.objects[0].Rx1) + " м) - радиус "
                               + c.adjective + "защиты на высоте Нх (6 м) объекта \"Склад ГСМ\".";
    EXPECT_EQ(d.count(legend), 2) << "the chosen pair's two legends: " << legend;
    const std::string designLegend = "Rx1 (" + formatGeneral(*in.snap.objects[0].Rx) + " м) - радиус "
                                     + c.adjective + "защиты на высоте Нх (6 м) объекта \"Склад ГСМ\".";
    EXPECT_EQ(d.count(designLegend), 2) << designLegend;
    // Progress: 20 steps, never backwards.
    ASSERT_FALSE(fb.steps.empty());
    EXPECT_EQ(fb.steps.back(), kReportSteps);
    EXPECT_TRUE(std::is_sorted(fb.steps.begin(), fb.steps.end()));
    // The worked design height ends in the stored design height.
    EXPECT_EQ(d.count("В качестве расчетной принимается высота молниеотвода "
                      + formatGeneral(*in.snap.conductors[0].H) + " м."),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ReportOfType,
    testing::Values(
        TypeCase{"SingleRod", ConductorType::SingleRod, false, 7, 2, "Радиусы зон защиты объектов.", ""},
        TypeCase{"Catenary", ConductorType::Cable, false, 8, 2,
                 "Радиусы торцевых областей защиты объектов.", "торцевых областей "},
        TypeCase{"DoubleRod", ConductorType::DoubleRod, false, 11, 3,
                 "Радиусы торцевых областей и сужения зон защиты объектов.", "торцевых областей "},
        TypeCase{"DoubleRodAsTwo", ConductorType::DoubleRod, true, 7, 2,
                 "Радиусы областей зон защиты объектов.", "области "}),
    [](const testing::TestParamInfo<TypeCase> &i) { return std::string(i.param.name); });

TEST(ReportDrawings, OnlyTheFrontDesignDrawing)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    in.profile = onlyFlags({&ReportProfile::CherVidPrymoPod});
    CountingFeedback fb;
    const auto w = writeDocx(in, &fb);
    EXPECT_EQ(w.docx.pictures, 1);
    ASSERT_EQ(w.docx.parts.count("word/media/image1.png"), 1u);
    // The embedded picture is the rendered front picture, pixel for pixel.
    const std::string &png = w.docx.parts.at("word/media/image1.png");
    const QImage embedded = QImage::fromData(reinterpret_cast<const uchar *>(png.data()),
                                             static_cast<int>(png.size()), "PNG")
                                .convertToFormat(QImage::Format_RGB32);
    const QImage rendered =
        RenderZonePictures(in.snap, in.drawing, "").front.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(embedded, rendered);
    EXPECT_EQ(w.docx.find("Расчетный молниеотвод. Вид спереди."), -1) << "no note without its flag";
    EXPECT_EQ(fb.steps.back(), kReportSteps);
}

TEST(ReportDrawings, LegendForZoneBObjects)
{
    ObjectRec a = obj("Склад", "1", 0, 0, 4, 4, 4, "Б", 1, 1), b = obj("Цех", "2", 10, 0, 4, 4, 6, "Б", 1, 1);
    a.Rx = 12.5;
    b.Rx = 9;
    ConductorRec rod = mo(5, 10, 20);
    rod.Ro_b = 30;
    rod.Ho_b = 18.4;
    ReportInput in = baseInput(kTipSingleRod, {rod}, {a, b});
    in.profile = onlyFlags({&ReportProfile::CherVidSverhuPod, &ReportProfile::PrimVidSverhuPod});
    const auto w = writeDocx(in);
    EXPECT_EQ(linesFrom(w.docx, "Расчетный молниеотвод. Вид сверху.", 8),
              (Lines{"Расчетный молниеотвод. Вид сверху.", "Масштаб 1 : 500.", "Примечание.",
                     "1 - объект \"Склад\".", "2 - объект \"Цех\".",
                     "Rо_b (30 м)  - радиус защиты на уровне земли для зоны Б.",
                     "Rx1 (12,5 м) - радиус защиты на высоте Нх (4 м) объекта \"Склад\".",
                     "Rx2 (9 м) - радиус защиты на высоте Нх (6 м) объекта \"Цех\"."}));
}

// The drawings went in at 96 dpi cut to the text width: "Масштаб 1 : 500" stood under a drawing
// at about 1:760. Measured on the file: the picture's width in EMU, read at the scale its note
// states, spans the metres the picture shows (the zone's diameter and 40 pixels each side);
// a drawing too wide for the page states the smaller scale it has there.
TEST(ReportDrawings, PlacedAtTheScaleTheirNoteStates)
{
    for (const double ro : {30.0, 100.0}) {
        SCOPED_TRACE(ro);
        ConductorRec rod = mo(0, 0, 20);
        rod.Ro_b = ro;
        rod.Ho_b = 18.4;
        ReportInput in =
            baseInput(kTipSingleRod, {rod}, {obj("Склад", "1", 2, 2, 4, 4, 4, "Б", 1, 1)});
        in.profile =
            onlyFlags({&ReportProfile::CherVidSverhuPod, &ReportProfile::PrimVidSverhuPod});
        const auto w = writeDocx(in);
        const auto note = linesFrom(w.docx, "Расчетный молниеотвод. Вид сверху.", 2);
        ASSERT_EQ(note.size(), 2u);
        int scale = 0;
        ASSERT_EQ(std::sscanf(note[1].c_str(), "Масштаб 1 : %d.", &scale), 1) << note[1];
        const double cx =
            w.docx.document.select_node("//wp:extent").node().attribute("cx").as_double();
        const double metres = cx / 360000.0 / 100.0 * scale; // 360 000 EMU to the centimetre
        EXPECT_NEAR(metres, 2 * ro + 80 * 500 / 3800.0, 0.005 * metres);
        if (ro == 30.0)
            EXPECT_EQ(scale, 500);
        else // 42,1 cm of drawing on a page 21 cm wide
            EXPECT_NEAR(scale, 1003, 2);
    }
}

// A heading must not stand alone at the foot of a page: captions and "Расчеты." keep with the
// next paragraph, through the empty one below them.
TEST(ReportDocx, HeadingsKeepWithTheNextParagraph)
{
    const auto w = writeDocx(sampleReportInput(ConductorType::SingleRod));
    int headings = 0;
    for (auto p : w.docx.document.child("w:document").child("w:body").children("w:p")) {
        const DocxParagraph para = readParagraph(p);
        if (para.text() != "Расчеты." && para.text() != "Расчетные характеристики молниеотвода.")
            continue;
        ++headings;
        EXPECT_TRUE(p.child("w:pPr").child("w:keepNext")) << para.text();
        const auto next = p.next_sibling("w:p");
        EXPECT_TRUE(readParagraph(next).text().empty());
        EXPECT_TRUE(next.child("w:pPr").child("w:keepNext")) << para.text();
    }
    EXPECT_GE(headings, 3);
    // Body text does not keep with what follows.
    EXPECT_FALSE(w.docx.document.select_node("//w:p[w:r/w:t='Расчетные значения:']/w:pPr/w:keepNext"));
}

TEST(ReportProgress, StopsWhenCancelled)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    CountingFeedback fb;
    fb.cancelAt = 5;
    QTemporaryDir dir;
    ReportSession session;
    const auto r = writeReportFile(in, dir.filePath("r.docx"), session, &fb);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(QFile::exists(dir.filePath("r.docx")));
    EXPECT_EQ(fb.steps.back(), 5);
}

// A multiple rod: the rods and pairs tables, each object's protecting element and the governing
// object's worked height; two rods write exactly the double rod's report.
TEST(ReportMultiRod, ElementsPairsAndTheDoubleRodCase)
{
    const auto selected = [](const char *tip, std::vector<ConductorRec> rods) {
        ReportInput in = baseInput(tip, std::move(rods),
                                   {obj("Резервуар", "1", 13, 13, 4, 3, 5, "А", 0, 0),
                                    obj("Насосная", "2", 36, 16, 6, 8, 7, "А", 0, 0)});
        in.profile = onlyFlags({&ReportProfile::ObjTabMOHar, &ReportProfile::ObjScoreMOHar,
                                &ReportProfile::MOTabRasHar, &ReportProfile::MOScoreRasHar});
        CalcMessages msgs;
        if (std::string(tip) == kTipDoubleRod)
            PodborDoubleRod(in.snap, in.settings, msgs);
        else
            in.multiRod = PodborMultiRod(in.snap, in.settings, msgs);
        return in;
    };
    const std::vector<ConductorRec> six = {mo(10, 10), mo(30, 10), mo(50, 10),
                                           mo(10, 30), mo(30, 30), mo(50, 30)};
    const ReportInput multi = selected(kTipMultiRod, six);
    const auto w = writeDocx(multi);
    const std::string H = formatGeneral(*multi.snap.conductors[0].H);
    const DocxTable *elements = nullptr, *pairs = nullptr, *rods = nullptr;
    for (const DocxTable &t : w.docx.tables) {
        if (t.cells[0][0] == "Объект")
            elements = &t;
        if (t.cells[0][0] == "Опоры")
            pairs = &t;
        if (t.cells[0][0] == "№ опоры")
            rods = &t;
    }
    ASSERT_TRUE(elements && pairs && rods);
    EXPECT_EQ(elements->cells[1][1], "треугольник опор 1–2–4");
    EXPECT_EQ(elements->cells[2][1], "пара опор 2–6");
    EXPECT_EQ(pairs->cells.size(), 16u);
    EXPECT_EQ(pairs->cells[1][0], "1–2");
    EXPECT_EQ(rods->cells.size(), 7u);
    EXPECT_EQ(rods->cells[6][1], "50");
    EXPECT_GT(w.docx.find("Расчетную высоту молниеотвода определяет объект \"Насосная\" "
                          "(защищающий элемент: пара опор 2–6)."),
              0);
    EXPECT_GT(w.docx.find("В качестве расчетной принимается высота молниеотвода " + H + " м."), 0);

    const std::vector<ConductorRec> two = {mo(10, 10), mo(42, 24)};
    const auto a = writeDocx(selected(kTipDoubleRod, two));
    const auto b = writeDocx(selected(kTipMultiRod, two));
    EXPECT_EQ(a.docx.lines, b.docx.lines);
}

// The rolling-sphere section: only with its flag, after the drawings, with one row per object and
// a column per level; a level protecting an object protects it at every larger sphere; the
// drawing carries the arcs.
TEST(ReportSphere, SectionWithItsFlagOnly)
{
    ObjectRec near = obj("Склад", "1", 33, 29, 3, 2, 4, "Б", 1, 1);
    ObjectRec far = obj("Цех", "2", 75, 28, 6, 6, 8, "Б", 1, 1);
    ReportInput in = baseInput(kTipSingleRod, {mo(30, 30, 20.0)}, {near, far});
    in.profile = onlyFlags({&ReportProfile::ProvSfera});
    const auto w = writeDocx(in);
    const Docx &d = w.docx;
    ASSERT_GT(d.find("Проверка защиты методом катящейся сферы"), -1);
    ASSERT_EQ(d.tables.size(), 1u);
    const auto &cells = d.tables[0].cells;
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0], (Lines{"Метка", "Наименование", "Hx, м", "I (R = 20 м)", "II (R = 30 м)",
                               "III (R = 45 м)", "IV (R = 60 м)"}));
    EXPECT_EQ(cells[1][3], "защищен") << "a 4 m box within the 8 m the rod protects at 4 m";
    EXPECT_EQ(cells[2][3].rfind("не защищен, глубина ", 0), 0u) << cells[2][3];
    for (size_t r = 1; r < cells.size(); ++r) {
        for (size_t c = 3; c + 1 < cells[r].size(); ++c) {
            if (cells[r][c] == "защищен") {
                EXPECT_EQ(cells[r][c + 1], "защищен") << r << " " << c;
            }
        }
    }
    EXPECT_EQ(d.pictures, 1);
    EXPECT_GT(d.find("Проверка методом катящейся сферы. Вид спереди."), -1);
    EXPECT_TRUE(std::any_of(d.lines.begin(), d.lines.end(), [](const std::string &l) {
        return l.find("Другие объекты не экранируют проверяемый объект") != std::string::npos;
    }));
    const std::string &png = d.parts.at("word/media/image1.png");
    const QImage img = QImage::fromData(reinterpret_cast<const uchar *>(png.data()),
                                        static_cast<int>(png.size()))
                           .convertToFormat(QImage::Format_RGB32);
    int arc = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            arc += img.pixel(x, y) == in.drawing.sphereColour().rgb();
    EXPECT_GT(arc, 50);

    in.profile = onlyFlags({&ReportProfile::ObjTabObHar});
    const auto without = writeDocx(in);
    EXPECT_EQ(without.docx.find("Проверка защиты методом катящейся сферы"), -1);
    EXPECT_EQ(without.docx.pictures, 0);
}

// The 3D picture: only with its flag, the software picture of the zones with its caption; the
// zone tint shows in the embedded picture.
TEST(ReportDrawings, ThreeDimensionalPictureWithItsFlag)
{
    ReportInput in = sampleReportInput(ConductorType::DoubleRod);
    in.profile = onlyFlags({&ReportProfile::CherVid3D});
    const auto w = writeDocx(in);
    ASSERT_EQ(w.docx.pictures, 1);
    EXPECT_NE(w.docx.find("Зоны защиты молниеотвода. Общий вид."), -1);
    std::string png;
    for (const auto &[name, bytes] : w.docx.parts)
        if (name.rfind("word/media/", 0) == 0)
            png = bytes;
    const QImage img = QImage::fromData(reinterpret_cast<const uchar *>(png.data()),
                                        static_cast<int>(png.size()), "PNG");
    ASSERT_FALSE(img.isNull());
    int tinted = 0;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3) {
            const QColor c = img.pixelColor(x, y);
            tinted += c.blue() - c.red() > 30 || c.red() - c.blue() > 40;
        }
    EXPECT_GT(tinted, 500);
    // With the rolling-sphere section the picture shows the sphere's envelope too: a purple tint
    // the zones alone do not give.
    auto purple = [&](const ReportProfile &profile) {
        in.profile = profile;
        int n = 0;
        for (const auto &[name, bytes] : writeDocx(in).docx.parts) {
            const QImage pic = QImage::fromData(reinterpret_cast<const uchar *>(bytes.data()),
                                                static_cast<int>(bytes.size()), "PNG");
            if (name.rfind("word/media/", 0) != 0 || pic.size() != img.size())
                continue;
            for (int y = 0; y < pic.height(); y += 3)
                for (int x = 0; x < pic.width(); x += 3) {
                    const QColor c = pic.pixelColor(x, y);
                    n += c.red() - c.green() > 25 && c.blue() - c.green() > 25;
                }
        }
        return n;
    };
    EXPECT_GT(purple(onlyFlags({&ReportProfile::CherVid3D, &ReportProfile::ProvSfera})),
              purple(onlyFlags({&ReportProfile::CherVid3D})) + 300);
    in.profile = onlyFlags({&ReportProfile::CherVidPrymoPod});
    EXPECT_EQ(writeDocx(in).docx.find("Зоны защиты молниеотвода. Общий вид."), -1);
}

// The underlay beneath the top drawings: with its flag and an underlay, its lines lie in the top
// picture at true scale, two vertical lines 20 m either side of the rod exactly 152 pixels
// (1 : 500) from the picture's centre, and nowhere else; the front picture does not change. The
// flag without an underlay, or an underlay without the flag, gives the very same document.
TEST(ReportDrawings, UnderlayBeneathTheTopDrawingWithItsFlag)
{
    DxfDocument dxf;
    dxf.addLayer("План", 7);
    dxf.line("План", {30, -10}, {30, -80});
    dxf.line("План", {70, -10}, {70, -80});
    const auto underlay = underlayFromDxf(readDxfText(dxf.toString(), "plan.dxf"), 1.0, {0, 0});

    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    const auto media = [](const Written &w) {
        std::vector<QImage> images;
        for (const auto &[name, bytes] : w.docx.parts)
            if (name.rfind("word/media/", 0) == 0)
                images.push_back(QImage::fromData(reinterpret_cast<const uchar *>(bytes.data()),
                                                  static_cast<int>(bytes.size()), "PNG")
                                     .convertToFormat(QImage::Format_RGB32));
        return images;
    };
    const auto profile = [](bool flag) {
        ReportProfile p =
            onlyFlags({&ReportProfile::CherVidSverhuPod, &ReportProfile::CherVidPrymoPod});
        p.CherPodlozhka = flag;
        return p;
    };
    in.profile = profile(false);
    const Written today = writeDocx(in);
    ASSERT_EQ(media(today).size(), 2u);

    struct Case {
        bool flag, withUnderlay;
    };
    for (const Case c : {Case{false, true}, Case{true, false}, Case{true, true}}) {
        SCOPED_TRACE(std::to_string(c.flag) + " " + std::to_string(c.withUnderlay));
        in.profile = profile(c.flag);
        in.underlay = c.withUnderlay ? underlay : nullptr;
        const Written w = writeDocx(in);
        if (!(c.flag && c.withUnderlay)) {
            EXPECT_EQ(w.docx.parts, today.docx.parts);
            continue;
        }
        const std::vector<QImage> was = media(today), now = media(w);
        ASSERT_EQ(now.size(), 2u);
        EXPECT_EQ(now[1], was[1]) << "the front picture has no underlay";
        const QImage &top = now[0];
        ASSERT_EQ(top.size(), was[0].size());
        const int cx = top.width() / 2;
        std::map<int, int> columns; // x -> underlay-coloured pixels
        for (int y = 0; y < top.height(); ++y)
            for (int x = 0; x < top.width(); ++x)
                if ((top.pixel(x, y) & 0xffffff) == (kUnderlayColour & 0xffffff))
                    ++columns[x];
        ASSERT_EQ(columns.size(), 2u);
        EXPECT_EQ(columns.begin()->first, cx - 152);
        EXPECT_EQ(columns.rbegin()->first, cx + 152);
        EXPECT_GT(columns.begin()->second, 200);
        EXPECT_GT(columns.rbegin()->second, 200);
    }
}
