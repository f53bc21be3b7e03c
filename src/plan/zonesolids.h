#pragma once
// The protection zones as solids: closed triangle meshes in plan metres (x and y as on the plan,
// z the height above the ground), built from the stored zone values the plans draw. The 3D view,
// the report's 3D picture and the DXF export all take their zones from here.

#include "calc/records.h"

#include <array>
#include <string>
#include <vector>

namespace kv {

struct Point3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// A closed triangle mesh.
struct Mesh3 {
    std::vector<Point3> vertices;
    std::vector<std::array<int, 3>> triangles;

    int add(const Point3 &p);
    void tri(int a, int b, int c) { triangles.push_back({a, b, c}); }
    bool empty() const { return triangles.empty(); }
};

enum class ZoneLetter { A, B };

// One zone solid: the zone letter, and which conductor part it belongs to (rod index, or the
// two rods / supports of a pair) so that a multiple rod's solids are a loop over its pairs.
struct ZoneSolid {
    ZoneLetter zone = ZoneLetter::A;
    int first = 0;  // conductor row index
    int second = -1; // the other row of a pair; -1 for a single rod's cone
    Mesh3 mesh;
};

inline constexpr int kConeSegments = 48;
inline constexpr int kPairSteps = 16; // sections per half span

// The cone of a rod standing at (x, y): apex at height ho, ground radius ro. Empty when either
// value is not positive.
Mesh3 rodConeMesh(double x, double y, double ho, double ro, int segments = kConeSegments);

// The zone of two supports at (x1, y1) and (x2, y2) with the zone height ho and ground radius ro
// at each support and the height hc and ground half-width rc in the middle of the span: beyond
// each support the half of its cone, between them the cross-section of every point of the axis
// a triangle whose width at each height runs in a straight line from the support's radius to the
// middle's half-width. A cable's tent is the case hc = ho, rc = ro. Supports at one place give one
// cone; a middle value that is not positive gives the two cones alone.
Mesh3 pairZoneMesh(double x1, double y1, double x2, double y2, double ho, double ro, double hc,
                   double rc, int segments = kConeSegments, int steps = kPairSteps);

// The zone solids of the project's conductor for the field suffix ("" design, "1" chosen): zone
// A then zone B, each only where its values are stored. A multiple rod of three rods or more
// takes its pairs' common zones from the settings row (without it, each rod's cone).
std::vector<ZoneSolid> buildZoneSolids(const ProjectSnapshot &snap, const std::string &suffix,
                                       const SettingsRec *calc = nullptr);

} // namespace kv
