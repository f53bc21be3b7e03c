#pragma once
// Reading the JSON files the commands take: bounded in size and nesting before the parser sees
// them, refused with a Russian message naming the file, and typed field access that names the
// field when a value is missing or of the wrong kind.


#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

// Input the program refuses: a bad file, field, number or argument, a missing or damaged data
// folder. The message says which and what is wrong, in Russian.
class InputRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The deepest nesting of arrays and objects in a JSON text, found without recursion (strings
// and their escapes are skipped). Stops counting once `stopAt` is passed.
int jsonNestingDepth(std::string_view text, int stopAt);

// Parses JSON text that must hold an object; `where` names the source in messages. Throws
// InputRefused for text too large, nested too deep, not JSON or not an object.
nlohmann::ordered_json parseJsonObject(std::string_view text, const std::string &where);

// Reads at most the size limit from the file (so a device or a pipe cannot fill memory) and
// parses it with parseJsonObject.
nlohmann::ordered_json readJsonObjectFile(const std::string &path);

// Typed access to the optional keys of an input object; `where` names the object ("choose",
// "ranges[2]"). A value of the wrong kind or out of range throws InputRefused naming the field.
std::optional<double> optNumber(const nlohmann::ordered_json &obj, const char *key,
                                const std::string &where);
std::optional<std::int64_t> optInteger(const nlohmann::ordered_json &obj, const char *key,
                                       const std::string &where, std::int64_t lo,
                                       std::int64_t hi);
std::optional<std::string> optString(const nlohmann::ordered_json &obj, const char *key,
                                     const std::string &where);
// An array under the key (none: empty array); anything else is refused.
const nlohmann::ordered_json &optArray(const nlohmann::ordered_json &obj, const char *key,
                                       const std::string &where);

// A whole-number argument of the command line (a project key, a size); refused otherwise.
std::int64_t parseIntegerArg(const std::string &text, const std::string &what, std::int64_t lo,
                             std::int64_t hi);

} // namespace kv
