#pragma once
// The shape model of the project window's two views: conductor markers and object rectangles in
// view content pixels, their stacking order, the tallest front shape and the ground line. The
// window shows these as widgets over the background bitmaps; the CLI and the tests use it alone.

#include "calc/records.h"
#include "plan/drawingsettings.h"
#include "plan/plancoords.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kv {

inline constexpr const char *kShapeMO = "ShapeMO";
inline constexpr const char *kShapeMO1 = "ShapeMO1";
inline constexpr const char *kShapeMO_1 = "ShapeMO_1";
inline constexpr const char *kShapeMO1_1 = "ShapeMO1_1";

struct PlanShape {
    std::string name;
    QRect rect;        // content pixels
    QColor fill;       // solid fill; the outline is always black and one pixel wide
    std::string hint;  // tool tip
    bool visible = true;
    bool frontView = false;
};

// The record behind a shape: an object (index into the snapshot's objects) or a conductor row.
struct ShapeRecordRef {
    enum Kind { None, Object, FirstConductor, LastConductor } kind = None;
    int objectIndex = -1;
};

enum class ViewKind { Top, Front };

struct UnderlayPicture;

class PlanViewModel {
public:
    PlanViewModel();

    // Applies the drawing settings: marker sizes and the conductor colour of all four markers.
    void LoadDrawingSettings(const DrawingSettings &settings);
    const DrawingSettings &settings() const { return m_settings; }
    const PlanScale &scale() const { return m_scale; }
    // The scale spin edit's rule: values are clamped to 50..2000.
    void setScale(int n);

    // Sets up both views for a project (markers, object shapes, tallest shape, stacking).
    void ShowProjectShapes(const ProjectSnapshot &snap);
    // No project: markers hidden, ShapeMO_1 as tall as the front pane minus the ground bar.
    void ShowEmptyPlan(int frontPaneHeight);

    void PlaceConductorShapes(const ProjectSnapshot &snap);
    void CreateObjectShapes(const ObjectRec &obj, const std::string &name);
    void PlaceObjectShapes(const ObjectRec &obj, const std::string &name);
    void FreeObjectShapes();
    void FindTallestFrontShape(const ProjectSnapshot &snap);
    void StandFrontShapes();
    void OrderTopShapes(const ProjectSnapshot &snap);
    void OrderFrontShapes(const ProjectSnapshot &snap);
    ShapeRecordRef SelectShapeRecord(const std::string &shapeName, const ProjectSnapshot &snap) const;

    const PlanShape *shape(const std::string &name) const;
    // Stacking order, back to front.
    const std::vector<std::string> &topOrder() const { return m_topOrder; }
    const std::vector<std::string> &frontOrder() const { return m_frontOrder; }
    const std::string &tallestFrontShape() const { return m_tallest; }
    // Height of the front image = height of the tallest front shape; the ground line is there.
    int frontImageHeight() const;
    int groundLine() const { return frontImageHeight(); }

    // The underlay drawn beneath the top view's grid (none: nullptr).
    void setUnderlay(std::shared_ptr<const UnderlayPicture> underlay);
    const UnderlayPicture *underlay() const { return m_underlay.get(); }

    // Repaints both background bitmaps: the top one at topSize, the front one as wide as the top
    // one and as high as the tallest front shape. Erases any zone outline.
    void RedrawGrids(QImage &top, QImage &front, QSize topSize) const;

private:
    PlanShape &ensure(const std::string &name, bool front);
    void bringToFront(std::vector<std::string> &order, const std::string &name);
    void sendToBack(std::vector<std::string> &order, const std::string &name);
    int frontMarkerHeight(const ConductorRec &c) const;

    DrawingSettings m_settings;
    PlanScale m_scale;
    std::map<std::string, PlanShape> m_shapes;
    std::vector<std::string> m_topOrder;
    std::vector<std::string> m_frontOrder;
    std::vector<std::string> m_objectNames; // top-view names of the object shapes
    std::string m_tallest = kShapeMO_1;
    std::shared_ptr<const UnderlayPicture> m_underlay;

    // The last grid of each view: a drag repaints the zones many times a second over the same
    // grid, which then is copied instead of drawn again.
    struct GridCache {
        QImage image;
        int n = 0;
        QRgb color = 0;
        LinePen pen;
        const void *underlay = nullptr;
        QSize lastSize; // of the last grid drawn
        bool matches(const QSize &size, const DrawingSettings &s, const PlanScale &sc,
                     const void *u) const;
    };
    void drawCachedGrid(QImage &image, ViewKind view, GridCache &cache) const;
    mutable GridCache m_topGrid;
    mutable GridCache m_frontGrid;
};

// Repaints one view's background: white sheet, the underlay when given (top view), grid lines
// every 38 pixels and their labels.
void DrawGrid(QImage &image, ViewKind view, const DrawingSettings &settings, const PlanScale &scale,
              const UnderlayPicture *underlay = nullptr);

// Caps a bitmap side so that absurd scales or radii cannot exhaust memory.
inline constexpr int kMaxBitmapSide = 6000;
int capBitmapSide(long long side);

} // namespace kv
