#include "data/schema.h"

#include <array>
#include <stdexcept>

namespace kv {

namespace {

FieldDef kod() { return {"Kod", FieldType::AutoInc, 0, {}}; }
FieldDef kod0() { return {"Kod0", FieldType::Integer, 0, {}}; }
FieldDef num(const char *n, const char *label = "") { return {n, FieldType::Number, 0, label}; }
FieldDef integer(const char *n, const char *label = "") { return {n, FieldType::Integer, 0, label}; }
FieldDef boolean(const char *n, const char *label = "") { return {n, FieldType::Boolean, 0, label}; }
FieldDef text(const char *n, int size, const char *label = "") { return {n, FieldType::Text, size, label}; }
FieldDef memo(const char *n) { return {n, FieldType::Memo, 0, {}}; }

std::vector<FieldDef> conductorFields()
{
    // "Hoп., м" has a Latin o, "Hоп., м" a Cyrillic о: both labels are kept as they are shown.
    return {kod(), kod0(),
            num("MX", "X, м"), num("MY", "Y, м"),
            num("H", "H, м"), num("Hop", "Hoп., м"),
            num("Ho_a", "Ho_a, м"), num("Ho_b", "Ho_b, м"),
            num("Ro_a", "Ro_a, м"), num("Ro_b", "Ro_b, м"),
            num("Hc_a", "Hc_a, м"), num("Hc_b", "Hc_b, м"),
            num("Rc_a", "Rc_a, м"), num("Rc_b", "Rc_b, м"),
            text("Tip", 20, "Тип"), text("Prim", 50, "Примечание"),
            num("H1", "H, м"), num("Hop1", "Hоп., м"),
            num("Ho_a1", "Ho_a, м"), num("Ho_b1", "Ho_b, м"),
            num("Ro_a1", "Ro_a, м"), num("Ro_b1", "Ro_b, м"),
            num("Hc_a1", "Hc_a, м"), num("Hc_b1", "Hc_b, м"),
            num("Rc_a1", "Rc_a, м"), num("Rc_b1", "Rc_b, м"),
            num("L_H"), num("L_H1")};
}

std::vector<FieldDef> objectFields()
{
    return {kod(), kod0(),
            text("Name", 30, "Наименование"), text("SLabel", 10, "Метка"),
            text("STip", 20, "Тип"),
            num("MXa", " X, м"), num("MYa", "Y, м"), num("L", "L, м"), num("S", "S, м"),
            num("Hx", "Hx, м"), num("N"),
            integer("Tip", "Класс"), integer("Kateg", "Категория"), text("Zona", 1, "Зона"),
            num("R", "R, м"), num("H", "H, м"), num("Rx", "Rx, м"), num("Rcx", "Rcx, м"),
            num("Rx1", "Rx, м"), num("Rcx1", "Rcx, м"),
            integer("TipPrim"), text("ShapeName", 30), integer("ObjColor"), integer("NumMO"),
            text("PointOt", 3), text("PointDo", 3), integer("Rejim"), num("Hprior"),
            text("PointDo1", 3)};
}

std::vector<FieldDef> rangeFields()
{
    return {num("X1", "X1, м"), num("X2", "X2, м"), num("DX", "DX, м"),
            num("Y1", "Y1, м"), num("Y2", "Y2, м"), num("DY", "DY, м")};
}

std::vector<FieldDef> subRangeFields()
{
    return {kod(), kod0(),
            num("X1", "X1, м"), boolean("VklX1", "Вкл. X1"),
            num("X2", "X2, м"), boolean("VklX2", "Вкл. X2"),
            num("Y1", "Y1, м"), boolean("VklY1", "Вкл. Y1"),
            num("Y2", "Y2, м"), boolean("VklY2", "Вкл. Y2")};
}

std::vector<FieldDef> concat(std::vector<FieldDef> a, const std::vector<FieldDef> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<TableDef> buildDefs()
{
    std::vector<TableDef> v;
    auto add = [&](TableId id, const char *file, std::vector<FieldDef> fields, TableId master) {
        TableDef d;
        d.id = id;
        d.fileName = file;
        d.fields = std::move(fields);
        d.master = master;
        v.push_back(std::move(d));
    };
    using T = TableId;

    add(T::Project, "project.DB",
        {kod(), text("Name", 50), integer("ProdGrozMin"), integer("ProdGrozMax"), num("Udarov"),
         text("ProjOwner", 50), {"ProjDate", FieldType::Date, 0, {}},
         {"ProjTime", FieldType::Time, 0, {}}, memo("ProjMemo"), integer("ZonaACnt"),
         integer("ZonaBCnt"), text("TipMO", 40), integer("IScale"), boolean("ChkUseAs2")},
        T::Project);
    add(T::Mo, "mo.DB", conductorFields(), T::Project);
    add(T::Object, "object.DB", objectFields(), T::Project);
    add(T::Param, "param.db",
        {num("ObjShag"), integer("ScaleShag"), boolean("ViewParRepForm"),
         boolean("AutoCreateObjName"), text("PodLineStyle", 20), integer("PodLineWidth"),
         text("SelLineStyle", 20), integer("SelLineWidth"), integer("MOColor"),
         text("GridLineStyle", 20), integer("GridLineWidth"), integer("GridLineColor"),
         boolean("UseKlav"), integer("SizeMO"), integer("LastProj"), num("A1"), num("A2"),
         num("A3"), num("B1"), num("B2"), boolean("ChkMsgUseAs2")},
        T::Param);
    add(T::Class, "class.db", {kod(), memo("ClassObj")}, T::Class);
    add(T::Poraj, "poraj.db",
        {integer("ProdGrozMin"), integer("ProdGrozMax"), num("Udarov")}, T::Poraj);
    add(T::SMo0, "s_mo0.db", {kod(), text("Name", 100)}, T::SMo0);
    add(T::SMo1, "s_mo1.db", {kod(), kod0(), text("Tip", 20), num("H")}, T::SMo0);
    add(T::SMoT0, "s_mo_t_0.db", {kod(), text("Name", 100)}, T::SMoT0);
    add(T::SMoT1, "s_mo_t_1.db", {kod(), kod0(), text("Tip", 20), num("H")}, T::SMoT0);
    add(T::SProves, "sProves.db",
        {kod(), num("Lot", "Минимум, м"), num("Ldo", "Максимум, м"), num("F", "Стрела, м")},
        T::SProves);
    add(T::ObjName, "objname.db", {text("ObjName", 100, "Наименование объекта")}, T::ObjName);

    std::vector<FieldDef> report = {kod(), text("Name", 100, "Наименование отчета")};
    for (const char *b : {"ProjName", "ProjHar", "ObjTabObHar", "ObjPrimObHar", "ObjTabMOHar",
                          "ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar", "MOTabRasHar",
                          "MOPrimRasHar", "MOScoreRasHar", "MOTabSelHar", "MOPrimSelHar",
                          "MOScoreSelHar", "MOTabRadZon", "MOPrimRadZon", "MOScoreRadZon",
                          "CherVidSverhuPod", "PrimVidSverhuPod", "CherVidPrymoPod",
                          "PrimVidPrymoPod", "CherVidSverhu", "PrimVidSverhu", "CherVidPrymo",
                          "PrimVidPrymo"})
        report.push_back(boolean(b));
    for (auto f : {text("WordDoc", 10), text("PaperSize", 15), text("PaperOrient", 10),
                   text("PageNum", 30)})
        report.push_back(f);
    for (const char *m : {"TopMargin", "BottomMargin", "LeftMargin", "RightMargin",
                          "HeaderDistance", "FooterDistance"})
        report.push_back(integer(m));
    // Added after the first data folders were installed: a report.DB without it gains the field
    // when opened, empty (off) in every stored profile.
    FieldDef sphere = boolean("ProvSfera");
    sphere.addedLater = true;
    report.push_back(sphere);
    // The 3D picture of the zones; profiles stored before it leave it empty (off).
    FieldDef picture3d = boolean("CherVid3D");
    picture3d.addedLater = true;
    report.push_back(picture3d);
    // The project's underlay beneath the top drawings; profiles stored before it leave it empty.
    FieldDef underlay = boolean("CherPodlozhka");
    underlay.addedLater = true;
    report.push_back(underlay);
    add(T::Report, "report.DB", report, T::Report);

    add(T::Diap0, "diap0.DB",
        {kod(), kod0(), text("Name", 100, "Размещение"), num("X", "X, м"), num("Y", "Y, м"),
         num("H", "H, м")},
        T::Project);
    add(T::Diap1, "diap1.db",
        concat(concat({kod(), kod0()}, rangeFields()),
               {num("X", "X, м"), num("Y", "Y, м"), num("H", "H, м")}),
        T::Diap0);
    add(T::Diap2, "diap2.db", subRangeFields(), T::Diap1);
    add(T::Diap2MO0, "diap2MO_0.DB",
        {kod(), kod0(), text("Name", 100, "Размещение"), num("X1", "X1, м"), num("Y1", "Y1, м"),
         num("H1", "H1, м"), num("X2", "X2, м"), num("Y2", "Y2, м"), num("H2", "H2, м")},
        T::Project);
    add(T::Diap2MO1, "diap2MO_1.DB",
        concat({kod(), kod0(), text("DiapName", 30, "Диапазон")}, rangeFields()), T::Diap2MO0);
    add(T::Diap2MO11, "diap2MO_1_1.DB",
        concat({kod(), kod0(), text("DiapName", 30, "Диапазон")}, rangeFields()), T::Diap2MO0);
    add(T::Diap2MO2, "diap2MO_2.DB", subRangeFields(), T::Diap2MO1);
    add(T::Diap2MO21, "diap2MO_2_1.DB", subRangeFields(), T::Diap2MO11);
    add(T::Diap2MO3, "diap2MO_3.DB",
        {kod(), kod0(), text("DiapName1", 30, "Диапазон 1"), num("X1", "X1, м"),
         num("Y1", "Y1, м"), num("H1", "H1, м"), text("DiapName2", 30, "Диапазон 2"),
         num("X2", "X2, м"), num("Y2", "Y2, м"), num("H2", "H2, м")},
        T::Diap2MO0);
    // The multiple rod's results: one row per rod pair (Kind 1: rods MO1, MO2 with the pair's
    // span, regimes, middle-of-span values, mode and governed height) and one per object
    // (Kind 2: the object's number NumObj in key order, its governing pair MO1, MO2 or triangle
    // MO1, MO2, MO3 with the needed height and Rcx). Fields with suffix 1: the chosen
    // construction.
    add(T::MRod, "mrod.DB",
        {kod(), kod0(), integer("Kind"), integer("MO1"), integer("MO2"), integer("MO3"),
         integer("NumObj"), num("L"), num("L_H"), integer("RejimA"), integer("RejimB"),
         num("Hc_a"), num("Rc_a"), num("Hc_b"), num("Rc_b"), boolean("UseAs2"), num("H"),
         num("Rcx"), num("L_H1"), num("Hc_a1"), num("Rc_a1"), num("Hc_b1"), num("Rc_b1"),
         num("Rcx1")},
        T::Project);
    v.back().lazy = true;
    v.front().markedSqlName = "project_mrod";
    return v;
}

const std::vector<TableDef> &defs()
{
    static const std::vector<TableDef> d = buildDefs();
    return d;
}

} // namespace

bool TableDef::hasKod() const
{
    return !fields.empty() && fields.front().type == FieldType::AutoInc;
}

const FieldDef *TableDef::field(const std::string &name) const
{
    for (const auto &f : fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

const TableDef &tableDef(TableId id)
{
    for (const auto &d : defs())
        if (d.id == id)
            return d;
    throw std::out_of_range("tableDef: unknown table id");
}

int fieldSize(TableId id, const std::string &field)
{
    const FieldDef *f = tableDef(id).field(field);
    return f && f->type == FieldType::Text && f->size > 0 ? f->size : 32767;
}

const std::vector<TableId> &openingOrder()
{
    using T = TableId;
    static const std::vector<TableId> order = {
        T::Project, T::Mo,      T::Object,   T::SMo0,     T::SMo1,      T::SMoT0,
        T::SMoT1,   T::Class,   T::Poraj,    T::Param,    T::Report,    T::ObjName,
        T::SProves, T::Diap0,   T::Diap1,    T::Diap2,    T::Diap2MO0,  T::Diap2MO1,
        T::Diap2MO11, T::Diap2MO2, T::Diap2MO21, T::Diap2MO3, T::MRod};
    return order;
}

const std::vector<TableId> &projectTables()
{
    using T = TableId;
    static const std::vector<TableId> tables = {
        T::Project,  T::Mo,        T::Object,    T::Diap0,     T::Diap1,     T::Diap2,
        T::Diap2MO0, T::Diap2MO1,  T::Diap2MO11, T::Diap2MO2,  T::Diap2MO21, T::Diap2MO3,
        T::MRod};
    return tables;
}

std::string sqlTableName(const TableDef &def)
{
    return def.fileName.substr(0, def.fileName.find('.'));
}

} // namespace kv
