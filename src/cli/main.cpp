// korvan-cli: the headless tool that runs the program's operations on a data folder.

#include "cli/command.h"

#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <unistd.h>

namespace kv::cli {

namespace {

struct Entry {
    std::string usage;
    CommandFn fn;
};

std::map<std::string, Entry> &registry()
{
    static std::map<std::string, Entry> r;
    return r;
}

std::string executableDir()
{
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path().string();
    return p.parent_path().string();
}

void usage(std::ostream &os)
{
    os << "Usage: korvan-cli [--data DIR] COMMAND [ARGS]\n\nCommands:\n";
    for (const auto &[name, e] : registry())
        os << "  " << e.usage << "\n";
}

} // namespace

Registrar::Registrar(const char *name, const char *usageText, CommandFn fn)
{
    registry()[name] = Entry{usageText, fn};
}

} // namespace kv::cli

int main(int argc, char **argv)
{
    using namespace kv::cli;
    std::string dataDir = (std::filesystem::path(executableDir()) / "Data").string();
    int i = 1;
    while (i < argc) {
        const std::string a = argv[i];
        if (a == "--data" && i + 1 < argc) {
            dataDir = argv[i + 1];
            i += 2;
        } else if (a.rfind("--data=", 0) == 0) {
            dataDir = a.substr(7);
            ++i;
        } else if (a == "--help" || a == "-h") {
            usage(std::cout);
            return 0;
        } else {
            break;
        }
    }
    if (i >= argc) {
        usage(std::cerr);
        return 1;
    }
    const std::string name = argv[i++];
    const auto it = registry().find(name);
    if (it == registry().end()) {
        std::cerr << "korvan-cli: unknown command \"" << name << "\"\n";
        usage(std::cerr);
        return 1;
    }
    Context ctx{dataDir, {}, std::cout, std::cerr};
    for (; i < argc; ++i)
        ctx.args.emplace_back(argv[i]);
    try {
        return it->second.fn(ctx);
    } catch (const std::exception &e) {
        std::cerr << "korvan-cli: " << e.what() << "\n";
        return 1;
    }
}
