#include "data/table.h"
#include "data/textutil.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace kv;
using kv::test::TempDir;

namespace {

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.create(TableId::SMo1);
        dir.create(TableId::ObjName);
        rods.open(dir.path());
        names.open(dir.path());
        const std::vector<std::pair<const char *, std::optional<double>>> rows = {
            {"МС-10", 10.0}, {"мс-30", 30.0}, {"Б-35", 35.0}, {"A-50", 50.0}, {"пусто", std::nullopt}};
        for (const auto &[tip, h] : rows) {
            rods.append();
            rods.setValue("Tip", tip);
            rods.setValue("H", Value(h));
            rods.post();
        }
        for (const char *n : {"Башня", "бункер", "Ёмкость", "ёлка", "Склад", "Блок-Б", "Бaza"}) {
            names.append();
            names.setValue("ObjName", n);
            names.post();
        }
    }
    std::vector<std::string> visible(Table &t, const std::string &field)
    {
        std::vector<std::string> out;
        for (t.first(); !t.eof(); t.next())
            out.push_back(t.asText(field));
        return out;
    }

    TempDir dir;
    Table rods{TableId::SMo1};
    Table names{TableId::ObjName};
};

TEST_F(FilterTest, NumberComparisons)
{
    rods.setFilter("[H]>=30");
    EXPECT_EQ(rods.recordCount(), 3);
    EXPECT_EQ(visible(rods, "Tip"), (std::vector<std::string>{"мс-30", "Б-35", "A-50"}));
    rods.setFilter("[H] < 35");
    EXPECT_EQ(visible(rods, "Tip"), (std::vector<std::string>{"МС-10", "мс-30"}));
    rods.setFilter("[H]=30");
    EXPECT_EQ(rods.recordCount(), 1);
    rods.setFilter("[H]<>30"); // an empty H is neither equal nor unequal
    EXPECT_EQ(rods.recordCount(), 3);
    rods.setFilter("[H]>'30'"); // a quoted number against a number field
    EXPECT_EQ(rods.recordCount(), 2);
    rods.setFilter("[H]<=10,5");
    EXPECT_EQ(rods.recordCount(), 1);
    rods.setFilter("");
    EXPECT_EQ(rods.recordCount(), 5);
}

TEST_F(FilterTest, NullTests)
{
    rods.setFilter("[H]=Null");
    EXPECT_EQ(visible(rods, "Tip"), (std::vector<std::string>{"пусто"}));
    rods.setFilter("[H]<>NULL");
    EXPECT_EQ(rods.recordCount(), 4);
}

TEST_F(FilterTest, TextPrefixIgnoresCaseOfCyrillicAndLatinLetters)
{
    names.setFilter("[ObjName]='Б*'");
    EXPECT_EQ(visible(names, "ObjName"),
              (std::vector<std::string>{"Башня", "бункер", "Блок-Б", "Бaza"}));
    names.setFilter("[ObjName]='ё*'");
    EXPECT_EQ(visible(names, "ObjName"), (std::vector<std::string>{"Ёмкость", "ёлка"}));
    names.setFilter("[ObjName]='бА*'");
    EXPECT_EQ(visible(names, "ObjName"), (std::vector<std::string>{"Башня"}));
    names.setFilter("[ObjName]='склад'");
    EXPECT_EQ(names.recordCount(), 1);
    names.setFilter("[ObjName]<>'Б*'");
    EXPECT_EQ(names.recordCount(), 3);
    rods.setFilter("[Tip]='мс*'");
    EXPECT_EQ(rods.recordCount(), 2);
}

TEST_F(FilterTest, FilterAppliesToNavigationLocateAndSelect)
{
    rods.setFilter("[H]>=30");
    EXPECT_FALSE(rods.locate({{"Tip", "МС-10"}}));
    EXPECT_TRUE(rods.locate({{"Tip", "A-50"}}));
    EXPECT_EQ(rods.select({"Tip"}, "H").size(), 3u);
    // A row posted outside the filter is stored but not shown.
    rods.append();
    rods.setValue("Tip", "МС-5");
    rods.setValue("H", 5);
    rods.post();
    EXPECT_EQ(rods.recordCount(), 3);
    rods.setFilter("");
    EXPECT_EQ(rods.recordCount(), 6);
}

TEST_F(FilterTest, MalformedExpressionsAreRefused)
{
    for (const char *bad : {"H>=30", "[H]", "[H]>=", "[Nope]=1", "[H]>=abc", "[Tip]='open",
                            "[H]>Null", "[Tip]=='x'"}) {
        EXPECT_THROW(rods.setFilter(bad), TableError) << bad;
    }
}

TEST(TextUtil, CaseFoldAndCharacterCount)
{
    EXPECT_EQ(foldCase("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"), "абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    EXPECT_EQ(foldCase("Hello, Мир 5"), "hello, мир 5");
    EXPECT_EQ(utf8Length("Ёж"), 2u);
    EXPECT_EQ(utf8Length("abc"), 3u);
    EXPECT_EQ(utf8Length("\xD0"), std::nullopt);        // cut in the middle of a letter
    EXPECT_EQ(utf8Length("\xC0\xAF"), std::nullopt);    // overlong form
    EXPECT_EQ(parseLooseNumber("12,5"), 12.5);
    EXPECT_EQ(parseLooseNumber(" -3.25 "), -3.25);
    EXPECT_EQ(parseLooseNumber("1e3"), 1000.0);
    EXPECT_EQ(parseLooseNumber("nan"), std::nullopt);
    EXPECT_EQ(parseLooseNumber("0x10"), std::nullopt);
    EXPECT_EQ(parseLooseNumber(""), std::nullopt);
}

} // namespace
