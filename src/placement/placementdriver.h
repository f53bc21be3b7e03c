#pragma once
// The placement operations of the two placement windows over the tables of the current project:
// the searches (single rod, complex conductor) writing their results into the placement tables,
// the height tables over the current ranges, and the object band that adds a range or an
// exclusion sub-range around an object.

#include "calc/placementsearch.h"
#include "data/datamodule.h"

#include <array>
#include <string>
#include <vector>

namespace kv {

// The zoned objects of the current project (current object row kept), the conductor type of the
// project and the double-rod limits of the settings.
PlacementModel loadPlacementModel(DataModule &dm);

// The ranges of a range table visible under its master's current row, each with its exclusion
// sub-ranges, in table order; the current rows are kept.
std::vector<PlacementRange> loadRanges(Table &ranges, Table &subranges);

// The search of the single-rod family over the current variant of diap0.DB. Clears the
// variant's and its ranges' results, writes each range's result as it finishes, then the
// variant's, and makes the winning range current. Does nothing when there is no variant.
SearchOutcome runSingleRodSearch(DataModule &dm, SearchFeedback &fb, Engine engine = Engine::Fast);

// The search of the complex family over the current variant of diap2MO_0.DB. The result of
// a refused search (fewer than two conductor records) has `refused` set and changes nothing.
struct ComplexRun {
    SearchOutcome outcome;
    std::string refused;
};
ComplexRun runComplexSearch(DataModule &dm, SearchFeedback &fb, Engine engine = Engine::Fast);

// The height table over the current range of diap1.db; the complex one over the current range
// of each support (one support tabled against the other's position when only it has ranges). A table
// too large to hold is refused (`refused` holds the message, also shown by the prompter).
TableOutcome buildSingleRodTable(DataModule &dm, SearchFeedback &fb, Engine engine = Engine::Fast);
TableOutcome buildComplexTable(DataModule &dm, SearchFeedback &fb, Engine engine = Engine::Fast);

// The text shown in cell (col, row) of the height-table grid: the header texts, the x and y
// values, the heights in the general number format, "" for an empty cell.
std::string heightTableText(const HeightTable &t, std::int64_t col, std::int64_t row);

// The rectangle of an object widened by the band w on every side.
struct Band {
    double X1, X2, Y1, Y2;
};
Band objectBand(double MXa, double MYa, double L, double S, double w);
// Appends a range around the first object of the current project named objectName to a range
// table (diap1.db, diap2MO_1.DB or diap2MO_1_1.DB; the named ones get DiapName = the object's
// name), with both steps ObjShag. False when no object has that name or a rule refused.
bool addObjectBandRange(DataModule &dm, TableId rangeTable, const std::string &objectName,
                        double w);
// Appends an exclusion sub-range around the object to a sub-range table; flags in the order
// left, right, upper, lower (true = "+").
bool addObjectBandSubRange(DataModule &dm, TableId subTable, const std::string &objectName,
                           double w, const std::array<bool, 4> &flags);

} // namespace kv
