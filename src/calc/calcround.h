#pragma once
// Rounding of a finished extended-precision expression to the stored hundredths.

#include "calc/numfmt.h"

namespace kv::detail {

inline double r2(long double x) { return round2(static_cast<double>(x)); }
inline double r5(long double x) { return round5(static_cast<double>(x)); }

} // namespace kv::detail
