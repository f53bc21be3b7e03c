#include "data/objectops.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "calc/records.h"
#include "calc/snap.h"
#include "data/transaction.h"

namespace kv {

void CountZones(DataModule &dm)
{
    Table &obj = dm.object();
    int a = 0, b = 0;
    {
        RowKeeper keep(obj);
        for (obj.first(); !obj.eof(); obj.next()) {
            const std::string z = obj.asText("Zona");
            if (z == kZoneA)
                ++a;
            else if (z == kZoneB)
                ++b;
        }
    }
    Table &p = dm.project();
    if (p.isEmpty())
        return;
    p.edit();
    p.setValue("ZonaACnt", a);
    p.setValue("ZonaBCnt", b);
    p.post();
}

void ReevaluateObjects(DataModule &dm, const std::function<void(const std::string &)> &removeShapes)
{
    Table &p = dm.project();
    Table &obj = dm.object();
    if (p.isEmpty())
        return;
    const int T = p.asInt("ProdGrozMin");
    const double n = p.asDouble("Udarov");
    Transaction tx(dm, {TableId::Object});
    RowKeeper keep(obj);
    obj.first();
    while (!obj.eof()) {
        const int cls = obj.asInt("Tip");
        if (cls >= 1 && cls <= 16) {
            const ObjectEvaluation e = EvaluateObject(cls, obj.asDouble("L"), obj.asDouble("S"),
                                                      obj.asDouble("Hx"), T, n,
                                                      StrikeRounding::Round2);
            const double N = e.N;
            const ClassRuleResult &r = e.rule;
            obj.edit();
            if (r.zone.empty())
                obj.setNull("Zona");
            else
                obj.setValue("Zona", r.zone);
            if (r.category)
                obj.setValue("Kateg", *r.category);
            else
                obj.setNull("Kateg");
            obj.setValue("N", N);
            obj.post();
        }
        if (obj.asText("Zona").empty()) {
            dm.prompter().info("Внимание.\rОбъект \"" + obj.asText("Name") + "\" не нуждается в "
                               "молниезащите и будет удален из проекта.");
            if (removeShapes)
                removeShapes(obj.asText("ShapeName"));
            // The row after the deleted one becomes current; after the last row there is none.
            const bool wasLast = obj.recNo() == obj.recordCount() - 1;
            obj.remove();
            if (wasLast || obj.isEmpty())
                break;
            continue;
        }
        obj.next();
    }
    tx.commit();
}

} // namespace kv

namespace kv {

void enterObject(DataModule &dm, const ObjectEntry &e, double gridStep,
                 const std::function<void(Table &)> &fill)
{
    Table &p = dm.project();
    Table &t = dm.object();
    if (e.buildingClass < 1 || e.buildingClass > 16)
        throw ObjectRefused("Ошибка. Объект \"" + e.name
                            + "\": класс здания должен быть от 1 до 16.");
    const ObjectEvaluation ev = EvaluateObject(e.buildingClass, e.L, e.S, e.Hx,
                                               p.asInt("ProdGrozMin"), p.asDouble("Udarov"));
    const std::string zona = e.zona ? *e.zona : ev.rule.zone;
    const std::optional<int> kateg = e.kateg ? *e.kateg : ev.rule.category;
    if (zona.empty() || !kateg)
        throw ObjectRefused("Ошибка. Объект \"" + e.name
                            + "\" не нуждается в молниезащите: в проекте запрещено использование "
                              "объектов, не требующих молниезащиты.");
    if (!t.append())
        throw TableError("Ошибка. Объект \"" + e.name + "\" не добавлен.");
    if (fill)
        fill(t);
    t.setValue("MXa", snapToGrid(e.x, gridStep));
    t.setValue("MYa", snapToGrid(e.y, gridStep));
    t.setValue("N", ev.N);
    t.setValue("Zona", zona);
    t.setValue("Kateg", *kateg);
    t.setValue("Tip", e.buildingClass);
    t.setValue("STip", shapeKindOfClass(e.buildingClass));
    if (!t.post())
        throw TableError("Ошибка. Объект \"" + e.name + "\" не сохранен.");
    t.edit();
    t.setValue("ShapeName", "Shape" + std::to_string(t.asInt("Kod")));
    t.post();
}

} // namespace kv
