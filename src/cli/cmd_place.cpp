// korvan-cli place: the optimal placement searches and height tables on a case or a data folder.

#include "calc/placementsearch.h"
#include "cli/caseio.h"
#include "cli/command.h"
#include "data/snapshot.h"
#include "data/podborops.h"
#include "placement/placementapply.h"
#include "placement/placementdriver.h"

#include <cmath>
#include <iostream>

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
bool enterRange(DataModule &dm, TableId rangeId, TableId subId, const json &r)
{
    Table &t = dm.table(rangeId);
    if (!t.append())
        return false;
    if (t.def().field("DiapName") && r.contains("DiapName") && r["DiapName"].is_string())
        t.setValue("DiapName", r["DiapName"].get<std::string>());
    for (const char *f : {"X1", "X2", "DX", "Y1", "Y2", "DY"})
        if (r.contains(f) && r[f].is_number())
            t.setValue(f, r[f].get<double>());
    if (!t.post()) {
        t.cancel();
        return false;
    }
    if (!r.contains("subranges"))
        return true;
    Table &s = dm.table(subId);
    for (const json &sr : r["subranges"]) {
        if (!s.append())
            return false;
        for (const char *f : {"X1", "X2", "Y1", "Y2"})
            if (sr.contains(f) && sr[f].is_number())
                s.setValue(f, sr[f].get<double>());
        for (const char *f : {"VklX1", "VklX2", "VklY1", "VklY2"})
            if (sr.contains(f))
                s.setValue(f, sr[f].is_string() ? Value(sr[f].get<std::string>())
                                                : Value(sr[f].get<bool>()));
        if (!s.post())
            s.cancel();
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
bool gotoNumber(Table &t, const json &k)
{
    if (!k.is_number_integer())
        return false;
    const int n = k.get<int>();
    t.first();
    for (int i = 1; i < n && !t.eof(); ++i)
        t.next();
    return n >= 1 && !t.eof();
}

int runCase(Context &ctx, const std::string &path, Engine engine)
{
    const json doc = readJsonFile(path);
    try {
        CaseSession session(doc);
        DataModule &dm = session.dm();
        const std::string tip = dm.project().asText("TipMO");
        const bool single = placementKindOf(tip) == PlacementKind::SingleRod;
        const std::string name = doc.contains("variant") && doc["variant"].contains("Name")
                                     ? doc["variant"]["Name"].get<std::string>()
                                     : std::string("Вариант");
        Table &variant = dm.table(single ? TableId::Diap0 : TableId::Diap2MO0);
        if (!variant.append())
            throw CaseRefused("Ошибка. Вариант размещения не добавлен.");
        variant.setValue("Name", name);
        if (!variant.post())
            throw CaseRefused("Ошибка. Вариант размещения не сохранен.");
        const auto enterAll = [&](const char *key, TableId rid, TableId sid) {
            if (doc.contains(key))
                for (const json &r : doc[key])
                    enterRange(dm, rid, sid, r);
        };
        if (single) {
            enterAll("ranges", TableId::Diap1, TableId::Diap2);
        } else {
            enterAll("ranges1", TableId::Diap2MO1, TableId::Diap2MO2);
            enterAll("ranges2", TableId::Diap2MO11, TableId::Diap2MO21);
        }
        const std::int64_t stopAfter = doc.value("stop_after", 0);
        StopAfterFeedback fb(stopAfter);
        json out;
        out["project"] = {{"TipMO", tip}};
        json search;
        if (single) {
            const SearchOutcome o = runSingleRodSearch(dm, fb, engine);
            search = singleSearchJson(dm, o);
        } else {
            const ComplexRun run = runComplexSearch(dm, fb, engine);
            search = complexSearchJson(dm, run.outcome);
        }
        json table;
        if (doc.contains("table")) {
            const json &t = doc["table"];
            SearchFeedback tfb;
            if (single) {
                gotoNumber(dm.table(TableId::Diap1), t.value("range", json(1)));
                table = tableJson(buildSingleRodTable(dm, tfb, engine));
            } else {
                gotoNumber(dm.table(TableId::Diap2MO1), t.value("range1", json(1)));
                gotoNumber(dm.table(TableId::Diap2MO11), t.value("range2", json(1)));
                table = tableJson(buildComplexTable(dm, tfb, engine));
            }
        }
        out["messages"] = session.prompter().messages();
        out["search"] = search;
        if (!table.is_null())
            out["table"] = table;
        ctx.out << out.dump(1) << "\n";
    } catch (const CaseRefused &e) {
        ctx.err << e.what() << "\n";
        return 2;
    }
    return 0;
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
    if (!setConductorPositions(dm, p))
        return false;
    json a;
    if (p.p1)
        a["support1"] = {{"MX", p.p1->x}, {"MY", p.p1->y}};
    if (p.p2)
        a["support2"] = {{"MX", p.p2->x}, {"MY", p.p2->y}};
    if (podbor) {
        const PodborResult r = runAutoPodbor(dm);
        a["H"] = r.designHeight ? json(*r.designHeight) : json(nullptr);
    }
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
    int kod = 0, variantKod = 0;
    try {
        kod = std::stoi(kodArg);
        variantKod = std::stoi(variantArg);
    } catch (...) {
        ctx.err << "usage: korvan-cli place KOD --variant K [--apply [--podbor]]\n";
        return 1;
    }
    if (!locateProject(*dm, kod)) {
        ctx.err << "Ошибка. Проект с кодом " << kodArg << " не найден.\n";
        return 1;
    }
    const bool single = placementKindOf(dm->project().asText("TipMO")) == PlacementKind::SingleRod;
    Table &variant = dm->table(single ? TableId::Diap0 : TableId::Diap2MO0);
    if (!variant.locate({{"Kod", Value(variantKod)}})) {
        ctx.err << "Ошибка. Вариант размещения с кодом " << variantArg << " не найден.\n";
        return 1;
    }
    SearchFeedback fb;
    json out;
    if (single) {
        out["search"] = singleSearchJson(*dm, runSingleRodSearch(*dm, fb, engine));
    } else {
        const ComplexRun run = runComplexSearch(*dm, fb, engine);
        if (!run.refused.empty())
            return 2;
        out["search"] = complexSearchJson(*dm, run.outcome);
    }
    if (apply && !applyVariant(ctx, *dm, !single, podbor, out)) {
        ctx.out << out.dump(1) << "\n";
        return 2;
    }
    ctx.out << out.dump(1) << "\n";
    return 0;
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
        return 1;
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
