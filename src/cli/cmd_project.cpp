// korvan-cli init, list, export, import: the data folder and its projects as JSON.

#include "cli/caseio.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "data/multirodstore.h"
#include "data/objectops.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/projectfile.h"

#include <cctype>
#include <filesystem>
#include <iostream>
#include <limits>

namespace kv::cli {

using json = nlohmann::ordered_json;

namespace {

// Opens the data folder of the context; a missing folder is refused, not created, and so is a
// folder with a missing or damaged table file (the messages name the files).
std::unique_ptr<DataModule> openData(Context &ctx, Prompter &prompter)
{
    std::error_code ec;
    if (!std::filesystem::exists(ctx.dataDir, ec))
        throw InputRefused("Ошибка. Папка данных " + ctx.dataDir
                           + " не найдена (создайте ее командой init).");
    if (!std::filesystem::is_directory(ctx.dataDir, ec))
        throw InputRefused("Ошибка. " + ctx.dataDir + " - не папка данных, а файл.");
    CliPrompter opening(nullptr);
    auto dm = std::make_unique<DataModule>(ctx.dataDir, opening);
    dm->openAll();
    dm->setPrompter(prompter);
    const auto &errors = opening.messages();
    if (!errors.empty()) {
        std::string text = errors.front();
        if (errors.size() > 1)
            text += " Всего файлов с ошибками: " + std::to_string(errors.size()) + ".";
        throw InputRefused(text);
    }
    return dm;
}

// A project file is known by its name, as the window knows a dropped one (in any case).
bool isProjectFileName(const std::string &path)
{
    const std::string suffix = kProjectFileSuffix;
    if (path.size() <= suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - suffix.size() + i])) !=
            suffix[i])
            return false;
    return true;
}

int parseKod(const std::string &s)
{
    return static_cast<int>(parseIntegerArg(s, "код проекта", 1, std::numeric_limits<int>::max()));
}

int cmdInit(Context &ctx)
{
    if (!ctx.args.empty()) {
        ctx.err << "usage: korvan-cli init\n";
        return kExitRefused;
    }
    std::error_code ec;
    if (std::filesystem::exists(ctx.dataDir, ec) && !std::filesystem::is_directory(ctx.dataDir, ec))
        throw InputRefused("Ошибка. " + ctx.dataDir + " - не папка данных, а файл.");
    const int created = createInstallationData(ctx.dataDir);
    ctx.out << ctx.dataDir << ": " << created << " table files created\n";
    return 0;
}

int cmdList(Context &ctx)
{
    if (!ctx.args.empty()) {
        ctx.err << "usage: korvan-cli list\n";
        return kExitRefused;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openData(ctx, prompter);
    Table &p = dm->project();
    for (p.first(); !p.eof(); p.next())
        ctx.out << p.asInt("Kod") << "\t" << p.asText("Name") << "\t" << p.asText("TipMO") << "\n";
    return 0;
}

int cmdExport(Context &ctx)
{
    // Without -o the project JSON goes to standard output; with it, a project file is written.
    const bool toFile = ctx.args.size() == 3 && ctx.args[1] == "-o";
    if (ctx.args.size() != 1 && !toFile) {
        ctx.err << "usage: korvan-cli export KOD [-o FILE.kvproj]\n";
        return kExitRefused;
    }
    const int kod = parseKod(ctx.args[0]);
    if (toFile) {
        const std::string &path = ctx.args[2];
        if (!isProjectFileName(path))
            throw InputRefused("Ошибка. Файл " + path + ": проект записывается только в файл " +
                               kProjectFileSuffix + ".");
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openData(ctx, prompter);
    if (!locateProject(*dm, kod))
        throw InputRefused("Ошибка. Проект с кодом " + ctx.args[0] + " не найден.");
    if (toFile) {
        try {
            saveProjectFile(*dm, ctx.args[2]);
        } catch (const InputRefused &) {
            throw;
        } catch (const std::runtime_error &e) {
            // A file that cannot be written, or an underlay file that cannot be read.
            ctx.err << e.what() << "\n";
            return kExitFailed;
        }
        return 0;
    }
    ReadLock lock(*dm);
    ctx.out << projectToJson(*dm).dump(1) << "\n";
    return 0;
}

int cmdImport(Context &ctx)
{
    if (ctx.args.size() != 1) {
        ctx.err << "usage: korvan-cli import FILE\n";
        return kExitRefused;
    }
    // A project file of the program is checked as the program checks it.
    const bool projectFile = isProjectFileName(ctx.args[0]);
    const json doc = projectFile ? readProjectFile(ctx.args[0]) : readJsonFile(ctx.args[0]);
    if (!doc.contains("project") || !doc["project"].is_object()) {
        ctx.err << "Ошибка. В файле нет проекта (\"project\").\n";
        return 2;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openData(ctx, prompter);
    // A multiple rod project goes only into a folder prepared for it (which older builds
    // refuse); its stored pairs and elements are read before anything is written.
    prepareMultiRodImport(*dm, doc);
    // The whole project is one command: a refused or interrupted import leaves no trace.
    Transaction tx(*dm, projectTables());
    int kod = 0;
    try {
        kod = enterProjectFile(*dm, doc, ctx.args[0]);
    } catch (const CaseRefused &e) {
        ctx.err << e.what() << "\n";
        return 2;
    }
    tx.commit();
    ctx.out << kod << "\n";
    return 0;
}

} // namespace

KV_CLI_COMMAND(init, "init", "init                     create a data folder with the installation data",
               cmdInit);
KV_CLI_COMMAND(list, "list", "list                     one project a line, its key first", cmdList);
KV_CLI_COMMAND(exportProject, "export",
               "export KOD [-o FILE.kvproj]   one project with its rows as JSON, or written as a "
               "project file",
               cmdExport);
KV_CLI_COMMAND(importProject, "import",
               "import FILE              a project JSON (or .kvproj file) in as a new project; prints its key",
               cmdImport);

// Shared with the other command files.
std::unique_ptr<DataModule> openDataFolder(Context &ctx, Prompter &prompter)
{
    return openData(ctx, prompter);
}

} // namespace kv::cli
