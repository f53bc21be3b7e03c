#pragma once
// A korvan-cli calc case as the calculation tests load it.

#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "calc/construction.h"
#include "calc/podbor.h"

namespace kv
{

struct Case {
    ProjectSnapshot snap;
    SettingsRec settings;
    std::vector<SagRow> sag;
    std::optional<ChosenConstruction> choose;
};

Case loadCase(const nlohmann::json &j);
// The objects' requirements and the project's zone counts, as the object commands leave them.
void evaluateObjects(ProjectSnapshot &snap, const nlohmann::json &inputObjects);

} // namespace kv
