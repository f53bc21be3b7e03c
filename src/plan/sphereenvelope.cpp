#include "plan/sphereenvelope.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace kv
{

namespace
{

constexpr int kDirections = 8;
// A relative step outside a circle of the sphere's rest on the ground: there the lowest centre
// of a termination taller than R drops from its reach to R.
constexpr double kOutside = 1e-12;
constexpr int kCableSamples = 12;
constexpr int kCircleSamples = 16; // per half circle
constexpr int kStarts = 3;         // searches from the coarse grid

} // namespace

SphereEnvelopeField::SphereEnvelopeField(const SphereTerminations &terms, double R)
    : m_R(R), m_field(std::make_unique<SphereCentreField>(terms, R))
{
    bool any = false;
    auto extend = [&](double x, double y, double z) {
        if (!any) {
            x1 = x2 = x, y1 = y2 = y;
            any = true;
        }
        x1 = std::min(x1, x), x2 = std::max(x2, x);
        y1 = std::min(y1, y), y2 = std::max(y2, y);
        m_top = std::max(m_top, z);
    };
    for (const SphereRod &r : terms.rods) {
        extend(r.x, r.y, r.h);
        const double h = std::max(0.0, r.h);
        const double a = h >= R ? R : std::sqrt(h * (2 * R - h));
        if (a > 0)
            m_rods.push_back({r.x, r.y, h, a});
    }
    for (const SphereCable &c : terms.cables) {
        m_cables.push_back(c);
        extend(c.a.x, c.a.y, c.a.z);
        extend(c.b.x, c.b.y, c.b.z);
    }
    if (!any)
        return;
    x1 -= R, y1 -= R, x2 += R, y2 += R;

    // Where two rods' circles at the height R cross, the sphere rests on both and the ground.
    for (std::size_t i = 0; i < m_rods.size(); ++i)
        for (std::size_t j = i + 1; j < m_rods.size(); ++j) {
            const Rod &p = m_rods[i], &q = m_rods[j];
            const double dx = q.x - p.x, dy = q.y - p.y, d = std::hypot(dx, dy);
            if (!(d > 1e-12) || d >= p.a + q.a || d <= std::abs(p.a - q.a))
                continue;
            const double along = (d * d + p.a * p.a - q.a * q.a) / (2 * d);
            const double across =
                std::sqrt(std::max(0.0, p.a * p.a - along * along)) + kOutside * R;
            const double ux = dx / d, uy = dy / d;
            for (const double sgn : {-1.0, 1.0})
                m_crossings.emplace_back(p.x + ux * along - uy * across * sgn,
                                         p.y + uy * along + ux * across * sgn);
        }

    // The coarse grid of lowest centres the search starts from.
    m_gstep = R / 8;
    m_gx = x1, m_gy = y1;
    m_gnx = int(std::ceil((x2 - x1) / m_gstep)) + 1;
    m_gny = int(std::ceil((y2 - y1) / m_gstep)) + 1;
    m_grid.resize(std::size_t(m_gnx) * std::size_t(m_gny));
    for (int j = 0; j < m_gny; ++j)
        for (int i = 0; i < m_gnx; ++i)
            m_grid[std::size_t(j) * std::size_t(m_gnx) + std::size_t(i)] =
                m_field->lowest(m_gx + i * m_gstep, m_gy + j * m_gstep);
}

SphereEnvelopeField::~SphereEnvelopeField() = default;

bool SphereEnvelopeField::raised(double x, double y) const
{
    return m_field->lowest(x, y) > m_R;
}

double SphereEnvelopeField::height(double x, double y) const
{
    const double R = m_R, R2 = R * R;
    const double u0 = m_field->lowest(x, y);
    if (!(u0 > R))
        return 0; // the sphere comes down on the ground here
    double best = u0 - R, bx = x, by = y;
    auto reach = [&](double cx, double cy, double u) {
        const double d2 = (cx - x) * (cx - x) + (cy - y) * (cy - y);
        // (A sphere touching the line just at its side, as over a tall rod's axis, counts.)
        return d2 <= R2 * (1 + 4 * kOutside) ? u - std::sqrt(std::max(0.0, R2 - d2)) : HUGE_VAL;
    };
    auto consider = [&](double cx, double cy) {
        const double v = reach(cx, cy, m_field->lowest(cx, cy));
        if (v < best)
            best = v, bx = cx, by = cy;
    };
    // The sphere resting on the ground and on one rod, touching the vertical line nearest to it,
    // and the sphere standing on a rod's top.
    // Where that point is covered by another termination, the sphere rests at the nearest free
    // point of the circle on either side: the distance to (x, y) only grows along the circle
    // away from the nearest point, so the first free point each way is found by sampling and
    // bisection.
    for (const Rod &r : m_rods) {
        const double rho = std::hypot(x - r.x, y - r.y);
        // (Just outside the circle: over a rod taller than R the lowest centre drops there.)
        const double a = r.a * (1 + kOutside);
        const double phi = rho > 1e-12 ? std::atan2(y - r.y, x - r.x) : 0;
        auto at = [&](double t, double &cx, double &cy) {
            cx = r.x + a * std::cos(phi + t), cy = r.y + a * std::sin(phi + t);
            return m_field->lowest(cx, cy) <= R * (1 + 1e-12);
        };
        double cx, cy;
        if (at(0, cx, cy) || rho <= 1e-12) {
            consider(cx, cy);
        } else {
            for (const double side : {-1.0, 1.0}) {
                double covered = 0;
                for (int k = 1; k <= kCircleSamples; ++k) {
                    const double t = side * M_PI * k / kCircleSamples;
                    if (!at(t, cx, cy)) {
                        covered = t;
                        continue;
                    }
                    double lo = covered, hi = t; // covered at lo, free at hi
                    for (int it = 0; it < 32; ++it) {
                        const double mid = (lo + hi) / 2;
                        (at(mid, cx, cy) ? hi : lo) = mid;
                    }
                    at(hi, cx, cy);
                    consider(cx, cy);
                    break;
                }
            }
        }
        consider(r.x, r.y);
    }
    for (const auto &[cx, cy] : m_crossings)
        consider(cx, cy);
    // The sphere resting on the ground and on the cable: for every point Q of the cable the
    // circle at the height R where it touches Q, taken at its point toward (x, y); the nearest
    // such rest along the cable, found by sampling and a golden-section search.
    for (const SphereCable &cab : m_cables) {
        const double L = std::hypot(cab.b.x - cab.a.x, cab.b.y - cab.a.y);
        auto valueAt = [&](double t) {
            const double qx = cab.a.x + t * (cab.b.x - cab.a.x);
            const double qy = cab.a.y + t * (cab.b.y - cab.a.y);
            const double qz = cab.a.z + t * (cab.b.z - cab.a.z) - 4 * cab.sag * t * (1 - t);
            const double off = std::abs(R - qz);
            const double rho = std::hypot(x - qx, y - qy);
            if (!(off < R) || !(rho > 1e-12))
                return HUGE_VAL;
            const double a = std::sqrt(R2 - off * off) * (1 + kOutside);
            const double cx = qx + a * (x - qx) / rho, cy = qy + a * (y - qy) / rho;
            const double v = reach(cx, cy, m_field->lowest(cx, cy));
            if (v < best)
                best = v, bx = cx, by = cy;
            return v;
        };
        if (!(L > 1e-9))
            continue;
        int bestK = 0;
        double bestV = HUGE_VAL;
        for (int k = 0; k <= kCableSamples; ++k)
            if (const double v = valueAt(double(k) / kCableSamples); v < bestV)
                bestV = v, bestK = k;
        double lo = std::max(0.0, (bestK - 1.0) / kCableSamples);
        double hi = std::min(1.0, (bestK + 1.0) / kCableSamples);
        const double g = (std::sqrt(5.0) - 1) / 2;
        double t1 = hi - g * (hi - lo), t2 = lo + g * (hi - lo);
        double v1 = valueAt(t1), v2 = valueAt(t2);
        for (int it = 0; it < 30 && hi - lo > 1e-9; ++it) {
            if (v1 <= v2) {
                hi = t2, t2 = t1, v2 = v1;
                t1 = hi - g * (hi - lo), v1 = valueAt(t1);
            } else {
                lo = t1, t1 = t2, v1 = v2;
                t2 = lo + g * (hi - lo), v2 = valueAt(t2);
            }
        }
    }
    // The coarse grid within R: its best few points some way apart start searches of their own,
    // as the sphere may come lowest in more than one hollow.
    struct Start {
        double v = HUGE_VAL, x = 0, y = 0;
    };
    std::array<Start, kStarts> starts{};
    const double apart2 = 4 * m_gstep * m_gstep;
    const int i0 = std::max(0, int(std::floor((x - R - m_gx) / m_gstep)));
    const int i1 = std::min(m_gnx - 1, int(std::ceil((x + R - m_gx) / m_gstep)));
    const int j0 = std::max(0, int(std::floor((y - R - m_gy) / m_gstep)));
    const int j1 = std::min(m_gny - 1, int(std::ceil((y + R - m_gy) / m_gstep)));
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const double cx = m_gx + i * m_gstep, cy = m_gy + j * m_gstep;
            const double v =
                reach(cx, cy, m_grid[std::size_t(j) * std::size_t(m_gnx) + std::size_t(i)]);
            if (!(v < starts.back().v))
                continue;
            // Near a start already kept it replaces that one when better; else the worst.
            auto slot = std::find_if(starts.begin(), starts.end(), [&](const Start &st) {
                return st.v < HUGE_VAL &&
                       (st.x - cx) * (st.x - cx) + (st.y - cy) * (st.y - cy) < apart2;
            });
            if (slot == starts.end())
                slot = starts.end() - 1;
            else if (!(v < slot->v))
                continue;
            *slot = {v, cx, cy};
            std::sort(starts.begin(), starts.end(),
                      [](const Start &p, const Start &q) { return p.v < q.v; });
        }

    // Pattern search from a centre: the direction set turns at every halving, and a successful
    // move is repeated with a doubled step while it keeps improving. Before each halving the way
    // the search went at that step is followed as well, so that a valley along a kink (the
    // sphere resting on two terminations at once) is not zigzagged.
    const double minStep = 1e-5 * std::max(1.0, R);
    auto polish = [&](Start &from, double step, double until) {
        double lb = from.v, lx = from.x, ly = from.y;
        double turn = 0;
        double fromX = lx, fromY = ly;
        while (step > until && lb > 0) {
            bool moved = false;
            for (int k = 0; k < kDirections; ++k) {
                const double a = 2 * M_PI * (k + turn) / kDirections;
                const double dx = std::cos(a), dy = std::sin(a);
                double s = step;
                const double v =
                    reach(lx + dx * s, ly + dy * s, m_field->lowest(lx + dx * s, ly + dy * s));
                if (!(v < lb))
                    continue;
                lb = v, lx += dx * s, ly += dy * s;
                moved = true;
                for (int n = 0; n < 20; ++n) {
                    s *= 2;
                    const double w =
                        reach(lx + dx * s, ly + dy * s, m_field->lowest(lx + dx * s, ly + dy * s));
                    if (!(w < lb))
                        break;
                    lb = w, lx += dx * s, ly += dy * s;
                }
                break;
            }
            if (moved)
                continue;
            const double gx = lx - fromX, gy = ly - fromY, len = std::hypot(gx, gy);
            if (len > step) {
                double s = len;
                for (int n = 0; n < 30 && s > minStep; ++n) {
                    const double px = lx + gx / len * s, py = ly + gy / len * s;
                    const double w = reach(px, py, m_field->lowest(px, py));
                    if (w < lb) {
                        lb = w, lx = px, ly = py;
                        moved = true;
                    } else {
                        s /= 2;
                    }
                }
            }
            fromX = lx, fromY = ly;
            if (moved)
                continue;
            step /= 2;
            turn += 0.618;
        }
        from = {lb, lx, ly};
    };
    // Every start is followed to a coarse step, the best of them then to the end.
    const double coarse = m_gstep / 32;
    Start found{best, bx, by};
    polish(found, m_gstep / 2, coarse);
    for (Start &st : starts) {
        if (!(st.v < HUGE_VAL) || (st.x - bx) * (st.x - bx) + (st.y - by) * (st.y - by) < apart2)
            continue;
        polish(st, m_gstep / 2, coarse);
        if (st.v < found.v)
            found = st;
    }
    polish(found, coarse, minStep);
    best = found.v, bx = found.x, by = found.y;
    return std::clamp(best, 0.0, m_top);
}

