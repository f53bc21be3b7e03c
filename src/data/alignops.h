#pragma once
// The alignment and coordinate commands as row operations over the current project: the new
// positions come from calc/alignment (snapped, never negative); each writes one row and posts
// it. The current conductor and object rows are kept. A missing row throws TableError.

#include "calc/alignment.h"
#include "data/datamodule.h"

namespace kv {

// The conductor row at position (0 first, 1 second) and the object with key kod, as stored.
ConductorRec conductorAt(DataModule &dm, int position);
ObjectRec objectByKod(DataModule &dm, int kod);

// Conductor at position aligned to an object (horizontal/vertical as in alignConductorTo).
void alignConductorToObject(DataModule &dm, int position, int objectKod, int horizontal,
                            int vertical, double step);
// Conductor at position placed by the coordinate dialog's values.
void setConductorCoords(DataModule &dm, int position, CoordKind kind, double x, double y,
                        int objectKod, AlignPoint p, double step);
// Object point p put on the conductor at position.
void alignObjectToConductor(DataModule &dm, int objectKod, AlignPoint p, int position,
                            double step);
// Object point p put on point q of the binding object.
void alignObjectToObject(DataModule &dm, int objectKod, AlignPoint p, int bindingKod,
                         AlignPoint q, double step);

} // namespace kv
