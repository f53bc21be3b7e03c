#include "plan/recordfields.h"

#include <string>
#include <type_traits>

namespace kv {

namespace {

// The number field named base + suffix, found in the record's one field list.
template <typename Rec>
OptD lookup(const Rec &rec, std::string_view base, std::string_view suffix)
{
    std::string name(base);
    name += suffix;
    OptD out;
    forEachField(rec, [&](const char *n, const auto &member) {
        if constexpr (std::is_same_v<std::decay_t<decltype(member)>, OptD>)
            if (name == n)
                out = member;
    });
    return out;
}

} // namespace

OptD conductorField(const ConductorRec &rec, std::string_view base, std::string_view suffix)
{
    return lookup(rec, base, suffix);
}

OptD objectField(const ObjectRec &rec, std::string_view base, std::string_view suffix)
{
    return lookup(rec, base, suffix);
}

bool hasZone(const ObjectRec &rec) { return rec.Zona && !rec.Zona->empty(); }

} // namespace kv
