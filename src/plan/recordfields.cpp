#include "plan/recordfields.h"

#include <string>
#include <utility>

namespace kv {

namespace {

template<typename Rec, size_t N>
OptD lookup(const Rec &rec, const std::pair<const char *, OptD Rec::*> (&table)[N],
            std::string_view base, std::string_view suffix)
{
    std::string name(base);
    name += suffix;
    for (const auto &[n, member] : table) {
        if (name == n)
            return rec.*member;
    }
    return std::nullopt;
}

const std::pair<const char *, OptD ConductorRec::*> kConductorFields[] = {
    {"MX", &ConductorRec::MX},       {"MY", &ConductorRec::MY},
    {"H", &ConductorRec::H},         {"Hop", &ConductorRec::Hop},
    {"Ho_a", &ConductorRec::Ho_a},   {"Ho_b", &ConductorRec::Ho_b},
    {"Ro_a", &ConductorRec::Ro_a},   {"Ro_b", &ConductorRec::Ro_b},
    {"Hc_a", &ConductorRec::Hc_a},   {"Hc_b", &ConductorRec::Hc_b},
    {"Rc_a", &ConductorRec::Rc_a},   {"Rc_b", &ConductorRec::Rc_b},
    {"H1", &ConductorRec::H1},       {"Hop1", &ConductorRec::Hop1},
    {"Ho_a1", &ConductorRec::Ho_a1}, {"Ho_b1", &ConductorRec::Ho_b1},
    {"Ro_a1", &ConductorRec::Ro_a1}, {"Ro_b1", &ConductorRec::Ro_b1},
    {"Hc_a1", &ConductorRec::Hc_a1}, {"Hc_b1", &ConductorRec::Hc_b1},
    {"Rc_a1", &ConductorRec::Rc_a1}, {"Rc_b1", &ConductorRec::Rc_b1},
    {"L_H", &ConductorRec::L_H},     {"L_H1", &ConductorRec::L_H1},
};

const std::pair<const char *, OptD ObjectRec::*> kObjectFields[] = {
    {"MXa", &ObjectRec::MXa}, {"MYa", &ObjectRec::MYa},   {"L", &ObjectRec::L},
    {"S", &ObjectRec::S},     {"Hx", &ObjectRec::Hx},     {"N", &ObjectRec::N},
    {"R", &ObjectRec::R},     {"H", &ObjectRec::H},       {"Rx", &ObjectRec::Rx},
    {"Rcx", &ObjectRec::Rcx}, {"Rx1", &ObjectRec::Rx1},   {"Rcx1", &ObjectRec::Rcx1},
    {"Hprior", &ObjectRec::Hprior},
};

} // namespace

OptD conductorField(const ConductorRec &rec, std::string_view base, std::string_view suffix)
{
    return lookup(rec, kConductorFields, base, suffix);
}

OptD objectField(const ObjectRec &rec, std::string_view base, std::string_view suffix)
{
    return lookup(rec, kObjectFields, base, suffix);
}

bool hasZone(const ObjectRec &rec) { return rec.Zona && !rec.Zona->empty(); }

} // namespace kv
