#pragma once
// korvan-cli commands register themselves here; main() parses --data and dispatches.

#include <iosfwd>
#include <string>
#include <vector>

namespace kv::cli {

struct Context {
    std::string dataDir;           // --data DIR, default: the Data folder beside the executable
    std::vector<std::string> args; // arguments after the command name
    std::ostream &out;
    std::ostream &err;
};

// Returns the process exit code: 0 success, 1 failure, 2 refused input.
using CommandFn = int (*)(Context &);

struct Registrar {
    Registrar(const char *name, const char *usage, CommandFn fn);
};

} // namespace kv::cli

#define KV_CLI_COMMAND(ident, name, usage, fn) \
    static const ::kv::cli::Registrar kvCliRegistrar_##ident(name, usage, fn)
