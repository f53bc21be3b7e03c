#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "calc/objectdialog.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(ExpectedStrikes, ConcentratedIgnoresPlanSize)
{
    const double a = ExpectedStrikes(16, 10, 5, 20, 5.5);
    const double b = ExpectedStrikes(16, 300, 1, 20, 5.5);
    EXPECT_EQ(a, b);
    EXPECT_NEAR(a, 28.274333882308138 * 400 * 5.5e-6, 1e-15);
}

TEST(ExpectedStrikes, Rectangular)
{
    // [(5 + 30)·(10 + 30) − 7.7·25]·4·10⁻⁶
    EXPECT_NEAR(ExpectedStrikes(2, 10, 5, 5, 4), (35.0 * 40 - 192.5) * 4e-6, 1e-15);
    EXPECT_EQ(ExpectedStrikes(4, 10, 5, 5, 0), 0.0);
}

struct RuleCase {
    int cls, T;
    double N, Hx;
    const char *zone;
    int category; // 0 = none
};

class ClassRuleTable : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ClassRuleTable, GivesZoneAndCategory)
{
    const RuleCase c = GetParam();
    const ClassRuleResult r = ClassRule(c.cls, c.T, c.N, c.Hx);
    ASSERT_TRUE(r.hasRule);
    EXPECT_EQ(r.zone, c.zone) << "class " << c.cls << " T " << c.T << " N " << c.N;
    if (c.category)
        EXPECT_EQ(r.category, c.category);
    else
        EXPECT_FALSE(r.category);
    EXPECT_FALSE(r.justification.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ClassRuleTable,
    ::testing::Values(RuleCase{1, 0, 0, 0, "А", 1}, RuleCase{2, 10, 1.01, 5, "А", 2},
                      RuleCase{2, 10, 1.0, 5, "Б", 2}, RuleCase{2, 10, 0, 5, "Б", 2},
                      RuleCase{2, 9, 5, 5, "", 0}, RuleCase{3, 0, 0, 0, "Б", 2},
                      RuleCase{4, 20, 2.01, 5, "А", 3}, RuleCase{4, 20, 2.0, 5, "Б", 3},
                      RuleCase{6, 20, 0.11, 5, "Б", 3}, RuleCase{7, 20, 0.1, 5, "", 0},
                      RuleCase{4, 19, 5, 5, "", 0}, RuleCase{4, 20, 0, 5, "", 0},
                      RuleCase{5, 20, 0.03, 5, "Б", 3}, RuleCase{5, 20, 0.02, 5, "", 0},
                      RuleCase{5, 20, 2.0, 5, "Б", 3}, RuleCase{5, 20, 2.01, 5, "А", 3},
                      RuleCase{8, 10, 0.02, 5, "", 0}, RuleCase{8, 10, 0.03, 5, "Б", 3},
                      RuleCase{8, 10, 2.0, 5, "Б", 3}, RuleCase{8, 10, 2.01, 5, "А", 3},
                      RuleCase{8, 9, 5, 5, "", 0}, RuleCase{9, 10, 0, 0, "Б", 2},
                      RuleCase{9, 9, 0, 0, "", 0}, RuleCase{10, 40, 0, 0, "Б", 3},
                      RuleCase{10, 39, 0, 0, "", 0}, RuleCase{11, 20, 0, 30, "", 0},
                      RuleCase{12, 20, 0, 30.01, "Б", 3}, RuleCase{11, 19, 0, 50, "", 0},
                      RuleCase{13, 20, 0, 0, "Б", 3}, RuleCase{15, 19, 0, 0, "", 0},
                      RuleCase{16, 10, 0, 15, "Б", 3}, RuleCase{16, 10, 0, 14.99, "", 0},
                      RuleCase{16, 9, 0, 40, "", 0}));

TEST(ClassRule, HundredthsAreComparedAsDecimals)
{
    // 0.1 and 0.02 computed the long way are not the literals, yet count as equal.
    EXPECT_EQ(ClassRule(4, 60, 0.3 - 0.2, 5).zone, "");
    EXPECT_EQ(ClassRule(5, 60, 0.01 + 0.01, 5).zone, "");
    EXPECT_EQ(ClassRule(2, 60, 0.7 + 0.3, 5).zone, "Б");
}

TEST(ClassRule, JustificationTexts)
{
    EXPECT_EQ(ClassRule(9, 9, 0, 0).justification,
              "Для зданий и сооружений данного класса при средней продолжительности гроз в год до "
              "10 часов молниезащита не требуется.");
    EXPECT_EQ(ClassRule(16, 60, 0, 15).justification,
              "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 "
              "часов и более и высоте здания (сооружения) 15 м и более: тип зоны защиты - Б, "
              "категория молниезащиты - 3.");
    EXPECT_FALSE(ClassRule(0, 60, 1, 1).hasRule);
    EXPECT_FALSE(ClassRule(17, 60, 1, 1).hasRule);
}

TEST(ObjectDialog, NewObjectEvaluatesClassOne)
{
    ObjectDialogCalc d(60, 5.5);
    d.zona = "";
    ASSERT_FALSE(d.activate());
    EXPECT_EQ(d.zona, "А");
    EXPECT_EQ(d.kateg, "1");
    // [(5+30)·(10+30) − 192,5]·5,5·10⁻⁶ = 0,00664...
    EXPECT_EQ(d.N, "0,01");
    ASSERT_EQ(d.memoN.size(), 2u);
    EXPECT_EQ(d.memoN[0], "N = [(S+6*Hx)*(L+6*Hx)-7,7*Hx*Hx]*n*0,000001");
    EXPECT_EQ(d.memoN[1], "N = [(5+6*5)*(10+6*5)-7,7*5*5]*5,5*0,000001 = 0,01");
}

TEST(ObjectDialog, ClassSixteenLinesAndRule)
{
    ObjectDialogCalc d(60, 4);
    d.Hx = "20";
    ASSERT_FALSE(d.chooseClass(16));
    EXPECT_EQ(d.memoN[0], "N = 9*3,14*Hx*Hx*n*0,000001");
    EXPECT_EQ(d.memoN[1], "N = 9*3,14*20*20*4*0,000001 = 0,05");
    EXPECT_EQ(d.zona, "Б");
    EXPECT_EQ(d.kateg, "3");
}

TEST(ObjectDialog, BadNumberKeepsNAndReportsTheBox)
{
    ObjectDialogCalc d(60, 5.5);
    ASSERT_FALSE(d.activate());
    const std::string n = d.N;
    d.S = "5,5,"; // not a number
    const auto e = d.sizeChanged();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->message, "Ошибочное значение для числового параметра.");
    EXPECT_EQ(e->focus, ObjectField::S);
    EXPECT_EQ(d.N, n);
    // An empty box just leaves N alone.
    d.S = "";
    EXPECT_FALSE(d.sizeChanged());
}

