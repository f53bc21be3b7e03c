// The protection check of the zones shown against the selection that computed them.

#include "calc/podbor.h"
#include "calc/protection.h"

#include <gtest/gtest.h>

using namespace kv;

namespace
{

ObjectRec object(double x, double y, double hx, const char *zona)
{
    ObjectRec o;
    o.MXa = x;
    o.MYa = y;
    o.L = 10;
    o.S = 8;
    o.Hx = hx;
    if (*zona)
        o.Zona = zona;
    return o;
}

} // namespace

// For every conductor type: the design height protects every object it was computed for; a
// chosen height a metre lower leaves the governing object unprotected, a metre higher none; an
// object that needs no protection is never counted; no height, no check.
TEST(Protection, ZonesShownAgainstTheHeightEachObjectNeeds)
{
    for (const char *tip : {kTipSingleRod, kTipCable, kTipDoubleRod}) {
        SCOPED_TRACE(tip);
        ProjectSnapshot snap;
        snap.project.TipMO = tip;
        snap.project.ZonaACnt = 1;
        snap.project.ZonaBCnt = 1;
        ConductorRec c;
        c.MX = 40;
        c.MY = 30;
        snap.conductors.push_back(c);
        c.MX = 70;
        snap.conductors.push_back(c);
        snap.objects = {object(10, 10, 12, "Б"), object(45, 50, 6, "А"), object(100, 90, 30, "")};
        const SettingsRec settings;
        EXPECT_TRUE(UnprotectedObjects(snap, settings, "").empty()) << "before any selection";
        CalcMessages messages;
        ASSERT_TRUE(AutoPodbor(snap, settings, {}, messages).ran);
        EXPECT_TRUE(UnprotectedObjects(snap, settings, "").empty());
        EXPECT_TRUE(UnprotectedObjects(snap, settings, "1").empty()) << "nothing chosen";

        // The object that governs the design height.
        std::size_t governing = 0;
        for (std::size_t i = 1; i < 2; ++i)
            if (snap.objects[i].H.value_or(0) > snap.objects[governing].H.value_or(0))
                governing = i;
        const double h = *snap.conductors.front().H;
        for (auto &mo : snap.conductors)
            mo.H1 = h - 1;
        const auto low = UnprotectedObjects(snap, settings, "1");
        EXPECT_NE(std::find(low.begin(), low.end(), governing), low.end());
        EXPECT_EQ(std::find(low.begin(), low.end(), 2u), low.end());
        for (auto &mo : snap.conductors)
            mo.H1 = h + 1;
        EXPECT_TRUE(UnprotectedObjects(snap, settings, "1").empty());
    }
}
