#pragma once
// Table rows as JSON objects keyed by the table's field names: every stored field present, null
// for an empty field, numbers as shortest round-trip doubles.

#include "calc/multirod.h"
#include "data/datamodule.h"

#include <nlohmann/json.hpp>

namespace kv::cli {

nlohmann::ordered_json rowToJson(const Table &t);
// All visible rows in key order (the current row is kept).
nlohmann::ordered_json rowsToJson(Table &t);
// The project (current row) with its conductor and object rows; a multiple rod project also
// with its stored pairs and protecting elements ("pairs", "elements").
nlohmann::ordered_json projectToJson(DataModule &dm);

// The multiple rod's pairs and elements as JSON (rods numbered from 1) and back; fromJson throws
// TableError for a value of the wrong kind.
nlohmann::ordered_json multiRodPairsToJson(const MultiRodResult &r);
nlohmann::ordered_json multiRodElementsToJson(const MultiRodResult &r);
MultiRodResult multiRodFromJson(const nlohmann::ordered_json &pairs,
                                const nlohmann::ordered_json &elements);

// Writes the fields of a JSON object into the current row (edit or insert state); keys that are
// not fields of the table, the keys Kod and Kod0 and looked-up fields are ignored. A value of the
// wrong kind throws TableError naming the field.
void jsonToRow(Table &t, const nlohmann::ordered_json &obj);

// A fresh data folder in the system's temporary folder, removed with the object.
class TempDataDir {
public:
    TempDataDir();
    ~TempDataDir();
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace kv::cli
