// The one step-down rule of the numeric fields, on the values where its three floors differ.

#include "calc/stepper.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {
constexpr double kEmpty = -999; // stands for an empty field in the table below
std::optional<double> opt(double v) { return v == kEmpty ? std::nullopt : std::optional(v); }
} // namespace

TEST(Stepper, DownDiffersOnlyByFloor)
{
    struct Row {
        double value, step, field, band, factor;
    };
    const Row rows[] = {
        // value  step  Field   BandWidth  MapFactor
        {3, 1, 2, 2, 2},
        {1, 1, 1, 0, 1},           // exactly the step: only the band width reaches 0
        {0.5, 1, 0.5, 0.5, 0.5},   // below the step: all stay
        {0, 1, 1, 0, 0},           // 0 becomes the step in an ordinary field
        {kEmpty, 0.1, 0.1, kEmpty, kEmpty},
        {-2, 1, -2, -2, -2},       // below every floor: never moved
        {1.1, 0.1, 1, 1, 1},
        {1.05, 0.1, 0.95, 0.95, 1.05}, // the factor never drops below 1
        {1.01, 0.01, 1, 1, 1},
        {1.2, 0.1, 1.1, 1.1, 1.1}, // 1,2 − 0,1 reads 1,1, not 1,0999…
        {0.1, 0.1, 0.1, 0, 0.1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.value << " step " << r.step);
        EXPECT_EQ(stepDown(opt(r.value), r.step, StepFloor::Field), opt(r.field));
        EXPECT_EQ(stepDown(opt(r.value), r.step, StepFloor::BandWidth), opt(r.band));
        EXPECT_EQ(stepDown(opt(r.value), r.step, StepFloor::MapFactor), opt(r.factor));
    }
    EXPECT_EQ(stepUp(std::nullopt, 0.1), 0.1);
    EXPECT_EQ(stepUp(1.2, 0.1), 1.3);
    // Down then up from 1,1 by 0,1 returns exactly to 1,1.
    EXPECT_EQ(stepUp(stepDown(1.1, 0.1, StepFloor::MapFactor), 0.1), 1.1);
}
