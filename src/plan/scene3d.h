#pragma once
// The 3D scene of a project: the ground with the plan's grid, each object as a box of its plan
// rectangle and height (a concentrated object as a slim column), the rods and supports, the cable
// with its sag and the zone solids as translucent faces; and a camera with a software renderer
// (QPainter, far faces first) that the 3D view, its saved pictures and the report share.

#include "calc/records.h"
#include "plan/drawingsettings.h"
#include "plan/zonesolids.h"

#include <QColor>
#include <QMatrix4x4>
#include <QSize>

#include <optional>
#include <string>
#include <vector>

class QImage;
class QPainter;

namespace kv {

struct Scene3D {
    // A flat convex polygon of three to eight corners; opaque faces get a darker outline.
    struct Face {
        Point3 p[8];
        int corners = 3;
        QColor color;
    };
    struct Segment {
        Point3 a, b;
        QColor color;
        double width = 1; // pixels
    };
    std::vector<Face> ground;        // drawn first
    std::vector<Segment> grid;       // lying on the ground
    std::vector<Face> faces;         // objects and zones, sorted by depth when drawn
    std::vector<Segment> segments;   // rods, supports and the cable
    Point3 lo, hi;                   // bounds of the whole scene
    int zoneFaces = 0;
    int sphereFaces = 0;
};

// Colours of the zone solids (translucent) and of an unprotected object.
QColor zoneColor(ZoneLetter z);
inline const QColor kUnprotectedColor{220, 0, 0};

// The rolling sphere's envelope: translucent, in the sphere's own colour.
QColor sphereEnvelopeColor(const DrawingSettings &ds);

// Builds the scene. suffix: the zones shown ("" design, "1" chosen, none without a value);
// unprotected: indices into snap.objects drawn red; sphereEnvelope: the rolling sphere's
// envelope when it is shown.
Scene3D buildScene3D(const ProjectSnapshot &snap, const DrawingSettings &ds,
                     const std::optional<std::string> &suffix,
                     const std::vector<std::size_t> &unprotected,
                     const Mesh3 *sphereEnvelope = nullptr);

// An orbiting camera: it looks at target from the direction given by yaw (degrees around the
// vertical, 0 from the front, that is from larger plan Y) and pitch (degrees above the ground).
struct Camera3D {
    Point3 target;
    double yaw = 35;
    double pitch = 35.264;
    double distance = 100;
    double fov = 35;

    enum Preset { Top, Front, Isometric };
    // Looks from the preset direction at the whole scene.
    void setPreset(Preset p, const Scene3D &scene, const QSize &viewport);
    // Keeps the direction and moves the camera so that the whole scene fills the viewport.
    void fit(const Scene3D &scene, const QSize &viewport);
    // Mouse steps: the drag in pixels turns (orbit) or shifts (pan) the view; zoom by wheel steps.
    void orbit(double dxPixels, double dyPixels);
    void pan(double dxPixels, double dyPixels, const QSize &viewport);
    void zoom(double steps);

    // World (plan metres) to clip space for a viewport of this size.
    QMatrix4x4 matrix(const QSize &viewport) const;
};

// Paints the scene over the whole of size.
void renderScene3D(QPainter &p, const QSize &size, const Scene3D &scene, const Camera3D &camera);
QImage renderScene3DImage(const QSize &size, const Scene3D &scene, const Camera3D &camera);

} // namespace kv
