#pragma once
// Rules of the placement tables (variants, ranges, exclusion sub-ranges, combinations).

namespace kv {
class DataModule;
// Attaches the placement rules to the nine placement tables of the module.
void installPlacementRules(DataModule &dm);
} // namespace kv
