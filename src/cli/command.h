#pragma once
// korvan-cli commands register themselves here; main() parses --data and dispatches.

#include "exchange/jsoninput.h"

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv::cli {

// Input the program refuses; main() prints the message alone and exits with kExitRefused.
using InputRefused = kv::InputRefused;

// The exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // an internal failure (a bug, no memory, a write error)
inline constexpr int kExitRefused = 2; // refused input

struct Context {
    std::string dataDir;           // --data DIR, default: the Data folder beside the executable
    std::vector<std::string> args; // arguments after the command name
    std::ostream &out;
    std::ostream &err;
};

// Returns the process exit code: kExitOk, kExitFailed or kExitRefused; may throw InputRefused.
using CommandFn = int (*)(Context &);

struct Registrar {
    Registrar(const char *name, const char *usage, CommandFn fn);
};

} // namespace kv::cli

#define KV_CLI_COMMAND(ident, name, usage, fn) \
    static const ::kv::cli::Registrar kvCliRegistrar_##ident(name, usage, fn)
