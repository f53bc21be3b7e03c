#include "calc/multirod.h"

#include <algorithm>
#include <cmath>

#include "calc/calcround.h"

namespace kv
{

using LD = long double;

namespace
{

Pt posOf(const ConductorRec &c)
{
    return {c.MX.value_or(0), c.MY.value_or(0)};
}

// Height limit of the search for a triangle's height, in hundredths of a metre: the regime
// heights of the double rod are sought up to the same 150 m.
constexpr int kMaxHundredths = 15000;

double hundredths(int k)
{
    return detail::r2(static_cast<LD>(k) * 0.01L);
}

LD len(Pt a, Pt b)
{
    const LD dx = static_cast<LD>(a.x) - b.x;
    const LD dy = static_cast<LD>(a.y) - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

LD cross(Pt o, Pt a, Pt b)
{
    return (static_cast<LD>(a.x) - o.x) * (static_cast<LD>(b.y) - o.y) -
           (static_cast<LD>(a.y) - o.y) * (static_cast<LD>(b.x) - o.x);
}

} // namespace

int MultiRodPairCount(int n)
{
    return n * (n - 1) / 2;
}

int MultiRodPairIndex(int n, int i, int j)
{
    if (i > j)
        std::swap(i, j);
    // Pairs of the rows before i, then the offset within row i.
    return i * n - i * (i + 1) / 2 + (j - i - 1);
}

bool PairHasCommonZone(double H, double L, Zone zone, const DoubleRodLimits &lim)
{
    if (zone == Zone::A) {
        const OptD hc = DoubleRodHcA(H, L, RodHoA(H), lim);
        return hc && *hc > 0;
    }
    if (zone == Zone::B) {
        const OptD hc = DoubleRodHcB(H, L, RodHoB(H), lim);
        return hc && *hc > 0;
    }
    return false;
}

OptD PairRcx(double H, double L, Zone zone, double Hx, const DoubleRodLimits &lim)
{
    if (zone == Zone::None)
        return std::nullopt;
    RcxInput in;
    in.zone = zone;
    in.H = H;
    in.L = L;
    in.Hx = Hx;
    in.Rx = RodRx(zone, H, Hx);
    if (zone == Zone::A) {
        in.Ro_a = RodRoA(H);
        in.Hc_a = DoubleRodHcA(H, L, RodHoA(H), lim);
        in.Rc_a = DoubleRodRcA(H, L, *in.Ro_a, lim);
    } else {
        in.Ro_b = RodRoB(H);
        in.Hc_b = DoubleRodHcB(H, L, RodHoB(H), lim);
    }
    return DoubleRodRcx(in, lim);
}

bool TriangleProtects(Pt a, Pt b, Pt c, Zone zone, double Hx, double H, const DoubleRodLimits &lim)
{
    const Pt side[3][2] = {{a, b}, {a, c}, {b, c}};
    for (const auto &s : side) {
        const double L = SpanLength(s[0], s[1]);
        if (!PairHasCommonZone(H, L, zone, lim))
            return false;
        const OptD rcx = PairRcx(H, L, zone, Hx, lim);
        if (!rcx || !(*rcx > 0))
            return false;
    }
    return true;
}

bool TriangleHeight(Pt a, Pt b, Pt c, Zone zone, double Hx, const DoubleRodLimits &lim, double &H)
{
    const auto ok = [&](int k) { return TriangleProtects(a, b, c, zone, Hx, hundredths(k), lim); };
    if (zone == Zone::None || !ok(kMaxHundredths))
        return false;
    // The protection grows with the height; the least height is bisected and then checked
    // step by step below, so that a rounding ripple at the edge cannot leave a lower one.
    int lo = 0, hi = kMaxHundredths; // ok(hi), lo not tested or failing
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (ok(mid))
            hi = mid;
        else
            lo = mid;
    }
    while (hi > 1 && ok(hi - 1))
        --hi;
    H = hundredths(hi);
    return true;
}

bool ObjectInTriangle(const ObjGeom &o, Pt a, Pt b, Pt c)
{
    const LD area = cross(a, b, c);
    if (area == 0)
        return false;
    const Pt corner[4] = {
        {o.Xa, o.Ya}, {o.Xa + o.L, o.Ya}, {o.Xa + o.L, o.Ya + o.S}, {o.Xa, o.Ya + o.S}};
    for (const Pt &p : corner) {
        LD s[3] = {cross(a, b, p), cross(b, c, p), cross(c, a, p)};
        for (LD &v : s)
            if (area < 0)
                v = -v;
        if (s[0] < 0 || s[1] < 0 || s[2] < 0)
            return false;
    }
    return true;
}

bool PairCovers(const ObjGeom &obj, Pt rod1, Pt rod2, double H, const DoubleRodLimits &lim)
{
    const double L = SpanLength(rod1, rod2);
    if (!PairHasCommonZone(H, L, obj.zone, lim))
        return false;
    const double Rx = RodRx(obj.zone, H, obj.Hx);
    const OptD rcx = PairRcx(H, L, obj.zone, obj.Hx, lim);
    if (!rcx)
        return false;
    const auto covers = [&](Pt P) {
        const AxisFoot f = FootOnAxis(P, rod1, rod2);
        const bool atRod = (P.x == rod1.x && P.y == rod1.y) || (P.x == rod2.x && P.y == rod2.y);
        if (f.between && !atRod) {
            const double r = detail::r5(len(P, f.foot));
            const double d1 = detail::r5(len(f.foot, rod1));
            const double d2 = detail::r5(len(f.foot, rod2));
            const LD q = d1 > d2 ? d2 : d1;
            const LD half = static_cast<LD>(L) / 2;
            return r <= Rx * (half - q) / half + *rcx * q / half;
        }
        const double d1 = detail::r5(len(P, rod1)), d2 = detail::r5(len(P, rod2));
        return (d1 > d2 ? d2 : d1) <= Rx;
    };
    const Pt c[4] = {{obj.Xa, obj.Ya},
                     {obj.Xa + obj.L, obj.Ya},
                     {obj.Xa + obj.L, obj.Ya + obj.S},
                     {obj.Xa, obj.Ya + obj.S}};
    for (const Pt &p : c)
        if (!covers(p))
            return false;
    const Crossings x = MidlineCrossings(obj, rod1, rod2);
    for (int i = 0; i < 4; ++i)
        if (x.present[i] && !covers(x.pt[i]))
            return false;
    return true;
}

namespace
{

// The least height in hundredths from `from` up at which the pair's common zone covers the
// object (false: none up to the limit).
bool PairHeightFrom(const ObjGeom &g, Pt r1, Pt r2, int from, const DoubleRodLimits &lim, double &H)
{
    const auto ok = [&](int k) { return PairCovers(g, r1, r2, hundredths(k), lim); };
    if (!ok(kMaxHundredths))
        return false;
    int lo = std::max(0, from), hi = kMaxHundredths;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (ok(mid) ? hi : lo) = mid;
    }
    while (hi > from + 1 && ok(hi - 1))
        --hi;
    H = hundredths(hi);
    return true;
}

} // namespace

