#include "calc/protection.h"

#include "calc/multirod.h"
#include "calc/podbor.h"

#include <cmath>

namespace kv
{

std::vector<std::size_t> UnprotectedObjects(const ProjectSnapshot &snap,
                                            const SettingsRec &settings, const std::string &suffix)
{
    std::vector<std::size_t> out;
    if (snap.conductors.empty())
        return out;
    const ConductorRec &c0 = snap.conductors.front();
    const OptD height = suffix == "1" ? c0.H1 : c0.H;
    if (!height)
        return out;
    const ConductorRec &c1 = snap.conductors.size() < 2 ? c0 : snap.conductors[1];
    const Pt p1{c0.MX.value_or(0), c0.MY.value_or(0)};
    const Pt p2{c1.MX.value_or(0), c1.MY.value_or(0)};
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    const bool asTwoRods = snap.project.ChkUseAs2.value_or(false);
    const DoubleRodLimits lim = limitsOf(settings);
    if (type == ConductorType::MultiRod) {
        // Each object's needed height from its least pair or triangle, the pairs' modes decided
        // as the selection decides them.
        ProjectSnapshot copy = snap;
        CalcMessages ignored;
        const MultiRodResult r = PodborMultiRod(copy, settings, ignored);
        for (std::size_t i = 0; i < r.objects.size(); ++i) {
            if (zoneOf(snap.objects[i].Zona) == Zone::None)
                continue;
            const OptD &need = r.objects[i].H;
            if (!need || !std::isfinite(*need) || *need > *height + 1e-6)
                out.push_back(i);
        }
        return out;
    }
    for (std::size_t i = 0; i < snap.objects.size(); ++i) {
        const ObjGeom g = objGeomOf(snap.objects[i]);
        if (g.zone == Zone::None)
            continue;
        ObjectHeight need;
        switch (type) {
        case ConductorType::SingleRod:
            need = ObjectHeightRod(g, p1);
            break;
        case ConductorType::Cable:
            need = ObjectHeightCable(g, p1, p2);
            break;
        case ConductorType::DoubleRod:
            need =
                asTwoRods ? ObjectHeightTwoRods(g, p1, p2) : ObjectHeightDoubleRod(g, p1, p2, lim);
            break;
        case ConductorType::MultiRod: // above
        case ConductorType::Unknown:
            return {};
        }
        // The heights are stored rounded to centimetres; a hair's difference is no gap.
        if (!need.ok || !std::isfinite(need.H) || need.H > *height + 1e-6)
            out.push_back(i);
    }
    return out;
}

} // namespace kv
