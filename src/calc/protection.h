#pragma once
// Which objects the conductor drawn on the plans leaves unprotected: the height each object needs
// from the conductor where it stands now, against the height of the zones shown.

#include "calc/records.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kv
{

// The indices (into snap.objects) of the objects that need protection and that the conductor of
// the zones with the given suffix does not protect: "" the design height H, "1" the chosen
// construction H1. An object beyond the reach of any conductor of the type counts as
// unprotected. Nothing without conductor rows or without that height.
std::vector<std::size_t> UnprotectedObjects(const ProjectSnapshot &snap,
                                            const SettingsRec &settings, const std::string &suffix);

} // namespace kv