void MultiRodZones(ProjectSnapshot &snap, double H, const SettingsRec &settings,
                   MultiRodResult &res)
{
    const DoubleRodLimits lim = limitsOf(settings);
    const int n = static_cast<int>(snap.conductors.size());
    const bool hasA = snap.project.ZonaACnt.value_or(0) > 0;
    const bool hasB = snap.project.ZonaBCnt.value_or(0) > 0;
    if (n == 2) {
        DoubleRodZones(snap, H, settings);
    } else {
        for (ConductorRec &mo : snap.conductors) {
            mo.H = H;
            mo.Hop.reset();
            mo.Ho_a = hasA ? OptD{RodHoA(H)} : OptD{};
            mo.Ro_a = hasA ? OptD{RodRoA(H)} : OptD{};
            mo.Ho_b = hasB ? OptD{RodHoB(H)} : OptD{};
            mo.Ro_b = hasB ? OptD{RodRoB(H)} : OptD{};
            // The middle-of-span values belong to the pairs, not to a row.
            mo.Hc_a.reset();
            mo.Hc_b.reset();
            mo.Rc_a.reset();
            mo.Rc_b.reset();
            mo.L_H.reset();
            ClearChosenMO(mo);
        }
    }
    for (MultiRodPair &p : res.pairs) {
        const bool offA = !hasA || p.useAs2, offB = !hasB || p.useAs2;
        p.Hc_a = offA ? OptD{} : DoubleRodHcA(H, p.L, RodHoA(H), lim);
        p.Hc_b = offB ? OptD{} : DoubleRodHcB(H, p.L, RodHoB(H), lim);
        p.Rc_a = offA ? OptD{} : DoubleRodRcA(H, p.L, RodRoA(H), lim);
        p.Rc_b = offB ? OptD{} : DoubleRodRcB(H, p.L, RodRoB(H), lim);
        p.L_H = H != 0 ? OptD{detail::r2(static_cast<LD>(p.L) / H)} : OptD{};
        p.regimeA = offA ? OptI{} : OptI{RegimeA(H, p.L, lim)};
        p.regimeB = offB ? OptI{} : OptI{RegimeB(H, p.L, lim)};
    }
    res.objects.resize(snap.objects.size());
    for (size_t i = 0; i < snap.objects.size(); ++i) {
        ObjectRec &o = snap.objects[i];
        MultiRodObject &r = res.objects[i];
        const Zone z = zoneOf(o.Zona);
        const double Hx = o.Hx.value_or(0);
        OptD rcx;
        if (r.by == MultiRodElement::Pair) {
            const MultiRodPair &p = res.pairs[MultiRodPairIndex(n, r.rods[0], r.rods[1])];
            if (!p.useAs2)
                rcx = PairRcx(H, p.L, z, Hx, lim);
        } else if (r.by == MultiRodElement::Triangle) {
            for (int s = 0; s < 3; ++s) {
                const int u = r.rods[s == 2 ? 1 : 0], v = r.rods[s == 0 ? 1 : 2];
                const OptD x = PairRcx(H, res.pairs[MultiRodPairIndex(n, u, v)].L, z, Hx, lim);
                if (!rcx || (x && *x < *rcx))
                    rcx = x;
            }
        }
        r.Rcx = rcx;
        if (n != 2) {
            if (z == Zone::None)
                o.Rx.reset();
            else
                o.Rx = RodRx(z, H, Hx);
            o.Rcx = rcx;
            o.Rx1.reset();
            o.Rcx1.reset();
        }
    }
}

