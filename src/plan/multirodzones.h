#pragma once
// The multiple rod conductor in the drawings: the pairs' modes and middle-of-span values at the
// height drawn, each object's governing element and the pairs' half-widths at its height, and
// the outlines drawn from them in plan and elevation (shared by the overlay and the pictures).
// Two rods are drawn as the double rod they are (the stored rows are the double rod's).

#include "calc/multirod.h"
#include "plan/canvas.h"
#include "plan/drawingsettings.h"
#include "plan/plancoords.h"

#include <QPoint>
#include <QPointF>
#include <string>
#include <vector>

namespace kv
{

struct MultiRodDrawing {
    std::vector<MultiRodPair> pairs;     // in pair order, values at the height drawn
    std::vector<MultiRodObject> objects; // in object row order
    std::vector<OptD> rcx;               // [object * pairs + pair]: half-width at the object's Hx
    bool empty() const { return pairs.empty(); }
    OptD pairRcx(size_t object, size_t pair) const
    {
        const size_t k = object * pairs.size() + pair;
        return k < rcx.size() ? rcx[k] : OptD{};
    }
};

// The pairs and governing elements of a multiple rod project for the field suffix ("" design,
// "1" chosen): the modes and elements of the selection over the project as it stands, the zone
// values at the stored height of that suffix (none when it is empty). Empty with fewer than two
// rods or another conductor type.
MultiRodDrawing multiRodDrawing(const ProjectSnapshot &snap, const SettingsRec &settings,
                                const std::string &suffix);

// Whether the project is drawn by the multiple rod routines (three rods or more).
bool drawnAsMultiRod(const ProjectSnapshot &snap);

// Plan outlines: shaded triangles, rods' circles, the pairs' waisted outlines at ground level
// (conductor colour) and at every object's height (object colour). rodsM: rod positions in plan
// metres as the outlines are built (shifted in the pictures), rodsPx: their pixel centres.
// withLayers: tag the elements with their DXF layers.
void drawMultiRodTop(Canvas &c, const PlanScale &s, const std::vector<QPointF> &rodsM,
                     const std::vector<QPoint> &rodsPx, const MultiRodDrawing &d,
                     const ProjectSnapshot &snap, const DrawingSettings &ds,
                     const std::string &suffix);

// Elevation: every rod's axis x, the ground line; the zones of zone A and B as the double rod
// draws them for each pair (outer slopes at the outermost rods, the dip to Hc midway for pairs
// with a common zone, cones for rods in none).
void drawMultiRodFront(Canvas &c, const PlanScale &s, const std::vector<int> &axisX, int ground,
                       const MultiRodDrawing &d, const ProjectSnapshot &snap,
                       const DrawingSettings &ds, const std::string &suffix);

} // namespace kv
