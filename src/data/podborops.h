#pragma once
// The conductor selection and the catalogue choice over the current project's rows: load the
// rows, compute, show the messages, write the rows back.

#include "calc/construction.h"
#include "calc/podbor.h"
#include "data/datamodule.h"

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

// Empties the chosen-construction values of the current project.
void clearChosenConstruction(DataModule &dm);

} // namespace kv
