// Render time of the zone pictures and of the zone overlay for a project of 100 objects, and
// the DXF drawings of a project of 1 000 to 32 000 objects (the time must grow linearly).

#include "plan/zonedxf.h"
#include "plan/zoneoverlay.h"
#include "plan/zonepictures.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace kv;

namespace {

ProjectSnapshot hundredObjects(const char *tip, int count = 100)
{
    ProjectSnapshot p;
    p.project.TipMO = tip;
    p.project.IScale = 500;
    p.project.ZonaACnt = 50;
    p.project.ZonaBCnt = 50;
    for (double x : {40.0, 80.0}) {
        ConductorRec c;
        c.MX = x;
        c.MY = 60;
        c.H = 30;
        c.Hop = 33;
        c.Ho_a = 25.5;
        c.Ro_a = 30;
        c.Hc_a = 20;
        c.Rc_a = 18;
        c.Ho_b = 28.5;
        c.Ro_b = 36;
        c.Hc_b = 24;
        c.Rc_b = 26;
        p.conductors.push_back(c);
        if (std::string(tip) == kTipSingleRod)
            break;
    }
    for (int i = 0; i < count; ++i) {
        ObjectRec o;
        o.Kod = i + 1;
        o.MXa = 10 + (i % 10) * 10;
        o.MYa = 20 + (i / 10 % 10) * 8;
        o.L = 4;
        o.S = 3;
        o.Hx = 3 + i % 7;
        o.ObjColor = 0x00A000 + i * 97;
        o.SLabel = std::to_string(i + 1);
        o.ShapeName = "Shape" + std::to_string(i + 1);
        o.Zona = i % 2 ? kZoneA : kZoneB;
        o.Rx = 10 + i % 13;
        o.Rcx = 5 + i % 5;
        p.objects.push_back(o);
    }
    return p;
}

void renderPictures(benchmark::State &state, const char *tip)
{
    const ProjectSnapshot p = hundredObjects(tip);
    PlanViewModel m;
    m.ShowProjectShapes(p);
    for (auto _ : state) {
        ZonePictures z = RenderZonePictures(p, m, "");
        benchmark::DoNotOptimize(z.top.constBits());
    }
}

void renderOverlay(benchmark::State &state, const char *tip)
{
    const ProjectSnapshot p = hundredObjects(tip);
    PlanViewModel m;
    m.ShowProjectShapes(p);
    ViewBitmaps v;
    v.topSize = QSize(1200, 800);
    for (auto _ : state) {
        DrawZones(v, m, p, "");
        benchmark::DoNotOptimize(v.top.constBits());
    }
}

// Both drawings of the design zone; the items processed are objects, so the rate stays flat
// while the work is linear.
void BM_ZoneDxf(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    const ProjectSnapshot p = hundredObjects(kTipSingleRod, count);
    PlanViewModel m;
    m.ShowProjectShapes(p);
    for (auto _ : state) {
        ZoneDxf d = zoneDxf(p, m.settings(), "", m.frontImageHeight());
        benchmark::DoNotOptimize(d.top.data());
        state.counters["MB"] = static_cast<double>(d.top.size() + d.front.size()) / (1 << 20);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_PicturesSingleRod(benchmark::State &s) { renderPictures(s, kTipSingleRod); }
void BM_PicturesCatenary(benchmark::State &s) { renderPictures(s, kTipCable); }
void BM_PicturesDoubleRod(benchmark::State &s) { renderPictures(s, kTipDoubleRod); }
void BM_OverlaySingleRod(benchmark::State &s) { renderOverlay(s, kTipSingleRod); }
void BM_OverlayDoubleRod(benchmark::State &s) { renderOverlay(s, kTipDoubleRod); }

} // namespace

BENCHMARK(BM_PicturesSingleRod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PicturesCatenary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PicturesDoubleRod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverlaySingleRod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverlayDoubleRod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoneDxf)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
