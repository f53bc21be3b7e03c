#pragma once
// Object requirement operations over the current project's rows.

#include "data/datamodule.h"

#include <functional>
#include <optional>
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

// An object entered without the object dialog (import, calculation cases): the values the
// evaluation needs; a zone or category given here replaces the class rule's.
struct ObjectEntry {
    std::string name;
    int buildingClass = 0;
    double x = 0, y = 0, L = 0, S = 0, Hx = 0;
    std::optional<std::string> zona;         // given zone letter ("" = none); unset: the rule's
    std::optional<std::optional<int>> kateg; // given category (empty = none); unset: the rule's
};

// An entered object that the project may not hold: a class outside 1..16, or no protection
// needed. The text is the message to show.
class ObjectRefused : public TableError {
public:
    using TableError::TableError;
};

// Enters a new object row of the current project as the object dialog's OK does: N from the class
// and sizes as the dialog shows it, zone and category by the class rule (unless given), the shape
// kind of the class, the position snapped to the grid step, the shape name from the new key.
// fill writes the row's other fields (name, label, colour ...) into the new row. Throws
// ObjectRefused before anything is written, TableError when the row cannot be stored.
void enterObject(DataModule &dm, const ObjectEntry &e, double gridStep,
                 const std::function<void(Table &)> &fill = {});

} // namespace kv
