#include "plan/plancoords.h"

#include "calc/numfmt.h"
#include "calc/snap.h"

#include <algorithm>
#include <cmath>

namespace kv {

PlanScale::PlanScale(int n)
    : m_n(n > 0 ? n : kMinScale)
{
}

int PlanScale::px(double x) const
{
    if (!std::isfinite(x))
        return 0;
    const long double v = static_cast<long double>(x) * 100.0L / m_n * kPixelsPerCm;
    const long double r = std::nearbyint(v); // ties to even
    return static_cast<int>(std::clamp<long double>(r, -kPxLimit, kPxLimit));
}

double PlanScale::m(int p) const
{
    return round2(static_cast<double>(static_cast<long double>(p) / kPixelsPerCm / 100.0L * m_n));
}

double PlanScale::mPlus(int p, double step) const { return snap(m(p), step); }

double snap(double x, double step) { return snapToGrid(x, step); }

std::string gridLabel(int k, int n)
{
    std::string v;
    if (n % 100 == 0) {
        v = std::to_string(static_cast<long long>(k) * (n / 100));
    } else if (n % 10 == 0) {
        const double unit = std::nearbyint(n / 100.0 * 10.0) / 10.0;
        v = formatGeneral(k * unit);
    } else {
        const double unit = std::nearbyint(n / 100.0 * 100.0) / 100.0;
        v = formatGeneral(k * unit);
    }
    return " " + v + " ";
}

double dirAngle(double x1, double y1, double x2, double y2)
{
    if (x1 == x2 && y1 == y2)
        return 0;
    if (y1 == y2)
        return x2 > x1 ? 0 : 180;
    if (x1 == x2)
        return y2 > y1 ? 90 : 270;
    double a = std::atan((y2 - y1) / (x2 - x1)) * 180.0 / M_PI;
    if (x2 < x1)
        a += 180;
    else if (y2 < y1)
        a += 360;
    return a;
}

QColor colorFromRgbInt(int rgb)
{
    const unsigned u = static_cast<unsigned>(rgb);
    return QColor(u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
}

} // namespace kv
