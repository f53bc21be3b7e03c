#include "calc/construction.h"

#include "calc/calcround.h"

namespace kv {

using detail::r2;

namespace {

int zoneCount(const OptI &n) { return n.value_or(0); }

// A radius that comes out negative means the point lies above the zone: there is no radius to
// store, and the object is outside the chosen zone. A rounded -0 is stored as 0.
OptD radius(double r) { return r < 0 ? OptD{} : OptD{r + 0.0}; }
OptD radius(const OptD &r) { return r ? radius(*r) : OptD{}; }
Pt posOf(const ConductorRec &c) { return {c.MX.value_or(0), c.MY.value_or(0)}; }

double spanOf(const ProjectSnapshot &snap)
{
    if (snap.conductors.size() < 2)
        return 0;
    return SpanLength(posOf(snap.conductors[0]), posOf(snap.conductors[1]));
}

void setChosenHeader(ConductorRec &mo, const ChosenConstruction &c)
{
    mo.Tip = c.Tip;
    mo.Prim = c.Prim;
}

// Rods: the single rod's row, the double rod's two rows or, with allRows, every row of a
// multiple rod (whose middle-of-span values belong to its pairs).
void chooseRods(ProjectSnapshot &snap, const ChosenConstruction &c, const SettingsRec &settings,
                bool doubleRod, bool allRows = false)
{
    const double H = c.H;
    const bool hasA = zoneCount(snap.project.ZonaACnt) >= 1;
    const bool hasB = zoneCount(snap.project.ZonaBCnt) >= 1;
    const bool as2 = doubleRod && snap.project.ChkUseAs2.value_or(false);
    const DoubleRodLimits lim = limitsOf(settings);
    const double L = doubleRod ? spanOf(snap) : 0;
    const size_t rows = allRows ? snap.conductors.size() : doubleRod ? 2 : 1;
    for (size_t i = 0; i < snap.conductors.size() && i < rows; ++i) {
        ConductorRec &mo = snap.conductors[i];
        setChosenHeader(mo, c);
        mo.H1 = H;
        mo.Hop1.reset();
        mo.Ho_a1 = hasA ? OptD{RodHoA(H)} : OptD{};
        mo.Ro_a1 = hasA ? radius(RodRoA(H)) : OptD{};
        mo.Ho_b1 = hasB ? OptD{RodHoB(H)} : OptD{};
        mo.Ro_b1 = hasB ? radius(RodRoB(H)) : OptD{};
        if (doubleRod) {
            mo.Hc_a1 = (hasA && !as2) ? DoubleRodHcA(H, L, *mo.Ho_a1, lim) : OptD{};
            mo.Hc_b1 = (hasB && !as2) ? DoubleRodHcB(H, L, *mo.Ho_b1, lim) : OptD{};
            mo.Rc_a1 = (hasA && !as2 && mo.Ro_a1) ? radius(DoubleRodRcA(H, L, *mo.Ro_a1, lim))
                                                  : OptD{};
            mo.Rc_b1 = (hasB && !as2 && mo.Ro_b1) ? radius(DoubleRodRcB(H, L, *mo.Ro_b1, lim))
                                                  : OptD{};
            mo.L_H1 = H != 0 ? OptD{r2(static_cast<long double>(L) / H)} : OptD{};
        } else {
            mo.Hc_a1.reset();
            mo.Hc_b1.reset();
            mo.Rc_a1.reset();
            mo.Rc_b1.reset();
            mo.L_H1.reset();
        }
    }
    const ConductorRec *mo = snap.conductors.empty() ? nullptr : &snap.conductors[0];
    for (ObjectRec &o : snap.objects) {
        const Zone z = zoneOf(o.Zona);
        const double Hx = o.Hx.value_or(0);
        o.Rx1 = z == Zone::None ? OptD{} : radius(RodRx(z, H, Hx));
        if (!doubleRod || as2 || !o.Rx1 || !mo) {
            o.Rcx1.reset();
            continue;
        }
        RcxInput in;
        in.zone = z;
        in.H = H;
        in.L = L;
        in.Hx = Hx;
        in.Rx = o.Rx1;
        in.Ro_a = mo->Ro_a1;
        in.Ro_b = mo->Ro_b1;
        in.Hc_a = mo->Hc_a1;
        in.Hc_b = mo->Hc_b1;
        in.Rc_a = mo->Rc_a1;
        o.Rcx1 = radius(DoubleRodRcx(in, lim));
    }
}

void chooseCable(ProjectSnapshot &snap, const ChosenConstruction &c,
                 const std::vector<SagRow> &sagTable, CalcMessages &messages)
{
    const double L = spanOf(snap);
    const double Hs = c.H;
    const double F = SagForSpan(L, sagTable, messages);
    const double H = static_cast<double>(static_cast<long double>(Hs) - F);
    const bool hasA = zoneCount(snap.project.ZonaACnt) >= 1;
    const bool hasB = zoneCount(snap.project.ZonaBCnt) >= 1;
    for (size_t i = 0; i < snap.conductors.size() && i < 2; ++i) {
        ConductorRec &mo = snap.conductors[i];
        setChosenHeader(mo, c);
        mo.H1 = H;
        mo.Hop1 = Hs;
        mo.Ho_a1 = hasA ? OptD{CableHoA(H)} : OptD{};
        mo.Ho_b1 = hasB ? OptD{CableHoB(H)} : OptD{};
        mo.Ro_a1 = hasA ? radius(CableRoA(H)) : OptD{};
        mo.Ro_b1 = hasB ? radius(CableRoB(H)) : OptD{};
        mo.Hc_a1.reset();
        mo.Hc_b1.reset();
        mo.Rc_a1.reset();
        mo.Rc_b1.reset();
        mo.L_H1.reset();
    }
    for (ObjectRec &o : snap.objects) {
        const Zone z = zoneOf(o.Zona);
        o.Rx1 = z == Zone::None ? OptD{} : radius(CableRx(z, H, o.Hx.value_or(0)));
        o.Rcx1.reset();
    }
}

} // namespace

void ChooseConstruction(ProjectSnapshot &snap, const ChosenConstruction &chosen,
                        const SettingsRec &settings, const std::vector<SagRow> &sagTable,
                        CalcMessages &messages)
{
    switch (conductorTypeOf(snap.project.TipMO.value_or(""))) {
    case ConductorType::SingleRod:
        chooseRods(snap, chosen, settings, false);
        break;
    case ConductorType::DoubleRod:
        chooseRods(snap, chosen, settings, true);
        break;
    case ConductorType::Cable:
        chooseCable(snap, chosen, sagTable, messages);
        break;
    case ConductorType::MultiRod:
        // Two rods are the double rod; with more, the pairs' values come from their modes.
        if (snap.conductors.size() == 2)
            chooseRods(snap, chosen, settings, true);
        else
            chooseRods(snap, chosen, settings, false, true);
        break;
    case ConductorType::Unknown:
        break;
    }
}

void ClearChosenConstruction(ProjectSnapshot &snap)
{
    const size_t rows = conductorTypeOf(snap.project.TipMO.value_or("")) == ConductorType::MultiRod
                            ? snap.conductors.size()
                            : 2;
    for (size_t i = 0; i < snap.conductors.size() && i < rows; ++i)
        ClearChosenMO(snap.conductors[i]);
    for (ObjectRec &o : snap.objects) {
        o.Rx1.reset();
        // The chosen half-width in the middle of the span goes with the chosen radii.
        o.Rcx1.reset();
    }
}

} // namespace kv
