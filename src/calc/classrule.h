#pragma once
// Protection requirements of an object: expected lightning strikes per year, and the zone type
// and protection category that the building class, the thunderstorm duration, N and the height
// call for.

#include <optional>
#include <string>

namespace kv {

inline constexpr const char *kShapeConcentrated = "сосредоточенный";
inline constexpr const char *kShapeRectangular = "прямоугольный";

// N, unrounded. Class 16 (concentrated): 9·π·Hx²·n·10⁻⁶; classes 1 to 15:
// [(S + 6·Hx)·(L + 6·Hx) − 7.7·Hx²]·n·10⁻⁶.
double ExpectedStrikes(int buildingClass, double L, double S, double Hx, double n);

struct ClassRuleResult {
    bool hasRule = false;        // false for classes outside 1..16
    std::string zone;            // "А", "Б" or "" when no protection is needed
    std::optional<int> category; // 1, 2, 3 or none
    std::string justification;   // the text shown in the justification box
    bool needsProtection() const { return !zone.empty(); }
};

// T: the project's lower bound of thunderstorm hours; N: the two-decimal value; Hx: height, m.
ClassRuleResult ClassRule(int buildingClass, int T, double N, double Hx);

// How N is brought to hundredths: as the object dialog shows it (the "0.00" pattern, half away
// from zero) or with round2 as the batch re-evaluation does; they differ only on an exact half.
enum class StrikeRounding { AsShown, Round2 };

// The evaluation of an object on entry, shared by the object dialog, the import, the calculation
// cases and the batch re-evaluation: N from the class and sizes, rounded to hundredths, and the
// class rule applied to that N.
struct ObjectEvaluation {
    double N = 0;
    ClassRuleResult rule;
};
ObjectEvaluation EvaluateObject(int buildingClass, double L, double S, double Hx, int T, double n,
                                StrikeRounding rounding = StrikeRounding::AsShown);

// Shape kind stored with the object: "сосредоточенный" for class 16, "прямоугольный" for 1..15,
// empty otherwise.
std::string shapeKindOfClass(int buildingClass);

} // namespace kv
