#include "data/objectops.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "calc/records.h"

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
    RowKeeper keep(obj);
    obj.first();
    while (!obj.eof()) {
        const int cls = obj.asInt("Tip");
        const double N = round2(ExpectedStrikes(cls, obj.asDouble("L"), obj.asDouble("S"),
                                                obj.asDouble("Hx"), n));
        if (cls >= 1 && cls <= 16) {
            const ClassRuleResult r = ClassRule(cls, T, N, obj.asDouble("Hx"));
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
}

} // namespace kv
