#pragma once
// A project's placement rows as JSON and back: the single-rod variants, ranges and exclusion
// sub-ranges, the complex variants, the ranges and sub-ranges of both supports and the range
// combinations, with the results the searches stored in them. In the project JSON they are the
// member "placement", an object with one array per table, keyed by the table's file name
// ("diap0.DB", "diap1.db", ...); every row holds every stored field, Kod and Kod0 included, and
// the rows are listed parents first, each row's details right after it (the order a copy walks).

#include "data/datamodule.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kv {

// The nine placement tables, masters before their details.
const std::vector<TableId> &placementTables();

// The "placement" member for the project with this key; null when it has no placement row.
nlohmann::ordered_json placementToJson(DataModule &dm, int projectKod);

// Enters the "placement" member of doc (when there is one) under the current project, which
// was just entered: every row through the table rules, each linked to its parent's new key by
// the Kod0 it had in the file. Refuses the whole member (InputRefused, TableError; the caller
// rolls back) when it is not the shape above, when a row's Kod0 names no row of its master
// table in the file, or when a value or a table rule refuses a row; the message names the
// table. The rules' messages and questions are kept from the user meanwhile: a question is
// answered No.
void importPlacementJson(DataModule &dm, const nlohmann::ordered_json &doc,
                         const std::string &where);

} // namespace kv
