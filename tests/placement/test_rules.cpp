// The rules of the placement tables: required fields, bounds, sub-range containment and
// clipping, re-checks after a range changes, default flags, master state and bottom-up deletion.

#include "calc/records.h"
#include "fixture.h"

using namespace kv;
using kv::test::PlacementDb;

namespace {
const char *kClipQuestion =
    "Ошибка. Поддиапазон исключения выходит за пределы диапазона размещения. Обрезать размеры "
    "поддиапазона исключения до размеров диапазона размещения?";
}

class Rules : public PlacementDb {
protected:
    void SetUp() override
    {
        PlacementDb::SetUp();
        newProject(kTipSingleRod, {{0, 0}});
    }
    Table &variants() { return dm->table(TableId::Diap0); }
    Table &ranges() { return dm->table(TableId::Diap1); }
    Table &subs() { return dm->table(TableId::Diap2); }
};

TEST_F(Rules, VariantAndRangeNamesAreRequired)
{
    ASSERT_TRUE(variants().append());
    EXPECT_FALSE(variants().post());
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Заполнение поля \"Размещение\" обязательно.");
    EXPECT_TRUE(variants().isEditing());
    variants().cancel();

    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    prompter.clear();
    EXPECT_FALSE(addRange(TableId::Diap2MO1, 0, 10, 1, 0, 10, 1));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Заполнение поля \"Диапазон\" обязательно.");
    dm->table(TableId::Diap2MO1).cancel();
    // With the name, the bounds and steps are checked on the same row.
    EXPECT_FALSE(addRange(TableId::Diap2MO1, 10, 0, 1, 0, 10, 1, "Д1"));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Значение поля \"Х1, м\" должно быть меньше "
                                        "либо равно значению поля \"Х2, м\".");
}

TEST_F(Rules, RangeFieldsBoundsAndSteps)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(ranges().append());
    ranges().setValue("X1", 0.0);
    EXPECT_FALSE(ranges().post());
    EXPECT_EQ(prompter.errors().back(),
              "Ошибка. Заполнение полей \"Х1, м\", \"Х2, м\", \"dХ, м\", \"Y1, м\", \"Y2, м\" и "
              "\"dY, м\" обязательно.");
    ranges().cancel();
    EXPECT_FALSE(addRange(TableId::Diap1, 0, 10, 1, 5, 4, 1));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Значение поля \"Y1, м\" должно быть меньше "
                                        "либо равно значению поля \"Y2, м\".");
    ranges().cancel();
    EXPECT_FALSE(addRange(TableId::Diap1, 0, 10, 0, 0, 10, 1));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Значение поля \"dХ, м\" должно быть больше нуля.");
    ranges().cancel();
    EXPECT_FALSE(addRange(TableId::Diap1, 0, 10, 1, 0, 10, -2));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Значение поля \"dY, м\" должно быть больше нуля.");
    ranges().cancel();
    EXPECT_TRUE(addRange(TableId::Diap1, 10, 10, 1, 0, 5, 2)); // a single column is fine
}

TEST_F(Rules, NewSubRangeHasAllFlagsSet)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 1, 0, 20, 1));
    ASSERT_TRUE(subs().append());
    for (const char *f : {"VklX1", "VklX2", "VklY1", "VklY2"})
        EXPECT_TRUE(subs().asBool(f)) << f;
    EXPECT_FALSE(subs().post());
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Заполнение всех полей таблицы обязательно.");
}

TEST_F(Rules, SubRangeTouchingTheRangeIsClippedOnYes)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 5, 20, 1, 0, 20, 1));
    prompter.askAnswers = {true};
    ASSERT_TRUE(addSub(TableId::Diap2, 0, 5, 0, 5, {false, true, true, true}));
    EXPECT_EQ(prompter.texts(RecordingPrompter::Kind::Ask), std::vector<std::string>{kClipQuestion});
    EXPECT_EQ(subs().asDouble("X1"), 5);
    EXPECT_EQ(subs().asDouble("X2"), 5);
    // The clipped border stays excluded.
    EXPECT_TRUE(subs().asBool("VklX1"));
}

TEST_F(Rules, SubRangeClippingRefusedOnNo)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 5, 20, 1, 0, 20, 1));
    prompter.askAnswers = {false};
    EXPECT_FALSE(addSub(TableId::Diap2, 0, 5, 0, 5));
    EXPECT_FALSE(subs().isEditing());
    EXPECT_EQ(subs().recordCount(), 0);
}

