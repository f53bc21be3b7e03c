#pragma once
// The zone overlay of the project window: outlines of the stored zones drawn on freshly redrawn
// background bitmaps of both views. Values are only read from the records, never recomputed.

#include "calc/records.h"
#include "plan/planview.h"

#include <QImage>
#include <QSize>
#include <string>

namespace kv {

// The two background bitmaps of a plan (whole, or one part of one view under a DrawingPart)
// and the size of the top view's content.
struct ViewBitmaps {
    QImage top;
    QImage front;
    QSize topSize{800, 600};
};

// Each redraws the grids first, then the top half and the front half for the field suffix
// ("" design, "1" chosen). The model must show the same project (ShowProjectShapes).
void DrawZonesSingleRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                        const std::string &suffix);
void DrawZonesCatenary(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                       const std::string &suffix);
void DrawZonesDoubleRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                        const std::string &suffix);
// Three rods or more: every rod's and pair's zones (two rods are the double rod's drawing).
void DrawZonesMultiRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                       const std::string &suffix);
// Picks the routine by the project's conductor type; an unknown type only redraws the grids.
void DrawZones(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
               const std::string &suffix);

// One part of one view as the project window shows it: the grid and, when suffix is given, the
// zones, drawn by the same functions as the whole bitmaps. topSize is the whole top content.
// The image has the part's size (cut to the view) and its offset() at the part's corner; it is
// null when the part lies outside the view.
QImage DrawViewPart(ViewKind view, const QRect &part, QSize topSize, const PlanViewModel &model,
                    const ProjectSnapshot &snap, const std::string *suffix);

} // namespace kv
