// The worked examples of the zone calculations, entered as korvan-cli calc cases: each case is
// stored through the project tables, selected (and optionally given a catalogue construction), and
// the stored rows are compared with hand-computed values. An expected file lists only the fields
// its example pins; numbers must agree to the stored hundredth, texts and nulls exactly, and the
// messages exactly when the expected file has "messages".

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

using namespace clitest;

namespace {

const fs::path &examplesDir()
{
    static const fs::path dir = fs::path(KORVAN_TESTDATA) / "calc" / "examples";
    return dir;
}

bool isExpectedFile(const std::string &name) { return name.ends_with(".expected.json"); }

std::vector<std::string> exampleNames()
{
    std::vector<std::string> v;
    if (!fs::exists(examplesDir()))
        return v;
    for (const auto &e : fs::directory_iterator(examplesDir())) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".json") && !isExpectedFile(name))
            v.push_back(name.substr(0, name.size() - 5));
    }
    std::sort(v.begin(), v.end());
    return v;
}

CliRun runCalc(const fs::path &casePath)
{
    return run("calc " + quote(casePath.string()), {}, true);
}

bool isNumber(const json &j) { return j.is_number() && !j.is_boolean(); }

// A stored hundredth: anything closer than half a hundredth is the same stored value.
constexpr double kTol = 0.005 + 1e-9;

void compareRow(const json &got, const json &want, const std::string &where,
                std::vector<std::string> &diffs)
{
    for (const auto &[k, w] : want.items()) {
        const json g = got.contains(k) ? got[k] : json("<missing>");
        const bool same = (isNumber(w) && isNumber(g))
                              ? std::fabs(w.get<double>() - g.get<double>()) <= kTol
                              : g == w;
        if (!same)
            diffs.push_back(where + "." + k + ": " + g.dump() + ", expected " + w.dump());
    }
}

void compareRows(const json &got, const json &want, const std::string &what,
                 std::vector<std::string> &diffs)
{
    if (!got.is_array() || got.size() != want.size()) {
        diffs.push_back(what + ": " + std::to_string(got.is_array() ? got.size() : 0)
                        + " rows, expected " + std::to_string(want.size()));
        return;
    }
    for (size_t i = 0; i < want.size(); ++i)
        compareRow(got[i], want[i], what + "[" + std::to_string(i) + "]", diffs);
}

std::vector<std::string> differences(const json &got, const json &want)
{
    std::vector<std::string> diffs;
    if (want.contains("project"))
        compareRow(got["project"], want["project"], "project", diffs);
    for (const char *rows : {"conductors", "objects"})
        if (want.contains(rows))
            compareRows(got[rows], want[rows], rows, diffs);
    if (want.contains("messages") && got["messages"] != want["messages"])
        diffs.push_back("messages: " + got["messages"].dump() + ", expected "
                        + want["messages"].dump());
    return diffs;
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, StoredValuesMatchTheHandComputation)
{
    const fs::path casePath = examplesDir() / (GetParam() + ".json");
    const fs::path expectedPath = examplesDir() / (GetParam() + ".expected.json");
    ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath;
    const CliRun r = runCalc(casePath);
    ASSERT_EQ(r.code, 0) << r.out;
    json got;
    ASSERT_NO_THROW(got = json::parse(r.out)) << r.out;
    const json want = readJson(expectedPath);
    const auto diffs = differences(got, want);
    std::string all;
    for (const auto &d : diffs)
        all += "\n  " + d;
    EXPECT_TRUE(diffs.empty()) << GetParam() << ":" << all;
}

INSTANTIATE_TEST_SUITE_P(CalcExamples, Example, ::testing::ValuesIn(exampleNames()),
                         [](const ::testing::TestParamInfo<std::string> &p) { return p.param; });

// Every expected file has its case, so a renamed case cannot drop out of the run unnoticed.
TEST(CalcExamplesSet, EveryExpectedFileHasItsCase)
{
    const auto names = exampleNames();
    ASSERT_FALSE(names.empty()) << examplesDir();
    for (const auto &e : fs::directory_iterator(examplesDir())) {
        const std::string name = e.path().filename().string();
        if (!isExpectedFile(name))
            continue;
        const std::string base = name.substr(0, name.size() - std::string(".expected.json").size());
        EXPECT_TRUE(std::binary_search(names.begin(), names.end(), base)) << name;
    }
}

// The comparison itself: a value off by a stored hundredth, a null where a value was expected and
// a missing message must all be caught, while the fields the expectation leaves out are ignored.
TEST(CalcExamplesSet, ComparisonCatchesWrongValues)
{
    const json got = json::parse(R"({"project": {"ChkUseAs2": false},
        "conductors": [{"H": 15.23, "Ho_a": 12.95, "Ho_b": null}],
        "objects": [{"Rx": 10.0, "PointDo": "C"}],
        "messages": ["a"]})");
    EXPECT_TRUE(differences(got, json::parse(R"({"conductors": [{"H": 15.234}],
        "objects": [{"PointDo": "C"}]})")).empty());
    EXPECT_EQ(differences(got, json::parse(R"({"conductors": [{"H": 15.24}]})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"conductors": [{"Ho_b": 0}]})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"conductors": [{"Ho_a": null}]})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"project": {"ChkUseAs2": true}})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"objects": [{"PointDo": "CD"}]})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"objects": [{}, {}]})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"messages": []})")).size(), 1u);
    EXPECT_EQ(differences(got, json::parse(R"({"objects": [{"NumMO": null}]})")).size(), 1u);
}

} // namespace
