#pragma once
// The zone pictures as DXF drawings for CAD: the same drawing as the top and front pictures
// (grid, conductor, zones A and B, objects with their labels, the radius dimensions), recorded
// from the very code that paints the pictures and written in metres, one layer per kind:
// GRID, CONDUCTOR, ZONE_A, ZONE_B, OBJECTS, LABELS, DIMENSIONS. The plan also carries the zone
// solids as 3D faces in space (x, -y, height) on ZONE_A_3D and ZONE_B_3D, and the rolling
// sphere's envelope, when one is given, on SPHERE_3D.
//
// Plan: X as on the plan, Y negated (the plan's Y grows downwards on screen), so the drawing
// looks like the picture; the conductor (support 1 of a pair) lands on its exact coordinates,
// the rest within a pixel of the picture's scale (N / 3800 m at 1:N). Zone radii are exact.
// Elevation: X as on the plan, Y the height above the ground line.

#include "plan/zonepictures.h"
#include "plan/zonesolids.h"

#include <QString>

namespace kv {

inline constexpr const char *kZoneLayer3dA = "ZONE_A_3D";
inline constexpr const char *kZoneLayer3dB = "ZONE_B_3D";
inline constexpr const char *kSphereLayer3d = "SPHERE_3D";

// Empty when the drawings of the project may be written; otherwise the refusal with their
// estimated size and the limit (sized from the frame and the objects before anything is drawn).
std::string zoneDxfTooLarge(const ProjectSnapshot &snap, const DrawingSettings &settings,
                            const std::string &suffix, int frontImageHeight);

// Writes the plan to topPath and the elevation to frontPath (either may be empty). The suffix
// is "" (design) or "1" (chosen). False with *error set (a Russian message) when a file cannot
// be written or the drawings are too large (zoneDxfTooLarge); a project without a conductor gives
// drawings with the grid only.
bool writeZoneDxf(const ProjectSnapshot &snap, const PlanViewModel &model, const std::string &suffix,
                  const QString &topPath, const QString &frontPath, QString *error,
                  const Mesh3 *sphereEnvelope = nullptr);

// The DXF texts themselves (for tests and for callers that store them elsewhere).
struct ZoneDxf {
    std::string top;
    std::string front;
};
ZoneDxf zoneDxf(const ProjectSnapshot &snap, const DrawingSettings &settings, const std::string &suffix,
                int frontImageHeight, const Mesh3 *sphereEnvelope = nullptr);

} // namespace kv
