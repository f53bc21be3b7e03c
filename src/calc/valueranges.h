#pragma once
// The values the program accepts for the fields a user sets, whichever way they come in: the
// dialogs' lists and spin boxes, an imported project, a calculation case. The dialogs take their
// limits from here and the readers of files check every value against the same ranges.

#include <optional>
#include <string>
#include <string_view>

namespace kv {

inline constexpr int kMinBuildingClass = 1; // object.DB Tip: a row of class.db
inline constexpr int kMaxBuildingClass = 16;
inline constexpr int kMinCategory = 1; // object.DB Kateg
inline constexpr int kMaxCategory = 3;
inline constexpr int kMinPlanScale = 50; // project.DB IScale: the plan scale 1 : N
inline constexpr int kMaxPlanScale = 2000;
inline constexpr int kMaxThunderstormHours = 8760; // ProdGrozMin, ProdGrozMax: hours in a year

// nullopt when `value` is accepted for the field of the table file ("object.DB", "Tip"), else
// the Russian message naming the field and its range. Fields without a range accept any value.
std::optional<std::string> numberRangeError(std::string_view file, std::string_view field,
                                            double value);
// The same for a text field with a fixed set of values (a zone letter, a conductor type).
std::optional<std::string> textRangeError(std::string_view file, std::string_view field,
                                          std::string_view value);

} // namespace kv
