#pragma once
// korvan-cli commands register themselves here; main() parses --data and dispatches.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv::cli {

// Input the program refuses: a bad file, field, number or argument, a missing or damaged data
// folder. main() prints the message alone and exits with kExitRefused.
class InputRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
