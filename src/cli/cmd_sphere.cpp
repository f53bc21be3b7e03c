// korvan-cli sphere: the rolling-sphere check of a stored project or of a calculation case.

#include "calc/rollingsphere.h"
#include "cli/caseio.h"
#include "cli/cliprompter.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "data/podborops.h"
#include "data/snapshot.h"

#include <cmath>
#include <limits>
#include <optional>

namespace kv::cli
{

using json = nlohmann::ordered_json;

namespace
{

constexpr const char *kUsage = "usage: korvan-cli sphere KOD|CASE.json [--height LEVEL]\n"
                               "       (LEVEL: I, II, III, IV or 1 to 4)\n";

// Lengths to the micrometre: beyond the check's own precision, and free of binary noise.
json metres(double v)
{
    return std::round(v * 1e6) / 1e6 + 0.0;
}

json optText(const OptS &s)
{
    return s ? json(*s) : json(nullptr);
}

json levelJson(const SphereLevelResult &r)
{
    json j = json::object();
    j["protected"] = r.isProtected;
    if (r.point)
        j["point"] = json::array({metres(r.point->x), metres(r.point->y), metres(r.point->z)});
    else
        j["point"] = nullptr;
    j["depth"] = r.isProtected ? json(0) : metres(r.depth);
    return j;
}

bool allDigits(const std::string &s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int levelArg(const std::string &s)
{
    if (s.size() == 1 && s[0] >= '1' && s[0] <= '4')
        return s[0] - '1';
    return SphereLevelOf(s);
}

int cmdSphere(Context &ctx)
{
    std::string source;
    int level = -1;
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string &a = ctx.args[i];
        if (a == "--height") {
            if (i + 1 >= ctx.args.size() || (level = levelArg(ctx.args[++i])) < 0) {
                ctx.err << kUsage;
                return kExitRefused;
            }
        } else if (source.empty()) {
            source = a;
        } else {
            ctx.err << kUsage;
            return kExitRefused;
        }
    }
    if (source.empty()) {
        ctx.err << kUsage;
        return kExitRefused;
    }

    ProjectSnapshot snap;
    std::vector<SagRow> sagTable;
    std::optional<CaseSession> session;
    std::unique_ptr<DataModule> dm;
    CliPrompter prompter(&ctx.err);
    if (allDigits(source)) {
        const auto kod = parseIntegerArg(source, "код проекта", 1, std::numeric_limits<int>::max());
        dm = openDataFolder(ctx, prompter);
        if (!dm || !locateProject(*dm, static_cast<int>(kod)))
            throw InputRefused("Ошибка. Проект с кодом " + source + " не найден.");
        snap = loadProjectSnapshot(*dm, static_cast<int>(kod));
        sagTable = loadSagTable(*dm);
    } else {
        const json doc = readJsonFile(source);
        session.emplace(doc);
        runAutoPodbor(session->dm());
        snap = loadCurrentProject(session->dm());
        sagTable = loadSagTable(session->dm());
    }
    if (snap.conductors.empty())
        throw InputRefused("Ошибка. У проекта нет молниеотвода.");

    const SphereTerminations terms = SphereTerminationsOf(snap, sagTable);
    const SphereResult res = SphereCheck(terms, SphereObjectsOf(snap));
    json out = json::object();
    json objects = json::array();
    for (size_t i = 0; i < snap.objects.size(); ++i) {
        json o = json::object();
        o["Name"] = optText(snap.objects[i].Name);
        o["SLabel"] = optText(snap.objects[i].SLabel);
        json levels = json::object();
        for (int k = 0; k < kSphereLevelCount; ++k)
            levels[SphereLevelName(k)] = levelJson(res.objects[i].levels[k]);
        o["levels"] = levels;
        objects.push_back(o);
    }
    out["objects"] = objects;
    out["best_level"] = res.bestLevel >= 0 ? json(SphereLevelName(res.bestLevel)) : json(nullptr);
    if (level >= 0) {
        const std::optional<double> H = SphereRodHeight(snap, level);
        out["height"] = {{"level", SphereLevelName(level)}, {"H", H ? json(*H) : json(nullptr)}};
    }
    ctx.out << out.dump(1) << "\n";
    return kExitOk;
}

} // namespace

KV_CLI_COMMAND(sphere, "sphere",
               "sphere KOD|CASE.json [--height LEVEL]   the rolling-sphere check (levels I-IV)",
               cmdSphere);

} // namespace kv::cli
