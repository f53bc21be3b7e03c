// The complex placement search on a double rod: ranges for both supports of 30 × 30 candidate
// points each and ten objects (810 000 pairs). The fast engine and the reference scan must give
// the same result; the fast run reports how many times faster it is than the reference scan of
// the same candidates in this run ("ratio", the target is at least 50) and its pairs per second.

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

struct Timed {
    SearchOutcome out;
    double seconds = 0;
};

Timed runOnce(Engine e)
{
    SearchFeedback fb;
    const auto t0 = std::chrono::steady_clock::now();
    Timed t;
    t.out = searchComplex(model(), ranges1(), ranges2(), {}, {}, fb, e);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return t;
}

// The reference scan, run once per process (it takes about half a minute).
const Timed &reference()
{
    static const Timed t = runOnce(Engine::Reference);
    return t;
}

bool sameResult(const SearchOutcome &a, const SearchOutcome &b)
{
    return a.H == b.H && a.p1.x == b.p1.x && a.p1.y == b.p1.y && a.p2.x == b.p2.x &&
           a.p2.y == b.p2.y && a.best == b.best && a.found == b.found;
}

void BM_ComplexReference(benchmark::State &state)
{
    for (auto _ : state) {
        const Timed &t = reference();
        state.SetIterationTime(t.seconds);
        benchmark::DoNotOptimize(t.out.H);
    }
    state.counters["pairs_per_s"] = reference().out.progressTotal / reference().seconds;
    state.counters["H"] = reference().out.H;
}

void BM_ComplexFast(benchmark::State &state)
{
    const Timed &ref = reference();
    double total = 0;
    int runs = 0;
    SearchOutcome out;
    for (auto _ : state) {
        Timed t = runOnce(Engine::Fast);
        state.SetIterationTime(t.seconds);
        total += t.seconds;
        ++runs;
        out = std::move(t.out);
    }
    if (!sameResult(out, ref.out))
        state.SkipWithError("the fast engine disagrees with the reference scan");
    const double mean = total / runs;
    state.counters["pairs_per_s"] = out.progressTotal / mean;
    state.counters["ratio"] = ref.seconds / mean;
    state.counters["H"] = out.H;
}

} // namespace

BENCHMARK(BM_ComplexReference)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_ComplexFast)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
