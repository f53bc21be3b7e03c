// The complex placement search on a double rod: ranges for both supports of 30 × 30 candidate
// points each and ten objects. The fast engine and the reference scan must give the same result.

#include "calc/placementsearch.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace kv;

namespace {

PlacementModel model()
{
    PlacementModel m;
    m.kind = PlacementKind::DoubleRod;
    for (int k = 0; k < 10; ++k) {
        ObjGeom o;
        o.Xa = 20 + 6.5 * (k % 5);
        o.Ya = 20 + 9.0 * (k / 5);
        o.L = 4 + k % 3;
        o.S = 3 + k % 4;
        o.Hx = 5 + 1.5 * k;
        o.zone = k % 2 ? Zone::A : Zone::B;
        m.objects.push_back(o);
    }
    return m;
}

PlacementRange range(double x1, double y1)
{
    PlacementRange r;
    r.X1 = x1;
    r.X2 = x1 + 14.5;
    r.DX = 0.5;
    r.Y1 = y1;
    r.Y2 = y1 + 14.5;
    r.DY = 0.5;
    return r;
}

const std::vector<PlacementRange> &ranges1()
{
    static const std::vector<PlacementRange> r = {range(0, 10)};
    return r;
}
const std::vector<PlacementRange> &ranges2()
{
    static const std::vector<PlacementRange> r = {range(55, 20)};
    return r;
}

SearchOutcome runOnce(Engine e)
{
    SearchFeedback fb;
    return searchComplex(model(), ranges1(), ranges2(), {}, {}, fb, e);
}

const SearchOutcome &referenceOutcome()
{
    static const SearchOutcome out = runOnce(Engine::Reference);
    return out;
}

void BM_Complex(benchmark::State &state, Engine e)
{
    const PlacementModel m = model();
    SearchOutcome out;
    for (auto _ : state) {
        SearchFeedback fb;
        out = searchComplex(m, ranges1(), ranges2(), {}, {}, fb, e);
        benchmark::DoNotOptimize(out.H);
    }
    const SearchOutcome &ref = e == Engine::Reference ? out : referenceOutcome();
    if (out.H != ref.H || out.p1.x != ref.p1.x || out.p1.y != ref.p1.y || out.p2.x != ref.p2.x
        || out.p2.y != ref.p2.y || out.best != ref.best)
        state.SkipWithError("the fast engine disagrees with the reference scan");
    state.counters["pairs_per_s"] = benchmark::Counter(
        static_cast<double>(out.progressTotal), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["H"] = out.H;
}

} // namespace

BENCHMARK_CAPTURE(BM_Complex, reference, Engine::Reference)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Complex, fast, Engine::Fast)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK_MAIN();
