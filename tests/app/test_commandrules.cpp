// The enabling rules of the tool bar, the menus and the pop-ups for the states that matter.

#include "app/commandrules.h"

#include <gtest/gtest.h>

#include <set>

using namespace kv;

namespace {

std::set<QString> enabledNames(const CommandState &s)
{
    std::set<QString> out;
    for (const QString &n : ruledCommandNames())
        if (commandEnabled(n, s))
            out.insert(n);
    return out;
}

std::set<QString> operator+(std::set<QString> a, const std::set<QString> &b)
{
    a.insert(b.begin(), b.end());
    return a;
}

} // namespace

TEST(CommandRules, EnabledSetsByProjectState)
{
    const std::set<QString> always = {"btnNewProj", "SpeedButton1", "mnCreateProj", "mnExit", "mnPoraj",
                                      "mnClasses", "mnConstructions", "mnObjNames", "N6",
                                      "mnReportSettings", "mnHelp", "mnAbout", "pmKoordMO", "pmPlacement",
                                      "mnOpenFile"};
    const std::set<QString> project = {"btnKoordMO", "btnAddObject", "SpinScale", "mnEditProj",
                                       "mnDeleteProj", "mnSaveAsProj", "mnLinkToGrid", "mnImportDxf",
                                       "mnUnderlay", "mnKoordMO", "mnAddObj", "pmAddObj",
                                       "btnFitView", "mnFitView", "mnSaveFile"};
    const std::set<QString> several = {"btnOpenProj", "mnOpenProj"};
    const std::set<QString> object = {
        "btnPreview", "btnReport", "btnAlignMO", "btnPodbor", "btnSelectMO", "btnDeleteObject",
        "btnEditObject", "btnCopyObject", "btnAlignObMO", "chkAutoPodbor", "mnPreview", "mnReport",
        "mnReportPdf", "mnAlignMO", "mnPodbor", "mnPlacement", "mnSphere", "mnSelectMO", "mnEditObj",
        "mnDeleteObj", "mnCloneObj", "mnAlignObj", "mnAlignObMO", "pmAlignMO", "pmPodbor", "pmSelectMO",
        "pmEditObj", "pmDeleteObj", "pmCloneObj", "pmAlignObj", "pmAlignObMO"};
    const std::set<QString> twoObjects = {"btnAlignObOb", "mnAlignObOb", "mnDiagrams", "pmAlignObOb"};
    const std::set<QString> chosen = {"mnClearMO", "pmClearMO"};

    struct Case {
        CommandState state;
        std::set<QString> expected;
    } cases[] = {
        {{0, 0, false}, always},
        // "Открыть..." stays disabled with exactly one project.
        {{1, 0, false}, always + project},
        {{2, 0, false}, always + project + several},
        {{1, 1, false}, always + project + object},
        {{1, 1, true}, always + project + object + chosen},
        {{3, 2, false}, always + project + several + object + twoObjects},
        {{2, 2, true}, always + project + several + object + twoObjects + chosen},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.state.projects << " projects, " << c.state.objects
                                        << " objects, chosen " << c.state.chosen);
        EXPECT_EQ(enabledNames(c.state), c.expected);
    }
    // Every ruled name is enabled in some state: no rule is dead. A multiple rod of three rods
    // adds its rods' commands and withholds the placement.
    std::set<QString> all = enabledNames({2, 2, true});
    const std::set<QString> multi = enabledNames({2, 2, true, true, 3});
    all.insert(multi.begin(), multi.end());
    EXPECT_EQ(all.size(), static_cast<size_t>(ruledCommandNames().size()));
    EXPECT_TRUE(multi.count(QStringLiteral("pmDeleteRod")));
    EXPECT_FALSE(multi.count(QStringLiteral("mnPlacement")));
    EXPECT_FALSE(multi.count(QStringLiteral("pmPlacement")));
    EXPECT_FALSE(enabledNames({2, 2, true, true, 2}).count(QStringLiteral("mnDeleteRod")));
}