TEST_F(Rules, SubRangeWhollyOutsideIsRefusedAndDiscarded)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 1, 0, 20, 1));
    EXPECT_FALSE(addSub(TableId::Diap2, 30, 40, 0, 5));
    EXPECT_EQ(prompter.errors().back(),
              "Ошибка. Поддиапазон исключения полностью выходит за границы диапазона размещения.");
    EXPECT_TRUE(prompter.texts(RecordingPrompter::Kind::Ask).empty());
    EXPECT_FALSE(subs().isEditing());
    EXPECT_EQ(subs().recordCount(), 0);
    EXPECT_FALSE(addSub(TableId::Diap2, 5, 4, 0, 5));
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Значение поля \"Х1, м\" должно быть меньше "
                                        "либо равно значению поля \"Х2, м\".");
}

TEST_F(Rules, ShrinkingARangeDeletesWhollyOutsideSubRangesWithoutAQuestion)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 1, 0, 20, 1));
    ASSERT_TRUE(addSub(TableId::Diap2, 15, 18, 15, 18));
    ASSERT_TRUE(addSub(TableId::Diap2, 2, 4, 2, 4));
    prompter.clear();
    ASSERT_TRUE(ranges().edit());
    ranges().setValue("X2", 10.0);
    ranges().setValue("Y2", 10.0);
    ASSERT_TRUE(ranges().post());
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{
                                     "Ошибка. Диапазон размещения содержит поддиапазоны "
                                     "исключения, полностью выходящие за его границы. Записи с "
                                     "такими поддиапазонами будут удалены."});
    EXPECT_TRUE(prompter.texts(RecordingPrompter::Kind::Ask).empty());
    ASSERT_EQ(subs().recordCount(), 1);
    subs().first();
    EXPECT_EQ(subs().asDouble("X1"), 2);
}

TEST_F(Rules, ShrinkingARangeClipsOrDeletesPartlyOutsideSubRanges)
{
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 1, 0, 20, 1));
    ASSERT_TRUE(addSub(TableId::Diap2, 8, 12, 0, 5));
    ASSERT_TRUE(addSub(TableId::Diap2, 2, 4, 2, 4));
    const std::string question =
        "Ошибка. Диапазон размещения содержит поддиапазоны исключения, частично выходящие за его "
        "границы. Обрезать размеры таких поддиапазонов до размеров диапазона (кнопка \"Yes\") или "
        "удалить (кнопка No)?";
    prompter.clear();
    prompter.askAnswers = {true};
    ASSERT_TRUE(ranges().edit());
    ranges().setValue("X2", 10.0);
    ASSERT_TRUE(ranges().post());
    EXPECT_EQ(prompter.texts(RecordingPrompter::Kind::Ask), std::vector<std::string>{question});
    ASSERT_EQ(subs().recordCount(), 2);
    subs().first();
    EXPECT_EQ(subs().asDouble("X2"), 10);
    EXPECT_EQ(subs().asDouble("X1"), 8);

    prompter.askAnswers = {false};
    ASSERT_TRUE(ranges().edit());
    ranges().setValue("X2", 9.0);
    ASSERT_TRUE(ranges().post());
    ASSERT_EQ(subs().recordCount(), 1);
    subs().first();
    EXPECT_EQ(subs().asDouble("X1"), 2); // the one wholly inside is untouched
}

TEST_F(Rules, DetailNeedsASavedMaster)
{
    EXPECT_FALSE(ranges().append());
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Введите запись в главную таблицу.");
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(variants().edit());
    variants().setValue("Name", "Другое");
    EXPECT_FALSE(ranges().append());
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Завершите работу с главной таблицей.");
    ASSERT_TRUE(variants().post());
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 1, 0, 10, 1));
    ASSERT_TRUE(ranges().edit());
    EXPECT_FALSE(subs().append());
    EXPECT_EQ(prompter.errors().back(), "Ошибка. Завершите работу с главной таблицей.");
}

TEST_F(Rules, DeletionIsBottomUp)
{
    const std::string msg = "Ошибка. Удаление записи таблицы невозможно, так как она имеет "
                            "связанные с ней записи в подчиненных таблицах.";
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 1, 0, 10, 1));
    ASSERT_TRUE(addSub(TableId::Diap2, 1, 2, 1, 2));
    EXPECT_FALSE(variants().remove());
    EXPECT_EQ(prompter.errors().back(), msg);
    EXPECT_FALSE(ranges().remove());
    ASSERT_TRUE(subs().remove());
    ASSERT_TRUE(ranges().remove());
    EXPECT_TRUE(variants().remove());
    EXPECT_EQ(variants().recordCount(), 0);

    // A complex variant with combination rows only.
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    Table &c = dm->table(TableId::Diap2MO3);
    ASSERT_TRUE(c.append());
    c.setValue("H1", 5.0);
    ASSERT_TRUE(c.post());
    EXPECT_FALSE(dm->table(TableId::Diap2MO0).remove());
    ASSERT_TRUE(c.remove());
    EXPECT_TRUE(dm->table(TableId::Diap2MO0).remove());
}
