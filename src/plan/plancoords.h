#pragma once
// Plan coordinates: metres on the plan, pixels on the views. 38 pixels stand for one centimetre
// of paper, so at the plan scale 1:N one pixel is N / 3800 metres.

#include "calc/valueranges.h"

#include <QColor>
#include <string>

namespace kv {

inline constexpr int kPixelsPerCm = 38;
inline constexpr int kMinScale = kMinPlanScale;
inline constexpr int kMaxScale = kMaxPlanScale;

// The plan scale 1:N with the conversions between metres and pixels.
class PlanScale {
public:
    explicit PlanScale(int n = 500);
    int n() const { return m_n; }

    // Metres to pixels: round(x * 100 / N * 38), ties to even. Every length and every coordinate
    // is converted on its own. Absurd values are clamped to +-kPxLimit so that drawing code never
    // overflows an int.
    int px(double x) const;
    // Pixels to metres: round2(p / 38 / 100 * N).
    double m(int p) const;
    // m followed by snap to the grid step.
    double mPlus(int p, double step) const;

    static constexpr int kPxLimit = 1 << 24;

private:
    int m_n;
};

// Snaps x to the grid step laid out inside each whole metre; half a step rounds up, a negative
// remainder never rounds up. A step below one centimetre leaves x alone.
double snap(double x, double step);

// Text of grid line k at scale 1:N: " " + k * N/100 + " " in the general number format.
std::string gridLabel(int k, int n);

// Direction angle of P->Q in degrees, [0, 360), from +X towards +Y (clockwise on screen).
double dirAngle(double x1, double y1, double x2, double y2);

// Colours are stored as RGB integers with red in the low byte.
QColor colorFromRgbInt(int rgb);

} // namespace kv