namespace
{

// A radius that comes out negative is no radius: the point lies above the zone.
OptD radius(const OptD &r)
{
    return r && *r >= 0 ? OptD{*r + 0.0} : OptD{};
}

} // namespace

void MultiRodChosenZones(const ProjectSnapshot &snap, double H1, const SettingsRec &settings,
                         MultiRodResult &res)
{
    const DoubleRodLimits lim = limitsOf(settings);
    const int n = static_cast<int>(snap.conductors.size());
    const bool hasA = snap.project.ZonaACnt.value_or(0) > 0;
    const bool hasB = snap.project.ZonaBCnt.value_or(0) > 0;
    for (MultiRodPair &p : res.pairs) {
        const bool offA = !hasA || p.useAs2, offB = !hasB || p.useAs2;
        p.Hc_a1 = offA ? OptD{} : DoubleRodHcA(H1, p.L, RodHoA(H1), lim);
        p.Hc_b1 = offB ? OptD{} : DoubleRodHcB(H1, p.L, RodHoB(H1), lim);
        p.Rc_a1 = offA ? OptD{} : radius(DoubleRodRcA(H1, p.L, RodRoA(H1), lim));
        p.Rc_b1 = offB ? OptD{} : radius(DoubleRodRcB(H1, p.L, RodRoB(H1), lim));
        p.L_H1 = H1 != 0 ? OptD{detail::r2(static_cast<LD>(p.L) / H1)} : OptD{};
    }
    // Elements of another set of rods (changed since the selection) have no half-width here.
    const bool current = static_cast<int>(res.pairs.size()) == MultiRodPairCount(n);
    const auto known = [&](const MultiRodObject &r) {
        const int k = r.by == MultiRodElement::Triangle ? 3 : 2;
        for (int s = 0; s < k; ++s)
            if (r.rods[s] < 0 || r.rods[s] >= n)
                return false;
        return current;
    };
    for (size_t i = 0; i < res.objects.size() && i < snap.objects.size(); ++i) {
        MultiRodObject &r = res.objects[i];
        const ObjectRec &o = snap.objects[i];
        const Zone z = zoneOf(o.Zona);
        const double Hx = o.Hx.value_or(0);
        OptD rcx;
        if (r.by != MultiRodElement::None && !known(r)) {
            r.Rcx1.reset();
            continue;
        }
        if (z != Zone::None && r.by == MultiRodElement::Pair) {
            const MultiRodPair &p = res.pairs[MultiRodPairIndex(n, r.rods[0], r.rods[1])];
            if (!p.useAs2)
                rcx = PairRcx(H1, p.L, z, Hx, lim);
        } else if (z != Zone::None && r.by == MultiRodElement::Triangle) {
            for (int s = 0; s < 3; ++s) {
                const int u = r.rods[s == 2 ? 1 : 0], v = r.rods[s == 0 ? 1 : 2];
                const OptD x = PairRcx(H1, res.pairs[MultiRodPairIndex(n, u, v)].L, z, Hx, lim);
                if (!x) {
                    rcx.reset();
                    break;
                }
                if (s == 0 || *x < *rcx)
                    rcx = x;
            }
        }
        r.Rcx1 = radius(rcx);
    }
}

