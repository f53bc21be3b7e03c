#pragma once
// Applying a placement result: where the chosen result of a placement window (the variant, the
// range or combination, or the current cell of the height table) puts the conductor, snapped to
// the object step, and writing those positions into the conductor rows.

#include "calc/placementsearch.h"
#include "calc/podbor.h"
#include "data/datamodule.h"

#include <optional>

namespace kv {

// The result the OK button applies: the variant's, the current range's (single rod) or the
// current combination's (complex conductor), or the current cell of the height table.
enum class ResultMode { Variant, Range, Table };

// Positions of support 1 (the rod) and support 2; an empty one is left where it stands.
struct ConductorPositions {
    std::optional<Pt> p1, p2;
    bool empty() const { return !p1 && !p2; }
};

// The positions the chosen result gives, before snapping. complex: the two-support family.
// Table mode reads the header texts of the grid cell (col, row), header rows and columns
// included, so an empty (excluded) cell still gives its coordinates; a header cell gives none.
ConductorPositions placementResult(DataModule &dm, bool complex, ResultMode mode,
                                   const HeightTable *table = nullptr, int col = -1,
                                   int row = -1);

// The same positions snapped to the object step of the settings.
ConductorPositions snapToObjectStep(DataModule &dm, const ConductorPositions &p);

// The present positions of the first and the second conductor row.
ConductorPositions conductorPositions(DataModule &dm);

// Writes MX, MY of the first row (p1) and of the second row (p2) and returns to the current
// row: both rows or neither. False when a row is missing or a post was refused (no row changed).
bool setConductorPositions(DataModule &dm, const ConductorPositions &p);

// The placement's result applied as one command: the supports moved (setConductorPositions)
// and, with podbor, the approximate selection run at the new positions (its result in
// selection); every row or none. False when a row is missing or a post was refused; a failure
// to write throws TableError. Nothing is changed in either case.
bool applyConductorPositions(DataModule &dm, const ConductorPositions &p, bool podbor,
                             PodborResult *selection = nullptr);

} // namespace kv
