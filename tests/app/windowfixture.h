#pragma once
// A project window over a fresh data folder, with helpers that lay out projects of each conductor
// type row by row, and the screenshot folder of KORVAN_SHOTS.

#include "app/plancanvas.h"
#include "app/projectdocument.h"
#include "app/projectwindow.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kv::test {

struct ObjSpec {
    const char *name;
    double mxa, mya, l, s, hx;
    int colour;
    const char *zona = "Б";
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (std::filesystem::temp_directory_path() / "korvan-win-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(t.data()));
        m_dir = t;
        createInstallationData(m_dir + "/Data");
        dm = std::make_unique<DataModule>(m_dir + "/Data", prompter);
        dm->openAll();
    }
    void TearDown() override
    {
        window.reset();
        dm.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // Removes every project (the empty state).
    void removeAllProjects()
    {
        for (Table *t : {&dm->object(), &dm->mo(), &dm->project()}) {
            t->setMaster(nullptr);
            t->first();
            while (!t->isEmpty())
                t->remove();
        }
        dm.reset();
        dm = std::make_unique<DataModule>(m_dir + "/Data", prompter);
        dm->openAll();
    }

    // A project row with its conductor rows and objects; it becomes LastProj. Returns its key.
    int addProject(const char *tip, const std::vector<std::pair<double, double>> &conductors,
                   const std::vector<ObjSpec> &objects, int scale = 500, bool useAs2 = false)
    {
        Table &p = dm->project();
        p.append();
        p.setValue("Name", std::string("Проект ") + tip);
        p.setValue("TipMO", tip);
        p.setValue("IScale", scale);
        p.setValue("ProdGrozMin", 60);
        p.setValue("ProdGrozMax", 79);
        p.setValue("Udarov", 5.5);
        p.setValue("ChkUseAs2", useAs2);
        p.setValue("ZonaACnt", 0);
        p.setValue("ZonaBCnt", static_cast<int>(objects.size()));
        p.post();
        const int kod = p.asInt("Kod");
        for (const auto &[x, y] : conductors) {
            dm->mo().append();
            dm->mo().setValue("MX", x);
            dm->mo().setValue("MY", y);
            dm->mo().post();
        }
        Table &o = dm->object();
        int label = 0;
        for (const ObjSpec &s : objects) {
            o.append();
            o.setValue("Name", s.name);
            o.setValue("SLabel", std::to_string(++label));
            o.setValue("STip", "прямоугольный");
            o.setValue("MXa", s.mxa);
            o.setValue("MYa", s.mya);
            o.setValue("L", s.l);
            o.setValue("S", s.s);
            o.setValue("Hx", s.hx);
            o.setValue("N", 0.03);
            o.setValue("Tip", 5);
            o.setValue("Kateg", 3);
            o.setValue("Zona", s.zona);
            o.setValue("ObjColor", s.colour);
            o.setValue("NumMO", 12);
            o.post();
            o.edit();
            o.setValue("ShapeName", "Shape" + std::to_string(o.asInt("Kod")));
            o.post();
        }
        setSetting("LastProj", Value(kod));
        return kod;
    }

    void setSetting(const char *field, const Value &v)
    {
        Table &param = dm->param();
        param.first();
        param.edit();
        param.setValue(field, v);
        param.post();
    }

    // Opens the window on the data folder as the program does at start.
    ProjectWindow &open(QSize size = QSize(1100, 760))
    {
        window = std::make_unique<ProjectWindow>();
        window->resize(size);
        window->attach(dm.get());
        window->show();
        QApplication::processEvents();
        window->refreshNow();
        return *window;
    }
    ProjectDocument &doc() { return *window->document(); }
    const ProjectSnapshot &snap() { return doc().snapshot(); }
    std::string firstShape() { return snap().objects.at(0).ShapeName.value_or(""); }

    // Saves a render of the window into KORVAN_SHOTS when that is set.
    void shot(const char *file)
    {
        const char *dir = std::getenv("KORVAN_SHOTS");
        if (!dir || !*dir)
            return;
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QApplication::processEvents();
        window->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(file)));
    }

    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
    std::unique_ptr<ProjectWindow> window;

private:
    std::string m_dir;
};

} // namespace kv::test