TEST(ObjectDialog, HeightRuleWithoutHeightLeavesPicks)
{
    ObjectDialogCalc d(60, 5.5);
    ASSERT_FALSE(d.chooseClass(3));
    const std::string obos = d.memoObos;
    d.Hx = "";
    const auto e = d.chooseClass(11);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->focus, ObjectField::Hx);
    EXPECT_EQ(d.zona, "Б");
    EXPECT_EQ(d.memoObos, obos);
}

TEST(ObjectDialog, AcceptChecksInOrder)
{
    ObjectDialogCalc d(60, 5.5);
    ASSERT_FALSE(d.activate());
    ObjectDialogValues v;
    EXPECT_EQ(d.accept(v)->focus, ObjectField::Name);
    d.name = "Склад";
    EXPECT_EQ(d.accept(v)->message, "Ошибка. Заполнение поля «Метка» обязательно.");
    d.label = "1";
    d.x = "3,2,7";
    EXPECT_EQ(d.accept(v)->focus, ObjectField::X);
    d.x = "3.27";
    d.kateg = "";
    EXPECT_EQ(d.accept(v)->message, kMsgNoProtectionObject);
    EXPECT_EQ(d.accept(v)->focus, ObjectField::Kateg);
    d.kateg = "2";
    ASSERT_FALSE(d.accept(v));
    EXPECT_EQ(v.x, 3.27);
    EXPECT_EQ(v.kateg, 2);
    EXPECT_EQ(v.shapeKind, "прямоугольный");
}

TEST(ObjectDialog, UserPickSurvivesUntilTheNextChange)
{
    ObjectDialogCalc d(60, 5.5);
    ASSERT_FALSE(d.chooseClass(3));
    d.zona = "А"; // the user overrides the proposal
    EXPECT_EQ(d.zona, "А");
    d.L = "20";
    ASSERT_FALSE(d.sizeChanged());
    EXPECT_EQ(d.zona, "Б");
}
