// Alignment points and the positions of the alignment and coordinate dialogs.

#include "calc/alignment.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {
ObjectRec rect(double x, double y, double l, double s)
{
    ObjectRec o;
    o.MXa = x;
    o.MYa = y;
    o.L = l;
    o.S = s;
    return o;
}
} // namespace

TEST(Alignment, PointsAndOffsetsOfARectangle)
{
    // Half sizes are rounded to centimetres with ties to even: 5.25 / 2 = 2.625 → 2.62.
    const ObjectRec o = rect(10, 20, 5.25, 3);
    const struct {
        AlignPoint p;
        double x, y;
    } cases[] = {
        {AlignPoint::TopLeft, 10, 20},        {AlignPoint::TopRight, 15.25, 20},
        {AlignPoint::BottomRight, 15.25, 23}, {AlignPoint::BottomLeft, 10, 23},
        {AlignPoint::Center, 12.62, 21.5},    {AlignPoint::LeftMiddle, 10, 21.5},
        {AlignPoint::TopMiddle, 12.62, 20},   {AlignPoint::RightMiddle, 15.25, 21.5},
        {AlignPoint::BottomMiddle, 12.62, 23},
    };
    for (const auto &c : cases) {
        const PlanPoint q = alignPointOf(o, c.p);
        EXPECT_NEAR(q.x, c.x, 1e-9) << static_cast<int>(c.p);
        EXPECT_NEAR(q.y, c.y, 1e-9) << static_cast<int>(c.p);
        const PlanPoint off = alignOffset(o, c.p);
        EXPECT_NEAR(off.x, c.x - 10, 1e-9);
        EXPECT_NEAR(off.y, c.y - 20, 1e-9);
    }
    EXPECT_STREQ(alignPointText(0), "левый верхний угол");
    EXPECT_STREQ(alignPointText(8), "середина нижней стороны");
}

TEST(Alignment, WorkedExamples)
{
    // Conductor "по центру" horizontally to an object at MXa 10, L 5, step 1: snap(12.5) = 13.
    PlanPoint c = alignConductorTo(rect(10, 4, 5, 2), {1, 1}, 2, 0, 1);
    EXPECT_DOUBLE_EQ(c.x, 13);
    EXPECT_DOUBLE_EQ(c.y, 1); // "нет" keeps MY
    c = alignConductorTo(rect(10, 4, 5, 2), {1, 1}, 3, 3, 1);
    EXPECT_DOUBLE_EQ(c.x, 15);
    EXPECT_DOUBLE_EQ(c.y, 6);
    // Object L 6, S 4 to a conductor at (20, 10).
    PlanPoint o = alignObjectToConductor(rect(0, 0, 6, 4), AlignPoint::Center, {20, 10}, 1);
    EXPECT_DOUBLE_EQ(o.x, 17);
    EXPECT_DOUBLE_EQ(o.y, 8);
    o = alignObjectToConductor(rect(0, 0, 6, 4), AlignPoint::BottomRight, {20, 10}, 1);
    EXPECT_DOUBLE_EQ(o.x, 14);
    EXPECT_DOUBLE_EQ(o.y, 6);
    // A negative corner is stored as 0.
    o = alignObjectToConductor(rect(0, 0, 10, 4), AlignPoint::BottomRight, {2, 2}, 1);
    EXPECT_DOUBLE_EQ(o.x, 0);
    EXPECT_DOUBLE_EQ(o.y, 0);
    // Object to object: top-left of the aligned one on the right-middle of the binding one.
    o = alignObjectToObject(rect(0, 0, 2, 2), AlignPoint::TopLeft, rect(10, 10, 6, 4),
                            AlignPoint::RightMiddle, 1);
    EXPECT_DOUBLE_EQ(o.x, 16);
    EXPECT_DOUBLE_EQ(o.y, 12);
}

TEST(Alignment, CoordinateDialog)
{
    const ObjectRec obj = rect(10, 10, 5, 3);
    // Relative to the centre of the object: the fields show MX − 12.5, MY − 11.5.
    PlanPoint f = coordsOfConductor(CoordKind::RelativeToObject, {20, 20}, {}, &obj,
                                    AlignPoint::Center);
    EXPECT_DOUBLE_EQ(f.x, 7.5);
    EXPECT_DOUBLE_EQ(f.y, 8.5);
    PlanPoint c = conductorFromCoords(CoordKind::RelativeToObject, 0, 0, {}, &obj,
                                      AlignPoint::Center, 1);
    EXPECT_DOUBLE_EQ(c.x, 13); // snap(12.5)
    EXPECT_DOUBLE_EQ(c.y, 12); // snap(11.5)
    // Support 2 thirty metres right of support 1.
    c = conductorFromCoords(CoordKind::RelativeToOther, 30, 0, {5, 5}, nullptr, AlignPoint::TopLeft,
                            1);
    EXPECT_DOUBLE_EQ(c.x, 35);
    EXPECT_DOUBLE_EQ(c.y, 5);
    c = conductorFromCoords(CoordKind::Absolute, -3, 2.37, {}, nullptr, AlignPoint::TopLeft, 0.25);
    EXPECT_DOUBLE_EQ(c.x, 0);
    EXPECT_DOUBLE_EQ(c.y, 2.25);
}

TEST(Alignment, StepRules)
{
    // Shared rule: down on 0,5 with step 1 stays, on 0 gives 1, on 3 gives 2; empty fields.
    EXPECT_DOUBLE_EQ(stepDown(0.5, 1), 0.5);
    EXPECT_DOUBLE_EQ(stepDown(0.0, 1), 1);
    EXPECT_DOUBLE_EQ(stepDown(3.0, 1), 2);
    EXPECT_DOUBLE_EQ(stepDown(-2.0, 1), -2);
    EXPECT_DOUBLE_EQ(stepDown(std::nullopt, 0.1), 0.1);
    EXPECT_DOUBLE_EQ(stepUp(std::nullopt, 0.1), 0.1);
    EXPECT_DOUBLE_EQ(stepUp(2.0, 0.01), 2.01);
    // Coordinate dialog: absolute values stop above the step, relative ones go negative.
    EXPECT_DOUBLE_EQ(coordStepDown(1.0, 1, true), 1);
    EXPECT_DOUBLE_EQ(coordStepDown(1.5, 1, true), 0.5);
    EXPECT_DOUBLE_EQ(coordStepDown(1.0, 1, false), 0);
    EXPECT_DOUBLE_EQ(coordStepDown(0.0, 1, false), -1);
    EXPECT_DOUBLE_EQ(coordStepDown(std::nullopt, 1, false), 0);
    EXPECT_DOUBLE_EQ(coordStepUp(std::nullopt, 0.1), 0.1);
}
