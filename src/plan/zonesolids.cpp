#include "plan/zonesolids.h"

#include "plan/multirodzones.h"

#include "plan/recordfields.h"

#include <cmath>

namespace kv {

int Mesh3::add(const Point3 &p)
{
    vertices.push_back(p);
    return static_cast<int>(vertices.size()) - 1;
}

Mesh3 rodConeMesh(double x, double y, double ho, double ro, int segments)
{
    Mesh3 m;
    if (!(ho > 0) || !(ro > 0) || segments < 3)
        return m;
    const int apex = m.add({x, y, ho});
    const int centre = m.add({x, y, 0});
    const int first = static_cast<int>(m.vertices.size());
    for (int i = 0; i < segments; ++i) {
        const double a = 2 * M_PI * i / segments;
        m.add({x + ro * std::cos(a), y + ro * std::sin(a), 0});
    }
    for (int i = 0; i < segments; ++i) {
        const int p = first + i;
        const int q = first + (i + 1) % segments;
        m.tri(apex, p, q);
        m.tri(centre, q, p);
    }
    return m;
}

namespace {

void append(Mesh3 &to, const Mesh3 &from)
{
    const int base = static_cast<int>(to.vertices.size());
    to.vertices.insert(to.vertices.end(), from.vertices.begin(), from.vertices.end());
    for (const auto &t : from.triangles)
        to.tri(t[0] + base, t[1] + base, t[2] + base);
}

} // namespace

Mesh3 pairZoneMesh(double x1, double y1, double x2, double y2, double ho, double ro, double hc,
                   double rc, int segments, int steps)
{
    Mesh3 m;
    if (!(ho > 0) || !(ro > 0))
        return m;
    const double L = std::hypot(x2 - x1, y2 - y1);
    if (L < 1e-9)
        return rodConeMesh(x1, y1, ho, ro, segments);
    if (!(hc > 0) || !(rc > 0)) {
        m = rodConeMesh(x1, y1, ho, ro, segments);
        append(m, rodConeMesh(x2, y2, ho, ro, segments));
        return m;
    }
    const double ux = (x2 - x1) / L, uy = (y2 - y1) / L; // along the axis
    const double nx = -uy, ny = ux;                       // across it
    const int half = std::max(1, segments / 2);
    steps = std::max(1, steps);

    // Sections across the axis from support 1 to support 2: the ground points on the +n and the
    // -n side and the top. At each height the half-width runs linearly from the support's to the
    // middle's, so the section is a triangle whose top is where that half-width reaches zero.
    std::vector<int> left, right, top;
    const int count = 2 * steps;
    for (int k = 0; k <= count; ++k) {
        const double s = L * k / count;
        const double t = std::min(s, L - s) / (L / 2); // 0 at a support, 1 in the middle
        const double w0 = (1 - t) * ro + t * rc;
        const double h = w0 / ((1 - t) * ro / ho + t * rc / hc);
        const double cx = x1 + ux * s, cy = y1 + uy * s;
        left.push_back(m.add({cx + nx * w0, cy + ny * w0, 0}));
        right.push_back(m.add({cx - nx * w0, cy - ny * w0, 0}));
        top.push_back(m.add({cx, cy, h}));
    }
    for (int k = 0; k < count; ++k) {
        m.tri(left[k], left[k + 1], top[k + 1]);
        m.tri(left[k], top[k + 1], top[k]);
        m.tri(right[k], top[k], top[k + 1]);
        m.tri(right[k], top[k + 1], right[k + 1]);
        m.tri(left[k], right[k], right[k + 1]);
        m.tri(left[k], right[k + 1], left[k + 1]);
    }

    // Half cones beyond the supports, sharing the end sections' ground points and apexes.
    auto halfCone = [&](double cx, double cy, double dir, int from, int to, int apex) {
        std::vector<int> ring{from};
        for (int i = 1; i < half; ++i) {
            const double phi = M_PI * i / half;
            // From the +n side (dir = -1, support 1) or the -n side (dir = 1) around the outside.
            const double c = std::cos(phi), sn = std::sin(phi);
            const double px = -dir * nx * c + dir * ux * sn;
            const double py = -dir * ny * c + dir * uy * sn;
            ring.push_back(m.add({cx + ro * px, cy + ro * py, 0}));
        }
        ring.push_back(to);
        for (std::size_t i = 0; i + 1 < ring.size(); ++i)
            m.tri(apex, ring[i], ring[i + 1]);
        for (std::size_t i = 1; i + 1 < ring.size(); ++i)
            m.tri(ring[0], ring[i + 1], ring[i]);
    };
    halfCone(x1, y1, -1, left.front(), right.front(), top.front());
    halfCone(x2, y2, 1, right.back(), left.back(), top.back());
    return m;
}

namespace {

struct ZoneFields {
    ZoneLetter zone;
    const char *ho, *ro, *hc, *rc;
};
constexpr ZoneFields kZoneFields[] = {
    {ZoneLetter::A, "Ho_a", "Ro_a", "Hc_a", "Rc_a"},
    {ZoneLetter::B, "Ho_b", "Ro_b", "Hc_b", "Rc_b"},
};

double mx(const ConductorRec &c) { return c.MX.value_or(0); }
double my(const ConductorRec &c) { return c.MY.value_or(0); }

} // namespace

std::vector<ZoneSolid> buildZoneSolids(const ProjectSnapshot &snap, const std::string &suffix,
                                       const SettingsRec *calc)
{
    std::vector<ZoneSolid> out;
    if (snap.conductors.empty())
        return out;
    const auto &rows = snap.conductors;
    const int last = static_cast<int>(rows.size()) - 1;
    const ConductorRec &c1 = rows.front();
    const ConductorRec &c2 = rows.back();
    auto cone = [&](ZoneLetter z, int i, OptD ho, OptD ro) {
        if (ho && ro) {
            Mesh3 mesh = rodConeMesh(mx(rows[i]), my(rows[i]), *ho, *ro);
            if (!mesh.empty())
                out.push_back({z, i, -1, std::move(mesh)});
        }
    };
    auto pair = [&](ZoneLetter z, int i, int j, OptD ho, OptD ro, OptD hc, OptD rc) {
        if (!ho || !ro)
            return;
        Mesh3 mesh = pairZoneMesh(mx(rows[i]), my(rows[i]), mx(rows[j]), my(rows[j]), *ho, *ro,
                                  *hc, *rc);
        if (!mesh.empty())
            out.push_back({z, i, j, std::move(mesh)});
    };

    ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    // Two rods of a multiple rod are the double rod, with its stored fields.
    if (type == ConductorType::MultiRod && last == 1)
        type = ConductorType::DoubleRod;
    for (const ZoneFields &f : kZoneFields) {
        const OptD ho = conductorField(c1, f.ho, suffix);
        const OptD ro = conductorField(c1, f.ro, suffix);
        switch (type) {
        case ConductorType::SingleRod:
            cone(f.zone, 0, ho, ro);
            break;
        case ConductorType::Cable:
            // The tent keeps the support cross-section all along the cable.
            if (last > 0)
                pair(f.zone, 0, last, ho, ro, ho, ro);
            else
                cone(f.zone, 0, ho, ro);
            break;
        case ConductorType::DoubleRod: {
            const OptD hc = conductorField(c1, f.hc, suffix);
            const OptD rc = conductorField(c1, f.rc, suffix);
            // Without middle values (two single rods, or a span beyond the common zone's
            // regimes) each rod keeps its own cone, as the plan draws two circles.
            if (last > 0 && hc && rc && !snap.project.ChkUseAs2.value_or(false)) {
                pair(f.zone, 0, last, ho, ro, hc, rc);
            } else {
                cone(f.zone, 0, ho, ro);
                if (last > 0)
                    cone(f.zone, last, conductorField(c2, f.ho, suffix), conductorField(c2, f.ro, suffix));
            }
            break;
        }
        case ConductorType::MultiRod: {
            // Every pair with a common zone of this letter is the zone of two supports, with the
            // middle values the plan draws; a rod in no such pair keeps its own cone.
            std::vector<bool> inPair(rows.size(), false);
            if (calc) {
                const MultiRodDrawing d = multiRodDrawing(snap, *calc, suffix);
                for (const MultiRodPair &p : d.pairs) {
                    const OptD hc = f.zone == ZoneLetter::A ? p.Hc_a : p.Hc_b;
                    const OptD rc = f.zone == ZoneLetter::A ? p.Rc_a : p.Rc_b;
                    if (p.useAs2 || !hc || !rc || *hc <= 0 || *rc <= 0)
                        continue;
                    const OptD pho = conductorField(rows[static_cast<std::size_t>(p.i)], f.ho, suffix);
                    const OptD pro = conductorField(rows[static_cast<std::size_t>(p.i)], f.ro, suffix);
                    if (!pho || !pro)
                        continue;
                    pair(f.zone, p.i, p.j, pho, pro, hc, rc);
                    inPair[static_cast<std::size_t>(p.i)] = inPair[static_cast<std::size_t>(p.j)] = true;
                }
            }
            for (int i = 0; i <= last; ++i)
                if (!inPair[static_cast<std::size_t>(i)])
                    cone(f.zone, i, conductorField(rows[i], f.ho, suffix),
                         conductorField(rows[i], f.ro, suffix));
            break;
        }
        case ConductorType::Unknown:
            break;
        }
    }
    // The rolling sphere's envelope, once the project can be checked by it, is one more solid
    // appended here with its own letter.
    return out;
}

} // namespace kv
