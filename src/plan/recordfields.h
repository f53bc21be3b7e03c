#pragma once
// Field access by composed name: the drawing and the report read a design field ("Ro_a") or its
// chosen twin ("Ro_a1") by base name and suffix.

#include "calc/records.h"

#include <string_view>

namespace kv {

// The conductor field base + suffix ("Ro_a" + "1" -> Ro_a1); nullopt for an unknown name.
OptD conductorField(const ConductorRec &rec, std::string_view base, std::string_view suffix);
// The object field base + suffix ("Rx" + "1" -> Rx1, "Rcx", "Hx", ...); nullopt when unknown.
OptD objectField(const ObjectRec &rec, std::string_view base, std::string_view suffix);

// Objects whose zone letter is empty need no protection and get no outline or label.
bool hasZone(const ObjectRec &rec);

} // namespace kv
