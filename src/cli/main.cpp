// korvan-cli: the headless tool that runs the program's operations on a data folder.

#include "cli/command.h"
#include "data/datalocation.h"
#include "data/table.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <new>
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

// Memory kept back for the way out: when an allocation fails, this block is given back before
// std::bad_alloc is thrown, so that the destructors that run while unwinding (some of them
// allocate) and the message have memory, and the command ends with exit code 1, not an abort.
char *g_reserve = nullptr;
constexpr std::size_t kReserveBytes = 32u << 20;

void onOutOfMemory()
{
    delete[] g_reserve;
    g_reserve = nullptr;
    std::set_new_handler(nullptr);
    throw std::bad_alloc();
}

// Everything a command printed must reach its file: a full disk or /dev/full fails here at the
// latest, and a result that did not arrive is an internal failure, never success.
int finishOutput(int code)
{
    errno = 0;
    std::cout.flush();
    const bool failed = !std::cout.good() || std::fflush(stdout) != 0 || std::ferror(stdout);
    const int err = errno;
    if (!failed)
        return code;
    std::cerr << "Ошибка. Не удалось записать результат в стандартный вывод: "
              << std::strerror(err ? err : EIO) << ".\n";
    return code == kExitOk ? kExitFailed : code;
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
    g_reserve = new (std::nothrow) char[kReserveBytes];
    std::set_new_handler(onOutOfMemory);
    std::string dataDir = kv::defaultDataDir(executableDir());
    int i = 1;
    while (i < argc) {
        const std::string a = argv[i];
        if (a == "--data") {
            if (i + 1 >= argc || std::string(argv[i + 1]).empty()) {
                std::cerr << "Ошибка. После --data нужна папка данных.\n";
                return kExitRefused;
            }
            dataDir = argv[i + 1];
            i += 2;
        } else if (a.rfind("--data=", 0) == 0) {
            dataDir = a.substr(7);
            if (dataDir.empty()) {
                std::cerr << "Ошибка. После --data нужна папка данных.\n";
                return kExitRefused;
            }
            ++i;
        } else if (a == "--help" || a == "-h") {
            usage(std::cout);
            return finishOutput(kExitOk);
        } else {
            break;
        }
    }
    if (i >= argc) {
        usage(std::cerr);
        return kExitRefused;
    }
    const std::string name = argv[i++];
    const auto it = registry().find(name);
    if (it == registry().end()) {
        std::cerr << "Ошибка. Неизвестная команда \"" << name << "\".\n";
        usage(std::cerr);
        return kExitRefused;
    }
    Context ctx{dataDir, {}, std::cout, std::cerr};
    for (; i < argc; ++i)
        ctx.args.emplace_back(argv[i]);
    // Help of a command touches nothing.
    for (const std::string &a : ctx.args)
        if (a == "--help" || a == "-h") {
            std::cout << "Usage: korvan-cli [--data DIR] " << it->second.usage << "\n";
            return finishOutput(kExitOk);
        }
    try {
        return finishOutput(it->second.fn(ctx));
    } catch (const InputRefused &e) {
        std::cerr << e.what() << "\n";
        return kExitRefused;
    } catch (const kv::StorageError &e) {
        // A full disk or an I/O error: the command could not be carried out.
        std::cerr << e.what() << "\n";
        return kExitFailed;
    } catch (const kv::TableError &e) {
        // A damaged table file or a value the table refuses.
        std::cerr << e.what() << "\n";
        return kExitRefused;
    } catch (const nlohmann::json::exception &) {
        // Every input field is checked where it is read; this is the net under those checks.
        std::cerr << "Ошибка. Во входном файле значение неверного типа или вне допустимых "
                     "пределов.\n";
        return kExitRefused;
    } catch (const std::bad_alloc &) {
        std::cerr << "Ошибка. Недостаточно памяти.\n";
        return kExitFailed;
    } catch (const std::exception &e) {
        std::cerr << "Внутренняя ошибка korvan-cli: " << e.what() << "\n";
        return kExitFailed;
    }
}
