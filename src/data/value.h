#pragma once
// A field value of the table store: empty (null), integer, number, boolean or text (UTF-8).

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace kv {

class Value {
public:
    Value() = default; // null
    Value(std::nullopt_t) {}
    Value(int v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(std::int64_t v) : m_v(v) {}
    Value(double v) : m_v(v) {}
    Value(bool v) : m_v(v) {}
    Value(const char *v) : m_v(std::string(v)) {}
    Value(std::string v) : m_v(std::move(v)) {}
    template <typename T>
    Value(const std::optional<T> &o) { if (o) *this = Value(*o); }

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isInt() const { return std::holds_alternative<std::int64_t>(m_v); }
    bool isDouble() const { return std::holds_alternative<double>(m_v); }
    bool isBool() const { return std::holds_alternative<bool>(m_v); }
    bool isText() const { return std::holds_alternative<std::string>(m_v); }

    // Conversions; a null converts to 0, false or "" (use isNull() to tell them apart).
    double toDouble() const;
    std::int64_t toInt() const;
    bool toBool() const;
    std::string toText() const;

    std::optional<double> optDouble() const;
    std::optional<int> optInt() const;
    std::optional<bool> optBool() const;
    std::optional<std::string> optText() const;

    bool operator==(const Value &o) const { return m_v == o.m_v; }

private:
    std::variant<std::monostate, std::int64_t, double, bool, std::string> m_v;
};

} // namespace kv
