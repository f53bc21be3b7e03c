#pragma once
// The conductor selection and the catalogue choice over the current project's rows: load the
// rows, compute, show the messages, write the rows back.

#include "calc/construction.h"
#include "calc/podbor.h"
#include "calc/protection.h"
#include "data/datamodule.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

// Shows the messages through the module's prompter, in order.
void showMessages(DataModule &dm, const CalcMessages &messages);

// The approximate selection of the current project (nothing when it has no objects).
PodborResult runAutoPodbor(DataModule &dm, CalcMessages *shown = nullptr);

// The catalogue choice of a construction row (s_mo1.db, or s_mo_t_1.db for a catenary) by its
// key. Returns false when the construction does not exist.
bool chooseConstruction(DataModule &dm, int constructionKod, CalcMessages *shown = nullptr);
// The same with the construction given by value.
void chooseConstruction(DataModule &dm, const ChosenConstruction &c, CalcMessages *shown = nullptr);

// What choosing a construction would give before it is chosen: its height against the design
// height (the first conductor row's Hop, else its H; empty before any selection), and the names
// of the objects it would leave unprotected. nullopt when the construction does not exist.
struct ConstructionCheck {
    double height = 0;
    std::optional<double> designHeight;
    std::vector<std::string> unprotected;
    bool belowDesign() const { return designHeight && height < *designHeight - 1e-9; }
};
std::optional<ConstructionCheck> checkConstruction(DataModule &dm, int constructionKod);

// The names of the current project's objects that the zones shown with the suffix ("" design,
// "1" chosen) do not protect.
std::vector<std::string> unprotectedObjectNames(const ProjectSnapshot &snap,
                                                const SettingsRec &settings,
                                                const std::string &suffix);

// Empties the chosen-construction values of the current project.
void clearChosenConstruction(DataModule &dm);

} // namespace kv
