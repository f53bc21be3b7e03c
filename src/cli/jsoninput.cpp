#include "cli/jsoninput.h"

#include "calc/limits.h"

#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

namespace kv::cli {

using json = nlohmann::ordered_json;

namespace {

std::string megabytes(std::uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " МБ"; }

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

} // namespace

int jsonNestingDepth(std::string_view text, int stopAt)
{
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (const char ch : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (ch == '\\')
                escaped = true;
            else if (ch == '"')
                inString = false;
            continue;
        }
        switch (ch) {
        case '"': inString = true; break;
        case '[':
        case '{':
            if (++depth > deepest) {
                deepest = depth;
                if (deepest > stopAt)
                    return deepest;
            }
            break;
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        default: break;
        }
    }
    return deepest;
}

json parseJsonObject(std::string_view text, const std::string &where)
{
    if (text.size() > limits::kMaxJsonBytes)
        throw InputRefused("Ошибка. Файл " + where + " слишком велик: больше "
                           + megabytes(limits::kMaxJsonBytes) + ".");
    if (jsonNestingDepth(text, limits::kMaxJsonDepth) > limits::kMaxJsonDepth)
        throw InputRefused("Ошибка. Файл " + where + ": вложенность массивов и объектов глубже "
                           + std::to_string(limits::kMaxJsonDepth) + " уровней.");
    json doc;
    try {
        doc = json::parse(text.begin(), text.end());
    } catch (const json::parse_error &e) {
        throw InputRefused("Ошибка. Файл " + where + " не является правильным файлом JSON (ошибка "
                           "около байта " + std::to_string(e.byte) + ").");
    } catch (const json::exception &) {
        // The parser's other refusal: a number past the range of a double ("1e400").
        throw InputRefused("Ошибка. Файл " + where + ": число вне допустимых пределов.");
    }
    if (!doc.is_object())
        throw InputRefused("Ошибка. Файл " + where + ": ожидался объект JSON ({...}).");
    return doc;
}

json readJsonObjectFile(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw InputRefused("Ошибка. " + path + " - папка, а не файл.");
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f)
        throw InputRefused("Ошибка. Файл " + path + " не открывается: " + std::strerror(errno)
                           + ".");
    std::string text;
    char buf[65536];
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
        text.append(buf, n);
        if (text.size() > limits::kMaxJsonBytes)
            throw InputRefused("Ошибка. Файл " + path + " слишком велик: больше "
                               + megabytes(limits::kMaxJsonBytes) + ".");
        if (n < sizeof buf) {
            if (std::ferror(f.get()))
                throw InputRefused("Ошибка. Файл " + path + " не читается.");
            break;
        }
    }
    return parseJsonObject(text, path);
}

std::optional<double> optNumber(const json &obj, const char *key, const std::string &where)
{
    const auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return std::nullopt;
    if (!it->is_number())
        throw InputRefused("Ошибка. Поле " + std::string(key) + " (" + where
                           + ") должно быть числом.");
    return it->get<double>();
}

std::optional<std::int64_t> optInteger(const json &obj, const char *key, const std::string &where,
                                       std::int64_t lo, std::int64_t hi)
{
    const auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return std::nullopt;
    const auto refuse = [&] {
        return InputRefused("Ошибка. Поле " + std::string(key) + " (" + where
                            + ") должно быть целым числом от " + std::to_string(lo) + " до "
                            + std::to_string(hi) + ".");
    };
    if (it->is_number_unsigned()) {
        const auto u = it->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(hi) || hi < 0)
            throw refuse();
        return static_cast<std::int64_t>(u);
    }
    if (it->is_number_integer()) {
        const auto v = it->get<std::int64_t>();
        if (v < lo || v > hi)
            throw refuse();
        return v;
    }
    if (it->is_number_float()) {
        const double d = it->get<double>();
        if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi)) || d != std::trunc(d))
            throw refuse();
        return static_cast<std::int64_t>(d);
    }
    throw refuse();
}

std::optional<std::string> optString(const json &obj, const char *key, const std::string &where)
{
    const auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return std::nullopt;
    if (!it->is_string())
        throw InputRefused("Ошибка. Поле " + std::string(key) + " (" + where
                           + ") должно быть строкой.");
    return it->get<std::string>();
}

const json &optArray(const json &obj, const char *key, const std::string &where)
{
    static const json empty = json::array();
    const auto it = obj.find(key);
    if (it == obj.end() || it->is_null())
        return empty;
    if (!it->is_array())
        throw InputRefused("Ошибка. Поле " + std::string(key) + " (" + where
                           + ") должно быть массивом.");
    return *it;
}

std::int64_t parseIntegerArg(const std::string &text, const std::string &what, std::int64_t lo,
                             std::int64_t hi)
{
    std::int64_t v = 0;
    const char *end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi)
        throw InputRefused("Ошибка. Неверный " + what + " \"" + text + "\": ожидалось целое число от "
                           + std::to_string(lo) + " до " + std::to_string(hi) + ".");
    return v;
}

} // namespace kv::cli
