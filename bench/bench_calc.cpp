// Approximate selection of whole projects and the per-object height routines that the placement
// search calls for every candidate point.

#include <benchmark/benchmark.h>

#include <random>

#include "calc/multirod.h"
#include "calc/podbor.h"
#include "calc/rollingsphere.h"

using namespace kv;

namespace {

ProjectSnapshot makeProject(const char *tip, int n)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> pos(10, 90), size(1, 15), hx(0, 20), z(0, 1);
    ProjectSnapshot s;
    s.project.TipMO = tip;
    ConductorRec a, b;
    a.MX = 40;
    a.MY = 50;
    b.MX = 70;
    b.MY = 55;
    s.conductors.push_back(a);
    if (std::string(tip) != kTipSingleRod)
        s.conductors.push_back(b);
    int ca = 0, cb = 0;
    for (int i = 0; i < n; ++i) {
        ObjectRec o;
        o.Name = "О" + std::to_string(i);
        o.MXa = pos(rng);
        o.MYa = pos(rng);
        o.L = size(rng);
        o.S = size(rng);
        o.Hx = hx(rng);
        const bool zoneA = z(rng) < 0.5;
        o.Zona = zoneA ? kZoneA : kZoneB;
        (zoneA ? ca : cb)++;
        s.objects.push_back(o);
    }
    s.project.ZonaACnt = ca;
    s.project.ZonaBCnt = cb;
    return s;
}

SettingsRec settings()
{
    SettingsRec st;
    st.A1 = 1;
    st.A2 = 2;
    st.A3 = 4;
    st.B1 = 1;
    st.B2 = 6;
    return st;
}

void autoPodbor(benchmark::State &state, const char *tip)
{
    const ProjectSnapshot base = makeProject(tip, static_cast<int>(state.range(0)));
    const SettingsRec st = settings();
    const std::vector<SagRow> sag{{0.0, 1000.0, 1.0}};
    for (auto _ : state) {
        ProjectSnapshot s = base;
        CalcMessages m;
        benchmark::DoNotOptimize(AutoPodbor(s, st, sag, m));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AutoPodborRod(benchmark::State &s) { autoPodbor(s, kTipSingleRod); }
void BM_AutoPodborCable(benchmark::State &s) { autoPodbor(s, kTipCable); }
void BM_AutoPodborDoubleRod(benchmark::State &s) { autoPodbor(s, kTipDoubleRod); }
BENCHMARK(BM_AutoPodborRod)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_AutoPodborCable)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_AutoPodborDoubleRod)->Arg(10)->Arg(100)->Arg(1000);

// Eight rods around and inside a 10 ha site and 100 objects among them: every pair, every
// triangle holding an object, the modes' rounds. Target: under 50 ms.
void BM_MultiRodSelect(benchmark::State &state)
{
    ProjectSnapshot base = makeProject(kTipDoubleRod, 100);
    base.project.TipMO = kTipMultiRod;
    base.conductors.clear();
    for (Pt p : {Pt{5, 5}, Pt{50, 0}, Pt{95, 5}, Pt{100, 50}, Pt{95, 95}, Pt{50, 100},
                 Pt{5, 95}, Pt{45, 55}}) {
        ConductorRec c;
        c.MX = p.x;
        c.MY = p.y;
        base.conductors.push_back(c);
    }
    const SettingsRec st = settings();
    for (auto _ : state) {
        ProjectSnapshot s = base;
        CalcMessages m;
        benchmark::DoNotOptimize(PodborMultiRod(s, st, m));
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_MultiRodSelect)->Unit(benchmark::kMillisecond);

std::vector<ObjGeom> geoms()
{
    const ProjectSnapshot s = makeProject(kTipSingleRod, 256);
    std::vector<ObjGeom> g;
    for (const ObjectRec &o : s.objects)
        g.push_back(objGeomOf(o));
    return g;
}

void BM_ObjectHeightRod(benchmark::State &state)
{
    const auto g = geoms();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectHeightRod(g[i++ & 255], {40, 50}));
}
void BM_ObjectHeightCable(benchmark::State &state)
{
    const auto g = geoms();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectHeightCable(g[i++ & 255], {40, 50}, {70, 55}));
}
void BM_ObjectHeightDoubleRod(benchmark::State &state)
{
    const auto g = geoms();
    const DoubleRodLimits lim;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectHeightDoubleRod(g[i++ & 255], {40, 50}, {70, 55}, lim));
}
void BM_ObjectHeightTwoRods(benchmark::State &state)
{
    const auto g = geoms();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectHeightTwoRods(g[i++ & 255], {40, 50}, {70, 55}));
}
BENCHMARK(BM_ObjectHeightRod);
BENCHMARK(BM_ObjectHeightCable);
BENCHMARK(BM_ObjectHeightDoubleRod);
BENCHMARK(BM_ObjectHeightTwoRods);

// The rolling-sphere check of 100 objects at the four levels: range 0 a double rod, range 1 a
// catenary (sag 3 m), each at the height its selection gives.
void BM_SphereCheck100(benchmark::State &state)
{
    const bool cable = state.range(0) == 1;
    ProjectSnapshot s = makeProject(cable ? kTipCable : kTipDoubleRod, 100);
    const std::vector<SagRow> sag{{0.0, 1000.0, 3.0}};
    CalcMessages m;
    AutoPodbor(s, settings(), sag, m);
    const SphereTerminations terms = SphereTerminationsOf(s, sag);
    const std::vector<SphereObject> objects = SphereObjectsOf(s);
    for (auto _ : state)
        benchmark::DoNotOptimize(SphereCheck(terms, objects));
    state.SetItemsProcessed(state.iterations() * 100 * kSphereLevelCount);
}
BENCHMARK(BM_SphereCheck100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
