#include "calc/valueranges.h"

#include "calc/records.h"

#include <cmath>

namespace kv {

namespace {

struct NumberRange {
    std::string_view file, field;
    double lo, hi;
    bool whole; // integers only
};

constexpr double kNoUpperBound = HUGE_VAL;

constexpr NumberRange kNumberRanges[] = {
    {"object.DB", "Tip", kMinBuildingClass, kMaxBuildingClass, true},
    {"object.DB", "Kateg", kMinCategory, kMaxCategory, true},
    {"project.DB", "IScale", kMinPlanScale, kMaxPlanScale, true},
    {"project.DB", "ProdGrozMin", 0, kMaxThunderstormHours, true},
    {"project.DB", "ProdGrozMax", 0, kMaxThunderstormHours, true},
    {"project.DB", "Udarov", 0, kNoUpperBound, false},
};

std::string numberText(double v)
{
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        return std::to_string(static_cast<long long>(v));
    return std::to_string(v);
}

} // namespace

std::optional<std::string> numberRangeError(std::string_view file, std::string_view field,
                                            double value)
{
    for (const NumberRange &r : kNumberRanges) {
        if (r.file != file || r.field != field)
            continue;
        const bool inside =
            value >= r.lo && value <= r.hi && (!r.whole || value == std::trunc(value));
        if (inside)
            return std::nullopt;
        std::string m = "Ошибка. Значение поля " + std::string(field) + " таблицы "
                        + std::string(file) + " должно быть "
                        + (r.whole ? "целым числом " : "числом ");
        m += r.hi == kNoUpperBound ? "не меньше " + numberText(r.lo)
                                   : "от " + numberText(r.lo) + " до " + numberText(r.hi);
        return m + ".";
    }
    return std::nullopt;
}

std::optional<std::string> textRangeError(std::string_view file, std::string_view field,
                                          std::string_view value)
{
    const auto oneOf = [&](std::initializer_list<std::string_view> allowed,
                           const char *listed) -> std::optional<std::string> {
        for (std::string_view a : allowed)
            if (value == a)
                return std::nullopt;
        return "Ошибка. Значение поля " + std::string(field) + " таблицы " + std::string(file)
               + " должно быть одним из: " + listed + ".";
    };
    if (file == "object.DB" && field == "Zona")
        return oneOf({kZoneA, kZoneB}, "\"А\", \"Б\"");
    if (file == "project.DB" && field == "TipMO")
        return oneOf({kTipSingleRod, kTipCable, kTipDoubleRod, kTipMultiRod},
                     "\"одиночный стержневой молниеотвод\", \"одиночный тросовый молниеотвод\", "
                     "\"двойной стержневой молниеотвод\", "
                     "\"многократный стержневой молниеотвод\"");
    return std::nullopt;
}

} // namespace kv
