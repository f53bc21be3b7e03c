#pragma once
// Object requirement operations over the current project's rows.

#include "data/datamodule.h"

#include <functional>
#include <string>

namespace kv {

// Recounts the "А" and "Б" objects of the current project into ZonaACnt and ZonaBCnt.
void CountZones(DataModule &dm);

// Re-evaluates N, zone and category of every object of the current project from its stored
// class and sizes; an object that no longer needs protection is announced and deleted.
// removeShapes is called with the object's ShapeName before its row is deleted (the window
// drops the object's plan shapes there); it may be empty.
void ReevaluateObjects(DataModule &dm,
                       const std::function<void(const std::string &)> &removeShapes = {});

} // namespace kv
