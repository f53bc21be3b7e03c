#include "report/sampleproject.h"

#include "calc/classrule.h"
#include "calc/construction.h"
#include "calc/numfmt.h"

#include <cmath>

namespace kv {

namespace {

ObjectRec makeObject(int kod, const char *name, int cls, double xa, double ya, double l, double s,
                     double hx, int color)
{
    ObjectRec o;
    o.Kod = kod;
    o.Kod0 = 1;
    o.Name = name;
    o.SLabel = std::to_string(kod);
    o.STip = shapeKindOfClass(cls);
    o.MXa = xa;
    o.MYa = ya;
    o.L = l;
    o.S = s;
    o.Hx = hx;
    o.Tip = cls;
    o.ShapeName = "Shape" + std::to_string(kod);
    o.ObjColor = color;
    return o;
}

} // namespace

ReportInput sampleReportInput(ConductorType type, int objectCount,
                              const std::map<int, std::string> &classTexts)
{
    ReportInput in;
    in.profile = ReportProfile::full();
    in.classTexts = classTexts;
    in.sagTable = {{0.0, 30.0, 0.5}, {30.0, 60.0, 1.0}, {60.0, 90.0, 1.5}, {90.0, 120.0, 2.0},
                   {120.0, 150.0, 2.5}};
    in.settings.A1 = 1;
    in.settings.A2 = 2;
    in.settings.A3 = 4;
    in.settings.B1 = 1;
    in.settings.B2 = 6;
    in.drawing = LoadDrawingSettings(in.settings);

    ProjectRec &p = in.snap.project;
    p.Kod = 1;
    p.Name = "Пример: склад и котельная";
    p.ProdGrozMin = 60;
    p.ProdGrozMax = 79;
    p.Udarov = 5.5;
    p.IScale = 500;
    p.ChkUseAs2 = false;
    p.TipMO = type == ConductorType::Cable       ? kTipCable
              : type == ConductorType::DoubleRod ? kTipDoubleRod
                                                 : kTipSingleRod;
    auto rod = [](int kod, double x, double y) {
        ConductorRec c;
        c.Kod = kod;
        c.Kod0 = 1;
        c.MX = x;
        c.MY = y;
        return c;
    };
    if (type == ConductorType::SingleRod)
        in.snap.conductors = {rod(1, 50, 45)};
    else
        in.snap.conductors = {rod(1, 35, 45), rod(2, 70, 45)};

    auto &objs = in.snap.objects;
    if (objectCount <= 0) {
        objs.push_back(makeObject(1, "Склад ГСМ", 3, 20, 20, 20, 12, 6, 8388608));
        objs.push_back(makeObject(2, "Котельная", 5, 60, 25, 24, 18, 10, 32768));
        objs.push_back(makeObject(3, "Дымовая труба", 16, 42, 55, 3, 3, 30, 8421504));
        objs.push_back(makeObject(4, "Цех", 1, 38, 62, 16, 8, 8, 128));
    } else {
        const int perRow = static_cast<int>(std::ceil(std::sqrt(objectCount)));
        for (int i = 0; i < objectCount; ++i) {
            const int cls = 1 + i % 16;
            objs.push_back(makeObject(i + 1, "Объект", cls, 10.0 + (i % perRow) * 12.0,
                                      10.0 + (i / perRow) * 12.0, 8, 6, 4 + i % 7, 0x00AA00));
            objs.back().Name = "Объект " + std::to_string(i + 1);
        }
    }
    int zoneA = 0, zoneB = 0;
    for (auto &o : objs) {
        const double n = round2(ExpectedStrikes(*o.Tip, *o.L, *o.S, *o.Hx, *p.Udarov));
        const ClassRuleResult rule = ClassRule(*o.Tip, *p.ProdGrozMin, n, *o.Hx);
        o.N = n;
        if (rule.needsProtection())
            o.Zona = rule.zone;
        o.Kateg = rule.category;
        zoneA += rule.zone == kZoneA;
        zoneB += rule.zone == kZoneB;
    }
    p.ZonaACnt = zoneA;
    p.ZonaBCnt = zoneB;

    CalcMessages messages;
    const PodborResult pr = AutoPodbor(in.snap, in.settings, in.sagTable, messages);
    if (pr.designHeight) {
        ChosenConstruction chosen;
        chosen.Tip = type == ConductorType::Cable ? "ТМ-1" : "СМ-1";
        chosen.Prim = "Типовая конструкция";
        const double base = type == ConductorType::Cable
                                ? in.snap.conductors[0].Hop.value_or(*pr.designHeight)
                                                         : *pr.designHeight;
        chosen.H = std::ceil(base) + 2;
        ChooseConstruction(in.snap, chosen, in.settings, in.sagTable, messages);
    }
    return in;
}

} // namespace kv
