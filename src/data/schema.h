#pragma once
// The layouts of the 23 tables of the project database: file names, field names, types, sizes
// and display labels. 22 files make every data folder; the multiple rod's table (mrod.DB) is made
// with the folder's first multiple-rod project.

#include <string>
#include <vector>

namespace kv {

enum class FieldType { AutoInc, Integer, Number, Boolean, Text, Date, Time, Memo };

struct FieldDef {
    std::string name;
    FieldType type;
    int size = 0;      // text n: at most n characters
    std::string label; // display label, empty when the table layout gives none
    // A field newer than the table's first layout: a file without it gains it, empty, on open.
    bool addedLater = false;
};

enum class TableId {
    Project, Mo, Object, Param, Class, Poraj, SMo0, SMo1, SMoT0, SMoT1, SProves, ObjName, Report,
    Diap0, Diap1, Diap2, Diap2MO0, Diap2MO1, Diap2MO11, Diap2MO2, Diap2MO21, Diap2MO3, MRod,
};
inline constexpr int kTableCount = 23;
// The table files every data folder has (all but the multiple rod's, made when first needed).
inline constexpr int kFolderTableCount = 22;

struct TableDef {
    TableId id;
    std::string fileName; // exactly as on disk: "project.DB", "param.db", ...
    std::vector<FieldDef> fields;
    // The master table whose Kod this table's Kod0 follows, or the table itself when none.
    TableId master;
    bool hasMaster() const { return master != id; }
    // Made only when first needed (never by the installation data); a missing file is no error.
    bool lazy = false;
    // The name the table takes inside its file once the folder holds a project that older builds
    // must not read (empty: none). An older build looks for the usual name only and refuses the
    // file ("не является таблицей"), so it never misreads such a folder.
    std::string markedSqlName;
    bool hasKod() const;
    const FieldDef *field(const std::string &name) const; // nullptr when unknown
};

const TableDef &tableDef(TableId id);
// How many characters a text field holds; 32767 (a line edit's own limit) when it has no limit.
int fieldSize(TableId id, const std::string &field);
// The name of the single table inside a table file: the file name without its extension
// ("project" for "project.DB").
std::string sqlTableName(const TableDef &def);
// All 23 tables in the order in which they are opened and closed.
const std::vector<TableId> &openingOrder();
// The 13 tables that hold a project's rows: the project, its conductor and object rows, its
// placement variants, ranges, sub-ranges and combinations, and the multiple rod's pairs and
// protecting elements.
const std::vector<TableId> &projectTables();

} // namespace kv
