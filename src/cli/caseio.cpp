#include "cli/caseio.h"

#include "calc/multirod.h"
#include "calc/records.h"
#include "calc/valueranges.h"
#include "cli/jsoninput.h"
#include "data/multirodstore.h"
#include "data/objectops.h"
#include "data/transaction.h"

#include <fstream>
#include <sstream>

namespace kv::cli {

using json = nlohmann::ordered_json;

json readJsonFile(const std::string &path)
{
    return readJsonObjectFile(path);
}

CaseSession::CaseSession(const json &doc)
{
    createInstallationData(m_dir.path());
    m_dm = std::make_unique<DataModule>(m_dir.path(), m_prompter);
    m_dm->openAll();
    DataModule &dm = *m_dm;

    // A multiple rod's folder gets its table first (never inside a command).
    if (doc.contains("project") && doc["project"].is_object()
        && doc["project"].value("TipMO", json()) == json(kTipMultiRod))
        prepareMultiRodFolder(dm);
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
    requireConductorType(p);
    if (!p.post())
        throw TableError("Ошибка. Проект не сохранен.");
    for (const auto &c : optArray(doc, "conductors", "описание расчета")) {
        dm.mo().append();
        jsonToRow(dm.mo(), c);
        if (!dm.mo().post())
            throw CaseRefused("Ошибка. Молниеотвод проекта не сохранен.");
    }
    if (conductorTypeOf(p.asText("TipMO")) == ConductorType::MultiRod
        && dm.mo().recordCount() < 2)
        throw CaseRefused(kMsgMultiRodTooFew);
    double step = 1.0;
    if (!param.isEmpty()) {
        param.first();
        if (!param.isNull("ObjShag"))
            step = param.asDouble("ObjShag");
    }
    for (const auto &o : optArray(doc, "objects", "описание расчета"))
        appendEvaluatedObject(dm, o, step);
    CountZones(dm);
    tx.commit();
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
