#pragma once
// The multiple rod's own rows (mrod.DB): its pairs and each object's protecting element, kept
// beside the project's conductor and object rows.
//
// A data folder gets the table file with its first multiple-rod project, and its project table
// is then renamed inside project.DB (Table::markFile): an older build, which knows neither the
// type nor its rows, refuses the folder's project file ("… не является таблицей project.DB")
// instead of showing such a project as a single or double rod. A folder without one is never
// touched.

#include "calc/multirod.h"
#include "data/datamodule.h"

namespace kv {

// Makes the multiple rod's table file and marks the project file, once per folder. Not inside a
// transaction.
void prepareMultiRodFolder(DataModule &dm);

// Whether the current project is a multiple rod.
bool isMultiRodProject(DataModule &dm);

// The stored pairs (in pair order) and elements (by object number) of the current project;
// empty before its first selection. `podbor` and `refused` are not stored.
MultiRodResult loadMultiRod(DataModule &dm);

// Writes the project, conductor and object rows of the snapshot (storeProjectResults) and
// replaces the current project's pair and element rows by those of the result: one transaction.
void storeMultiRodResults(DataModule &dm, const ProjectSnapshot &snap, const MultiRodResult &r);

} // namespace kv
