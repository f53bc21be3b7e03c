#pragma once
// The arrow buttons of the numeric fields. Up always adds the step; down subtracts it only while
// the value stays above (or at) the field's floor. Three kinds of field differ only in that
// floor, so they share one rule with the floor as its parameter:
//
//   kind             floor        on "0" or empty   e.g. step 1 on 1 / 0,5 / 0
//   Field            > 0          becomes the step  1 / 0,5 / 1   (object dialog, placement grids)
//   BandWidth        ≥ 0          stays             0 / 0,5 / 0   (object band width)
//   MapFactor        ≥ 1          stays             1 / 0,5 / 0   (height-map factor k)
//
// A value below the floor is never moved by "down", so a field can't be stepped below it.

#include <optional>

namespace kv {

enum class StepFloor {
    Field,     // a positive quantity: never stepped to 0 or below; 0 or empty becomes the step
    BandWidth, // may be stepped down to 0 exactly
    MapFactor, // the factor of the height map: never below 1
};

// The value after an "up" arrow: an empty field becomes the step.
double stepUp(std::optional<double> value, double step);
// The value after a "down" arrow; an empty field stays empty unless the floor turns it into
// the step.
std::optional<double> stepDown(std::optional<double> value, double step, StepFloor floor);
// The ordinary fields' rule, which always gives a value.
inline double stepDown(std::optional<double> value, double step)
{
    return *stepDown(value, step, StepFloor::Field);
}

} // namespace kv
