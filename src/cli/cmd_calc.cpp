// korvan-cli calc, podbor, choose: the conductor selection and the catalogue choice.

#include "cli/caseio.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "calc/multirod.h"
#include "data/multirodstore.h"
#include "data/podborops.h"
#include "data/snapshot.h"

#include <cmath>
#include <iostream>
#include <limits>
#include <optional>

namespace kv::cli {


using json = nlohmann::ordered_json;

namespace {

// A multiple rod needs two rods at least: refused (exit code 2) before anything is computed.
void requireRods(DataModule &dm)
{
    if (isMultiRodProject(dm) && dm.mo().recordCount() < 2)
        throw CaseRefused(kMsgMultiRodTooFew);
}

int cmdCalc(Context &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "usage: korvan-cli calc CASE.json\n";
        return kExitRefused;
    }
    const json doc = readJsonFile(ctx.args[0]);
    std::optional<ChosenConstruction> chosen;
    if (doc.contains("choose")) {
        const json &c = doc["choose"];
        if (!c.is_object())
            throw InputRefused("Ошибка. Поле choose должно быть записью JSON ({...}).");
        chosen.emplace();
        chosen->Tip = optString(c, "Tip", "choose").value_or(std::string());
        chosen->Prim = optString(c, "Prim", "choose").value_or(std::string());
        chosen->H = optNumber(c, "H", "choose").value_or(0.0);
        // A construction is a real mast or pair of supports: its height is above the ground.
        if (!(chosen->H > 0) || !std::isfinite(chosen->H))
            throw InputRefused("Ошибка. Поле H (choose) должно быть числом больше 0.");
    }
    CaseSession session(doc);
    requireRods(session.dm());
    runAutoPodbor(session.dm());
    if (chosen)
        chooseConstruction(session.dm(), *chosen);
    ctx.out << session.result().dump(1) << "\n";
    return kExitOk;
}

bool locateArg(DataModule &dm, const std::string &arg)
{
    const auto kod = parseIntegerArg(arg, "код проекта", 1, std::numeric_limits<int>::max());
    if (!locateProject(dm, static_cast<int>(kod)))
        throw InputRefused("Ошибка. Проект с кодом " + arg + " не найден.");
    return true;
}

int cmdPodbor(Context &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "usage: korvan-cli podbor KOD\n";
        return kExitRefused;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!locateArg(*dm, ctx.args[0]))
        return 1;
    requireRods(*dm);
    runAutoPodbor(*dm);
    ctx.out << projectToJson(*dm).dump(1) << "\n";
    return 0;
}

int cmdChoose(Context &ctx)
{
    std::string kod, construction;
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        if (ctx.args[i] == "--construction" && i + 1 < ctx.args.size())
            construction = ctx.args[++i];
        else if (kod.empty())
            kod = ctx.args[i];
    }
    if (kod.empty() || construction.empty()) {
        ctx.err << "usage: korvan-cli choose KOD --construction KOD1\n";
        return kExitRefused;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!locateArg(*dm, kod))
        return 1;
    const auto ckod = parseIntegerArg(construction, "код конструкции", 1,
                                      std::numeric_limits<int>::max());
    if (!chooseConstruction(*dm, static_cast<int>(ckod)))
        throw InputRefused("Ошибка. Конструкция с кодом " + construction
                           + " не найдена в каталоге.");
    ctx.out << projectToJson(*dm).dump(1) << "\n";
    return 0;
}

} // namespace

KV_CLI_COMMAND(calc, "calc",
               "calc CASE.json           enter a case, run the selection (and the choice)",
               cmdCalc);
KV_CLI_COMMAND(podbor, "podbor", "podbor KOD               the approximate selection of a project",
               cmdPodbor);
KV_CLI_COMMAND(choose, "choose",
               "choose KOD --construction KOD1   a catalogue construction for a project",
               cmdChoose);

} // namespace kv::cli
