#include "calc/snap.h"

#include "calc/numfmt.h"

#include <cmath>

namespace kv {

double snapToGrid(double x, double step)
{
    if (!std::isfinite(x) || !std::isfinite(step))
        return x;
    const double whole = std::trunc(x);
    const long long r = roundEven(static_cast<long double>(x - whole) * 100);
    const long long c = roundEven(static_cast<long double>(step) * 100);
    if (c <= 0)
        return x; // no usable step: leave the position as typed
    const double up = (static_cast<double>(r % c) / static_cast<double>(c) >= 0.5) ? step : 0.0;
    return whole + step * static_cast<double>(r / c) + up;
}

} // namespace kv
