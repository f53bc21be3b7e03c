#pragma once
// A fresh data folder with the installation data, a data module over it with the recording
// prompter, and a new current project of the given conductor type.

#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kv::test {

class PlacementDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t =
            (std::filesystem::temp_directory_path() / "korvan-place-XXXXXX").string();
        ASSERT_NE(mkdtemp(t.data()), nullptr);
        dir = t;
        createInstallationData(dir);
        dm = std::make_unique<DataModule>(dir, prompter);
        dm->openAll();
        prompter.clear();
    }
    void TearDown() override
    {
        dm.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void newProject(const char *tip, std::vector<std::pair<double, double>> mos)
    {
        Table &p = dm->project();
        ASSERT_TRUE(p.append());
        p.setValue("Name", "Размещение");
        p.setValue("ProdGrozMin", 60);
        p.setValue("Udarov", 5.5);
        p.setValue("TipMO", tip);
        p.setValue("IScale", 500);
        ASSERT_TRUE(p.post());
        for (auto [x, y] : mos) {
            ASSERT_TRUE(dm->mo().append());
            dm->mo().setValue("MX", x);
            dm->mo().setValue("MY", y);
            ASSERT_TRUE(dm->mo().post());
        }
    }
    void addObject(const char *name, double x, double y, double L, double S, double Hx,
                   const char *zona, int color = 0x00FF00)
    {
        Table &o = dm->object();
        ASSERT_TRUE(o.append());
        o.setValue("Name", name);
        o.setValue("MXa", x);
        o.setValue("MYa", y);
        o.setValue("L", L);
        o.setValue("S", S);
        o.setValue("Hx", Hx);
        o.setValue("Tip", 1);
        o.setValue("Kateg", 3);
        o.setValue("Zona", zona);
        o.setValue("ObjColor", color);
        ASSERT_TRUE(o.post());
    }
    bool addVariant(TableId id, const char *name = "Вариант")
    {
        Table &v = dm->table(id);
        if (!v.append())
            return false;
        v.setValue("Name", name);
        return v.post();
    }
    bool addRange(TableId id, double x1, double x2, double dx, double y1, double y2, double dy,
                  const char *name = nullptr)
    {
        Table &r = dm->table(id);
        if (!r.append())
            return false;
        if (name)
            r.setValue("DiapName", name);
        r.setValue("X1", x1);
        r.setValue("X2", x2);
        r.setValue("DX", dx);
        r.setValue("Y1", y1);
        r.setValue("Y2", y2);
        r.setValue("DY", dy);
        return r.post();
    }
    bool addSub(TableId id, double x1, double x2, double y1, double y2,
                std::array<bool, 4> flags = {true, true, true, true})
    {
        Table &s = dm->table(id);
        if (!s.append())
            return false;
        s.setValue("X1", x1);
        s.setValue("VklX1", flags[0]);
        s.setValue("X2", x2);
        s.setValue("VklX2", flags[1]);
        s.setValue("Y1", y1);
        s.setValue("VklY1", flags[2]);
        s.setValue("Y2", y2);
        s.setValue("VklY2", flags[3]);
        return s.post();
    }

    std::string dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace kv::test
