// korvan-cli calc, podbor, choose: the conductor selection and the catalogue choice.

#include "cli/caseio.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "data/podborops.h"
#include "data/snapshot.h"

#include <iostream>

namespace kv::cli {


using json = nlohmann::ordered_json;

namespace {

int cmdCalc(Context &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "usage: korvan-cli calc CASE.json\n";
        return 1;
    }
    const json doc = readJsonFile(ctx.args[0]);
    try {
        CaseSession session(doc);
        runAutoPodbor(session.dm());
        if (doc.contains("choose")) {
            const json &c = doc["choose"];
            ChosenConstruction chosen;
            chosen.Tip = c.value("Tip", std::string());
            chosen.Prim = c.value("Prim", std::string());
            chosen.H = c.value("H", 0.0);
            chooseConstruction(session.dm(), chosen);
        }
        ctx.out << session.result().dump(1) << "\n";
    } catch (const CaseRefused &e) {
        ctx.err << e.what() << "\n";
        return 2;
    }
    return 0;
}

bool locateArg(Context &ctx, DataModule &dm, const std::string &arg)
{
    size_t pos = 0;
    int kod = 0;
    try {
        kod = std::stoi(arg, &pos);
    } catch (...) {
        pos = 0;
    }
    if (pos != arg.size() || pos == 0 || !locateProject(dm, kod)) {
        ctx.err << "Ошибка. Проект с кодом " << arg << " не найден.\n";
        return false;
    }
    return true;
}

int cmdPodbor(Context &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "usage: korvan-cli podbor KOD\n";
        return 1;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!locateArg(ctx, *dm, ctx.args[0]))
        return 1;
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
        return 1;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!locateArg(ctx, *dm, kod))
        return 1;
    int ckod = 0;
    try {
        ckod = std::stoi(construction);
    } catch (...) {
        ckod = -1;
    }
    if (!chooseConstruction(*dm, ckod)) {
        ctx.err << "Ошибка. Конструкция с кодом " << construction << " не найдена в каталоге.\n";
        return 1;
    }
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
