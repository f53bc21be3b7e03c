#pragma once
// The series of the placement diagrams: lines of a height table at fixed values of one
// coordinate, as the diagrams window plots them. One-dimension layout: a single-rod table or a
// one-support table (x values in row 0, y values in column 0). Two-support layout: support-1
// points in rows 0/1 of the columns, support-2 points in columns 0/1 of the rows.

#include "calc/placementsearch.h"

#include <string>
#include <vector>

namespace kv {

struct DiagramPoint {
    std::string label; // the varying coordinate's text
    double value = 0;  // the height, 0 for an excluded point
};
struct DiagramSeries {
    std::string title; // "X = 10", "Y = 2,5"
    std::vector<DiagramPoint> points;
};

struct DiagramChoice {
    bool fixedIsY = true;  // the fixed coordinate ("Y": the curves run along X)
    int movingSupport = 1; // two-support layout: 1 or 2
    std::string fixedX, fixedY; // two-support layout: the fixed support's texts
};

// The items of the values list ("X = v" / "Y = v"), in order, without repeats.
std::vector<std::string> diagramValues(const HeightTable &t, const DiagramChoice &c);
// The fixed-support lists of the two-support layout: the distinct x and y texts of the fixed
// support's points (support 1 when support 2 moves, and the other way round).
void fixedSupportTexts(const HeightTable &t, int movingSupport, std::vector<std::string> &xs,
                       std::vector<std::string> &ys);
// One series per ticked item (items are the texts of diagramValues). A series without points
// is still returned (the window does not show it).
std::vector<DiagramSeries> diagramSeries(const HeightTable &t, const DiagramChoice &c,
                                         const std::vector<std::string> &tickedItems);

// The diagram title. singleRod: the fixed-support controls are disabled (single-rod window).
std::string diagramTitle(const HeightTable &t, const DiagramChoice &c, bool singleRod);

} // namespace kv
