#include "cli/caseio.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "calc/snap.h"
#include "cli/jsoninput.h"
#include "data/objectops.h"

#include <fstream>
#include <sstream>

namespace kv::cli {

using json = nlohmann::ordered_json;

json readJsonFile(const std::string &path)
{
    return readJsonObjectFile(path);
}

void appendEvaluatedObject(DataModule &dm, const json &obj, double gridStep)
{
    Table &p = dm.project();
    Table &t = dm.object();
    if (!obj.is_object())
        throw CaseRefused("Ошибка. Объект должен быть записью JSON ({...}).");
    const std::string name = optString(obj, "Name", "объект").value_or(std::string());
    const std::string where = "объект \"" + name + "\"";
    const auto num = [&](const char *k) { return optNumber(obj, k, where).value_or(0.0); };
    const int cls = static_cast<int>(optInteger(obj, "Tip", where, 1, 16).value_or(0));
    if (cls < 1 || cls > 16)
        throw CaseRefused("Ошибка. Объект \"" + name + "\": класс здания должен быть от 1 до 16.");
    const double N = parseNumber(format00(
                                     ExpectedStrikes(cls, num("L"), num("S"), num("Hx"),
                                                     p.asDouble("Udarov"))))
                         .value_or(0.0);
    const ClassRuleResult rule = ClassRule(cls, p.asInt("ProdGrozMin"), N, num("Hx"));
    std::string zona = rule.zone;
    std::optional<int> kateg = rule.category;
    if (obj.contains("Zona"))
        zona = optString(obj, "Zona", where).value_or(std::string());
    if (obj.contains("Kateg")) {
        const auto k = optInteger(obj, "Kateg", where, 1, 3);
        kateg = k ? std::optional<int>(static_cast<int>(*k)) : std::nullopt;
    }
    if (zona.empty() || !kateg)
        throw CaseRefused("Ошибка. Объект \"" + name
                          + "\" не нуждается в молниезащите: в проекте запрещено использование "
                            "объектов, не требующих молниезащиты.");

    if (!t.append())
        throw TableError("Ошибка. Объект \"" + name + "\" не добавлен.");
    jsonToRow(t, obj);
    t.setValue("MXa", snapToGrid(num("MXa"), gridStep));
    t.setValue("MYa", snapToGrid(num("MYa"), gridStep));
    t.setValue("N", N);
    t.setValue("Zona", zona);
    t.setValue("Kateg", *kateg);
    t.setValue("Tip", cls);
    t.setValue("STip", shapeKindOfClass(cls));
    if (!t.post())
        throw TableError("Ошибка. Объект \"" + name + "\" не сохранен.");
    t.edit();
    t.setValue("ShapeName", "Shape" + std::to_string(t.asInt("Kod")));
    t.post();
}

CaseSession::CaseSession(const json &doc)
{
    createInstallationData(m_dir.path());
    m_dm = std::make_unique<DataModule>(m_dir.path(), m_prompter);
    m_dm->openAll();
    DataModule &dm = *m_dm;

    // The installation's sample project is not part of the case.
    Table &p = dm.project();
    while (!p.isEmpty()) {
        p.first();
        for (Table *d : {&dm.object(), &dm.mo()})
            while (!d->isEmpty()) {
                d->first();
                d->remove();
            }
        p.remove();
    }

    Table &param = dm.param();
    if (doc.contains("settings")) {
        if (param.isEmpty())
            param.append();
        else {
            param.first();
            param.edit();
        }
        jsonToRow(param, doc["settings"]);
        param.post();
    }
    if (doc.contains("sag_table")) {
        Table &sag = dm.table(TableId::SProves);
        while (!sag.isEmpty()) {
            sag.first();
            sag.remove();
        }
        for (const auto &row : optArray(doc, "sag_table", "описание расчета")) {
            sag.append();
            jsonToRow(sag, row);
            if (!sag.post())
                sag.cancel();
        }
    }
    if (!doc.contains("project"))
        throw CaseRefused("Ошибка. В описании расчета нет проекта (\"project\").");
    p.append();
    jsonToRow(p, doc["project"]);
    if (!p.post())
        throw TableError("Ошибка. Проект не сохранен.");
    for (const auto &c : optArray(doc, "conductors", "описание расчета")) {
        dm.mo().append();
        jsonToRow(dm.mo(), c);
        dm.mo().post();
    }
    double step = 1.0;
    if (!param.isEmpty()) {
        param.first();
        if (!param.isNull("ObjShag"))
            step = param.asDouble("ObjShag");
    }
    for (const auto &o : optArray(doc, "objects", "описание расчета"))
        appendEvaluatedObject(dm, o, step);
    CountZones(dm);
}

CaseSession::~CaseSession() = default;

json CaseSession::result()
{
    // Only what was stored and said goes out: nothing of the input is echoed back.
    json out = projectToJson(*m_dm);
    out["messages"] = m_prompter.messages();
    return out;
}

} // namespace kv::cli
