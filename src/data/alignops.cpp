#include "data/alignops.h"

#include "data/snapshot.h"

namespace kv {

namespace {

// Moves mo.DB onto the row at position of the current project (its row index; beyond the last
// row, the last: position 1 of a single rod is its only row).
void gotoConductor(Table &mo, int position)
{
    if (mo.isEmpty())
        throw TableError("Ошибка. У проекта нет молниеотвода.");
    mo.first();
    for (int i = 0; i < position && i + 1 < mo.recordCount(); ++i)
        mo.next();
}

void gotoObject(Table &obj, int kod)
{
    if (!obj.locate({{"Kod", Value(kod)}}))
        throw TableError("Ошибка. Объект не найден.");
}

void storeConductor(DataModule &dm, int position, PlanPoint p)
{
    Table &mo = dm.mo();
    RowKeeper keep(mo);
    gotoConductor(mo, position);
    if (!mo.edit())
        return;
    mo.setValue("MX", p.x);
    mo.setValue("MY", p.y);
    if (!mo.post())
        mo.cancel();
}

void storeObject(DataModule &dm, int kod, PlanPoint p)
{
    Table &obj = dm.object();
    RowKeeper keep(obj);
    gotoObject(obj, kod);
    if (!obj.edit())
        return;
    obj.setValue("MXa", p.x);
    obj.setValue("MYa", p.y);
    if (!obj.post())
        obj.cancel();
}

PlanPoint pointOf(const ConductorRec &c) { return {c.MX.value_or(0), c.MY.value_or(0)}; }

} // namespace

ConductorRec conductorAt(DataModule &dm, int position)
{
    Table &mo = dm.mo();
    RowKeeper keep(mo);
    gotoConductor(mo, position);
    return readConductor(mo);
}

ObjectRec objectByKod(DataModule &dm, int kod)
{
    Table &obj = dm.object();
    RowKeeper keep(obj);
    gotoObject(obj, kod);
    return readObject(obj);
}

void alignConductorToObject(DataModule &dm, int position, int objectKod, int horizontal,
                            int vertical, double step)
{
    const ObjectRec o = objectByKod(dm, objectKod);
    const ConductorRec c = conductorAt(dm, position);
    storeConductor(dm, position, alignConductorTo(o, pointOf(c), horizontal, vertical, step));
}

void setConductorCoords(DataModule &dm, int position, CoordKind kind, double x, double y,
                        int objectKod, AlignPoint p, double step)
{
    PlanPoint other;
    if (kind == CoordKind::RelativeToOther) {
        if (dm.mo().recordCount() < 2)
            throw TableError("Ошибка. У молниеотвода нет другой опоры.");
        other = pointOf(conductorAt(dm, position == 0 ? 1 : 0));
    }
    ObjectRec o;
    if (kind == CoordKind::RelativeToObject)
        o = objectByKod(dm, objectKod);
    storeConductor(dm, position, conductorFromCoords(kind, x, y, other, &o, p, step));
}

void alignObjectToConductor(DataModule &dm, int objectKod, AlignPoint p, int position,
                            double step)
{
    const ObjectRec o = objectByKod(dm, objectKod);
    const ConductorRec c = conductorAt(dm, position);
    storeObject(dm, objectKod, kv::alignObjectToConductor(o, p, pointOf(c), step));
}

void alignObjectToObject(DataModule &dm, int objectKod, AlignPoint p, int bindingKod,
                         AlignPoint q, double step)
{
    const ObjectRec o = objectByKod(dm, objectKod);
    const ObjectRec b = objectByKod(dm, bindingKod);
    storeObject(dm, objectKod, kv::alignObjectToObject(o, p, b, q, step));
}

} // namespace kv