void ClearMultiRodChosen(MultiRodResult &res)
{
    for (MultiRodPair &p : res.pairs) {
        p.L_H1.reset();
        p.Hc_a1.reset();
        p.Rc_a1.reset();
        p.Hc_b1.reset();
        p.Rc_b1.reset();
    }
    for (MultiRodObject &o : res.objects)
        o.Rcx1.reset();
}

namespace
{

// One candidate element for an object.
struct Choice {
    MultiRodElement by = MultiRodElement::None;
    int index = -1;        // pair or triangle index
    bool fallBack = false; // pair acting as two single rods: the nearer-rod height
    double h = 0;
};

struct Tri {
    int a, b, c;
    int pairs[3];
};

} // namespace

MultiRodResult PodborMultiRod(ProjectSnapshot &snap, const SettingsRec &settings,
                              CalcMessages &messages)
{
    MultiRodResult res;
    const int n = static_cast<int>(snap.conductors.size());
    if (n < 2) {
        messages.push_back({MessageKind::Error, kMsgMultiRodTooFew});
        res.refused = true;
        return res;
    }
    if (snap.objects.empty())
        return res;
    res.podbor.ran = true;
    const DoubleRodLimits lim = limitsOf(settings);
    const int zonaA = snap.project.ZonaACnt.value_or(0);
    const int zonaB = snap.project.ZonaBCnt.value_or(0);
    std::vector<Pt> pos(n);
    for (int i = 0; i < n; ++i)
        pos[i] = posOf(snap.conductors[i]);
    if (n == 2 && pos[0].x == pos[1].x && pos[0].y == pos[1].y)
        ReportCoincident(false, messages);

    const int np = MultiRodPairCount(n);
    res.pairs.resize(np);
    for (int i = 0, k = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j, ++k) {
            res.pairs[k].i = i;
            res.pairs[k].j = j;
            res.pairs[k].L = SpanLength(pos[i], pos[j]);
        }
    std::vector<Tri> tris;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c)
                tris.push_back({a,
                                b,
                                c,
                                {MultiRodPairIndex(n, a, b), MultiRodPairIndex(n, a, c),
                                 MultiRodPairIndex(n, b, c)}});

    // Every element's height for every object, computed once.
    const size_t no = snap.objects.size();
    std::vector<ObjGeom> geom(no);
    std::vector<ObjectHeight> common(no * np), alone(no * np);
    // A pair's common-zone height: the double rod's for the object when the pair has a common
    // zone there; otherwise, with three rods or more, the least height from there up at which
    // it has one (the zone grows with the height, so the object is inside it then). Two rods keep
    // the double rod's value and let its test decide, as the double rod does.
    std::vector<double> commonH(no * np, 0);
    std::vector<char> admissible(no * np, 0);
    struct TriHeight {
        int tri;
        double h;
    };
    std::vector<std::vector<TriHeight>> triH(no);
    for (size_t o = 0; o < no; ++o) {
        const ObjGeom g = geom[o] = objGeomOf(snap.objects[o]);
        if (g.zone == Zone::None)
            continue;
        for (int p = 0; p < np; ++p) {
            const Pt r1 = pos[res.pairs[p].i], r2 = pos[res.pairs[p].j];
            ObjectHeight &c = common[o * np + p];
            c = ObjectHeightDoubleRod(g, r1, r2, lim);
            // A regime root where the pair has no common zone at that height protects nothing.
            const double L = res.pairs[p].L;
            if (c.ok && PairHasCommonZone(c.H, L, g.zone, lim)) {
                admissible[o * np + p] = 1;
                commonH[o * np + p] = c.H;
            } else if (c.ok && n > 2) {
                double h = 0;
                if (PairHeightFrom(g, r1, r2, static_cast<int>(std::floor(c.H * 100)), lim, h)) {
                    admissible[o * np + p] = 1;
                    commonH[o * np + p] = h;
                }
            }
            alone[o * np + p] = ObjectHeightTwoRods(g, r1, r2);
        }
        for (size_t t = 0; t < tris.size(); ++t) {
            const Tri &T = tris[t];
            double h = 0;
            if (ObjectInTriangle(g, pos[T.a], pos[T.b], pos[T.c]) &&
                TriangleHeight(pos[T.a], pos[T.b], pos[T.c], g.zone, g.Hx, lim, h))
                triH[o].push_back({static_cast<int>(t), h});
        }
    }

    // The pairs' modes: every pair starts with its common zone; a pair is switched to two single
    // rods by the double rod's test on the largest height the objects it governs need (the
    // objects of a triangle on it count), a pair that governs nothing by the test on the design
    // height. The least element is chosen again after each switch; a switched pair stays so.
    std::vector<char> as2(np, 0);
    std::vector<Choice> choice(no), first(no);
    double m = 0;
    for (int round = 0;; ++round) {
        for (size_t o = 0; o < no; ++o) {
            Choice best;
            if (geom[o].zone != Zone::None) {
                const auto offer = [&](Choice c) {
                    if (best.by == MultiRodElement::None || c.h < best.h)
                        best = c;
                };
                for (int p = 0; p < np; ++p) {
                    if (as2[p]) {
                        if (alone[o * np + p].ok)
                            offer({MultiRodElement::Pair, p, true, alone[o * np + p].H});
                    } else if (admissible[o * np + p]) {
                        offer({MultiRodElement::Pair, p, false, commonH[o * np + p]});
                    }
                }
                for (const TriHeight &th : triH[o]) {
                    const Tri &T = tris[th.tri];
                    if (!as2[T.pairs[0]] && !as2[T.pairs[1]] && !as2[T.pairs[2]])
                        offer({MultiRodElement::Triangle, th.tri, false, th.h});
                }
                // Two rods: the double rod keeps a regime root below the pair's common zone, and
                // the pair's test on its largest height then decides.
                if (best.by == MultiRodElement::None && n == 2)
                    for (int p = 0; p < np; ++p)
                        if (!as2[p] && common[o * np + p].ok)
                            offer({MultiRodElement::Pair, p, false, common[o * np + p].H});
            }
            choice[o] = best;
        }
        if (round == 0)
            first = choice;
        m = 0;
        for (MultiRodPair &p : res.pairs) {
            p.Hneed = 0;
            p.governs = false;
        }
        const auto govern = [&](int p, double h) {
            res.pairs[p].governs = true;
            if (h > res.pairs[p].Hneed)
                res.pairs[p].Hneed = h;
        };
        for (const Choice &c : choice) {
            if (c.by == MultiRodElement::Pair && !c.fallBack)
                govern(c.index, c.h);
            else if (c.by == MultiRodElement::Triangle)
                for (int p : tris[c.index].pairs)
                    govern(p, c.h);
            if (c.by != MultiRodElement::None && c.h > m)
                m = c.h;
        }
        bool switched = false;
        for (int p = 0; p < np; ++p) {
            if (as2[p])
                continue;
            const double hp = res.pairs[p].governs ? res.pairs[p].Hneed : m;
            if (UseAsTwoSingleRods(hp, res.pairs[p].L, zonaA, zonaB, lim)) {
                as2[p] = 1;
                switched = true;
            }
        }
        if (!switched)
            break;
    }
    bool anyAs2 = false;
    for (int p = 0; p < np; ++p) {
        res.pairs[p].useAs2 = as2[p] != 0;
        anyAs2 = anyAs2 || as2[p];
    }
    // Hneed of a switched pair: the heights its objects need from the nearer rod.
    for (const Choice &c : choice)
        if (c.by == MultiRodElement::Pair && c.fallBack) {
            MultiRodPair &p = res.pairs[c.index];
            p.governs = true;
            if (c.h > p.Hneed)
                p.Hneed = c.h;
        }
    if (anyAs2 && n == 2 && settings.ChkMsgUseAs2.value_or(false))
        messages.push_back({MessageKind::Info, kMsgUseAs2});

    // The object rows, as the double rod writes them: the common-zone fields from the first
    // choice, then those of the final one when it differs; a nearer-rod height writes R, H,
    // NumMO and PointDo1 only.
    std::vector<const ObjectRec *> unreachable;
    res.objects.assign(no, {});
    for (size_t o = 0; o < no; ++o) {
        ObjectRec &rec = snap.objects[o];
        MultiRodObject &r = res.objects[o];
        const auto writeCommon = [&](const Choice &c) {
            if (c.by == MultiRodElement::Pair) {
                const ObjectHeight &h = common[o * np + c.index];
                rec.R = h.R;
                rec.H = c.h;
                rec.PointOt = h.PointOt ? OptS{h.PointOt} : OptS{};
                rec.PointDo = h.PointDo ? OptS{h.PointDo} : OptS{};
                rec.Rejim = h.Rejim ? OptI{h.Rejim} : OptI{};
                rec.Hprior = c.h;
            } else {
                rec.R.reset();
                rec.H = c.by == MultiRodElement::Triangle ? OptD{c.h} : OptD{};
                rec.PointOt.reset();
                rec.PointDo.reset();
                rec.Rejim.reset();
                rec.Hprior = rec.H;
            }
        };
        const Choice &c0 = first[o];
        const Choice &c = choice[o];
        writeCommon(c0.fallBack ? Choice{} : c0);
        rec.NumMO.reset();
        if (c.by == MultiRodElement::Pair && c.fallBack) {
            const ObjectHeight &h = alone[o * np + c.index];
            rec.R = h.R;
            rec.H = h.H;
            rec.NumMO = h.NumMO;
            rec.PointDo1 = h.PointDo1 ? OptS{h.PointDo1} : OptS{};
        } else if (c.by == MultiRodElement::None) {
            rec.H.reset();
            rec.R.reset();
            if (anyAs2)
                rec.PointDo1.reset();
        } else if (c.by != c0.by || c.index != c0.index) {
            writeCommon(c);
        }
        r.by = c.by;
        if (c.by == MultiRodElement::Pair) {
            r.rods[0] = res.pairs[c.index].i;
            r.rods[1] = res.pairs[c.index].j;
        } else if (c.by == MultiRodElement::Triangle) {
            r.rods[0] = tris[c.index].a;
            r.rods[1] = tris[c.index].b;
            r.rods[2] = tris[c.index].c;
        }
        if (c.by != MultiRodElement::None)
            r.H = c.h;
        if (c.by == MultiRodElement::None && geom[o].zone != Zone::None) {
            r.unreachable = true;
            unreachable.push_back(&rec);
        }
    }
    snap.project.ChkUseAs2 = anyAs2;
    res.podbor.showMemoUseAs2 = anyAs2 && n == 2;
    ReportUnreachable(unreachable, messages);
    if (m == 0)
        m = 15;
    MultiRodZones(snap, m, settings, res);
    res.podbor.designHeight = m;
    return res;
}

} // namespace kv
