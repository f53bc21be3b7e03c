#include "exchange/jsoninput.h"

#include "calc/limits.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kv {

using json = nlohmann::ordered_json;

namespace {

std::string megabytes(std::uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " МБ"; }

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// What a parsed document may occupy in memory: a fixed allowance and a small multiple of its
// text. JSON that is mostly punctuation ("[{},{},...]") would otherwise take twenty times its
// size; such a file is refused instead of exhausting the memory.
constexpr std::size_t kDomBaseBytes = 16u << 20;
constexpr std::size_t kDomBytesPerTextByte = 6;

// Destroys a document from the leaves up without allocating: the library's own destructor
// allocates a work list as long as the largest array, which fails when memory has run out.
// The nesting is bounded before parsing, so the recursion is shallow.
void teardown(json &j) noexcept
{
    if (j.is_array()) {
        auto &a = j.get_ref<json::array_t &>();
        for (json &e : a)
            teardown(e);
        a.clear();
    } else if (j.is_object()) {
        auto &o = j.get_ref<json::object_t &>();
        for (auto &kv : o)
            teardown(kv.second);
        o.clear();
    }
    j = nullptr;
}

// Builds the document from parser events, counting what it occupies against a budget. Keys are
// looked up with an index per large object, so many keys cost linear time; a repeated key keeps
// its last value, as the library's own reader does.
class BoundedDomBuilder {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    BoundedDomBuilder(std::size_t budget, const std::string &where)
        : m_budget(budget), m_where(where) {}

    json root;

    bool null() { return put(nullptr); }
    bool boolean(bool v) { return put(v); }
    bool number_integer(number_integer_t v) { return put(v); }
    bool number_unsigned(number_unsigned_t v) { return put(v); }
    bool number_float(number_float_t v, const string_t &) { return put(v); }
    bool string(string_t &v)
    {
        charge(stringBytes(v));
        return put(std::move(v));
    }
    bool binary(binary_t &) { return false; }
    bool start_object(std::size_t)
    {
        json *j = place(json::object());
        m_stack.push_back({j, {}});
        return true;
    }
    bool key(string_t &k)
    {
        Frame &f = m_stack.back();
        // The map's storage, indexed by position (the map itself hides the vector's operator[]).
        json::object_t::Container &obj = f.value->get_ref<json::object_t &>();
        charge(stringBytes(k));
        if (!f.index && obj.size() >= kIndexFrom) {
            f.index = std::make_unique<std::unordered_map<std::string, std::size_t>>();
            for (std::size_t i = 0; i < obj.size(); ++i)
                f.index->emplace(obj[i].first, i);
        }
        std::size_t at = obj.size();
        if (f.index) {
            charge(stringBytes(k) + 64);
            at = f.index->emplace(k, obj.size()).first->second;
        } else {
            for (std::size_t i = 0; i < obj.size(); ++i)
                if (obj[i].first == k)
                    at = i;
        }
        if (at == obj.size()) {
            grow(obj);
            obj.emplace_back(std::move(k), nullptr);
        }
        m_element = &obj[at].second;
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t)
    {
        json *j = place(json::array());
        m_stack.push_back({j, {}});
        return true;
    }
    bool end_array() { return close(); }

    bool parse_error(std::size_t byte, const std::string &, const nlohmann::detail::exception &e)
    {
        if (e.id == 406) // a number past the range of a double ("1e400")
            throw InputRefused("Ошибка. Файл " + m_where + ": число вне допустимых пределов.");
        throw InputRefused("Ошибка. Файл " + m_where + " не является правильным файлом JSON "
                           "(ошибка около байта " + std::to_string(byte) + ").");
    }

private:
    static constexpr std::size_t kIndexFrom = 64;

    struct Frame {
        json *value;
        std::unique_ptr<std::unordered_map<std::string, std::size_t>> index;
    };

    static std::size_t stringBytes(const std::string &s)
    {
        return s.size() < 16 ? 0 : s.size() + 1 + 16; // past the short-string buffer: a block
    }

    void charge(std::size_t bytes)
    {
        m_used += bytes;
        if (m_used > m_budget)
            throw InputRefused("Ошибка. Файл " + m_where + " содержит слишком много значений: для "
                               "его разбора нужно больше " + megabytes(m_budget) + " памяти.");
    }

    template <class V> bool put(V &&v)
    {
        place(json(std::forward<V>(v)));
        return true;
    }

    // Grows a container's storage by half at a time, counting the new block while the old one
    // still lives, so that the budget holds at the peak of every reallocation.
    template <class Vec> void grow(Vec &v)
    {
        if (v.size() < v.capacity())
            return;
        const std::size_t cap = v.capacity();
        const std::size_t next = std::max<std::size_t>(4, cap + cap / 2);
        charge(next * sizeof(typename Vec::value_type));
        v.reserve(next);
        m_used -= cap * sizeof(typename Vec::value_type);
    }

    json *place(json &&v)
    {
        charge(v.is_structured() ? 32 : 0); // the container's own block
        if (m_stack.empty()) {
            root = std::move(v);
            return &root;
        }
        json &parent = *m_stack.back().value;
        if (parent.is_array()) {
            auto &a = parent.get_ref<json::array_t &>();
            grow(a);
            a.push_back(std::move(v));
            return &a.back();
        }
        *m_element = std::move(v);
        return m_element;
    }

    bool close()
    {
        m_stack.pop_back();
        return true;
    }

    std::size_t m_budget;
    std::size_t m_used = 0;
    const std::string &m_where;
    std::vector<Frame> m_stack;
    json *m_element = nullptr;
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
    BoundedDomBuilder builder(kDomBaseBytes + kDomBytesPerTextByte * text.size(), where);
    try {
        json::sax_parse(text.begin(), text.end(), &builder);
    } catch (...) {
        // Out of memory or refused: the partial document goes without needing memory itself.
        teardown(builder.root);
        throw;
    }
    json doc = std::move(builder.root);
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

} // namespace kv
