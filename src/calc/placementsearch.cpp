#include "calc/placementsearch.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <thread>

#include "calc/numfmt.h"

namespace kv {

bool StopAfterFeedback::stopRequested()
{
    const std::int64_t t = m_tests.fetch_add(1) + 1;
    if (m_n > 0 && t >= m_n)
        requestStop();
    return SearchFeedback::stopRequested();
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Who moves: the rod alone, one support against the other's fixed position, or both supports
// (outer loop over support 1, inner over support 2).
enum class Role { Single, MoveFirst, MoveSecond, Both };

struct Job {
    const PlacementModel *model = nullptr;
    Role role = Role::Single;
    const RangeGrid *outer = nullptr; // Both only
    const RangeGrid *inner = nullptr;
    Pt fixed;

    std::int64_t outerCount() const { return role == Role::Both ? outer->size() : 1; }
    bool outerOk(std::int64_t o) const { return role != Role::Both || outer->admissibleAt(o); }
    void points(std::int64_t o, std::int64_t i, Pt &p1, Pt &p2) const
    {
        const Pt p = inner->point(i);
        switch (role) {
        case Role::Single: p1 = p; p2 = p; break;
        case Role::MoveFirst: p1 = p; p2 = fixed; break;
        case Role::MoveSecond: p1 = fixed; p2 = p; break;
        case Role::Both: p1 = outer->point(o); p2 = p; break;
        }
    }
};

struct ScanResult {
    bool stopped = false;
    bool found = false;
    double H = 0;
    Pt p1, p2;
};

// The candidates in order; a candidate replaces the best only when strictly lower, so the first
// visited wins ties. A position at which some object is out of reach never becomes the best.
ScanResult scanReference(const Job &job, SearchFeedback &fb)
{
    ScanResult r;
    const std::int64_t no = job.outerCount(), ni = job.inner->size();
    for (std::int64_t o = 0; o < no; ++o) {
        if (!job.outerOk(o)) {
            fb.addProgress(ni);
            continue;
        }
        for (std::int64_t i = 0; i < ni; ++i) {
            if (job.inner->admissibleAt(i)) {
                Pt p1, p2;
                job.points(o, i, p1, p2);
                const double h = requiredHeight(*job.model, p1, p2);
                if (h < kUnreachable && (!r.found || h < r.H)) {
                    r.found = true;
                    r.H = h;
                    r.p1 = p1;
                    r.p2 = p2;
                }
            }
            if (fb.stopRequested()) {
                r.stopped = true;
                return r;
            }
            fb.addProgress(1);
        }
    }
    return r;
}

unsigned workerCount()
{
    const unsigned hc = std::thread::hardware_concurrency();
    return std::clamp(hc, 1u, 8u);
}

// Runs body(threadIndex) on the workers (the calling thread is one of them).
template <typename Body>
void runWorkers(unsigned n, Body &&body)
{
    if (n <= 1) {
        body(0u);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(n - 1);
    for (unsigned t = 1; t < n; ++t)
        threads.emplace_back([&body, t] { body(t); });
    body(0u);
    for (auto &th : threads)
        th.join();
}

// Longest stretch of one column of candidates ruled out by one lower bound.
constexpr std::int64_t kStretch = 16;

struct BlockBest {
    bool found = false;
    double H = 0;
    std::int64_t k = 0; // linear candidate index
};

void atomicMin(std::atomic<double> &a, double v)
{
    double cur = a.load(std::memory_order_relaxed);
    while (v < cur && !a.compare_exchange_weak(cur, v, std::memory_order_relaxed)) {
    }
}

// A good height to start from, so that the lower bounds rule candidates out from the first
// block on: the best of an even sample of the candidates, improved by stepping to the neighbour
// points of either support while that lowers the height. It is the height of a candidate the
// scan will visit, so only candidates strictly above it can be ruled out by it.
double seedBest(const Job &job, const std::vector<std::int64_t> &outerIdx)
{
    const RangeGrid &in = *job.inner;
    const std::int64_t ni = in.size(), total = static_cast<std::int64_t>(outerIdx.size()) * ni;
    constexpr std::int64_t kSamples = 256;
    if (total < 64 * kSamples)
        return kUnreachable;
    auto rate = [&](std::int64_t o, std::int64_t i) {
        if (!in.admissibleAt(i) || !job.outerOk(o))
            return kUnreachable;
        Pt p1, p2;
        job.points(o, i, p1, p2);
        return requiredHeight(*job.model, p1, p2);
    };
    double best = kUnreachable;
    std::int64_t bo = 0, bi = 0;
    for (std::int64_t s = 0; s < kSamples; ++s) {
        const std::int64_t k = s * (total / kSamples) + total / (2 * kSamples);
        const std::int64_t o = outerIdx[static_cast<std::size_t>(k / ni)], i = k % ni;
        const double h = rate(o, i);
        if (h < best) {
            best = h;
            bo = o;
            bi = i;
        }
    }
    if (best == kUnreachable)
        return best;
    // Neighbours on the grid of either support (x ± 1, y ± 1 steps).
    auto step = [](const RangeGrid &g, std::int64_t k, int d, std::int64_t &out) {
        const std::int64_t ny = g.ny(), ix = k / ny, iy = k % ny;
        const std::int64_t jx = ix + (d == 0) - (d == 1), jy = iy + (d == 2) - (d == 3);
        if (jx < 0 || jy < 0 || jx >= g.nx() || jy >= ny)
            return false;
        out = jx * ny + jy;
        return true;
    };
    for (int round = 0; round < 200; ++round) {
        bool improved = false;
        for (int d = 0; d < 8; ++d) {
            std::int64_t o = bo, i = bi;
            if (d < 4 ? !step(in, bi, d, i)
                      : job.role != Role::Both || !step(*job.outer, bo, d - 4, o))
                continue;
            const double h = rate(o, i);
            if (h < best) {
                best = h;
                bo = o;
                bi = i;
                improved = true;
            }
        }
        if (!improved)
            break;
    }
    return best;
}

// The candidates (admissible outer points × all inner points) are cut into blocks that the
// workers take in increasing order. A worker ends a candidate early when it cannot beat its own
// best (which always comes from an earlier candidate) or is strictly above the best any worker
// has seen; the block winners are then merged in block order, so the first visited minimum wins
// exactly as in the reference scan.
ScanResult scanFast(const Job &job, SearchFeedback &fb)
{
    ScanResult r;
    const std::int64_t no = job.outerCount(), ni = job.inner->size();
    std::vector<std::int64_t> outerIdx;
    outerIdx.reserve(static_cast<std::size_t>(no));
    std::int64_t skipped = 0;
    for (std::int64_t o = 0; o < no; ++o) {
        if (job.outerOk(o))
            outerIdx.push_back(o);
        else
            skipped += ni;
    }
    fb.addProgress(skipped);
    const std::int64_t total = static_cast<std::int64_t>(outerIdx.size()) * ni;
    if (total == 0)
        return r;

    const std::int64_t blockSize = std::clamp<std::int64_t>(total / 4096, 64, 65536);
    const std::int64_t nBlocks = (total + blockSize - 1) / blockSize;
    std::vector<BlockBest> blocks(static_cast<std::size_t>(nBlocks));
    std::atomic<std::int64_t> nextBlock{0};
    std::atomic<bool> stop{false};
    std::atomic<double> globalBest{kUnreachable};
    const unsigned nThreads =
        total < 2 * blockSize ? 1u : std::min<unsigned>(workerCount(), static_cast<unsigned>(nBlocks));
    const int nObj = static_cast<int>(job.model->objects.size());

    const RangeGrid &inner = *job.inner;
    const std::int64_t ny = inner.ny();
    globalBest.store(seedBest(job, outerIdx), std::memory_order_relaxed);
    // Candidates ruled out by the lower bound of their position are passed over a column
    // stretch at a time; a stretch the bound cannot rule out is looked at point by point. The
    // per-point bound pays only where the exact height is dear (two supports).
    const bool pointBound = job.model->kind != PlacementKind::SingleRod;
    runWorkers(nThreads, [&](unsigned) {
        EvalScratch scratch(static_cast<std::size_t>(nObj));
        bool ownFound = false;
        double ownBest = kUnreachable;
        // The best this worker may still accept: below its own best (an earlier candidate) and
        // not above the best any worker has seen.
        auto currentBound = [&] {
            const double g = globalBest.load(std::memory_order_relaxed);
            double bound = ownFound ? ownBest : kUnreachable;
            if (g < kUnreachable)
                bound = std::min(bound, std::nextafter(g, kUnreachable));
            return bound;
        };
        for (;;) {
            const std::int64_t b = nextBlock.fetch_add(1, std::memory_order_relaxed);
            if (b >= nBlocks || stop.load(std::memory_order_relaxed))
                return;
            const std::int64_t lo = b * blockSize, hi = std::min(total, lo + blockSize);
            BlockBest &bb = blocks[static_cast<std::size_t>(b)];
            std::int64_t doneHere = 0;
            std::int64_t stretchEnd = lo; // candidates before it were not ruled out as a stretch
            auto stopTest = [&] {
                if (stop.load(std::memory_order_relaxed) || fb.stopRequested()) {
                    stop.store(true, std::memory_order_relaxed);
                    fb.addProgress(doneHere);
                    return true;
                }
                ++doneHere;
                return false;
            };
            for (std::int64_t k = lo; k < hi;) {
                const std::int64_t o = outerIdx[static_cast<std::size_t>(k / ni)];
                const std::int64_t i = k % ni;
                const Pt fixed = job.role == Role::Both ? job.outer->point(o) : job.fixed;
                double bound = currentBound();
                if (k >= stretchEnd && bound < kUnreachable) {
                    const std::int64_t len =
                        std::min({(i / ny + 1) * ny - i, hi - k, kStretch});
                    const double x = inner.xs[static_cast<std::size_t>(i / ny)];
                    const Box box{x, inner.ys[static_cast<std::size_t>(i % ny)], x,
                                  inner.ys[static_cast<std::size_t>((i + len - 1) % ny)]};
                    stretchEnd = k + len;
                    if (heightLowerBound(*job.model, fixed, box, bound,
                                         scratch.boundOrder.data()) >= bound) {
                        for (std::int64_t n = 0; n < len; ++n)
                            if (stopTest())
                                return;
                        k += len;
                        continue;
                    }
                }
                if (inner.admissibleAt(i)) {
                    Pt p1, p2;
                    job.points(o, i, p1, p2);
                    const Pt moving = inner.point(i);
                    if (!pointBound || bound == kUnreachable ||
                        heightLowerBound(*job.model, fixed,
                                         Box{moving.x, moving.y, moving.x, moving.y}, bound,
                                         scratch.boundOrder.data()) < bound) {
                        const double h =
                            requiredHeightBounded(*job.model, p1, p2, bound, scratch);
                        if (h < bound) { // exact, and strictly below everything seen so far
                            bb.found = true;
                            bb.H = h;
                            bb.k = k;
                            ownFound = true;
                            ownBest = h;
                            atomicMin(globalBest, h);
                        }
                    }
                }
                if (stopTest())
                    return;
                ++k;
            }
            fb.addProgress(doneHere);
        }
    });

    if (stop.load()) {
        r.stopped = true;
        return r;
    }
    for (const BlockBest &bb : blocks) {
        if (bb.found && (!r.found || bb.H < r.H)) {
            r.found = true;
            r.H = bb.H;
            job.points(outerIdx[static_cast<std::size_t>(bb.k / ni)], bb.k % ni, r.p1, r.p2);
        }
    }
    return r;
}

ScanResult scan(const Job &job, SearchFeedback &fb, Engine engine)
{
    return engine == Engine::Reference ? scanReference(job, fb) : scanFast(job, fb);
}

std::int64_t pointCount(const PlacementRange &r)
{
    return axisCount(r.X1, r.X2, r.DX) * axisCount(r.Y1, r.Y2, r.DY);
}

RangeOutcome rowOf(const ScanResult &s)
{
    RangeOutcome row;
    row.done = true;
    row.found = s.found;
    if (s.found) {
        row.H = s.H;
        row.p1 = s.p1;
        row.p2 = s.p2;
    }
    return row;
}

// The variant's result: the first row with the strictly lowest height; rows without a position
// of their own take no part.
void pickBest(SearchOutcome &out)
{
    for (std::size_t k = 0; k < out.rows.size(); ++k) {
        const RangeOutcome &row = out.rows[k];
        if (row.done && row.found && (!out.found || row.H < out.H)) {
            out.found = true;
            out.H = row.H;
            out.p1 = row.p1;
            out.p2 = row.p2;
            out.best = static_cast<int>(k);
        }
    }
}

std::string tooMany(const std::string &what, double n, double limit)
{
    return "Ошибка. Слишком большой объем перебора: " + what + " " + formatGeneral(n)
           + ", допускается не более " + formatGeneral(limit)
           + ". Увеличьте шаги или уменьшите диапазоны размещения.";
}

} // namespace

std::string placementTooLarge(const std::vector<PlacementRange> &ranges1,
                              const std::vector<PlacementRange> &ranges2)
{
    double sum1 = 0, sum2 = 0;
    for (const auto *list : {&ranges1, &ranges2}) {
        for (const PlacementRange &r : *list) {
            const double nx = axisCountEstimate(r.X1, r.X2, r.DX);
            const double ny = axisCountEstimate(r.Y1, r.Y2, r.DY);
            const double axis = std::max(nx, ny);
            if (axis > limits::kMaxAxisValues)
                return tooMany("значений по одной оси диапазона", axis, limits::kMaxAxisValues);
            if (nx * ny > limits::kMaxRangePoints)
                return tooMany("точек одного диапазона", nx * ny, limits::kMaxRangePoints);
            (list == &ranges1 ? sum1 : sum2) += nx * ny;
        }
    }
    if (!ranges1.empty() && !ranges2.empty()) {
        // Every range of one support meets every range of the other.
        const double pairs = sum1 * sum2;
        if (pairs > limits::kMaxPlacementCandidates)
            return tooMany("пар положений опор", pairs, limits::kMaxPlacementCandidates);
    } else if (sum1 + sum2 > limits::kMaxPlacementCandidates) {
        return tooMany("положений", sum1 + sum2, limits::kMaxPlacementCandidates);
    }
    return {};
}

SearchOutcome searchSingleRod(const PlacementModel &m, const std::vector<PlacementRange> &ranges,
                              SearchFeedback &fb, Engine engine, const RowCallback &onRow)
{
    SearchOutcome out;
    out.refused = placementTooLarge(ranges);
    if (!out.refused.empty())
        return out;
    out.rows.resize(ranges.size());
    for (const PlacementRange &r : ranges)
        out.progressTotal += pointCount(r);
    fb.setProgress(0);
    fb.setProgressMaximum(out.progressTotal);
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        const RangeGrid grid = makeGrid(ranges[k]);
        Job job;
        job.model = &m;
        job.role = Role::Single;
        job.inner = &grid;
        const ScanResult s = scan(job, fb, engine);
        if (s.stopped) {
            out.stopped = true;
            fb.setProgress(0);
            return out;
        }
        out.rows[k] = rowOf(s);
        if (onRow)
            onRow(static_cast<int>(k), out.rows[k]);
    }
    pickBest(out);
    fb.setProgress(0);
    return out;
}

SearchOutcome searchComplex(const PlacementModel &m, const std::vector<PlacementRange> &ranges1,
                            const std::vector<PlacementRange> &ranges2, Pt fixed1, Pt fixed2,
                            SearchFeedback &fb, Engine engine, const RowCallback &onRow)
{
    SearchOutcome out;
    out.refused = placementTooLarge(ranges1, ranges2);
    if (!out.refused.empty())
        return out;
    const bool both = !ranges1.empty() && !ranges2.empty();
    if (both) {
        for (const PlacementRange &a : ranges1)
            for (const PlacementRange &b : ranges2)
                out.progressTotal += pointCount(a) * pointCount(b);
    } else {
        for (const PlacementRange &r : ranges1.empty() ? ranges2 : ranges1)
            out.progressTotal += pointCount(r);
    }
    fb.setProgress(0);
    fb.setProgressMaximum(out.progressTotal);

    auto finish = [&](RangeOutcome row) {
        out.rows.push_back(row);
        if (onRow)
            onRow(static_cast<int>(out.rows.size()) - 1, out.rows.back());
    };

    if (both) {
        std::vector<RangeGrid> grids2;
        grids2.reserve(ranges2.size());
        for (const PlacementRange &b : ranges2)
            grids2.push_back(makeGrid(b));
        for (std::size_t a = 0; a < ranges1.size(); ++a) {
            const RangeGrid g1 = makeGrid(ranges1[a]);
            for (std::size_t b = 0; b < ranges2.size(); ++b) {
                Job job;
                job.model = &m;
                job.role = Role::Both;
                job.outer = &g1;
                job.inner = &grids2[b];
                const ScanResult s = scan(job, fb, engine);
                if (s.stopped) {
                    out.stopped = true;
                    fb.setProgress(0);
                    return out;
                }
                RangeOutcome row = rowOf(s);
                row.range1 = static_cast<int>(a);
                row.range2 = static_cast<int>(b);
                finish(row);
            }
        }
    } else if (!ranges1.empty() || !ranges2.empty()) {
        const bool first = !ranges1.empty();
        const std::vector<PlacementRange> &ranges = first ? ranges1 : ranges2;
        for (std::size_t k = 0; k < ranges.size(); ++k) {
            const RangeGrid grid = makeGrid(ranges[k]);
            Job job;
            job.model = &m;
            job.role = first ? Role::MoveFirst : Role::MoveSecond;
            job.inner = &grid;
            job.fixed = first ? fixed2 : fixed1;
            const ScanResult s = scan(job, fb, engine);
            if (s.stopped) {
                out.stopped = true;
                fb.setProgress(0);
                return out;
            }
            RangeOutcome row = rowOf(s);
            // The fixed support keeps its position in the row even when the range has no point.
            if (first) {
                row.range1 = static_cast<int>(k);
                row.p2 = fixed2;
            } else {
                row.range2 = static_cast<int>(k);
                row.p1 = fixed1;
            }
            finish(row);
        }
    }
    pickBest(out);
    fb.setProgress(0);
    return out;
}

// ---- Height tables ---------------------------------------------------------------------------

std::string heightTableTooLarge(double cols, double rows)
{
    const double cells = cols * rows;
    if (cells <= static_cast<double>(kMaxTableCells))
        return {};
    return "Ошибка. Таблица высот слишком велика: " + formatGeneral(cols) + " столбцов на " +
           formatGeneral(rows) + " строк (" + formatGeneral(cells) +
           " ячеек). Допускается не более " + formatGeneral(static_cast<double>(kMaxTableCells)) +
           " ячеек. Увеличьте шаги или уменьшите диапазон размещения.";
}

namespace {

// The number of values of an axis: exact when walking it is cheap, the estimate otherwise.
double axisSize(double lo, double hi, double step)
{
    const double est = axisCountEstimate(lo, hi, step);
    return est > 1e8 ? est : static_cast<double>(axisCount(lo, hi, step));
}

// Fills cells (outer-major: cell o * ni + i) for every admissible outer point; stop tests and
// progress as in the search. The fast variant spreads the cells over the workers.
bool fillCells(const Job &job, SearchFeedback &fb, Engine engine, std::vector<double> &cells)
{
    const std::int64_t no = job.outerCount(), ni = job.inner->size();
    cells.assign(static_cast<std::size_t>(no * ni), kNaN);
    auto rate = [&](std::int64_t o, std::int64_t i) {
        if (!job.inner->admissibleAt(i))
            return;
        Pt p1, p2;
        job.points(o, i, p1, p2);
        const double h = requiredHeight(*job.model, p1, p2);
        if (h < kUnreachable)
            cells[static_cast<std::size_t>(o * ni + i)] = h;
    };
    if (engine == Engine::Reference) {
        for (std::int64_t o = 0; o < no; ++o) {
            if (!job.outerOk(o)) {
                fb.addProgress(ni);
                continue;
            }
            for (std::int64_t i = 0; i < ni; ++i) {
                rate(o, i);
                if (fb.stopRequested())
                    return false;
                fb.addProgress(1);
            }
        }
        return true;
    }
    std::vector<std::int64_t> outerIdx;
    for (std::int64_t o = 0; o < no; ++o) {
        if (job.outerOk(o))
            outerIdx.push_back(o);
        else
            fb.addProgress(ni);
    }
    const std::int64_t total = static_cast<std::int64_t>(outerIdx.size()) * ni;
    if (total == 0)
        return true;
    const std::int64_t blockSize = 256;
    const std::int64_t nBlocks = (total + blockSize - 1) / blockSize;
    std::atomic<std::int64_t> nextBlock{0};
    std::atomic<bool> stop{false};
    const unsigned nThreads = nBlocks < 2 ? 1u : std::min<unsigned>(workerCount(), 8u);
    runWorkers(nThreads, [&](unsigned) {
        for (;;) {
            const std::int64_t b = nextBlock.fetch_add(1, std::memory_order_relaxed);
            if (b >= nBlocks || stop.load(std::memory_order_relaxed))
                return;
            const std::int64_t lo = b * blockSize, hi = std::min(total, lo + blockSize);
            std::int64_t doneHere = 0;
            for (std::int64_t k = lo; k < hi; ++k) {
                rate(outerIdx[static_cast<std::size_t>(k / ni)], k % ni);
                if (stop.load(std::memory_order_relaxed) || fb.stopRequested()) {
                    stop.store(true, std::memory_order_relaxed);
                    fb.addProgress(doneHere);
                    return;
                }
                ++doneHere;
            }
            fb.addProgress(doneHere);
        }
    });
    return !stop.load();
}

// Hmin (first minimum in visiting order), Hmax and the minimum's cell.
void summarize(HeightTable &t, std::int64_t no, std::int64_t ni,
               const std::function<void(std::int64_t, std::int64_t, int &, int &)> &cellOf,
               const std::vector<double> &raw)
{
    for (std::int64_t o = 0; o < no; ++o) {
        for (std::int64_t i = 0; i < ni; ++i) {
            const double h = raw[static_cast<std::size_t>(o * ni + i)];
            if (std::isnan(h))
                continue;
            if (!t.found || h < t.Hmin) {
                t.found = true;
                t.Hmin = h;
                cellOf(o, i, t.minCol, t.minRow);
            }
            if (t.Hmax < h)
                t.Hmax = h;
        }
    }
}

TableOutcome oneRangeTable(const PlacementModel &m, const PlacementRange &range, Role role,
                           Pt fixed, TableMode mode, SearchFeedback &fb, Engine engine)
{
    TableOutcome out;
    out.refused = heightTableTooLarge(axisSize(range.X1, range.X2, range.DX) + 1,
                                      axisSize(range.Y1, range.Y2, range.DY) + 1);
    if (!out.refused.empty())
        return out;
    const RangeGrid grid = makeGrid(range);
    HeightTable &t = out.table;
    t.mode = mode;
    t.xs = grid.xs;
    t.ys = grid.ys;
    t.dataCols = grid.nx();
    t.dataRows = grid.ny();
    fb.setProgress(0);
    fb.setProgressMaximum(grid.size());
    Job job;
    job.model = &m;
    job.role = role;
    job.inner = &grid;
    job.fixed = fixed;
    std::vector<double> raw;
    if (!fillCells(job, fb, engine, raw)) {
        out.stopped = true;
        out.table = HeightTable{};
        fb.setProgress(0);
        return out;
    }
    // Inner index k = i·ny + j is already column-major (column i, row j).
    t.cells = std::move(raw);
    const std::int64_t ny = grid.ny();
    summarize(t, 1, grid.size(),
              [ny](std::int64_t, std::int64_t k, int &c, int &r) {
                  c = static_cast<int>(k / ny) + 1;
                  r = static_cast<int>(k % ny) + 1;
              },
              t.cells);
    fb.setProgress(0);
    return out;
}

} // namespace

TableOutcome heightTableSingleRod(const PlacementModel &m, const PlacementRange &range,
                                  SearchFeedback &fb, Engine engine)
{
    return oneRangeTable(m, range, Role::Single, Pt{}, TableMode::SingleRod, fb, engine);
}

TableOutcome heightTableComplex(const PlacementModel &m, const PlacementRange *range1,
                                const PlacementRange *range2, Pt fixed1, Pt fixed2,
                                SearchFeedback &fb, Engine engine)
{
    if (range1 && !range2)
        return oneRangeTable(m, *range1, Role::MoveFirst, fixed2, TableMode::Support1, fb, engine);
    if (range2 && !range1)
        return oneRangeTable(m, *range2, Role::MoveSecond, fixed1, TableMode::Support2, fb,
                             engine);
    TableOutcome out;
    if (!range1 || !range2)
        return out;
    const double c = axisSize(range1->X1, range1->X2, range1->DX) *
                     axisSize(range1->Y1, range1->Y2, range1->DY);
    const double r = axisSize(range2->X1, range2->X2, range2->DX) *
                     axisSize(range2->Y1, range2->Y2, range2->DY);
    out.refused = heightTableTooLarge(c + 2, r + 2);
    if (!out.refused.empty())
        return out;
    const RangeGrid g1 = makeGrid(*range1), g2 = makeGrid(*range2);
    HeightTable &t = out.table;
    t.mode = TableMode::Both;
    for (std::int64_t k = 0; k < g1.size(); ++k)
        t.points1.push_back(g1.point(k));
    for (std::int64_t k = 0; k < g2.size(); ++k)
        t.points2.push_back(g2.point(k));
    t.dataCols = g1.size();
    t.dataRows = g2.size();
    fb.setProgress(0);
    fb.setProgressMaximum(g1.size() * g2.size());
    Job job;
    job.model = &m;
    job.role = Role::Both;
    job.outer = &g1;
    job.inner = &g2;
    std::vector<double> raw;
    if (!fillCells(job, fb, engine, raw)) {
        out.stopped = true;
        out.table = HeightTable{};
        fb.setProgress(0);
        return out;
    }
    t.cells = std::move(raw); // outer-major: column o, row i
    summarize(t, g1.size(), g2.size(),
              [](std::int64_t o, std::int64_t i, int &cc, int &rr) {
                  cc = static_cast<int>(o) + 2;
                  rr = static_cast<int>(i) + 2;
              },
              t.cells);
    fb.setProgress(0);
    return out;
}

} // namespace kv
