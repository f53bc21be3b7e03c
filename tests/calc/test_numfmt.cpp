#include "calc/numfmt.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(Round2, QuotientByTheDoubleHundredth)
{
    // The double 0.01 is a little above 0.01, so 0.375 / 0.01 falls just below 37.5 and rounds
    // down although 0.375 itself is exact; half away from zero would give 0.38.
    EXPECT_DOUBLE_EQ(round2(0.125), 0.12);
    EXPECT_DOUBLE_EQ(round2(0.375), 0.37);
    EXPECT_DOUBLE_EQ(round2(2.5), 2.5);
    EXPECT_DOUBLE_EQ(round2(-0.125), -0.12);
    EXPECT_DOUBLE_EQ(round2(21.2), 21.2);
    EXPECT_DOUBLE_EQ(round2(15.2400000001), 15.24);
    EXPECT_DOUBLE_EQ(round2(0.0), 0.0);
}

TEST(Round2, ResultIsTheNearestDoubleOfTheHundredth)
{
    for (int i = -2000; i <= 2000; ++i) {
        const double x = i * 0.01 + 0.003;
        EXPECT_EQ(round2(x), round2(round2(x))) << x; // idempotent
    }
    EXPECT_EQ(round2(1.7 * 20), 34.0);
}

TEST(Round5, FiveDecimals)
{
    EXPECT_DOUBLE_EQ(round5(1.0 / 3.0), 0.33333);
    EXPECT_DOUBLE_EQ(round5(-2.0 / 3.0), -0.66667);
}

TEST(FormatGeneral, CommaAndNoTrailingZeros)
{
    EXPECT_EQ(formatGeneral(2.5), "2,5");
    EXPECT_EQ(formatGeneral(17), "17");
    EXPECT_EQ(formatGeneral(-0.03), "-0,03");
    EXPECT_EQ(formatGeneral(0), "0");
    EXPECT_EQ(formatGeneral(1234567.25), "1234567,25");
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0,3"); // 15 significant digits hide the binary tail
    EXPECT_EQ(formatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(formatGeneral(1e20), "1E20");
    EXPECT_EQ(formatGeneral(0.0000015), "1,5E-6");
    EXPECT_EQ(formatGeneral(0.00005), "0,00005");
}

TEST(Format00, TwoDecimalsHalfAwayFromZero)
{
    EXPECT_EQ(format00(0.1), "0,10");
    EXPECT_EQ(format00(0.125), "0,13"); // round2 would give 0,12
    EXPECT_EQ(format00(-0.125), "-0,13");
    EXPECT_EQ(format00(2), "2,00");
    EXPECT_EQ(format00(0.004), "0,00");
    EXPECT_EQ(format00(-0.004), "0,00");
    EXPECT_EQ(format00(1234.567), "1234,57");
    // Found by fuzzing: past 64-bit cents the conversion was undefined and printed garbage.
    EXPECT_EQ(format00(1e20), "100000000000000000000,00");
    EXPECT_EQ(format00(-1e20), "-100000000000000000000,00");
    EXPECT_EQ(format00(1e308).substr(0, 4), "1000");
}

TEST(ParseNumber, DecimalCommaOrPoint)
{
    EXPECT_EQ(parseNumber("12,5"), 12.5);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    EXPECT_EQ(parseNumber(" 4 "), 4.0);
    EXPECT_EQ(parseNumber(",5"), 0.5);
    EXPECT_EQ(parseNumber("1E3"), 1000.0);
    EXPECT_EQ(parseNumber("12.5"), 12.5); // a point typed from habit is not a tenfold error
    EXPECT_EQ(parseNumber("-.5"), -0.5);
    EXPECT_FALSE(parseNumber("1.2,3"));
    EXPECT_FALSE(parseNumber("1,2.3"));
    EXPECT_FALSE(parseNumber("."));
    EXPECT_FALSE(parseNumber(""));
    EXPECT_FALSE(parseNumber("   "));
    EXPECT_FALSE(parseNumber("1 000"));
    EXPECT_FALSE(parseNumber("abc"));
    EXPECT_FALSE(parseNumber("-"));
    EXPECT_FALSE(parseNumber("1,2,3"));
    EXPECT_FALSE(parseNumber("1e999"));
}

TEST(KeyFilters, DigitsCommaAndControlKeys)
{
    for (char32_t k : {U'0', U'9', U',', char32_t(8), char32_t(9)})
        EXPECT_TRUE(filterNumericKey(k));
    for (char32_t k : {U'.', U'-', U'a', U' ', U'ж'})
        EXPECT_FALSE(filterNumericKey(k));
    EXPECT_TRUE(filterSignedNumericKey(U'-'));
    EXPECT_FALSE(filterSignedNumericKey(U'.'));
}

#include "calc/snap.h"

TEST(Snap, InsideEachWholeMetre)
{
    EXPECT_DOUBLE_EQ(snapToGrid(3.27, 0.5), 3.5);
    EXPECT_DOUBLE_EQ(snapToGrid(3.24, 0.5), 3.0);
    EXPECT_DOUBLE_EQ(snapToGrid(3.25, 0.5), 3.5); // half a step rounds up
    EXPECT_DOUBLE_EQ(snapToGrid(3.6, 0.25), 3.5);
    EXPECT_DOUBLE_EQ(snapToGrid(3.63, 0.25), 3.75);
    EXPECT_DOUBLE_EQ(snapToGrid(3.5, 1), 4.0);
    EXPECT_DOUBLE_EQ(snapToGrid(3.49, 1), 3.0);
    EXPECT_DOUBLE_EQ(snapToGrid(-3.7, 1), -3.0); // a negative remainder never rounds up
    EXPECT_DOUBLE_EQ(snapToGrid(7.3, 0), 7.3);
}
