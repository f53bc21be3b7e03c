#pragma once
// Rounding of a finished extended-precision expression to the stored hundredths, for the hot
// paths of the zone formulas. The arithmetic is that of round2/round5 (the value as a double,
// divided by the double step in extended precision, rounded to the nearest integer with ties to
// even, times the step); rintl is used because it does not save and restore the floating-point
// environment as nearbyint does, which makes it several times faster.

#include <cmath>

#include "calc/numfmt.h"

namespace kv::detail {

inline double roundStepFast(double x, double step)
{
    const long double q = static_cast<long double>(x) / static_cast<long double>(step);
    return static_cast<double>(std::rint(q) * static_cast<long double>(step));
}

inline double r2(long double x) { return roundStepFast(static_cast<double>(x), 0.01); }
inline double r5(long double x) { return roundStepFast(static_cast<double>(x), 0.00001); }

} // namespace kv::detail
