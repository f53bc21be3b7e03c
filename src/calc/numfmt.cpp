#include "calc/numfmt.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kv {

namespace {

double roundStep(double x, double step)
{
    const long double q = static_cast<long double>(x) / static_cast<long double>(step);
    const long double r = std::rint(q); // the default rounding mode: ties to even
    return static_cast<double>(r * static_cast<long double>(step));
}

std::string trimZeros(std::string s)
{
    // "12.500" -> "12.5", "3.000" -> "3"; leaves an exponent part alone.
    const auto e = s.find_first_of("eE");
    std::string exp;
    if (e != std::string::npos) {
        exp = s.substr(e);
        s.erase(e);
    }
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == '.')
            s.pop_back();
    }
    return s + exp;
}

} // namespace

double round2(double x) { return roundStep(x, 0.01); }
double round5(double x) { return roundStep(x, 0.00001); }

long long roundEven(long double x) { return static_cast<long long>(std::llrint(x)); }

std::string formatGeneral(double x)
{
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x > 0 ? "INF" : "-INF";
    if (x == 0)
        return "0";
    char buf[64];
    const double ax = std::fabs(x);
    const int exp10 = static_cast<int>(std::floor(std::log10(ax)));
    std::string s;
    if (exp10 >= 15 || ax < 1e-5) {
        std::snprintf(buf, sizeof buf, "%.14E", x);
        std::string t(buf);
        const auto e = t.find('E');
        std::string mant = trimZeros(t.substr(0, e));
        int ev = std::atoi(t.c_str() + e + 1);
        s = mant + "E" + (ev < 0 ? "-" : "") + std::to_string(std::abs(ev));
    } else {
        const int decimals = std::max(0, 14 - exp10);
        std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
        s = trimZeros(buf);
        // %.*f may carry over into a 16th digit ("999999999999999.5"); %.15g is exact there.
        if (s == "-0")
            s = "0";
    }
    for (char &c : s)
        if (c == '.')
            c = ',';
    return s;
}

std::string format00(double x)
{
    const bool neg = x < 0;
    const long double v = std::fabs(static_cast<long double>(x)) * 100.0L;
    if (!(v < 9e18L)) {
        // Beyond whole cents in 64 bits (or not a number): the C library's own rounding.
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.2f", x);
        std::string s = buf;
        for (char &c : s)
            if (c == '.')
                c = ',';
        return s;
    }
    const long long cents = static_cast<long long>(std::floor(v + 0.5L));
    std::string s = std::to_string(cents / 100) + "," + (cents % 100 < 10 ? "0" : "")
                    + std::to_string(cents % 100);
    if (neg && cents != 0)
        s.insert(s.begin(), '-');
    return s;
}

std::string format00000(double x)
{
    const bool neg = x < 0;
    const long double v = std::fabs(static_cast<long double>(x)) * 100000.0L;
    const long long units = static_cast<long long>(std::floor(v + 0.5L));
    std::string frac = std::to_string(units % 100000);
    frac.insert(frac.begin(), 5 - frac.size(), '0');
    std::string s = std::to_string(units / 100000) + "," + frac;
    if (neg && units != 0)
        s.insert(s.begin(), '-');
    return s;
}

std::optional<double> parseNumber(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return std::nullopt;
    std::string s;
    size_t i = b;
    if (text[i] == '+' || text[i] == '-')
        s += text[i++];
    size_t digits = 0;
    while (i < e && text[i] >= '0' && text[i] <= '9') {
        s += text[i++];
        ++digits;
    }
    if (i < e && (text[i] == ',' || text[i] == '.')) {
        s += '.';
        ++i;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            s += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        s += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            s += text[i++];
        size_t ed = 0;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            s += text[i++];
            ++ed;
        }
        if (ed == 0)
            return std::nullopt;
    }
    if (i != e)
        return std::nullopt;
    char *end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool filterNumericKey(char32_t key)
{
    return key == 8 || key == 9 || key == U',' || (key >= U'0' && key <= U'9');
}

bool filterSignedNumericKey(char32_t key) { return filterNumericKey(key) || key == U'-'; }

} // namespace kv
