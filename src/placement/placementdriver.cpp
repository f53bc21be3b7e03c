#include "placement/placementdriver.h"

#include "calc/numfmt.h"
#include "data/snapshot.h"
#include "data/transaction.h"

#include <cmath>

namespace kv {

namespace {

void setResult(Table &t, const char *fx, const char *fy, const char *fh, bool found, Pt p,
               double h)
{
    if (found) {
        t.setValue(fx, p.x);
        t.setValue(fy, p.y);
        t.setValue(fh, h);
    } else {
        t.setNull(fx);
        t.setNull(fy);
        t.setNull(fh);
    }
}

// Posts the row or, when a rule refuses, drops the pending change so the table is usable again.
void postOrCancel(Table &t)
{
    if (!t.post())
        t.cancel();
}

// Moves to the k-th visible row (0-based); false when there are fewer rows.
bool gotoRow(Table &t, int k)
{
    t.first();
    for (int i = 0; i < k && !t.eof(); ++i)
        t.next();
    return !t.eof() && t.recNo() == k;
}

int rowCountOf(Table &t) { return t.isOpen() ? t.recordCount() : 0; }

} // namespace

PlacementModel loadPlacementModel(DataModule &dm)
{
    PlacementModel m;
    m.kind = placementKindOf(dm.project().isEmpty() ? std::string()
                                                    : dm.project().asText("TipMO"));
    m.limits = limitsOf(loadSettings(dm));
    Table &o = dm.object();
    RowKeeper keep(o);
    std::vector<ObjectRec> rows;
    for (o.first(); !o.eof(); o.next())
        rows.push_back(readObject(o));
    m.objects = zonedObjects(rows);
    return m;
}

std::vector<PlacementRange> loadRanges(Table &ranges, Table &subranges)
{
    std::vector<PlacementRange> out;
    RowKeeper keep(ranges);
    const bool named = ranges.def().field("DiapName") != nullptr;
    for (ranges.first(); !ranges.eof(); ranges.next()) {
        PlacementRange r;
        if (named)
            r.DiapName = ranges.asText("DiapName");
        // A missing bound or step leaves the range without candidates (step 0).
        const auto num = [&](const char *f, double dflt) {
            return ranges.isNull(f) ? dflt : ranges.asDouble(f);
        };
        r.X1 = num("X1", 0);
        r.X2 = num("X2", -1);
        r.DX = num("DX", 0);
        r.Y1 = num("Y1", 0);
        r.Y2 = num("Y2", -1);
        r.DY = num("DY", 0);
        RowKeeper keepSub(subranges);
        for (subranges.first(); !subranges.eof(); subranges.next()) {
            SubRange s;
            s.X1 = subranges.asDouble("X1");
            s.X2 = subranges.asDouble("X2");
            s.Y1 = subranges.asDouble("Y1");
            s.Y2 = subranges.asDouble("Y2");
            s.VklX1 = subranges.asBool("VklX1");
            s.VklX2 = subranges.asBool("VklX2");
            s.VklY1 = subranges.asBool("VklY1");
            s.VklY2 = subranges.asBool("VklY2");
            r.subranges.push_back(s);
        }
        out.push_back(std::move(r));
    }
    return out;
}

SingleRodJob beginSingleRodSearch(DataModule &dm)
{
    SingleRodJob job;
    Table &variant = dm.table(TableId::Diap0);
    Table &ranges = dm.table(TableId::Diap1);
    Table &subs = dm.table(TableId::Diap2);
    if (variant.isEmpty())
        return job;
    variant.edit();
    setResult(variant, "X", "Y", "H", false, {}, 0);
    postOrCancel(variant);

    job.model = loadPlacementModel(dm);
    // Clear every range's result first so that a stopped search leaves no stale values.
    {
        RowKeeper keep(ranges);
        for (ranges.first(); !ranges.eof(); ranges.next()) {
            job.marks.push_back(ranges.bookmark());
            if (ranges.edit()) {
                setResult(ranges, "X", "Y", "H", false, {}, 0);
                postOrCancel(ranges);
            }
        }
    }
    job.ranges = loadRanges(ranges, subs);
    job.ok = true;
    return job;
}

void storeSingleRodRow(DataModule &dm, const SingleRodJob &job, int k, const RangeOutcome &row)
{
    Table &ranges = dm.table(TableId::Diap1);
    if (k < static_cast<int>(job.marks.size()) && ranges.gotoBookmark(job.marks[k]) &&
        ranges.edit()) {
        setResult(ranges, "X", "Y", "H", row.found, row.p1, row.H);
        postOrCancel(ranges);
    }
}

void finishSingleRodSearch(DataModule &dm, const SearchOutcome &out)
{
    if (out.stopped || !out.found)
        return;
    Table &variant = dm.table(TableId::Diap0);
    if (variant.edit()) {
        setResult(variant, "X", "Y", "H", true, out.p1, out.H);
        postOrCancel(variant);
    }
    dm.table(TableId::Diap1).locate({{"X", Value(out.p1.x)}, {"Y", Value(out.p1.y)}});
}

SearchOutcome runSingleRodSearch(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    if (dm.table(TableId::Diap0).isEmpty())
        return {};
    // The results of one search are stored as one command: a search that fails half way, or a
    // program killed during it, leaves the results of the previous search.
    Transaction tx(dm, {TableId::Diap0, TableId::Diap1});
    const SingleRodJob job = beginSingleRodSearch(dm);
    if (!job.ok)
        return {};
    fb.clearStop();
    SearchOutcome out = searchSingleRod(job.model, job.ranges, fb, engine,
                                        [&](int k, const RangeOutcome &row) {
                                            storeSingleRodRow(dm, job, k, row);
                                        });
    if (!out.refused.empty()) {
        // Too large to search: nothing was computed, the previous results stay.
        dm.prompter().error(out.refused);
        return out;
    }
    finishSingleRodSearch(dm, out);
    tx.commit();
    return out;
}

namespace {

bool readFixedSupports(DataModule &dm, Pt &fixed1, Pt &fixed2, std::string &refused)
{
    Table &mo = dm.mo();
    if (rowCountOf(mo) < 2) {
        refused = "Ошибка. Для размещения сложного молниеотвода в проекте должны быть заданы "
                  "две опоры молниеотвода.";
        dm.prompter().error(refused);
        return false;
    }
    RowKeeper keep(mo);
    mo.first();
    fixed1 = {mo.asDouble("MX"), mo.asDouble("MY")};
    mo.last();
    fixed2 = {mo.asDouble("MX"), mo.asDouble("MY")};
    return true;
}

} // namespace

ComplexJob beginComplexSearch(DataModule &dm)
{
    ComplexJob job;
    Table &variant = dm.table(TableId::Diap2MO0);
    Table &combos = dm.table(TableId::Diap2MO3);
    if (variant.isEmpty())
        return job;
    if (!readFixedSupports(dm, job.fixed1, job.fixed2, job.refused))
        return job;
    variant.edit();
    for (const char *f : {"X1", "Y1", "H1", "X2", "Y2", "H2"})
        variant.setNull(f);
    postOrCancel(variant);
    while (!combos.isEmpty()) {
        combos.first();
        if (!combos.remove())
            break;
    }
    job.model = loadPlacementModel(dm);
    job.ranges1 = loadRanges(dm.table(TableId::Diap2MO1), dm.table(TableId::Diap2MO2));
    job.ranges2 = loadRanges(dm.table(TableId::Diap2MO11), dm.table(TableId::Diap2MO21));
    job.ok = true;
    return job;
}

void storeCombination(DataModule &dm, const ComplexJob &job, const RangeOutcome &row)
{
    Table &combos = dm.table(TableId::Diap2MO3);
    if (!combos.append())
        return;
    if (row.range1 >= 0)
        combos.setValue("DiapName1", job.ranges1[static_cast<std::size_t>(row.range1)].DiapName);
    if (row.range2 >= 0)
        combos.setValue("DiapName2", job.ranges2[static_cast<std::size_t>(row.range2)].DiapName);
    // The fixed support keeps its position even in a row without a position of its own.
    if (row.found || row.range1 < 0) {
        combos.setValue("X1", row.p1.x);
        combos.setValue("Y1", row.p1.y);
    }
    if (row.found || row.range2 < 0) {
        combos.setValue("X2", row.p2.x);
        combos.setValue("Y2", row.p2.y);
    }
    if (row.found) {
        combos.setValue("H1", row.H);
        combos.setValue("H2", row.H);
    }
    postOrCancel(combos);
}

void finishComplexSearch(DataModule &dm, const SearchOutcome &out)
{
    if (out.stopped || !out.found)
        return;
    gotoRow(dm.table(TableId::Diap2MO3), out.best);
    Table &variant = dm.table(TableId::Diap2MO0);
    if (variant.edit()) {
        variant.setValue("X1", out.p1.x);
        variant.setValue("Y1", out.p1.y);
        variant.setValue("H1", out.H);
        variant.setValue("X2", out.p2.x);
        variant.setValue("Y2", out.p2.y);
        variant.setValue("H2", out.H);
        postOrCancel(variant);
    }
}

ComplexRun runComplexSearch(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    ComplexRun run;
    if (dm.table(TableId::Diap2MO0).isEmpty())
        return run;
    Transaction tx(dm, {TableId::Diap2MO0, TableId::Diap2MO3});
    const ComplexJob job = beginComplexSearch(dm);
    run.refused = job.refused;
    if (!job.ok)
        return run;
    fb.clearStop();
    run.outcome = searchComplex(job.model, job.ranges1, job.ranges2, job.fixed1, job.fixed2, fb,
                                engine, [&](int, const RangeOutcome &row) {
                                    storeCombination(dm, job, row);
                                });
    if (!run.outcome.refused.empty()) {
        // Too large to search: nothing was computed, the previous results stay.
        run.refused = run.outcome.refused;
        dm.prompter().error(run.outcome.refused);
        return run;
    }
    finishComplexSearch(dm, run.outcome);
    tx.commit();
    return run;
}

namespace {

// The current row of a range table with its sub-ranges; none when the table has no current row
// (or the walk over it found fewer rows than the current one's position).
std::optional<PlacementRange> currentRange(Table &ranges, Table &subranges)
{
    if (ranges.isEmpty() || ranges.recNo() < 0)
        return std::nullopt;
    const auto k = static_cast<std::size_t>(ranges.recNo());
    std::vector<PlacementRange> all = loadRanges(ranges, subranges);
    if (k >= all.size())
        return std::nullopt;
    return std::move(all[k]);
}

} // namespace

TableJob beginTable(DataModule &dm, bool complex)
{
    TableJob job;
    job.complex = complex;
    if (!complex) {
        Table &ranges = dm.table(TableId::Diap1);
        if (ranges.isEmpty() || ranges.recNo() < 0)
            return job;
        job.model = loadPlacementModel(dm);
        job.range1 = currentRange(ranges, dm.table(TableId::Diap2));
        job.ok = job.range1.has_value();
        return job;
    }
    Table &r1 = dm.table(TableId::Diap2MO1);
    Table &r2 = dm.table(TableId::Diap2MO11);
    if (!readFixedSupports(dm, job.fixed1, job.fixed2, job.refused))
        return job;
    job.model = loadPlacementModel(dm);
    job.range1 = currentRange(r1, dm.table(TableId::Diap2MO2));
    job.range2 = currentRange(r2, dm.table(TableId::Diap2MO21));
    job.ok = job.range1 || job.range2;
    return job;
}

TableOutcome computeTable(const TableJob &job, SearchFeedback &fb, Engine engine)
{
    if (!job.ok)
        return {};
    fb.clearStop();
    if (!job.complex)
        return heightTableSingleRod(job.model, *job.range1, fb, engine);
    return heightTableComplex(job.model, job.range1 ? &*job.range1 : nullptr,
                              job.range2 ? &*job.range2 : nullptr, job.fixed1, job.fixed2, fb,
                              engine);
}

TableOutcome buildSingleRodTable(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    TableOutcome out = computeTable(beginTable(dm, false), fb, engine);
    if (!out.refused.empty())
        dm.prompter().error(out.refused);
    return out;
}

TableOutcome buildComplexTable(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    const TableJob job = beginTable(dm, true);
    if (!job.refused.empty()) {
        TableOutcome out;
        out.refused = job.refused;
        return out;
    }
    TableOutcome out = computeTable(job, fb, engine);
    if (!out.refused.empty())
        dm.prompter().error(out.refused);
    return out;
}

std::string heightTableText(const HeightTable &t, std::int64_t col, std::int64_t row)
{
    const auto num = [](double v) { return formatGeneral(v); };
    if (col < 0 || row < 0 || col >= t.columnCount() || row >= t.rowCount())
        return {};
    if (t.mode == TableMode::Both) {
        if (col < 2 && row < 2) {
            if (col == 1 && row == 0)
                return "X1";
            if (col == 0 && row == 1)
                return "X2";
            if (col == 1 && row == 1)
                return "Y2/Y1";
            return {};
        }
        if (row < 2) {
            const Pt p = t.points1[static_cast<std::size_t>(col - 2)];
            return num(row == 0 ? p.x : p.y);
        }
        if (col < 2) {
            const Pt p = t.points2[static_cast<std::size_t>(row - 2)];
            return num(col == 0 ? p.x : p.y);
        }
        const double h = t.cell(col - 2, row - 2);
        return std::isnan(h) ? std::string() : num(h);
    }
    if (col == 0 && row == 0) {
        switch (t.mode) {
        case TableMode::Support1: return "Y1\\X1";
        case TableMode::Support2: return "Y2\\X2";
        default: return "Y  \\  X";
        }
    }
    if (row == 0)
        return num(t.xs[static_cast<std::size_t>(col - 1)]);
    if (col == 0)
        return num(t.ys[static_cast<std::size_t>(row - 1)]);
    const double h = t.cell(col - 1, row - 1);
    return std::isnan(h) ? std::string() : num(h);
}

Band objectBand(double MXa, double MYa, double L, double S, double w)
{
    return {MXa - w, MXa + L + w, MYa - w, MYa + S + w};
}

namespace {

bool findObject(DataModule &dm, const std::string &name, Band &band, double w)
{
    Table &o = dm.object();
    RowKeeper keep(o);
    for (o.first(); !o.eof(); o.next()) {
        if (o.asText("Name") == name) {
            band = objectBand(o.asDouble("MXa"), o.asDouble("MYa"), o.asDouble("L"),
                              o.asDouble("S"), w);
            return true;
        }
    }
    return false;
}

} // namespace

bool addObjectBandRange(DataModule &dm, TableId rangeTable, const std::string &objectName,
                        double w)
{
    Band b{};
    if (!findObject(dm, objectName, b, w))
        return false;
    const SettingsRec s = loadSettings(dm);
    const double step = s.ObjShag.value_or(1.0);
    Table &t = dm.table(rangeTable);
    if (!t.append())
        return false;
    if (t.def().field("DiapName"))
        t.setValue("DiapName", objectName);
    t.setValue("X1", b.X1);
    t.setValue("X2", b.X2);
    t.setValue("DX", step);
    t.setValue("Y1", b.Y1);
    t.setValue("Y2", b.Y2);
    t.setValue("DY", step);
    return t.post();
}

bool addObjectBandSubRange(DataModule &dm, TableId subTable, const std::string &objectName,
                           double w, const std::array<bool, 4> &flags)
{
    Band b{};
    if (!findObject(dm, objectName, b, w))
        return false;
    Table &t = dm.table(subTable);
    if (!t.append())
        return false;
    t.setValue("X1", b.X1);
    t.setValue("VklX1", flags[0]);
    t.setValue("X2", b.X2);
    t.setValue("VklX2", flags[1]);
    t.setValue("Y1", b.Y1);
    t.setValue("VklY1", flags[2]);
    t.setValue("Y2", b.Y2);
    t.setValue("VklY2", flags[3]);
    return t.post();
}

} // namespace kv
