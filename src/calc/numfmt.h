#pragma once
// Rounding and number texts shared by every layer: one place, used everywhere.

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// x / 0.01 rounded to the nearest integer (ties to even), times 0.01; the quotient and the
// product are taken in extended precision, the result is a double.
double round2(double x);
// The same with a step of 0.00001.
double round5(double x);

// Rounds to the nearest integer, ties to even (the platform's ordinary rounding).
long long roundEven(long double x);

// General number format: up to 15 significant digits, no trailing zeros, decimal comma,
// no thousands separator ("2,5", "17", "-0,03", "1,5E-6").
std::string formatGeneral(double x);

// The "0.00" pattern: exactly two decimals, half away from zero, decimal comma ("0,10").
std::string format00(double x);
// The "0.00000" pattern: exactly five decimals, half away from zero, decimal comma.
std::string format00000(double x);

// Parses a number typed with the decimal comma or point ("12,5", "12.5", "-3", " 4 "). An empty
// text, a second separator or any other character fails.
std::optional<double> parseNumber(std::string_view text);

// Key filters of the numeric edit boxes: true when the key may pass. Backspace (8), Tab (9),
// the comma and the digits pass; the signed filter also lets the minus sign through.
bool filterNumericKey(char32_t key);
bool filterSignedNumericKey(char32_t key);

} // namespace kv
