#include "calc/classrule.h"

#include "calc/numfmt.h"

#include <cmath>

namespace kv {

namespace {

const char *const J1 = "Для зданий и сооружений данного класса независимо от средней продолжительности гроз в год и ожидаемого количества поражений молнией в год N: тип зоны защиты - А, категория молниезащиты - 1.";
const char *const J2A = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более и ожидаемом количестве поражений молнией в год N>1: тип зоны защиты - А, категория молниезащиты - 2.";
const char *const J2B = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более и ожидаемом количестве поражений молнией в год N<=1: тип зоны защиты - Б, категория молниезащиты - 2.";
const char *const J10N = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 10 часов молниезащита не требуется.";
const char *const J3 = "Для зданий и сооружений данного класса независимо от средней продолжительности гроз в год и ожидаемого количества поражений молнией в год N: тип зоны защиты - Б, категория молниезащиты - 2.";
const char *const J20A = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 20 часов и более и ожидаемом количестве поражений молнией в год N>2: тип зоны защиты - А, категория молниезащиты - 3.";
const char *const J20B01 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 20 часов и более и ожидаемом количестве поражений молнией в год 0,1<N<=2: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J20N01 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 20 часов или ожидаемом количестве поражений молнией в год N<=0,1 молниезащита не требуется.";
const char *const J20B002 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 20 часов и более и ожидаемом количестве поражений молнией в год 0,02<N<=2: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J20N002 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 20 часов или ожидаемом количестве поражений молнией в год N<=0,02 молниезащита не требуется.";
const char *const J10A = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более и ожидаемом количестве поражений молнией в год N>2: тип зоны защиты - А, категория молниезащиты - 3.";
const char *const J10B002 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более и ожидаемом количестве поражений молнией в год 0,02<N<=2: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J10N002 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 10 часов или ожидаемом количестве поражений молнией в год N<=0,02 молниезащита не требуется.";
const char *const J9 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более: тип зоны защиты - Б, категория молниезащиты - 2.";
const char *const J40 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 40 часов и более: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J40N = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 40 часов молниезащита не требуется.";
const char *const J30 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 20 часов и более и высоте здания (сооружения) более 30 м: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J30N = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 20 часов или высоте здания (сооружения) до 30 м молниезащита не требуется.";
const char *const J20 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 20 часов и более: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J20N = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 20 часов молниезащита не требуется.";
const char *const J15 = "Для зданий и сооружений данного класса при средней продолжительности гроз в год 10 часов и более и высоте здания (сооружения) 15 м и более: тип зоны защиты - Б, категория молниезащиты - 3.";
const char *const J15N = "Для зданий и сооружений данного класса при средней продолжительности гроз в год до 10 часов или высоте здания (сооружения) до 15 м молниезащита не требуется.";

ClassRuleResult give(const char *zone, int category, const char *text)
{
    ClassRuleResult r;
    r.hasRule = true;
    r.zone = zone;
    r.category = category;
    r.justification = text;
    return r;
}

ClassRuleResult none(const char *text)
{
    ClassRuleResult r;
    r.hasRule = true;
    r.justification = text;
    return r;
}

} // namespace

double ExpectedStrikes(int buildingClass, double L, double S, double Hx, double n)
{
    // Extended intermediates, as every formula of the calculations.
    const long double hx = Hx;
    if (buildingClass == 16) {
        const long double ninePi = 9.0L * 3.14159265358979323846264338327950288L;
        return static_cast<double>(((hx * hx) * ninePi) * n * 0.000001L);
    }
    const long double a = 6 * hx + S;
    const long double b = (6 * hx + L) * a;
    const long double c = b - hx * hx * 7.7L;
    return static_cast<double>(n * c * 0.000001L);
}

ClassRuleResult ClassRule(int buildingClass, int T, double N, double Hx)
{
    // N is a two-decimal number: compare whole hundredths so that 0,10 counts as N <= 0,1.
    const long long h = std::llround(N * 100.0);
    switch (buildingClass) {
    case 1:
        return give("А", 1, J1);
    case 2:
        if (T >= 10)
            return h > 100 ? give("А", 2, J2A) : give("Б", 2, J2B);
        return none(J10N);
    case 3:
        return give("Б", 2, J3);
    case 4:
    case 6:
    case 7:
        if (T >= 20 && h > 200)
            return give("А", 3, J20A);
        if (T >= 20 && h > 10)
            return give("Б", 3, J20B01);
        return none(J20N01);
    case 5:
        if (T >= 20 && h > 200)
            return give("А", 3, J20A);
        if (T >= 20 && h > 2)
            return give("Б", 3, J20B002);
        return none(J20N002);
    case 8:
        if (T >= 10 && h > 200)
            return give("А", 3, J10A);
        if (T >= 10 && h > 2)
            return give("Б", 3, J10B002);
        return none(J10N002);
    case 9:
        return T >= 10 ? give("Б", 2, J9) : none(J10N);
    case 10:
        return T >= 40 ? give("Б", 3, J40) : none(J40N);
    case 11:
    case 12:
        return (T >= 20 && Hx > 30) ? give("Б", 3, J30) : none(J30N);
    case 13:
    case 14:
    case 15:
        return T >= 20 ? give("Б", 3, J20) : none(J20N);
    case 16:
        return (T >= 10 && Hx >= 15) ? give("Б", 3, J15) : none(J15N);
    default:
        return {};
    }
}

ObjectEvaluation EvaluateObject(int buildingClass, double L, double S, double Hx, int T, double n,
                                StrikeRounding rounding)
{
    ObjectEvaluation e;
    const double raw = ExpectedStrikes(buildingClass, L, S, Hx, n);
    e.N = rounding == StrikeRounding::Round2 ? round2(raw) : parseNumber(format00(raw)).value_or(0.0);
    e.rule = ClassRule(buildingClass, T, e.N, Hx);
    return e;
}

std::string shapeKindOfClass(int buildingClass)
{
    if (buildingClass == 16)
        return kShapeConcentrated;
    if (buildingClass >= 1 && buildingClass <= 15)
        return kShapeRectangular;
    return {};
}

} // namespace kv
