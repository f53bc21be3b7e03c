// Whole-project selection and zone storage over a snapshot.

#include <string>

#include "calc/calcround.h"
#include "calc/multirod.h"
#include "calc/numfmt.h"
#include "calc/podbor.h"

namespace kv {

using detail::r2;

namespace {

int zoneCount(const OptI &n) { return n.value_or(0); }

Pt posOf(const ConductorRec &c) { return {c.MX.value_or(0), c.MY.value_or(0)}; }

// Positions 1 and 2 of a two-support conductor; a missing second row stands at the first.
void twoPositions(const ProjectSnapshot &snap, Pt &p1, Pt &p2)
{
    p1 = snap.conductors.empty() ? Pt{} : posOf(snap.conductors[0]);
    p2 = snap.conductors.size() < 2 ? p1 : posOf(snap.conductors[1]);
}

void setDesignZoneValues(ConductorRec &mo, const ProjectRec &pr, double H, bool cable)
{
    if (zoneCount(pr.ZonaACnt) >= 1) {
        mo.Ho_a = cable ? CableHoA(H) : RodHoA(H);
        mo.Ro_a = cable ? CableRoA(H) : RodRoA(H);
    } else {
        mo.Ho_a.reset();
        mo.Ro_a.reset();
    }
    if (zoneCount(pr.ZonaBCnt) >= 1) {
        mo.Ho_b = cable ? CableHoB(H) : RodHoB(H);
        mo.Ro_b = cable ? CableRoB(H) : RodRoB(H);
    } else {
        mo.Ho_b.reset();
        mo.Ro_b.reset();
    }
}

std::string quoted(const ObjectRec &o) { return "\"" + o.Name.value_or("") + "\""; }

} // namespace

// The objects whose governing point no conductor height of the type can protect.
void ReportUnreachable(const std::vector<const ObjectRec *> &objs, CalcMessages &messages)
{
    if (objs.empty())
        return;
    std::string names;
    for (const ObjectRec *o : objs) {
        if (!names.empty())
            names += ", ";
        names += quoted(*o);
    }
    const bool many = objs.size() > 1;
    messages.push_back(
        {MessageKind::Error,
         std::string("Ошибка. ") + (many ? "Объекты " : "Объект ") + names +
             (many ? " находятся" : " находится") +
             " вне досягаемости зоны защиты молниеотвода любой высоты при текущем положении "
             "молниеотвода: требуемая высота не определена. Расчетная высота подобрана без "
             "учета " +
             (many ? "этих объектов." : "этого объекта.")});
}

void ReportCoincident(bool cable, CalcMessages &messages)
{
    messages.push_back(
        {MessageKind::Warning,
         cable ? "Внимание. Опоры тросового молниеотвода расположены в одной точке: расстояние "
                 "между опорами равно 0 м."
               : "Внимание. Стержневые молниеотводы двойного молниеотвода расположены в одной "
                 "точке: расстояние между молниеотводами равно 0 м."});
}

namespace {

void storeMax(const OptD &h, double &m)
{
    if (h && *h > m)
        m = *h;
}

} // namespace

double SagForSpan(double L, const std::vector<SagRow> &sagTable, CalcMessages &messages)
{
    for (const SagRow &row : sagTable) {
        if (!row.Lot || !row.Ldo || !row.F)
            continue;
        if (*row.Lot < L && L <= *row.Ldo)
            return *row.F;
    }
    messages.push_back({MessageKind::Error,
                        "Ошибка. В таблице стрел провеса троса не найдено значение стрелы "
                        "провеса для расстояния между опорами молниеотвода, равного " +
                            formatGeneral(L) +
                            " м. По умолчанию будет принята стрела провеса, равная 3 м."});
    return 3;
}

void ClearChosenMO(ConductorRec &mo)
{
    mo.Tip.reset();
    mo.Prim.reset();
    mo.H1.reset();
    mo.Hop1.reset();
    mo.Ho_a1.reset();
    mo.Ho_b1.reset();
    mo.Ro_a1.reset();
    mo.Ro_b1.reset();
    mo.Hc_a1.reset();
    mo.Hc_b1.reset();
    mo.Rc_a1.reset();
    mo.Rc_b1.reset();
    mo.L_H1.reset();
}

// Middle-of-span values belong to a double rod only; a new design height also drops the chosen
// construction.
static void clearMiddleValues(ConductorRec &mo)
{
    mo.Hc_a.reset();
    mo.Hc_b.reset();
    mo.Rc_a.reset();
    mo.Rc_b.reset();
    mo.L_H.reset();
    ClearChosenMO(mo);
}

// Rx of every zoned object at its height for a rod or cable of height H; the chosen and the
// middle-of-span radii are emptied.
static void setSingleZoneRadii(ProjectSnapshot &snap, double H,
                               double (*radius)(Zone, double, double))
{
    for (ObjectRec &o : snap.objects) {
        const Zone z = zoneOf(o.Zona);
        if (z == Zone::None)
            o.Rx.reset();
        else
            o.Rx = radius(z, H, o.Hx.value_or(0));
        o.Rx1.reset();
        o.Rcx.reset();
        o.Rcx1.reset();
    }
}

void RodZones(ProjectSnapshot &snap, double H)
{
    if (!snap.conductors.empty()) {
        ConductorRec &mo = snap.conductors[0];
        mo.H = H;
        mo.Hop.reset();
        setDesignZoneValues(mo, snap.project, H, false);
        clearMiddleValues(mo);
    }
    setSingleZoneRadii(snap, H, RodRx);
}

void CableZones(ProjectSnapshot &snap, double H, const std::vector<SagRow> &sagTable,
                CalcMessages &messages)
{
    Pt p1, p2;
    twoPositions(snap, p1, p2);
    const double L = SpanLength(p1, p2);
    for (size_t i = 0; i < snap.conductors.size() && i < 2; ++i) {
        ConductorRec &mo = snap.conductors[i];
        mo.H = H;
        const double F = SagForSpan(L, sagTable, messages);
        mo.Hop = static_cast<double>(static_cast<long double>(H) + F);
        setDesignZoneValues(mo, snap.project, H, true);
        clearMiddleValues(mo);
    }
    setSingleZoneRadii(snap, H, CableRx);
}

void DoubleRodZones(ProjectSnapshot &snap, double H, const SettingsRec &settings)
{
    const DoubleRodLimits lim = limitsOf(settings);
    const bool as2 = snap.project.ChkUseAs2.value_or(false);
    const bool hasA = zoneCount(snap.project.ZonaACnt) > 0;
    const bool hasB = zoneCount(snap.project.ZonaBCnt) > 0;
    Pt p1, p2;
    twoPositions(snap, p1, p2);
    const double L = SpanLength(p1, p2);
    for (size_t i = 0; i < snap.conductors.size() && i < 2; ++i) {
        ConductorRec &mo = snap.conductors[i];
        mo.H = H;
        mo.Hop.reset();
        setDesignZoneValues(mo, snap.project, H, false);
        mo.Hc_a = (!hasA || as2) ? OptD{} : DoubleRodHcA(H, L, *mo.Ho_a, lim);
        mo.Hc_b = (!hasB || as2) ? OptD{} : DoubleRodHcB(H, L, *mo.Ho_b, lim);
        mo.Rc_a = (!hasA || as2) ? OptD{} : DoubleRodRcA(H, L, *mo.Ro_a, lim);
        mo.Rc_b = (!hasB || as2) ? OptD{} : DoubleRodRcB(H, L, *mo.Ro_b, lim);
        mo.L_H = H != 0 ? OptD{r2(static_cast<long double>(L) / H)} : OptD{};
        ClearChosenMO(mo);
    }
    const ConductorRec *mo = snap.conductors.empty() ? nullptr : &snap.conductors[0];
    for (ObjectRec &o : snap.objects) {
        const Zone z = zoneOf(o.Zona);
        const double Hx = o.Hx.value_or(0);
        if (z == Zone::None)
            o.Rx.reset();
        else
            o.Rx = RodRx(z, H, Hx);
        if (as2 || !mo || z == Zone::None) {
            o.Rcx.reset();
        } else {
            RcxInput in;
            in.zone = z;
            in.H = H;
            in.L = L;
            in.Hx = Hx;
            in.Rx = o.Rx;
            in.Ro_a = mo->Ro_a;
            in.Ro_b = mo->Ro_b;
            in.Hc_a = mo->Hc_a;
            in.Hc_b = mo->Hc_b;
            in.Rc_a = mo->Rc_a;
            o.Rcx = DoubleRodRcx(in, lim);
        }
        o.Rx1.reset();
        o.Rcx1.reset();
    }
}

PodborResult PodborRod(ProjectSnapshot &snap, CalcMessages &messages)
{
    PodborResult res;
    if (snap.objects.empty() || snap.conductors.empty())
        return res;
    res.ran = true;
    const Pt rod = posOf(snap.conductors[0]);
    double m = 0;
    std::vector<const ObjectRec *> unreachable;
    for (ObjectRec &o : snap.objects) {
        const ObjGeom g = objGeomOf(o);
        if (g.zone == Zone::None) {
            o.H.reset();
            o.R.reset();
        } else {
            const ObjectHeight h = ObjectHeightRod(g, rod);
            o.R = h.R;
            o.H = h.ok ? OptD{h.H} : OptD{};
            if (!h.ok)
                unreachable.push_back(&o);
        }
        storeMax(o.H, m);
    }
    ReportUnreachable(unreachable, messages);
    if (m == 0)
        m = 15;
    RodZones(snap, m);
    res.designHeight = m;
    return res;
}

PodborResult PodborCable(ProjectSnapshot &snap, const std::vector<SagRow> &sagTable,
                         CalcMessages &messages)
{
    PodborResult res;
    if (snap.objects.empty() || snap.conductors.empty())
        return res;
    res.ran = true;
    Pt s1, s2;
    twoPositions(snap, s1, s2);
    if (s1.x == s2.x && s1.y == s2.y)
        ReportCoincident(true, messages);
    double m = 0;
    std::vector<const ObjectRec *> unreachable;
    for (ObjectRec &o : snap.objects) {
        const ObjGeom g = objGeomOf(o);
        if (g.zone == Zone::None) {
            o.H.reset();
            o.R.reset();
        } else {
            const ObjectHeight h = ObjectHeightCable(g, s1, s2);
            o.R = h.R;
            o.H = h.ok ? OptD{h.H} : OptD{};
            if (!h.ok)
                unreachable.push_back(&o);
        }
        storeMax(o.H, m);
    }
    ReportUnreachable(unreachable, messages);
    if (m == 0)
        m = 15;
    CableZones(snap, m, sagTable, messages);
    res.designHeight = m;
    return res;
}

PodborResult PodborDoubleRod(ProjectSnapshot &snap, const SettingsRec &settings,
                             CalcMessages &messages)
{
    PodborResult res;
    if (snap.objects.empty() || snap.conductors.empty())
        return res;
    res.ran = true;
    const DoubleRodLimits lim = limitsOf(settings);
    Pt r1, r2p;
    twoPositions(snap, r1, r2p);
    if (r1.x == r2p.x && r1.y == r2p.y)
        ReportCoincident(false, messages);
    const double L = SpanLength(r1, r2p);
    double m = 0;
    std::vector<const ObjectRec *> unreachable;
    for (ObjectRec &o : snap.objects) {
        const ObjGeom g = objGeomOf(o);
        ObjectHeight h;
        if (g.zone != Zone::None)
            h = ObjectHeightDoubleRod(g, r1, r2p, lim);
        if (h.ok) {
            o.R = h.R;
            o.H = h.H;
            o.PointOt = h.PointOt ? OptS{h.PointOt} : OptS{};
            o.PointDo = h.PointDo ? OptS{h.PointDo} : OptS{};
            o.Rejim = h.Rejim ? OptI{h.Rejim} : OptI{};
            o.Hprior = h.H;
        } else {
            o.H.reset();
            o.R.reset();
            o.PointOt.reset();
            o.PointDo.reset();
            o.Rejim.reset();
            o.Hprior.reset();
            if (g.zone != Zone::None)
                unreachable.push_back(&o);
        }
        o.NumMO.reset();
        storeMax(o.H, m);
    }
    const bool as2 = UseAsTwoSingleRods(m, L, zoneCount(snap.project.ZonaACnt),
                                        zoneCount(snap.project.ZonaBCnt), lim);
    if (as2) {
        if (settings.ChkMsgUseAs2.value_or(false))
            messages.push_back({MessageKind::Info, kMsgUseAs2});
        m = 0;
        unreachable.clear();
        for (ObjectRec &o : snap.objects) {
            const ObjGeom g = objGeomOf(o);
            ObjectHeight h;
            if (g.zone != Zone::None)
                h = ObjectHeightTwoRods(g, r1, r2p);
            if (g.zone != Zone::None && h.ok) {
                o.R = h.R;
                o.H = h.H;
                o.NumMO = h.NumMO;
                o.PointDo1 = h.PointDo1 ? OptS{h.PointDo1} : OptS{};
            } else {
                o.H.reset();
                o.R.reset();
                o.NumMO.reset();
                o.PointDo1.reset();
                if (g.zone != Zone::None)
                    unreachable.push_back(&o);
            }
            storeMax(o.H, m);
        }
    }
    snap.project.ChkUseAs2 = as2;
    res.showMemoUseAs2 = as2;
    ReportUnreachable(unreachable, messages);
    if (m == 0)
        m = 15;
    DoubleRodZones(snap, m, settings);
    res.designHeight = m;
    return res;
}

PodborResult AutoPodbor(ProjectSnapshot &snap, const SettingsRec &settings,
                        const std::vector<SagRow> &sagTable, CalcMessages &messages)
{
    switch (conductorTypeOf(snap.project.TipMO.value_or(""))) {
    case ConductorType::SingleRod:
        return PodborRod(snap, messages);
    case ConductorType::Cable:
        return PodborCable(snap, sagTable, messages);
    case ConductorType::DoubleRod:
        return PodborDoubleRod(snap, settings, messages);
    case ConductorType::MultiRod:
        // The pairs' and elements' values are the data layer's to keep (PodborMultiRod).
        return PodborMultiRod(snap, settings, messages).podbor;
    case ConductorType::Unknown:
        break;
    }
    return {};
}

bool MemoUseAs2Visible(const ProjectRec &project)
{
    return project.TipMO.value_or("") == kTipDoubleRod && project.ChkUseAs2.value_or(false);
}

} // namespace kv
