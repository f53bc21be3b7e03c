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

SearchOutcome runSingleRodSearch(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    Table &variant = dm.table(TableId::Diap0);
    Table &ranges = dm.table(TableId::Diap1);
    Table &subs = dm.table(TableId::Diap2);
    if (variant.isEmpty())
        return {};
    // The results of one search are stored as one command: a search that fails half way, or a
    // program killed during it, leaves the results of the previous search.
    Transaction tx(dm, {TableId::Diap0, TableId::Diap1});
    variant.edit();
    setResult(variant, "X", "Y", "H", false, {}, 0);
    postOrCancel(variant);

    const PlacementModel model = loadPlacementModel(dm);
    // Clear every range's result first so that a stopped search leaves no stale values.
    std::vector<Table::Bookmark> marks;
    {
        RowKeeper keep(ranges);
        for (ranges.first(); !ranges.eof(); ranges.next()) {
            marks.push_back(ranges.bookmark());
            if (ranges.edit()) {
                setResult(ranges, "X", "Y", "H", false, {}, 0);
                postOrCancel(ranges);
            }
        }
    }
    const std::vector<PlacementRange> list = loadRanges(ranges, subs);
    fb.clearStop();
    SearchOutcome out = searchSingleRod(
        model, list, fb, engine, [&](int k, const RangeOutcome &row) {
            if (k < static_cast<int>(marks.size()) && ranges.gotoBookmark(marks[k])
                && ranges.edit()) {
                setResult(ranges, "X", "Y", "H", row.found, row.p1, row.H);
                postOrCancel(ranges);
            }
        });
    if (!out.refused.empty()) {
        // Too large to search: nothing was computed, the previous results stay.
        dm.prompter().error(out.refused);
        return out;
    }
    if (out.stopped || !out.found) {
        tx.commit();
        return out;
    }
    if (variant.edit()) {
        setResult(variant, "X", "Y", "H", true, out.p1, out.H);
        postOrCancel(variant);
    }
    tx.commit();
    ranges.locate({{"X", Value(out.p1.x)}, {"Y", Value(out.p1.y)}});
    return out;
}

ComplexRun runComplexSearch(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    ComplexRun run;
    Table &variant = dm.table(TableId::Diap2MO0);
    Table &r1 = dm.table(TableId::Diap2MO1);
    Table &r2 = dm.table(TableId::Diap2MO11);
    Table &combos = dm.table(TableId::Diap2MO3);
    if (variant.isEmpty())
        return run;
    Table &mo = dm.mo();
    if (rowCountOf(mo) < 2) {
        run.refused = "Ошибка. Для размещения сложного молниеотвода в проекте должны быть заданы "
                      "две опоры молниеотвода.";
        dm.prompter().error(run.refused);
        return run;
    }
    Pt fixed1, fixed2;
    {
        RowKeeper keep(mo);
        mo.first();
        fixed1 = {mo.asDouble("MX"), mo.asDouble("MY")};
        mo.last();
        fixed2 = {mo.asDouble("MX"), mo.asDouble("MY")};
    }
    Transaction tx(dm, {TableId::Diap2MO0, TableId::Diap2MO3});
    variant.edit();
    for (const char *f : {"X1", "Y1", "H1", "X2", "Y2", "H2"})
        variant.setNull(f);
    postOrCancel(variant);
    while (!combos.isEmpty()) {
        combos.first();
        if (!combos.remove())
            break;
    }
    const PlacementModel model = loadPlacementModel(dm);
    const std::vector<PlacementRange> list1 =
        loadRanges(r1, dm.table(TableId::Diap2MO2));
    const std::vector<PlacementRange> list2 =
        loadRanges(r2, dm.table(TableId::Diap2MO21));
    fb.clearStop();
    run.outcome = searchComplex(
        model, list1, list2, fixed1, fixed2, fb, engine, [&](int, const RangeOutcome &row) {
            if (!combos.append())
                return;
            if (row.range1 >= 0)
                combos.setValue("DiapName1", list1[static_cast<std::size_t>(row.range1)].DiapName);
            if (row.range2 >= 0)
                combos.setValue("DiapName2", list2[static_cast<std::size_t>(row.range2)].DiapName);
            // The fixed support keeps its position even in a row without a position of its own.
            const bool pos1 = row.found || row.range1 < 0;
            const bool pos2 = row.found || row.range2 < 0;
            if (pos1) {
                combos.setValue("X1", row.p1.x);
                combos.setValue("Y1", row.p1.y);
            }
            if (pos2) {
                combos.setValue("X2", row.p2.x);
                combos.setValue("Y2", row.p2.y);
            }
            if (row.found) {
                combos.setValue("H1", row.H);
                combos.setValue("H2", row.H);
            }
            postOrCancel(combos);
        });
    const SearchOutcome &out = run.outcome;
    if (!out.refused.empty()) {
        // Too large to search: nothing was computed, the previous results stay.
        run.refused = out.refused;
        dm.prompter().error(out.refused);
        return run;
    }
    if (out.stopped || !out.found) {
        tx.commit();
        return run;
    }
    gotoRow(combos, out.best);
    if (variant.edit()) {
        variant.setValue("X1", out.p1.x);
        variant.setValue("Y1", out.p1.y);
        variant.setValue("H1", out.H);
        variant.setValue("X2", out.p2.x);
        variant.setValue("Y2", out.p2.y);
        variant.setValue("H2", out.H);
        postOrCancel(variant);
    }
    tx.commit();
    return run;
}

TableOutcome buildSingleRodTable(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    Table &ranges = dm.table(TableId::Diap1);
    if (ranges.isEmpty() || ranges.recNo() < 0)
        return {};
    const PlacementModel model = loadPlacementModel(dm);
    std::vector<PlacementRange> all = loadRanges(ranges, dm.table(TableId::Diap2));
    const PlacementRange range = all.at(static_cast<std::size_t>(ranges.recNo()));
    fb.clearStop();
    TableOutcome out = heightTableSingleRod(model, range, fb, engine);
    if (!out.refused.empty())
        dm.prompter().error(out.refused);
    return out;
}

TableOutcome buildComplexTable(DataModule &dm, SearchFeedback &fb, Engine engine)
{
    Table &r1 = dm.table(TableId::Diap2MO1);
    Table &r2 = dm.table(TableId::Diap2MO11);
    Table &mo = dm.mo();
    if (rowCountOf(mo) < 2) {
        TableOutcome out;
        out.refused = "Ошибка. Для размещения сложного молниеотвода в проекте должны быть "
                      "заданы две опоры молниеотвода.";
        dm.prompter().error(out.refused);
        return out;
    }
    Pt fixed1, fixed2;
    {
        RowKeeper keep(mo);
        mo.first();
        fixed1 = {mo.asDouble("MX"), mo.asDouble("MY")};
        mo.last();
        fixed2 = {mo.asDouble("MX"), mo.asDouble("MY")};
    }
    const PlacementModel model = loadPlacementModel(dm);
    std::optional<PlacementRange> a, b;
    if (!r1.isEmpty() && r1.recNo() >= 0)
        a = loadRanges(r1, dm.table(TableId::Diap2MO2)).at(static_cast<std::size_t>(r1.recNo()));
    if (!r2.isEmpty() && r2.recNo() >= 0)
        b = loadRanges(r2, dm.table(TableId::Diap2MO21)).at(static_cast<std::size_t>(r2.recNo()));
    if (!a && !b)
        return {};
    fb.clearStop();
    TableOutcome out = heightTableComplex(model, a ? &*a : nullptr, b ? &*b : nullptr, fixed1,
                                          fixed2, fb, engine);
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
