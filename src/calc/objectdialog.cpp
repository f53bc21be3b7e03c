#include "calc/objectdialog.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"

namespace kv {

std::optional<DialogError> ObjectDialogCalc::computeN()
{
    if (m_class == 16) {
        if (Hx.empty())
            return std::nullopt;
        const auto hx = parseNumber(Hx);
        if (!hx)
            return DialogError{kMsgBadNumber, ObjectField::Hx};
        N = format00(EvaluateObject(16, 0, 0, *hx, m_T, m_n).N);
        memoN = {"N = 9*3,14*Hx*Hx*n*0,000001",
                 "N = 9*3,14*" + Hx + "*" + Hx + "*" + formatGeneral(m_n) + "*0,000001 = " + N};
        return std::nullopt;
    }
    if (Hx.empty() || L.empty() || S.empty())
        return std::nullopt;
    const auto l = parseNumber(L);
    if (!l)
        return DialogError{kMsgBadNumber, ObjectField::L};
    const auto s = parseNumber(S);
    if (!s)
        return DialogError{kMsgBadNumber, ObjectField::S};
    const auto hx = parseNumber(Hx);
    if (!hx)
        return DialogError{kMsgBadNumber, ObjectField::Hx};
    N = format00(EvaluateObject(m_class, *l, *s, *hx, m_T, m_n).N);
    memoN = {"N = [(S+6*Hx)*(L+6*Hx)-7,7*Hx*Hx]*n*0,000001",
             "N = [(" + S + "+6*" + Hx + ")*(" + L + "+6*" + Hx + ")-7,7*" + Hx + "*" + Hx + "]*"
                 + formatGeneral(m_n) + "*0,000001 = " + N};
    return std::nullopt;
}

std::optional<DialogError> ObjectDialogCalc::applyRule()
{
    // The rule needs the N of the box and the height; classes 11, 12 and 16 cannot do without
    // the height, the others ignore it.
    const auto n = parseNumber(N);
    const auto hx = parseNumber(Hx);
    const bool needsHeight = m_class == 11 || m_class == 12 || m_class == 16;
    if (needsHeight && !hx)
        return DialogError{kMsgBadNumber, ObjectField::Hx};
    const ClassRuleResult r = ClassRule(m_class, m_T, n.value_or(0.0), hx.value_or(0.0));
    if (!r.hasRule)
        return std::nullopt;
    zona = r.zone;
    kateg = r.category ? std::to_string(*r.category) : std::string();
    memoObos = r.justification;
    return std::nullopt;
}

std::optional<DialogError> ObjectDialogCalc::activate()
{
    if (auto e = computeN())
        return e;
    return applyRule();
}

std::optional<DialogError> ObjectDialogCalc::chooseClass(int k)
{
    m_class = k;
    if (auto e = computeN())
        return e;
    return applyRule();
}

std::optional<DialogError> ObjectDialogCalc::sizeChanged()
{
    if (auto e = computeN())
        return e;
    return applyRule();
}

std::optional<DialogError> ObjectDialogCalc::accept(ObjectDialogValues &out) const
{
    if (name.empty())
        return DialogError{fieldRequiredMessage("Наименование"), ObjectField::Name};
    if (label.empty())
        return DialogError{fieldRequiredMessage("Метка"), ObjectField::Label};
    const std::pair<const std::string *, ObjectField> numeric[] = {
        {&x, ObjectField::X}, {&y, ObjectField::Y}, {&L, ObjectField::L},
        {&S, ObjectField::S}, {&Hx, ObjectField::Hx}};
    double vals[5];
    for (int i = 0; i < 5; ++i) {
        const auto v = parseNumber(*numeric[i].first);
        if (!v)
            return DialogError{kMsgBadNumber, numeric[i].second};
        vals[i] = *v;
    }
    if (kateg.empty())
        return DialogError{kMsgNoProtectionObject, ObjectField::Kateg};
    if (zona.empty())
        return DialogError{kMsgNoProtectionObject, ObjectField::Zona};
    out.name = name;
    out.label = label;
    out.x = vals[0];
    out.y = vals[1];
    out.L = vals[2];
    out.S = vals[3];
    out.Hx = vals[4];
    out.N = parseNumber(N).value_or(0.0);
    out.kateg = std::stoi(kateg);
    out.zona = zona;
    out.buildingClass = m_class;
    out.shapeKind = shapeKindOfClass(m_class);
    return std::nullopt;
}

} // namespace kv
