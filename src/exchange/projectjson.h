#pragma once
// A project as JSON: table rows as objects keyed by the table's field names (every stored field
// present, null for an empty field, numbers as shortest round-trip doubles), and such a project
// entered back as a new one. Shared by korvan-cli's export and import and the project file.

#include "data/datamodule.h"
#include "exchange/jsoninput.h"

#include "calc/multirod.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace kv {

nlohmann::ordered_json rowToJson(const Table &t);
// A whole row as Table::rowByKey gives it (every field in field order).
nlohmann::ordered_json rowToJson(const TableDef &def, const std::vector<Value> &row);
// All visible rows in key order (the current row is kept).
nlohmann::ordered_json rowsToJson(Table &t);
// The project (current row) with its conductor and object rows, and its placement rows under
// "placement" when it has any (see exchange/placementjson.h).
nlohmann::ordered_json projectToJson(DataModule &dm);

// The multiple rod's pairs and elements as JSON (rods numbered from 1) and back; fromJson throws
// TableError for a value of the wrong kind.
nlohmann::ordered_json multiRodPairsToJson(const MultiRodResult &r);
nlohmann::ordered_json multiRodElementsToJson(const MultiRodResult &r);
MultiRodResult multiRodFromJson(const nlohmann::ordered_json &pairs,
                                const nlohmann::ordered_json &elements);
// For a multiple rod project's JSON: its stored pairs and elements (when it has them) read before
// anything is written, and the folder prepared for the type (never inside a command).
std::optional<MultiRodResult> prepareMultiRodImport(DataModule &dm,
                                                    const nlohmann::ordered_json &doc);

// Writes the fields of a JSON object into the current row (edit or insert state); keys that are
// not fields of the table, the keys Kod and Kod0 and looked-up fields are ignored. A value of the
// wrong kind throws TableError naming the field.
void jsonToRow(Table &t, const nlohmann::ordered_json &obj);

// A project the program refuses to enter, such as an object that needs no protection.
class CaseRefused : public InputRefused {
public:
    using InputRefused::InputRefused;
};

// Refuses a project row (being entered) without one of the three conductor types: nothing could
// be calculated for it.
void requireConductorType(const Table &project);

// Evaluates one object row of the current project from its class and sizes as the object dialog
// does on OK (N as "0.00", zone and category from the class rule unless given, STip from the
// class, position snapped to the grid step) and appends it. Throws CaseRefused when the object
// would need no protection.
void appendEvaluatedObject(DataModule &dm, const nlohmann::ordered_json &obj, double gridStep);

// Enters the JSON of projectToJson as a new project with its conductors, objects (those
// without a zone and category evaluated as the object dialog does) and placement rows, and
// returns its key. The caller holds the transaction over the project's tables and commits it;
// on a throw (InputRefused, TableError) it must be rolled back. `where` names the source in
// messages.
int importProjectJson(DataModule &dm, const nlohmann::ordered_json &doc, const std::string &where);

} // namespace kv
