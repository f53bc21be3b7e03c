// The project window's hot paths on a 100-object project: one drag step with "Автоподбор"
// ticked (drop, store, selection, zones redrawn in both views), opening the project, scrolling a
// 2 km site at 1:50 near its far corner, and the 3D view's scene built and drawn. The window is
// shown on the offscreen platform and each step ends with the event loop's paint, since the plans
// draw their tiles when they are painted.

#include "app/plancanvas.h"
#include "app/projectdocument.h"
#include "app/projectwindow.h"
#include "app/view3dwindow.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace kv;

namespace {

struct Fixture {
    Fixture()
    {
        std::string t = (std::filesystem::temp_directory_path() / "korvan-bench-XXXXXX").string();
        if (!mkdtemp(t.data()))
            std::abort();
        dir = t;
        createInstallationData(dir + "/Data");
        dm = std::make_unique<DataModule>(dir + "/Data", prompter);
        dm->openAll();
        first = addProject("Сто объектов 1");
        second = addProject("Сто объектов 2");
        window = std::make_unique<ProjectWindow>();
        window->resize(1280, 900);
        window->attach(dm.get());
        window->show();
        window->document()->openProject(first);
        window->refreshNow();
        QApplication::processEvents();
    }
    ~Fixture()
    {
        window.reset();
        dm.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A single rod among 100 zone-B objects in a 10 x 10 block, the block's corner at origin
    // metres from the plan's corner.
    int addProject(const std::string &name, int scale = 500, double origin = 0)
    {
        Table &p = dm->project();
        p.append();
        p.setValue("Name", name);
        p.setValue("TipMO", kTipSingleRod);
        p.setValue("IScale", scale);
        p.setValue("ProdGrozMin", 60);
        p.setValue("ProdGrozMax", 79);
        p.setValue("Udarov", 5.5);
        p.setValue("ZonaACnt", 0);
        p.setValue("ZonaBCnt", 100);
        p.post();
        const int kod = p.asInt("Kod");
        dm->mo().append();
        dm->mo().setValue("MX", origin + 60.0);
        dm->mo().setValue("MY", origin + 50.0);
        dm->mo().post();
        Table &o = dm->object();
        for (int i = 0; i < 100; ++i) {
            o.append();
            o.setValue("Name", "Объект " + std::to_string(i + 1));
            o.setValue("SLabel", std::to_string(i + 1));
            o.setValue("STip", "прямоугольный");
            o.setValue("MXa", origin + 10.0 + (i % 10) * 10);
            o.setValue("MYa", origin + 10.0 + (i / 10) * 8);
            o.setValue("L", 6.0);
            o.setValue("S", 4.0);
            o.setValue("Hx", 3.0 + i % 9);
            o.setValue("N", 0.03);
            o.setValue("Tip", 5);
            o.setValue("Kateg", 3);
            o.setValue("Zona", kZoneB);
            o.setValue("ObjColor", 0x00A000 + i * 97);
            o.post();
            o.edit();
            o.setValue("ShapeName", "Shape" + std::to_string(o.asInt("Kod")));
            o.post();
        }
        return kod;
    }

    std::string dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
    std::unique_ptr<ProjectWindow> window;
    int first = -1, second = -1;
};

// The rod's marker dropped alternately 5 m right and back (its top-left corner in pixels).
void dragSteps(benchmark::State &state, bool autoPodbor)
{
    Fixture f;
    ProjectWindow &w = *f.window;
    w.document()->setAutoPodbor(autoPodbor);
    w.document()->selectConductor(0);
    w.refreshNow();
    const QPoint a = w.planModel().shape(kShapeMO)->rect.topLeft();
    const QPoint b = a + QPoint(38, 0);
    bool flip = false;
    for (auto _ : state) {
        w.dropSelectedAt(flip ? a : b);
        w.refreshNow();
        QApplication::processEvents();
        flip = !flip;
    }
    if (!f.prompter.messages.empty())
        state.SkipWithError("the drag step showed a message");
}

void BM_DragStep100(benchmark::State &state) { dragSteps(state, true); }
BENCHMARK(BM_DragStep100)->Unit(benchmark::kMillisecond);

// The window's own share of a drag step: the views rebuilt and both bitmaps redrawn with the
// zones, without touching the store.
void BM_RedrawViews100(benchmark::State &state)
{
    Fixture f;
    ProjectWindow &w = *f.window;
    w.document()->runPodbor();
    w.refreshNow();
    for (auto _ : state) {
        w.redrawViews();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_RedrawViews100)->Unit(benchmark::kMillisecond);

// A drag step without "Автоподбор": drop, store and views, no selection.
void BM_DropStep100(benchmark::State &state) { dragSteps(state, false); }
BENCHMARK(BM_DropStep100)->Unit(benchmark::kMillisecond);

void BM_OpenProject100(benchmark::State &state)
{
    Fixture f;
    ProjectWindow &w = *f.window;
    bool flip = false;
    for (auto _ : state) {
        w.document()->openProject(flip ? f.first : f.second);
        w.refreshNow();
        QApplication::processEvents();
        flip = !flip;
    }
}
BENCHMARK(BM_OpenProject100)->Unit(benchmark::kMillisecond);

// The 100-object block at the far corner of a 2 km x 2 km site at 1:50 (152 000 pixels a side)
// with its zones, the top pane scrolled to that corner.
struct FarCorner {
    Fixture f;
    QScrollBar *h = nullptr;
    QScrollBar *v = nullptr;
    FarCorner()
    {
        const int kod = f.addProject("Площадка 2 км", 50, 1880);
        ProjectWindow &w = *f.window;
        w.document()->openProject(kod);
        w.document()->runPodbor();
        w.refreshNow();
        h = w.topPane()->horizontalScrollBar();
        v = w.topPane()->verticalScrollBar();
        toCorner();
    }
    void toCorner()
    {
        h->setValue(h->maximum());
        v->setValue(v->maximum());
        QApplication::processEvents();
    }
};

// One wheel step of scrolling there (60 pixels left and up, diagonally through the zones and
// the block): the pane repaints what came into sight, drawing the tiles that are new.
void BM_ScrollFarCorner(benchmark::State &state)
{
    FarCorner c;
    if (c.h->maximum() < 145000 || !c.f.window->document()->zoneSuffix())
        state.SkipWithError("the site is not 2 km wide at 1:50 with zones");
    for (auto _ : state) {
        if (c.h->value() < c.h->maximum() - 12000) {
            state.PauseTiming();
            c.toCorner();
            state.ResumeTiming();
        }
        c.h->setValue(c.h->value() - 60);
        c.v->setValue(c.v->value() - 60);
        QApplication::processEvents();
    }
    state.counters["tiles"] = static_cast<double>(c.f.window->topView()->tileCount());
}
BENCHMARK(BM_ScrollFarCorner)->Unit(benchmark::kMillisecond);

// A change while the far corner is shown: the views rebuilt and every tile on screen drawn anew.
void BM_RedrawFarCorner(benchmark::State &state)
{
    FarCorner c;
    for (auto _ : state) {
        c.f.window->redrawViews();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_RedrawFarCorner)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The 3D window over the fixture's project after its selection, at the window's usual size.
struct View3DFixture {
    static bool select(Fixture &fx)
    {
        fx.window->document()->runPodbor();
        fx.window->refreshNow();
        return true;
    }
    Fixture f;
    bool selected = select(f);
    View3DWindow view{*f.window->document()};
    View3DFixture() { view.resize(960, 700); }
};

// The 3D view's scene of the project with its zones: objects checked against the zones, boxes,
// the conductor and the zone solids (what every document change costs the open 3D view).
void BM_View3DBuild100(benchmark::State &state)
{
    View3DFixture v;
    View3DWindow &view = v.view;
    for (auto _ : state)
        view.rebuild();
    state.counters["faces"] = double(view.canvas()->scene().faces.size());
}
BENCHMARK(BM_View3DBuild100)->Unit(benchmark::kMillisecond);

// The same with the rolling sphere's envelope shown, built afresh every time (the level
// alternates between IV and III, the largest spheres, so the kept envelope never serves).
void BM_View3DBuild100Sphere(benchmark::State &state)
{
    View3DFixture v;
    View3DWindow &view = v.view;
    SphereOverlay sphere;
    sphere.shown = true;
    int n = 0;
    for (auto _ : state) {
        sphere.R = ++n % 2 ? 60 : 45;
        view.setSphere(sphere);
        view.rebuild();
    }
    state.counters["faces"] = double(view.canvas()->scene().faces.size());
    state.counters["sphereFaces"] = double(view.canvas()->scene().sphereFaces);
}
BENCHMARK(BM_View3DBuild100Sphere)->Unit(benchmark::kMillisecond);

// One software picture of that scene at the window's size (saving, the report's picture).
void BM_View3DRender100(benchmark::State &state)
{
    View3DFixture v;
    View3DWindow &view = v.view;
    for (auto _ : state)
        benchmark::DoNotOptimize(view.canvas()->picture());
}
BENCHMARK(BM_View3DRender100)->Unit(benchmark::kMillisecond);

// The same picture with the largest sphere's envelope shown.
void BM_View3DRender100Sphere(benchmark::State &state)
{
    View3DFixture v;
    View3DWindow &view = v.view;
    SphereOverlay sphere;
    sphere.shown = true;
    sphere.R = 60;
    view.setSphere(sphere);
    view.rebuild();
    for (auto _ : state)
        benchmark::DoNotOptimize(view.canvas()->picture());
}
BENCHMARK(BM_View3DRender100Sphere)->Unit(benchmark::kMillisecond);
