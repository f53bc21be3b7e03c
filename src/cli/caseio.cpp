#include "cli/caseio.h"

#include "data/objectops.h"
#include "data/transaction.h"

#include <fstream>
#include <sstream>

namespace kv::cli {

using json = nlohmann::ordered_json;

json readJsonFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    try {
        return json::parse(ss.str());
    } catch (const json::parse_error &e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

void appendEvaluatedObject(DataModule &dm, const json &obj, double gridStep)
{
    const auto num = [&](const char *k) {
        return obj.contains(k) && obj[k].is_number() ? obj[k].get<double>() : 0.0;
    };
    ObjectEntry e;
    e.name = obj.value("Name", std::string());
    e.buildingClass = obj.contains("Tip") && obj["Tip"].is_number_integer() ? obj["Tip"].get<int>()
                                                                            : 0;
    e.x = num("MXa");
    e.y = num("MYa");
    e.L = num("L");
    e.S = num("S");
    e.Hx = num("Hx");
    if (obj.contains("Zona"))
        e.zona = obj["Zona"].is_string() ? obj["Zona"].get<std::string>() : std::string();
    if (obj.contains("Kateg"))
        e.kateg = obj["Kateg"].is_number_integer() ? std::optional<int>(obj["Kateg"].get<int>())
                                                   : std::nullopt;
    try {
        enterObject(dm, e, gridStep, [&](Table &t) { jsonToRow(t, obj); });
    } catch (const ObjectRefused &r) {
        throw CaseRefused(r.what());
    }
}

CaseSession::CaseSession(const json &doc) : m_doc(doc)
{
    createInstallationData(m_dir.path());
    m_dm = std::make_unique<DataModule>(m_dir.path(), m_prompter);
    m_dm->openAll();
    DataModule &dm = *m_dm;

    // Entered as one command: one write of each file instead of one per row.
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object, TableId::Param,
                        TableId::SProves});
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
        for (const auto &row : doc["sag_table"]) {
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
    if (doc.contains("conductors"))
        for (const auto &c : doc["conductors"]) {
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
    if (doc.contains("objects"))
        for (const auto &o : doc["objects"])
            appendEvaluatedObject(dm, o, step);
    CountZones(dm);
    tx.commit();
}

CaseSession::~CaseSession() = default;

json CaseSession::result()
{
    json out = m_doc;
    const json stored = projectToJson(*m_dm);
    out["project"] = stored["project"];
    out["conductors"] = stored["conductors"];
    out["objects"] = stored["objects"];
    out["messages"] = m_prompter.messages();
    return out;
}

} // namespace kv::cli
