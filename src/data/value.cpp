#include "data/value.h"

#include "calc/numfmt.h"
#include "data/textutil.h"

#include <cmath>

namespace kv {

double Value::toDouble() const
{
    if (auto p = std::get_if<std::int64_t>(&m_v))
        return static_cast<double>(*p);
    if (auto p = std::get_if<double>(&m_v))
        return *p;
    if (auto p = std::get_if<bool>(&m_v))
        return *p ? 1.0 : 0.0;
    if (auto p = std::get_if<std::string>(&m_v))
        return parseLooseNumber(*p).value_or(0.0);
    return 0.0;
}

std::int64_t Value::toInt() const
{
    if (auto p = std::get_if<std::int64_t>(&m_v))
        return *p;
    if (auto p = std::get_if<bool>(&m_v))
        return *p ? 1 : 0;
    const double d = toDouble();
    if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
        return 0;
    return static_cast<std::int64_t>(std::llround(d));
}

bool Value::toBool() const
{
    if (auto p = std::get_if<bool>(&m_v))
        return *p;
    if (auto p = std::get_if<std::int64_t>(&m_v))
        return *p != 0;
    if (auto p = std::get_if<double>(&m_v))
        return *p != 0.0;
    if (auto p = std::get_if<std::string>(&m_v)) {
        const std::string f = foldCase(*p);
        return f == "true" || f == "1" || f == "да" || f == "+";
    }
    return false;
}

std::string Value::toText() const
{
    if (auto p = std::get_if<std::string>(&m_v))
        return *p;
    if (auto p = std::get_if<std::int64_t>(&m_v))
        return std::to_string(*p);
    if (auto p = std::get_if<double>(&m_v))
        return formatGeneral(*p);
    if (auto p = std::get_if<bool>(&m_v))
        return *p ? "True" : "False";
    return {};
}

std::optional<double> Value::optDouble() const
{
    if (isNull())
        return std::nullopt;
    return toDouble();
}

std::optional<int> Value::optInt() const
{
    if (isNull())
        return std::nullopt;
    return static_cast<int>(toInt());
}

std::optional<bool> Value::optBool() const
{
    if (isNull())
        return std::nullopt;
    return toBool();
}

std::optional<std::string> Value::optText() const
{
    if (isNull())
        return std::nullopt;
    return toText();
}

} // namespace kv
