#pragma once
// The envelope of the rolling sphere in space: over every plan point the lowest height that a
// sphere of radius R reaches while it rests on the ground or on the air terminations (rods,
// supports, the cable) without passing through them. The volume below it is protected; the
// envelope comes down to the ground where the sphere reaches the ground. Built on the rolling
// sphere check's own lowest admissible centres, so that the surface and the check agree.

#include "calc/rollingsphere.h"
#include "plan/zonesolids.h"

#include <memory>
#include <vector>

namespace kv
{

// The lowest reach of the sphere over single plan points.
class SphereEnvelopeField
{
public:
    SphereEnvelopeField(const SphereTerminations &terms, double R);
    ~SphereEnvelopeField();

    double radius() const { return m_R; }
    // The highest termination top (the envelope never rises above it).
    double top() const { return m_top; }
    // The lowest height reached over (x, y): the least over the admissible centres C within R in
    // plan of C.z − √(R² − d²), d the plan distance of C from (x, y); 0 where the sphere touches
    // the ground there. Every value is the reach of an actual admissible sphere, so it never lies
    // below the true envelope; over the ground and a single rod or a pair resting on the ground
    // it is exact to rounding.
    double height(double x, double y) const;
    // Whether the envelope lies above the ground at (x, y) (its height there is positive).
    bool raised(double x, double y) const;
    // The plan rectangle outside which the envelope lies on the ground (the terminations widened
    // by R).
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;

private:
    double m_R = 0;
    double m_top = 0;
    std::unique_ptr<SphereCentreField> m_field;
    struct Rod {
        double x, y, h, a; // a: the radius of the circle where the rod's reach meets the height R
    };
    std::vector<Rod> m_rods;
    std::vector<SphereCable> m_cables;
    // Plan points where the sphere rests on two rods and the ground at once.
    std::vector<std::pair<double, double>> m_crossings;
    // Lowest centres over a coarse plan grid, the starting points of the search.
    double m_gx = 0, m_gy = 0, m_gstep = 1;
    int m_gnx = 0, m_gny = 0;
    std::vector<double> m_grid;
};

// The most vertices of an envelope's grid (the grid coarsens on large sites to stay within it).
inline constexpr int kEnvelopeVertices = 6400;

struct SphereEnvelope {
    Mesh3 mesh;      // the envelope's sheet over the protected ground, its rim on the ground
    double step = 0; // the plan grid's spacing, metres
};

// The envelope over a square plan grid covering the terminations widened by R, with vertex
// heights from SphereEnvelopeField::height; cells wholly on the ground are left out.
SphereEnvelope buildSphereEnvelope(const SphereTerminations &terms, double R,
                                   int maxVertices = kEnvelopeVertices);

} // namespace kv
