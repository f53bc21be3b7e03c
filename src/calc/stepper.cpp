#include "calc/stepper.h"

#include <cmath>

namespace kv {

namespace {
// Typed values carry decimal fractions; keep 1,2 − 0,1 at 1,1 so that the next test against a
// floor of 1 + step behaves as the user reads the field.
double clean(double v) { return std::round(v * 1e9) / 1e9; }
} // namespace

double stepUp(std::optional<double> value, double step)
{
    return value ? clean(*value + step) : step;
}

std::optional<double> stepDown(std::optional<double> value, double step, StepFloor floor)
{
    switch (floor) {
    case StepFloor::Field:
        if (!value || *value == 0)
            return step;
        if (*value > step)
            return clean(*value - step);
        return value;
    case StepFloor::BandWidth:
        if (value && *value >= step)
            return clean(*value - step);
        return value;
    case StepFloor::MapFactor:
        if (value && clean(*value - step) >= 1)
            return clean(*value - step);
        return value;
    }
    return value;
}

} // namespace kv
