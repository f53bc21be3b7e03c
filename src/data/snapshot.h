#pragma once
// Copies between the tables and the plain records of the calculations: the current project
// with its conductor and object rows, the settings row and the sag table.

#include "calc/podbor.h"
#include "calc/records.h"
#include "data/datamodule.h"

#include <vector>

namespace kv {

ProjectRec readProject(const Table &t);
ConductorRec readConductor(const Table &t);
ObjectRec readObject(const Table &t);
SettingsRec readSettings(const Table &t);

// Writes every field of the record except the keys into the current row (edit or insert state).
void writeProject(Table &t, const ProjectRec &r);
void writeConductor(Table &t, const ConductorRec &r);
void writeObject(Table &t, const ObjectRec &r);
void writeSettings(Table &t, const SettingsRec &r);

// The current project row with its visible conductor and object rows in key order, read under
// the data folder's shared lock (never half of another program's commit); the current rows are
// kept.
ProjectSnapshot loadCurrentProject(DataModule &dm);
// Makes the project with this key current; false when there is none.
bool locateProject(DataModule &dm, int kod);
// Loads the project with this key (making it current); throws TableError when there is none.
ProjectSnapshot loadProjectSnapshot(DataModule &dm, int kod);

// The settings row, or an all-empty record when the table has no row.
SettingsRec loadSettings(DataModule &dm);
std::vector<SagRow> loadSagTable(DataModule &dm);

// Writes the conductor and object rows of the snapshot back into the rows of the current
// project with the same keys, in key order: conductors first, then objects. The project row is
// written too. Rows of the snapshot without a key are skipped. One transaction: all or nothing.
void storeProjectResults(DataModule &dm, const ProjectSnapshot &s);

} // namespace kv
