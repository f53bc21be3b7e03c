#include "placement/placementapply.h"

#include "calc/snap.h"
#include "data/podborops.h"
#include "data/snapshot.h"
#include "data/transaction.h"

namespace kv {

namespace {

std::optional<Pt> pointOf(const Table &t, const char *fx, const char *fy)
{
    if (t.recNo() < 0 || t.isNull(fx) || t.isNull(fy))
        return std::nullopt;
    return Pt{t.asDouble(fx), t.asDouble(fy)};
}

ConductorPositions fromTable(const HeightTable &t, int col, int row)
{
    ConductorPositions p;
    const int h = t.headerCols();
    if (col < h || row < h || col >= t.columnCount() || row >= t.rowCount())
        return p;
    if (t.mode == TableMode::Both) {
        p.p1 = t.points1[static_cast<std::size_t>(col - h)];
        p.p2 = t.points2[static_cast<std::size_t>(row - h)];
        return p;
    }
    const Pt moving{t.xs[static_cast<std::size_t>(col - h)], t.ys[static_cast<std::size_t>(row - h)]};
    if (t.mode == TableMode::Support2)
        p.p2 = moving;
    else
        p.p1 = moving;
    return p;
}

} // namespace

ConductorPositions placementResult(DataModule &dm, bool complex, ResultMode mode,
                                   const HeightTable *table, int col, int row)
{
    ConductorPositions p;
    if (mode == ResultMode::Table)
        return table ? fromTable(*table, col, row) : p;
    if (!complex) {
        const Table &t = dm.table(mode == ResultMode::Variant ? TableId::Diap0 : TableId::Diap1);
        p.p1 = pointOf(t, "X", "Y");
        return p;
    }
    const Table &t = dm.table(mode == ResultMode::Variant ? TableId::Diap2MO0 : TableId::Diap2MO3);
    p.p1 = pointOf(t, "X1", "Y1");
    p.p2 = pointOf(t, "X2", "Y2");
    return p;
}

ConductorPositions snapToObjectStep(DataModule &dm, const ConductorPositions &p)
{
    const double step = loadSettings(dm).ObjShag.value_or(1.0);
    const auto snap = [step](std::optional<Pt> q) -> std::optional<Pt> {
        if (!q)
            return q;
        return Pt{snapToGrid(q->x, step), snapToGrid(q->y, step)};
    };
    return {snap(p.p1), snap(p.p2)};
}

ConductorPositions conductorPositions(DataModule &dm)
{
    ConductorPositions p;
    Table &mo = dm.mo();
    RowKeeper keep(mo);
    mo.first();
    if (!mo.eof())
        p.p1 = pointOf(mo, "MX", "MY");
    mo.next();
    if (!mo.eof())
        p.p2 = pointOf(mo, "MX", "MY");
    return p;
}

bool setConductorPositions(DataModule &dm, const ConductorPositions &p)
{
    Table &mo = dm.mo();
    RowKeeper keep(mo);
    // Both supports or neither.
    Transaction tx(dm, {TableId::Mo});
    mo.first();
    for (const std::optional<Pt> &q : {p.p1, p.p2}) {
        if (q) {
            if (mo.eof() || !mo.edit())
                return false;
            mo.setValue("MX", q->x);
            mo.setValue("MY", q->y);
            if (!mo.post()) {
                mo.cancel();
                return false;
            }
        }
        if (!mo.eof())
            mo.next();
    }
    tx.commit();
    return true;
}

bool applyConductorPositions(DataModule &dm, const ConductorPositions &p, bool podbor,
                             PodborResult *selection)
{
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object});
    if (!setConductorPositions(dm, p))
        return false;
    if (podbor) {
        const PodborResult r = runAutoPodbor(dm);
        if (selection)
            *selection = r;
    }
    tx.commit();
    return true;
}

} // namespace kv