SphereEnvelope buildSphereEnvelope(const SphereTerminations &terms, double R, int maxVertices)
{
    SphereEnvelope env;
    if (!(R > 0) || (terms.rods.empty() && terms.cables.empty()))
        return env;
    const SphereEnvelopeField field(terms, R);
    if (!(field.top() > 0))
        return env;
    const double w = field.x2 - field.x1, h = field.y2 - field.y1;
    // The cable's resting heights cost several times a rod's: a coarser grid keeps its envelope
    // as quick to build.
    if (!terms.cables.empty())
        maxVertices /= 2;
    // A square grid as fine as the vertex budget allows over the rectangle.
    const double step = std::max(std::sqrt(w * h / std::max(16, maxVertices)), 1e-3);
    const int nx = std::max(2, int(std::ceil(w / step)) + 1);
    const int ny = std::max(2, int(std::ceil(h / step)) + 1);
    env.step = step;
    std::vector<double> z(std::size_t(nx) * std::size_t(ny));
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            z[std::size_t(j) * std::size_t(nx) + std::size_t(i)] =
                field.height(field.x1 + i * step, field.y1 + j * step);

    Mesh3 &m = env.mesh;
    std::vector<int> index(z.size(), -1);
    auto at = [&](int i, int j) { return z[std::size_t(j) * std::size_t(nx) + std::size_t(i)]; };
    auto vertex = [&](int i, int j) {
        const std::size_t k = std::size_t(j) * std::size_t(nx) + std::size_t(i);
        if (index[k] < 0)
            index[k] = m.add({field.x1 + i * step, field.y1 + j * step, z[k]});
        return index[k];
    };
    // The rim where the sphere's reach just meets the ground, on the edge from a raised grid
    // vertex to one on the ground (found by bisection, once per edge).
    std::map<std::pair<int, int>, int> rims;
    auto rim = [&](int iu, int ju, int ig, int jg) {
        const int ku = ju * nx + iu, kg = jg * nx + ig;
        const auto key = std::pair{ku, kg};
        if (const auto found = rims.find(key); found != rims.end())
            return found->second;
        const double ux = field.x1 + iu * step, uy = field.y1 + ju * step;
        const double dx = (ig - iu) * step, dy = (jg - ju) * step;
        double lo = 0, hi = 1; // raised at lo, on the ground at hi
        for (int it = 0; it < 40; ++it) {
            const double mid = (lo + hi) / 2;
            (field.raised(ux + dx * mid, uy + dy * mid) ? lo : hi) = mid;
        }
        const int v = m.add({ux + dx * hi, uy + dy * hi, 0});
        rims.emplace(key, v);
        return v;
    };
    // A triangle of the grid, cut at the rim: the part over raised ground only.
    auto tri = [&](int i1, int j1, int i2, int j2, int i3, int j3) {
        const int ii[3] = {i1, i2, i3}, jj[3] = {j1, j2, j3};
        bool up[3];
        int raised = 0;
        for (int k = 0; k < 3; ++k)
            raised += up[k] = at(ii[k], jj[k]) > 0;
        if (raised == 0)
            return;
        if (raised == 3) {
            m.tri(vertex(i1, j1), vertex(i2, j2), vertex(i3, j3));
            return;
        }
        // Rotate so that the corners run raised..., ground... in the triangle's own order.
        int first = 0;
        while (!(up[first] && !up[(first + 2) % 3]))
            ++first;
        const int a = first, b = (first + 1) % 3, c = (first + 2) % 3;
        if (raised == 1) {
            m.tri(vertex(ii[a], jj[a]), rim(ii[a], jj[a], ii[b], jj[b]),
                  rim(ii[a], jj[a], ii[c], jj[c]));
        } else { // a and b raised, c on the ground
            const int ra = rim(ii[a], jj[a], ii[c], jj[c]), rb = rim(ii[b], jj[b], ii[c], jj[c]);
            m.tri(vertex(ii[a], jj[a]), vertex(ii[b], jj[b]), rb);
            m.tri(vertex(ii[a], jj[a]), rb, ra);
        }
    };
    // A rod's top is the envelope's peak there: its cell is a fan of four triangles around it.
    std::vector<std::pair<std::size_t, Point3>> apexes;
    for (const SphereRod &r : terms.rods) {
        const int i = int(std::floor((r.x - field.x1) / step));
        const int j = int(std::floor((r.y - field.y1) / step));
        if (i < 0 || j < 0 || i + 1 >= nx || j + 1 >= ny)
            continue;
        const double top = field.height(r.x, r.y);
        if (top > 0)
            apexes.emplace_back(std::size_t(j) * std::size_t(nx) + std::size_t(i),
                                Point3{r.x, r.y, top});
    }
    for (int j = 0; j + 1 < ny; ++j)
        for (int i = 0; i + 1 < nx; ++i) {
            const double a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            const std::size_t cell = std::size_t(j) * std::size_t(nx) + std::size_t(i);
            const auto apex = std::find_if(apexes.begin(), apexes.end(),
                                           [&](const auto &e) { return e.first == cell; });
            if (apex != apexes.end()) {
                const int top = m.add(apex->second);
                const int ring[] = {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1),
                                    vertex(i, j + 1)};
                for (int k = 0; k < 4; ++k)
                    m.tri(ring[k], ring[(k + 1) % 4], top);
                continue;
            }
            if (a <= 0 && b <= 0 && c <= 0 && d <= 0)
                continue; // the sphere reaches the ground all over the cell
            // The diagonal that keeps the sheet nearer the heights' own shape: the one whose
            // ends are higher together, so that a ridge is not cut through.
            if (a + c >= b + d) {
                tri(i, j, i + 1, j, i + 1, j + 1);
                tri(i, j, i + 1, j + 1, i, j + 1);
            } else {
                tri(i, j, i + 1, j, i, j + 1);
                tri(i + 1, j, i + 1, j + 1, i, j + 1);
            }
        }
    return env;
}

} // namespace kv
