// korvan-cli place: the optimal placement searches and height tables on a case or a data folder.

#include "calc/placementsearch.h"
#include "cli/caseio.h"
#include "cli/command.h"
#include "cli/jsoninput.h"
#include "data/snapshot.h"
#include "data/podborops.h"
#include "placement/placementapply.h"
#include "placement/placementdriver.h"

#include <cmath>
#include <iostream>
#include <limits>

namespace kv::cli {

std::unique_ptr<DataModule> openDataFolder(Context &ctx, Prompter &prompter);

using json = nlohmann::ordered_json;

namespace {

json num(const Table &t, const char *f)
{
    return t.isNull(f) ? json(nullptr) : json(t.asDouble(f));
}

json text(const Table &t, const char *f)
{
    return t.isNull(f) ? json(nullptr) : json(t.asText(f));
}

// Enters one range with its sub-ranges through the table rules; false when a rule refused.
bool enterRange(DataModule &dm, TableId rangeId, TableId subId, const json &r,
                const std::string &where)
{
    if (!r.is_object())
        throw InputRefused("Ошибка. Диапазон " + where + " должен быть записью JSON ({...}).");
    Table &t = dm.table(rangeId);
    if (!t.append())
        return false;
    if (t.def().field("DiapName"))
        if (const auto name = optString(r, "DiapName", where))
            t.setValue("DiapName", *name);
    for (const char *f : {"X1", "X2", "DX", "Y1", "Y2", "DY"})
        if (const auto v = optNumber(r, f, where))
            t.setValue(f, *v);
    if (!t.post()) {
        t.cancel();
        return false;
    }
    if (!r.contains("subranges"))
        return true;
    Table &s = dm.table(subId);
    for (const json &sr : optArray(r, "subranges", where)) {
        const std::string subWhere = where + ", поддиапазон";
        if (!sr.is_object())
            throw InputRefused("Ошибка. Поддиапазон (" + where + ") должен быть записью JSON.");
        if (!s.append())
            return false;
        for (const char *f : {"X1", "X2", "Y1", "Y2"})
            if (const auto v = optNumber(sr, f, subWhere))
                s.setValue(f, *v);
        for (const char *f : {"VklX1", "VklX2", "VklY1", "VklY2"}) {
            if (!sr.contains(f))
                continue;
            const json &v = sr[f];
            if (!v.is_string() && !v.is_boolean())
                throw InputRefused("Ошибка. Поле " + std::string(f) + " (" + subWhere
                                   + ") должно быть строкой или логическим значением.");
            s.setValue(f, v.is_string() ? Value(v.get<std::string>()) : Value(v.get<bool>()));
        }
        if (!s.post()) {
            s.cancel();
            return false;
        }
    }
    return true;
}

int rowNumber(const Table &t) { return t.recNo() + 1; }

json singleSearchJson(DataModule &dm, const SearchOutcome &out)
{
    json s;
    json ranges = json::array();
    Table &r = dm.table(TableId::Diap1);
    {
        RowKeeper keep(r);
        for (r.first(); !r.eof(); r.next()) {
            json row;
            row["X"] = num(r, "X");
            row["Y"] = num(r, "Y");
            row["H"] = num(r, "H");
            row["nx"] = axisCount(r.asDouble("X1"), r.asDouble("X2"), r.asDouble("DX"));
            row["ny"] = axisCount(r.asDouble("Y1"), r.asDouble("Y2"), r.asDouble("DY"));
            ranges.push_back(row);
        }
    }
    s["ranges"] = ranges;
    Table &v = dm.table(TableId::Diap0);
    s["variant"] = {{"X", num(v, "X")}, {"Y", num(v, "Y")}, {"H", num(v, "H")}};
    s["current_range"] = (!out.stopped && out.found) ? json(rowNumber(r)) : json(nullptr);
    s["stopped"] = out.stopped;
    return s;
}

json complexSearchJson(DataModule &dm, const SearchOutcome &out)
{
    json s;
    json rows = json::array();
    Table &c = dm.table(TableId::Diap2MO3);
    {
        RowKeeper keep(c);
        for (c.first(); !c.eof(); c.next())
            rows.push_back({{"DiapName1", text(c, "DiapName1")}, {"X1", num(c, "X1")},
                            {"Y1", num(c, "Y1")}, {"H1", num(c, "H1")},
                            {"DiapName2", text(c, "DiapName2")}, {"X2", num(c, "X2")},
                            {"Y2", num(c, "Y2")}, {"H2", num(c, "H2")}});
    }
    s["combinations"] = rows;
    Table &v = dm.table(TableId::Diap2MO0);
    json var;
    for (const char *f : {"X1", "Y1", "H1", "X2", "Y2", "H2"})
        var[f] = num(v, f);
    s["variant"] = var;
    s["current_combination"] = (!out.stopped && out.found) ? json(rowNumber(c)) : json(nullptr);
    s["stopped"] = out.stopped;
    return s;
}

json cellJson(double h) { return std::isnan(h) ? json(nullptr) : json(h); }

json tableJson(const TableOutcome &o)
{
    json j;
    if (!o.refused.empty()) {
        j["refused"] = o.refused;
        return j;
    }
    const HeightTable &t = o.table;
    if (t.mode == TableMode::Both)
        j["mode"] = "both";
    j["stopped"] = o.stopped;
    if (o.stopped)
        return j;
    j["cols"] = t.columnCount();
    j["rows"] = t.rowCount();
    if (t.mode == TableMode::Both) {
        j["header"] = {{"(1,0)", heightTableText(t, 1, 0)},
                       {"(0,1)", heightTableText(t, 0, 1)},
                       {"(1,1)", heightTableText(t, 1, 1)}};
        json p1 = json::array(), p2 = json::array();
        for (const Pt &p : t.points1)
            p1.push_back({p.x, p.y});
        for (const Pt &p : t.points2)
            p2.push_back({p.x, p.y});
        j["support1_points"] = p1;
        j["support2_points"] = p2;
    } else {
        j["corner"] = heightTableText(t, 0, 0);
        j["x"] = t.xs;
        j["y"] = t.ys;
    }
    json cells = json::array();
    for (std::int64_t r = 0; r < t.dataRows; ++r) {
        json row = json::array();
        for (std::int64_t c = 0; c < t.dataCols; ++c)
            row.push_back(cellJson(t.cell(c, r)));
        cells.push_back(row);
    }
    j["cells"] = cells;
    j["Hmin"] = t.Hmin;
    j["Hmax"] = t.Hmax;
    j["min_cell"] = t.found ? json::array({t.minCol, t.minRow}) : json(nullptr);
    if (t.mode == TableMode::Support1)
        j["mode"] = "support1";
    else if (t.mode == TableMode::Support2)
        j["mode"] = "support2";
    return j;
}

// Makes the k-th (1-based) row of a table current; false when there is none.
bool gotoNumber(Table &t, const json &table, const char *key)
{
    const std::int64_t n = optInteger(table, key, "table", 1, 1'000'000).value_or(1);
    t.first();
    for (std::int64_t i = 1; i < n && !t.eof(); ++i)
        t.next();
    return !t.eof();
}

int runCase(Context &ctx, const std::string &path, Engine engine)
{
    const json doc = readJsonFile(path);
    try {
        CaseSession session(doc);
        DataModule &dm = session.dm();
        const std::string tip = dm.project().asText("TipMO");
        const bool single = placementKindOf(tip) == PlacementKind::SingleRod;
        std::string name = "Вариант";
        if (doc.contains("variant")) {
            if (!doc["variant"].is_object())
                throw InputRefused("Ошибка. Поле variant должно быть записью JSON ({...}).");
            name = optString(doc["variant"], "Name", "variant").value_or(name);
        }
        Table &variant = dm.table(single ? TableId::Diap0 : TableId::Diap2MO0);
        if (!variant.append())
            throw CaseRefused("Ошибка. Вариант размещения не добавлен.");
        variant.setValue("Name", name);
        if (!variant.post())
            throw CaseRefused("Ошибка. Вариант размещения не сохранен.");
        // A range the table rules refuse (a step of 0, a bound out of order) refuses the case: a
        // search over fewer ranges than given would answer another question.
        const auto enterAll = [&](const char *key, TableId rid, TableId sid) {
            int k = 0;
            for (const json &r : optArray(doc, key, path)) {
                const std::string where = std::string(key) + "[" + std::to_string(k++) + "]";
                if (!enterRange(dm, rid, sid, r, where)) {
                    const auto &said = session.prompter().messages();
                    throw CaseRefused("Ошибка. Диапазон " + where + " не принят"
                                      + (said.empty() ? std::string(".") : ": " + said.back()));
                }
            }
        };
        if (single) {
            enterAll("ranges", TableId::Diap1, TableId::Diap2);
        } else {
            enterAll("ranges1", TableId::Diap2MO1, TableId::Diap2MO2);
            enterAll("ranges2", TableId::Diap2MO11, TableId::Diap2MO21);
        }
        const std::int64_t stopAfter =
            optInteger(doc, "stop_after", path, 0, std::numeric_limits<std::int64_t>::max())
                .value_or(0);
        StopAfterFeedback fb(stopAfter);
        json out;
        out["project"] = {{"TipMO", tip}};
        json search;
        if (single) {
            const SearchOutcome o = runSingleRodSearch(dm, fb, engine);
            if (!o.refused.empty())
                throw CaseRefused(o.refused);
            search = singleSearchJson(dm, o);
        } else {
            const ComplexRun run = runComplexSearch(dm, fb, engine);
            if (!run.refused.empty())
                throw CaseRefused(run.refused);
            search = complexSearchJson(dm, run.outcome);
        }
        json table;
        if (doc.contains("table")) {
            const json &t = doc["table"];
            if (!t.is_object())
                throw InputRefused("Ошибка. Поле table должно быть записью JSON ({...}).");
            SearchFeedback tfb;
            TableOutcome built;
            if (single) {
                gotoNumber(dm.table(TableId::Diap1), t, "range");
                built = buildSingleRodTable(dm, tfb, engine);
            } else {
                gotoNumber(dm.table(TableId::Diap2MO1), t, "range1");
                gotoNumber(dm.table(TableId::Diap2MO11), t, "range2");
                built = buildComplexTable(dm, tfb, engine);
            }
            if (!built.refused.empty())
                throw CaseRefused(built.refused);
            table = tableJson(built);
        }
        out["messages"] = session.prompter().messages();
        out["search"] = search;
        if (!table.is_null())
            out["table"] = table;
        ctx.out << out.dump(1) << "\n";
    } catch (const CaseRefused &e) {
        ctx.err << e.what() << "\n";
        return kExitRefused;
    }
    return kExitOk;
}

// Moves the conductor to the variant's result, snapped to the object step, as OK does in the
// placement windows; with podbor the approximate selection follows ("Автоподбор" ticked).
bool applyVariant(Context &ctx, DataModule &dm, bool complex, bool podbor, json &out)
{
    const ConductorPositions p =
        snapToObjectStep(dm, placementResult(dm, complex, ResultMode::Variant));
    if (p.empty()) {
        ctx.err << "Ошибка. Вариант размещения не имеет результата: молниеотвод не перемещен.\n";
        return false;
    }
    // The move and the selection after it are one command: both or neither.
    PodborResult r;
    if (!applyConductorPositions(dm, p, podbor, &r)) {
        ctx.err << "Ошибка. Положение молниеотвода не сохранено.\n";
        return false;
    }
    json a;
    if (p.p1)
        a["support1"] = {{"MX", p.p1->x}, {"MY", p.p1->y}};
    if (p.p2)
        a["support2"] = {{"MX", p.p2->x}, {"MY", p.p2->y}};
    if (podbor)
        a["H"] = r.designHeight ? json(*r.designHeight) : json(nullptr);
    out["applied"] = a;
    return true;
}

int runVariant(Context &ctx, const std::string &kodArg, const std::string &variantArg,
               Engine engine, bool apply, bool podbor)
{
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!dm)
        return 1;
    constexpr std::int64_t maxKey = std::numeric_limits<int>::max();
    const int kod = static_cast<int>(parseIntegerArg(kodArg, "код проекта", 1, maxKey));
    const int variantKod = static_cast<int>(parseIntegerArg(variantArg, "код варианта", 1, maxKey));
    if (!locateProject(*dm, kod))
        throw InputRefused("Ошибка. Проект с кодом " + kodArg + " не найден.");
    const bool single = placementKindOf(dm->project().asText("TipMO")) == PlacementKind::SingleRod;
    Table &variant = dm->table(single ? TableId::Diap0 : TableId::Diap2MO0);
    if (!variant.locate({{"Kod", Value(variantKod)}}))
        throw InputRefused("Ошибка. Вариант размещения с кодом " + variantArg + " не найден.");
    // Refusals reach standard error through the prompter.
    SearchFeedback fb;
    json out;
    if (single) {
        const SearchOutcome o = runSingleRodSearch(*dm, fb, engine);
        if (!o.refused.empty())
            return kExitRefused;
        out["search"] = singleSearchJson(*dm, o);
    } else {
        const ComplexRun run = runComplexSearch(*dm, fb, engine);
        if (!run.refused.empty())
            return kExitRefused;
        out["search"] = complexSearchJson(*dm, run.outcome);
    }
    if (apply && !applyVariant(ctx, *dm, !single, podbor, out)) {
        ctx.out << out.dump(1) << "\n";
        return kExitRefused;
    }
    ctx.out << out.dump(1) << "\n";
    return kExitOk;
}

int cmdPlace(Context &ctx)
{
    Engine engine = Engine::Fast;
    std::vector<std::string> pos;
    std::string variantArg;
    bool apply = false, podbor = false;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string &a = ctx.args[i];
        if (a == "--reference")
            engine = Engine::Reference;
        else if (a == "--apply")
            apply = true;
        else if (a == "--podbor")
            podbor = true;
        else if (a == "--variant" && i + 1 < ctx.args.size())
            variantArg = ctx.args[++i];
        else
            pos.push_back(a);
    }
    if (pos.size() != 1 || (apply && variantArg.empty()) || (podbor && !apply)) {
        ctx.err << "usage: korvan-cli place CASE.json [--reference] | place KOD --variant K "
                   "[--apply [--podbor]]\n";
        return kExitRefused;
    }
    if (!variantArg.empty())
        return runVariant(ctx, pos[0], variantArg, engine, apply, podbor);
    return runCase(ctx, pos[0], engine);
}

} // namespace

KV_CLI_COMMAND(place, "place",
               "place CASE.json [--reference] | place KOD --variant K [--reference] [--apply "
               "[--podbor]]  optimal placement; --apply moves the conductor to the result",
               cmdPlace);

} // namespace kv::cli
