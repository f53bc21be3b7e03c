#pragma once
// The optimal placement searches over in-memory ranges: the best rod position over the ranges of
// a variant, the best support pair over range combinations, and the height tables. Two engines
// give identical results: the sequential reference scan, which visits the candidates exactly in
// order, and the fast engine, which spreads them over the cores, ends a candidate as soon as it
// cannot beat the best so far and merges the parts keeping the first-visited winner.

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "calc/limits.h"
#include "calc/placement.h"

namespace kv {

// Progress and stop of a long computation. The stop test and the progress may be used from
// worker threads. The GUI sets the stop from its "Стоп" button; tests stop at a chosen test.
class SearchFeedback {
public:
    virtual ~SearchFeedback() = default;
    // The stop test made after each candidate. Once it has answered true it keeps doing so.
    virtual bool stopRequested() { return m_stop.load(std::memory_order_relaxed); }
    void requestStop() { m_stop.store(true, std::memory_order_relaxed); }
    void clearStop() { m_stop.store(false, std::memory_order_relaxed); }

    void setProgressMaximum(std::int64_t n) { m_max.store(n, std::memory_order_relaxed); }
    std::int64_t progressMaximum() const { return m_max.load(std::memory_order_relaxed); }
    void setProgress(std::int64_t n) { m_pos.store(n, std::memory_order_relaxed); }
    void addProgress(std::int64_t n) { m_pos.fetch_add(n, std::memory_order_relaxed); }
    std::int64_t progress() const { return m_pos.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_max{0};
    std::atomic<std::int64_t> m_pos{0};
};

// A feedback that answers "stop" at its n-th stop test (n ≥ 1; 0 never stops).
class StopAfterFeedback : public SearchFeedback {
public:
    explicit StopAfterFeedback(std::int64_t n) : m_n(n) {}
    bool stopRequested() override;
    std::int64_t testsMade() const { return m_tests.load(); }

private:
    std::int64_t m_n;
    std::atomic<std::int64_t> m_tests{0};
};

enum class Engine { Reference, Fast };

// The best of one range (single rod) or one combination row (complex conductor).
struct RangeOutcome {
    bool done = false;  // finished; false for the interrupted range and those after it
    bool found = false; // some admissible point could be rated; false: no position of its own
    double H = 0;
    Pt p1, p2;          // rod / support 1, support 2 (complex)
    int range1 = -1;    // complex: index of the support-1 range, -1 when support 1 is fixed
    int range2 = -1;    // complex: index of the support-2 range, -1 when support 2 is fixed
};

struct SearchOutcome {
    std::vector<RangeOutcome> rows; // single rod: one per range; complex: the finished rows
    bool stopped = false;
    bool found = false; // the variant got a result
    double H = 0;
    Pt p1, p2;
    int best = -1; // index into rows of the winner
    std::int64_t progressTotal = 0;
    std::string refused; // non-empty: the search was too large and nothing was computed
};

using RowCallback = std::function<void(int index, const RangeOutcome &row)>;

// The refusal text for a search over these ranges (both lists for support pairs), or empty when
// it may run: sized from the ranges' spans and steps alone, before any grid is built.
std::string placementTooLarge(const std::vector<PlacementRange> &ranges1,
                              const std::vector<PlacementRange> &ranges2 = {});

// Single rod over the ranges of a variant. onRow is called as each range finishes, in order.
SearchOutcome searchSingleRod(const PlacementModel &m, const std::vector<PlacementRange> &ranges,
                              SearchFeedback &fb, Engine engine, const RowCallback &onRow = {});

// Complex conductor. With ranges for both supports every pair of ranges is a combination; with
// ranges for one support the other stands at its fixed position (fixed1 or fixed2).
SearchOutcome searchComplex(const PlacementModel &m, const std::vector<PlacementRange> &ranges1,
                            const std::vector<PlacementRange> &ranges2, Pt fixed1, Pt fixed2,
                            SearchFeedback &fb, Engine engine, const RowCallback &onRow = {});

// ---- Height tables ---------------------------------------------------------------------------

enum class TableMode { SingleRod, Support1, Support2, Both };

// A height table. Single-rod and one-support tables have nx + 1 columns and ny + 1 rows with the
// x values in row 0 and the y values in column 0; the two-support table has one column per
// support-1 point and one row per support-2 point after two header columns and rows.
struct HeightTable {
    TableMode mode = TableMode::SingleRod;
    std::vector<double> xs, ys;           // one-range tables
    std::vector<Pt> points1, points2;     // two-support table: column and row points
    std::int64_t dataCols = 0, dataRows = 0;
    std::vector<double> cells;            // dataCols × dataRows, column-major; NaN = empty
    bool found = false;                   // some cell holds a height
    double Hmin = 0, Hmax = 0;
    int minCol = 0, minRow = 0;           // grid cell of the minimum (header offset included)

    int headerCols() const { return mode == TableMode::Both ? 2 : 1; }
    std::int64_t columnCount() const { return dataCols + headerCols(); }
    std::int64_t rowCount() const { return dataRows + headerCols(); }
    // The data cell c, r (0-based, header excluded); NaN when empty.
    double cell(std::int64_t c, std::int64_t r) const { return cells[c * dataRows + r]; }
};

// Largest table the program builds; a bigger one is refused before any work.
inline constexpr std::int64_t kMaxTableCells = limits::kMaxTableCells;

// The refusal text for a table of the given size, or empty when it may be built.
std::string heightTableTooLarge(double cols, double rows);

struct TableOutcome {
    bool stopped = false;
    std::string refused; // non-empty: the message; nothing was computed
    HeightTable table;
};

// The table over one range of a single rod.
TableOutcome heightTableSingleRod(const PlacementModel &m, const PlacementRange &range,
                                  SearchFeedback &fb, Engine engine);
// The table of a complex conductor: both ranges given (Both), or one range against the fixed
// other support (pass nullptr for the fixed support's range).
TableOutcome heightTableComplex(const PlacementModel &m, const PlacementRange *range1,
                                const PlacementRange *range2, Pt fixed1, Pt fixed2,
                                SearchFeedback &fb, Engine engine);

} // namespace kv
