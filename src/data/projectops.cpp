#include "data/projectops.h"

#include "data/multirodstore.h"

#include "calc/classrule.h"
#include "calc/multirod.h"
#include "calc/numfmt.h"
#include "calc/podbor.h"
#include "calc/snap.h"
#include "calc/zones.h"
#include "data/objectops.h"
#include "data/podborops.h"
#include "data/snapshot.h"
#include "data/textutil.h"
#include "data/transaction.h"

#include <algorithm>

namespace kv {

namespace {

// The tables whose rows hang under a row of parent, in the order a copy or a deletion walks
// them: support-1 ranges, support-2 ranges, then the combinations under a complex variant; and
// the multiple rod's pairs and elements under its project.
std::vector<TableId> placementChildren(TableId parent)
{
    switch (parent) {
    case TableId::Project:
        return {TableId::Diap0, TableId::Diap2MO0, TableId::MRod};
    case TableId::Diap0:
        return {TableId::Diap1};
    case TableId::Diap1:
        return {TableId::Diap2};
    case TableId::Diap2MO0:
        return {TableId::Diap2MO1, TableId::Diap2MO11, TableId::Diap2MO3};
    case TableId::Diap2MO1:
        return {TableId::Diap2MO2};
    case TableId::Diap2MO11:
        return {TableId::Diap2MO21};
    default:
        return {};
    }
}

void deleteUnder(DataModule &dm, TableId parent, std::int64_t parentKod)
{
    for (TableId child : placementChildren(parent)) {
        Table &t = dm.table(child);
        if (!t.isOpen())
            continue;
        for (auto k : t.keysUnder(parentKod)) {
            deleteUnder(dm, child, k);
            t.removeRowByKey(k);
        }
    }
}

// Copies the rows under srcParent to the freshly appended parent (the current row of its table,
// so the appended children take its key), depth first.
void copyUnder(DataModule &dm, TableId parent, std::int64_t srcParent)
{
    for (TableId child : placementChildren(parent)) {
        Table &t = dm.table(child);
        if (!t.isOpen())
            continue;
        const auto &fields = t.def().fields;
        for (auto k : t.keysUnder(srcParent)) {
            const auto row = t.rowByKey(k);
            if (!row)
                continue;
            if (!t.append())
                continue;
            for (std::size_t f = 0; f < fields.size(); ++f)
                if (fields[f].name != "Kod" && fields[f].name != "Kod0")
                    t.setValue(fields[f].name, (*row)[f]);
            if (!t.post()) {
                t.cancel();
                continue;
            }
            copyUnder(dm, child, k);
        }
    }
}

std::optional<int> parseIntText(const std::string &s)
{
    if (s.find_first_not_of(' ') == std::string::npos)
        return std::nullopt;
    auto v = parseNumber(s);
    if (!v)
        return std::nullopt;
    return static_cast<int>(*v);
}

// Splits a list item "60 - 79" / "100 - " into its bounds.
void splitRange(const std::string &range, std::optional<int> &min, std::optional<int> &max)
{
    const auto p = range.find(" - ");
    if (p == std::string::npos) {
        min = parseIntText(range);
        max.reset();
        return;
    }
    min = parseIntText(range.substr(0, p));
    max = parseIntText(range.substr(p + 3));
}

std::string intText(const Value &v) { return v.isNull() ? std::string() : std::to_string(v.toInt()); }

bool gotoKey(Table &t, std::int64_t kod)
{
    if (t.gotoBookmark(kod))
        return true;
    throw TableError("Ошибка. Запись " + std::to_string(kod) + " не найдена в таблице "
                     + t.def().fileName + ".");
}

int projectKod(DataModule &dm)
{
    Table &p = dm.project();
    if (p.isEmpty())
        throw TableError("Ошибка. Нет текущего проекта.");
    return p.asInt("Kod");
}

std::int64_t conductorKey(DataModule &dm, int position)
{
    const auto keys = dm.mo().keysUnder(projectKod(dm));
    if (keys.empty())
        throw TableError("Ошибка. У проекта нет молниеотвода.");
    // Position 1 of a single rod is its only row; the last row of two is the second.
    const auto last = static_cast<int>(keys.size()) - 1;
    return keys[static_cast<std::size_t>(std::clamp(position, 0, last))];
}

void writeObjectValues(DataModule &dm, Table &obj, const ObjectRec &v)
{
    const double step = gridStep(dm);
    obj.setValue("Name", v.Name);
    obj.setValue("SLabel", v.SLabel);
    obj.setValue("ObjColor", v.ObjColor);
    obj.setValue("Kateg", v.Kateg);
    obj.setValue("Zona", v.Zona);
    obj.setValue("MXa", v.MXa ? Value(snapToGrid(*v.MXa, step)) : Value());
    obj.setValue("MYa", v.MYa ? Value(snapToGrid(*v.MYa, step)) : Value());
    obj.setValue("L", v.L);
    obj.setValue("S", v.S);
    obj.setValue("Hx", v.Hx);
    obj.setValue("N", v.N);
    obj.setValue("Tip", v.Tip);
    if (v.Tip && *v.Tip == 16)
        obj.setValue("STip", "сосредоточенный");
    else if (v.Tip && *v.Tip >= 1 && *v.Tip <= 15)
        obj.setValue("STip", "прямоугольный");
    else
        obj.setNull("STip");
}

// Adds the object's name to the names dictionary when the settings ask for it and the dictionary
// already holds a name.
void rememberName(DataModule &dm, const std::string &name)
{
    Table &names = dm.table(TableId::ObjName);
    if (!names.isOpen() || name.empty() || names.isEmpty() || names.isNull("ObjName"))
        return;
    const SettingsRec s = loadSettings(dm);
    if (!s.AutoCreateObjName.value_or(false))
        return;
    RowKeeper keep(names);
    if (names.locate({{"ObjName", Value(name)}}))
        return;
    if (!names.append())
        return;
    names.setValue("ObjName", name);
    if (!names.post())
        names.cancel();
}

std::string cutTo(const Table &t, const std::string &field, const std::string &text)
{
    const FieldDef *f = t.def().field(field);
    if (!f || f->size <= 0)
        return text;
    return utf8Prefix(text, static_cast<std::size_t>(f->size));
}

} // namespace

const char *conductorTypeOfIndex(int typeIndex)
{
    switch (typeIndex) {
    case kTypeIndexCable:
        return kTipCable;
    case kTypeIndexDoubleRod:
        return kTipDoubleRod;
    case kTypeIndexMultiRod:
        return kTipMultiRod;
    default:
        return kTipSingleRod;
    }
}

int typeIndexOf(const std::string &tipMO)
{
    if (tipMO == kTipSingleRod)
        return kTypeIndexSingleRod;
    if (tipMO == kTipCable)
        return kTypeIndexCable;
    if (tipMO == kTipDoubleRod)
        return kTypeIndexDoubleRod;
    if (tipMO == kTipMultiRod)
        return kTypeIndexMultiRod;
    return -1;
}

double gridStep(DataModule &dm)
{
    const SettingsRec s = loadSettings(dm);
    return s.ObjShag && *s.ObjShag > 0 ? *s.ObjShag : 1.0;
}

std::string grozRangeText(const std::optional<int> &min, const std::optional<int> &max)
{
    return (min ? std::to_string(*min) : std::string()) + " - " + (max ? std::to_string(*max) : std::string());
}

std::vector<std::string> grozRangeItems(DataModule &dm)
{
    std::vector<std::string> items;
    Table &t = dm.table(TableId::Poraj);
    if (!t.isOpen())
        return items;
    for (const auto &r : t.select({"ProdGrozMin", "ProdGrozMax"}, {}))
        items.push_back(intText(r[0]) + " - " + intText(r[1]));
    return items;
}

std::optional<double> udarovOfRange(DataModule &dm, const std::string &range)
{
    Table &t = dm.table(TableId::Poraj);
    if (!t.isOpen())
        return std::nullopt;
    const auto p = range.find(" - ");
    if (p == std::string::npos)
        return std::nullopt;
    const std::string min = range.substr(0, p);
    const std::string max = range.size() < p + 3 ? std::string() : range.substr(p + 3);
    for (const auto &r : t.select({"ProdGrozMin", "ProdGrozMax", "Udarov"}, {}))
        if (intText(r[0]) == min && intText(r[1]) == max)
            return r[2].optDouble();
    return std::nullopt;
}

ProjectInput newProjectDefaults(DataModule &dm, const std::string &date, const std::string &time)
{
    ProjectInput in;
    in.name = "Проект " + std::to_string(dm.project().recordCount() + 1);
    in.grozRange = "60 - 79";
    if (auto u = udarovOfRange(dm, *in.grozRange))
        in.udarovText = formatGeneral(*u);
    in.date = date;
    in.time = time;
    in.typeIndex = kTypeIndexSingleRod;
    in.scale = 500;
    return in;
}

ProjectInput currentProjectInput(DataModule &dm)
{
    Table &p = dm.project();
    ProjectInput in;
    if (p.isEmpty())
        return in;
    in.name = p.asText("Name");
    in.grozRange = intText(p.value("ProdGrozMin")) + " - " + intText(p.value("ProdGrozMax"));
    in.udarovText = p.isNull("Udarov") ? std::string() : formatGeneral(p.asDouble("Udarov"));
    in.owner = p.asText("ProjOwner");
    in.date = p.asText("ProjDate");
    in.time = p.asText("ProjTime");
    in.typeIndex = std::max(0, typeIndexOf(p.asText("TipMO")));
    in.scale = p.isNull("IScale") ? 500 : p.asInt("IScale");
    in.memo = p.asText("ProjMemo");
    return in;
}

namespace {

void writeProjectInput(Table &p, const ProjectInput &in, bool creating)
{
    p.setValue("Name", in.name);
    if (in.grozRange) {
        std::optional<int> min, max;
        splitRange(*in.grozRange, min, max);
        p.setValue("ProdGrozMin", min);
        p.setValue("ProdGrozMax", max);
        const auto u = parseNumber(in.udarovText);
        p.setValue("Udarov", u ? Value(*u) : Value());
    } else if (creating) {
        p.setNull("ProdGrozMin");
        p.setNull("ProdGrozMax");
        p.setNull("Udarov");
    }
    p.setValue("ProjOwner", in.owner);
    p.setValue("ProjDate", in.date);
    p.setValue("ProjTime", in.time);
    p.setValue("TipMO", std::string(conductorTypeOfIndex(in.typeIndex)));
    p.setValue("IScale", in.scale);
    p.setValue("ProjMemo", in.memo);
}

void appendConductor(Table &mo, double x, double y)
{
    mo.append();
    mo.setValue("MX", x);
    mo.setValue("MY", y);
    mo.setValue("H", 15.0);
    if (!mo.post())
        throw TableError("Ошибка. Не удалось добавить молниеотвод.");
}

} // namespace

int createProject(DataModule &dm, const ProjectInput &in)
{
    if (in.typeIndex == kTypeIndexMultiRod)
        prepareMultiRodFolder(dm);
    Transaction tx(dm, {TableId::Project, TableId::Mo});
    Table &p = dm.project();
    if (!p.append())
        throw TableError("Ошибка. Не удалось создать проект.");
    writeProjectInput(p, in, true);
    p.setValue("ZonaACnt", 0);
    p.setValue("ZonaBCnt", 0);
    if (!p.post()) {
        p.cancel();
        throw TableError("Ошибка. Не удалось создать проект.");
    }
    const int kod = p.asInt("Kod");
    Table &mo = dm.mo();
    appendConductor(mo, 5, 5);
    if (in.typeIndex == kTypeIndexCable || in.typeIndex == kTypeIndexDoubleRod
        || in.typeIndex == kTypeIndexMultiRod)
        appendConductor(mo, 10, 10);
    tx.commit();
    return kod;
}

std::vector<std::string> objectsLostByEdit(DataModule &dm, const ProjectInput &in)
{
    std::vector<std::string> lost;
    Table &p = dm.project();
    if (p.isEmpty())
        return lost;
    std::optional<int> T = p.value("ProdGrozMin").optInt();
    std::optional<double> n = p.value("Udarov").optDouble();
    if (in.grozRange) {
        std::optional<int> max;
        splitRange(*in.grozRange, T, max);
        n = parseNumber(in.udarovText);
    }
    Table &obj = dm.object();
    RowKeeper keep(obj);
    for (obj.first(); !obj.eof(); obj.next()) {
        const int cls = obj.asInt("Tip");
        std::string zone = obj.asText("Zona");
        if (cls >= 1 && cls <= 16) {
            zone = EvaluateObject(cls, obj.asDouble("L"), obj.asDouble("S"), obj.asDouble("Hx"),
                                  T.value_or(0), n.value_or(0), StrikeRounding::Round2)
                       .rule.zone;
        }
        if (zone.empty())
            lost.push_back(obj.asText("Name"));
    }
    return lost;
}

void editProject(DataModule &dm, const ProjectInput &in,
                 const std::function<void(const std::string &)> &removeShapes)
{
    Table &p = dm.project();
    const int kod = projectKod(dm);
    const int oldType = typeIndexOf(p.asText("TipMO"));
    const int newType = in.typeIndex;
    if (newType == kTypeIndexMultiRod && oldType != newType)
        prepareMultiRodFolder(dm);
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object, TableId::MRod});
    if (!p.edit())
        throw TableError("Ошибка. Проект не может быть изменен.");
    writeProjectInput(p, in, false);
    if (!p.post()) {
        p.cancel();
        throw TableError("Ошибка. Проект не может быть изменен.");
    }

    Table &mo = dm.mo();
    Table &obj = dm.object();
    const auto &moFields = mo.def().fields;
    auto rows = [&] { return mo.keysUnder(kod); };
    auto sagOf = [&](std::int64_t k1, std::int64_t k2) {
        const auto r1 = mo.rowByKey(k1);
        const auto r2 = mo.rowByKey(k2);
        auto at = [&](const std::vector<Value> &r, const char *f) {
            for (std::size_t i = 0; i < moFields.size(); ++i)
                if (moFields[i].name == f)
                    return r[i].toDouble();
            return 0.0;
        };
        const double L = SpanLength({at(*r1, "MX"), at(*r1, "MY")}, {at(*r2, "MX"), at(*r2, "MY")});
        CalcMessages msgs;
        const double f = SagForSpan(L, loadSagTable(dm), msgs);
        showMessages(dm, msgs);
        return f;
    };
    // Row 2 := every field of row 1 from H on.
    auto copyRow1To2 = [&] {
        const auto k = rows();
        if (k.size() < 2)
            return;
        const auto r1 = mo.rowByKey(k.front());
        gotoKey(mo, k.back());
        mo.edit();
        bool from = false;
        for (std::size_t i = 0; i < moFields.size(); ++i) {
            from = from || moFields[i].name == "H";
            if (from)
                mo.setValue(moFields[i].name, (*r1)[i]);
        }
        mo.post();
    };
    auto appendSecond = [&] {
        RowKeeper keep(mo);
        appendConductor(mo, 10, 10);
    };
    auto deleteLast = [&] {
        const auto k = rows();
        if (k.size() >= 2)
            mo.removeRowByKey(k.back());
    };
    static const char *kDoubleFields[] = {"Hc_a", "Hc_b", "Rc_a", "Rc_b", "L_H",
                                          "Hc_a1", "Hc_b1", "Rc_a1", "Rc_b1", "L_H1"};
    // A chosen construction from the other catalogue (rods vs. catenaries) does not fit the new
    // type: its values are cleared rather than reused as heights of the other kind.
    const bool catalogueChanges = oldType != newType
        && ((oldType == kTypeIndexCable) != (newType == kTypeIndexCable));
    auto setHop = [&](std::int64_t k1, std::int64_t k2) {
        RowKeeper keep(mo);
        gotoKey(mo, k1);
        const double f = sagOf(k1, k2);
        mo.edit();
        if (!mo.isNull("H"))
            mo.setValue("Hop", mo.asDouble("H") + f);
        if (!catalogueChanges && !mo.isNull("H1"))
            mo.setValue("Hop1", mo.asDouble("H1") + sagOf(k1, k2));
        return mo.post();
    };
    auto clearObjectsRc = [&] {
        RowKeeper keep(obj);
        for (obj.first(); !obj.eof(); obj.next()) {
            obj.edit();
            obj.setNull("Rcx");
            obj.setNull("Rcx1");
            obj.post();
        }
    };
    // A multiple rod is shaped as a double rod: leaving it keeps its first two rods (and drops
    // its pairs and elements); entering it from a single rod or a cable makes the double rod's
    // rows.
    int fromType = oldType, toType = newType;
    if (oldType == kTypeIndexMultiRod && newType != oldType) {
        const auto k = rows();
        for (std::size_t i = 2; i < k.size(); ++i)
            mo.removeRowByKey(k[i]);
        Table &mr = dm.table(TableId::MRod);
        if (mr.isOpen())
            for (auto key : mr.keysUnder(kod))
                mr.removeRowByKey(key);
        fromType = kTypeIndexDoubleRod;
    }
    if (newType == kTypeIndexMultiRod)
        toType = kTypeIndexDoubleRod;
    if (fromType != toType && fromType >= 0) {
        RowKeeper keepMo(mo);
        if (fromType == kTypeIndexSingleRod && toType == kTypeIndexCable) {
            appendSecond();
            const auto k = rows();
            setHop(k.front(), k.back());
            copyRow1To2();
        } else if (fromType == kTypeIndexSingleRod && toType == kTypeIndexDoubleRod) {
            appendSecond();
            copyRow1To2();
        } else if (fromType == kTypeIndexCable && toType == kTypeIndexSingleRod) {
            deleteLast();
            gotoKey(mo, rows().front());
            mo.edit();
            mo.setNull("Hop");
            mo.setNull("Hop1");
            mo.post();
        } else if (fromType == kTypeIndexCable && toType == kTypeIndexDoubleRod) {
            for (auto k : rows()) {
                gotoKey(mo, k);
                mo.edit();
                mo.setNull("Hop");
                mo.setNull("Hop1");
                mo.post();
            }
        } else if (fromType == kTypeIndexDoubleRod && toType == kTypeIndexSingleRod) {
            deleteLast();
            gotoKey(mo, rows().front());
            mo.edit();
            for (const char *f : kDoubleFields)
                mo.setNull(f);
            mo.post();
            clearObjectsRc();
        } else if (fromType == kTypeIndexDoubleRod && toType == kTypeIndexCable) {
            const auto k = rows();
            if (k.size() >= 2) {
                gotoKey(mo, k.front());
                mo.edit();
                for (const char *f : kDoubleFields)
                    mo.setNull(f);
                mo.post();
                setHop(k.front(), k.back());
                copyRow1To2();
            }
            clearObjectsRc();
        }
    }
    if (catalogueChanges)
        clearChosenConstruction(dm);
    ReevaluateObjects(dm, removeShapes);
    CountZones(dm);
    tx.commit();
}

void deleteCurrentProject(DataModule &dm)
{
    const int kod = projectKod(dm);
    Transaction tx(dm, projectTables());
    for (TableId id : {TableId::Object, TableId::Mo}) {
        Table &t = dm.table(id);
        for (auto k : t.keysUnder(kod))
            t.removeRowByKey(k);
    }
    deleteUnder(dm, TableId::Project, kod);
    Table &p = dm.project();
    gotoKey(p, kod);
    if (!p.remove())
        throw TableError("Ошибка. Проект не может быть удален.");
    tx.commit();
}

int copyCurrentProject(DataModule &dm, const std::string &newName)
{
    Table &p = dm.project();
    const int src = projectKod(dm);
    const auto srcRow = p.rowByKey(src);
    const auto &pf = p.def().fields;
    Transaction tx(dm, projectTables());
    if (!p.append())
        throw TableError("Ошибка. Не удалось создать проект.");
    for (std::size_t i = 0; i < pf.size(); ++i)
        if (pf[i].name != "Kod")
            p.setValue(pf[i].name, pf[i].name == "Name" ? Value(newName) : (*srcRow)[i]);
    if (!p.post()) {
        p.cancel();
        throw TableError("Ошибка. Не удалось создать проект.");
    }
    const int kod = p.asInt("Kod");
    for (TableId id : {TableId::Mo, TableId::Object}) {
        Table &t = dm.table(id);
        const auto &fields = t.def().fields;
        for (auto k : t.keysUnder(src)) {
            const auto row = t.rowByKey(k);
            t.append();
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i].name != "Kod" && fields[i].name != "Kod0")
                    t.setValue(fields[i].name, (*row)[i]);
            if (!t.post()) {
                t.cancel();
                throw TableError("Ошибка. Не удалось скопировать проект.");
            }
            if (id == TableId::Object) {
                t.edit();
                t.setValue("ShapeName", "ShapeName" + std::to_string(t.asInt("Kod")));
                t.post();
            }
        }
    }
    copyUnder(dm, TableId::Project, src);
    gotoKey(p, kod);
    tx.commit();
    return kod;
}

ObjectRec newObjectDefaults(DataModule &dm)
{
    ObjectRec o;
    const int n = dm.project().isEmpty() ? 0 : dm.object().recordCount();
    o.Name = "Объект " + std::to_string(n + 1);
    o.SLabel = std::to_string(n + 1);
    o.ObjColor = 0;
    o.MXa = 5;
    o.MYa = 5;
    o.L = 10;
    o.S = 5;
    o.Hx = 5;
    o.N = 0;
    o.Tip = 1;
    o.Kateg = 1;
    o.Zona = std::string(kZoneA);
    return o;
}

int addObject(DataModule &dm, const ObjectRec &values)
{
    projectKod(dm);
    Transaction tx(dm, {TableId::Project, TableId::Object, TableId::ObjName});
    Table &obj = dm.object();
    if (!obj.append())
        throw TableError("Ошибка. Не удалось добавить объект.");
    writeObjectValues(dm, obj, values);
    if (!obj.post()) {
        obj.cancel();
        throw TableError("Ошибка. Не удалось добавить объект.");
    }
    const int kod = obj.asInt("Kod");
    CountZones(dm);
    rememberName(dm, values.Name.value_or(""));
    gotoKey(obj, kod);
    obj.edit();
    obj.setValue("ShapeName", "Shape" + std::to_string(kod));
    obj.post();
    tx.commit();
    return kod;
}

void editObject(DataModule &dm, int kod, const ObjectRec &values)
{
    Table &obj = dm.object();
    gotoKey(obj, kod);
    Transaction tx(dm, {TableId::Project, TableId::Object, TableId::ObjName});
    if (!obj.edit())
        throw TableError("Ошибка. Объект не может быть изменен.");
    writeObjectValues(dm, obj, values);
    if (!obj.post()) {
        obj.cancel();
        throw TableError("Ошибка. Объект не может быть изменен.");
    }
    CountZones(dm);
    rememberName(dm, values.Name.value_or(""));
    gotoKey(obj, kod);
    tx.commit();
}

void deleteObject(DataModule &dm, int kod)
{
    Table &obj = dm.object();
    gotoKey(obj, kod);
    Transaction tx(dm, {TableId::Project, TableId::Object});
    if (!obj.remove())
        throw TableError("Ошибка. Объект не может быть удален.");
    CountZones(dm);
    tx.commit();
}

int duplicateObject(DataModule &dm, int kod)
{
    Table &obj = dm.object();
    const auto row = obj.rowByKey(kod);
    if (!row)
        throw TableError("Ошибка. Объект не найден.");
    const auto &fields = obj.def().fields;
    Transaction tx(dm, {TableId::Project, TableId::Object});
    if (!obj.append())
        throw TableError("Ошибка. Не удалось добавить объект.");
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name != "Kod" && fields[i].name != "Kod0")
            obj.setValue(fields[i].name, (*row)[i]);
    obj.setValue("Name", cutTo(obj, "Name", obj.asText("Name") + "_1"));
    obj.setValue("SLabel", cutTo(obj, "SLabel", obj.asText("SLabel") + "_1"));
    if (!obj.isNull("MXa"))
        obj.setValue("MXa", obj.asDouble("MXa") + 1);
    if (!obj.isNull("MYa"))
        obj.setValue("MYa", obj.asDouble("MYa") + 1);
    if (!obj.post()) {
        obj.cancel();
        throw TableError("Ошибка. Не удалось добавить объект.");
    }
    const int copy = obj.asInt("Kod");
    obj.edit();
    obj.setValue("ShapeName", "Shape" + std::to_string(copy));
    obj.post();
    CountZones(dm);
    gotoKey(obj, copy);
    tx.commit();
    return copy;
}

namespace {

void storeXY(Table &t, const char *fx, const char *fy, double x, double y)
{
    if (!t.edit())
        throw TableError("Ошибка. Запись не может быть изменена.");
    t.setValue(fx, x);
    t.setValue(fy, y);
    if (!t.post()) {
        t.cancel();
        throw TableError("Ошибка. Запись не может быть изменена.");
    }
}

double clamp0(double v) { return v < 0 ? 0.0 : v; }

} // namespace

void moveConductor(DataModule &dm, int position, double dx, double dy)
{
    Table &mo = dm.mo();
    gotoKey(mo, conductorKey(dm, position));
    const double s = gridStep(dm);
    storeXY(mo, "MX", "MY", snapToGrid(mo.asDouble("MX") + dx, s), snapToGrid(mo.asDouble("MY") + dy, s));
}

int addRod(DataModule &dm, double x, double y)
{
    const int kod = projectKod(dm);
    Table &mo = dm.mo();
    const auto keys = mo.keysUnder(kod);
    const double s = gridStep(dm);
    std::optional<double> h;
    if (!keys.empty())
        if (const auto r = mo.rowByKey(keys.front())) {
            const auto &f = mo.def().fields;
            for (std::size_t i = 0; i < f.size(); ++i)
                if (f[i].name == "H" && !(*r)[i].isNull())
                    h = (*r)[i].toDouble();
        }
    Transaction tx(dm, {TableId::Mo});
    if (!mo.append())
        throw TableError("Ошибка. Не удалось добавить опору.");
    mo.setValue("MX", clamp0(snapToGrid(x, s)));
    mo.setValue("MY", clamp0(snapToGrid(y, s)));
    mo.setValue("H", h.value_or(15.0));
    if (!mo.post()) {
        mo.cancel();
        throw TableError("Ошибка. Не удалось добавить опору.");
    }
    tx.commit();
    return static_cast<int>(keys.size());
}

void deleteRod(DataModule &dm, int position)
{
    const int kod = projectKod(dm);
    Table &mo = dm.mo();
    const auto keys = mo.keysUnder(kod);
    if (keys.size() <= 2)
        throw TableError(kMsgMultiRodTooFew);
    if (position < 0 || position >= static_cast<int>(keys.size()))
        throw TableError("Ошибка. Опора не найдена.");
    Transaction tx(dm, {TableId::Mo});
    mo.removeRowByKey(keys[static_cast<std::size_t>(position)]);
    tx.commit();
}

void moveObject(DataModule &dm, int kod, double dx, double dy)
{
    Table &obj = dm.object();
    gotoKey(obj, kod);
    const double s = gridStep(dm);
    storeXY(obj, "MXa", "MYa", snapToGrid(obj.asDouble("MXa") + dx, s),
            snapToGrid(obj.asDouble("MYa") + dy, s));
}

void dropConductor(DataModule &dm, int position, double mx, double my)
{
    Table &mo = dm.mo();
    gotoKey(mo, conductorKey(dm, position));
    const double s = gridStep(dm);
    storeXY(mo, "MX", "MY", clamp0(snapToGrid(mx, s)), clamp0(snapToGrid(my, s)));
}

void dropObject(DataModule &dm, int kod, double mxa, double mya)
{
    Table &obj = dm.object();
    gotoKey(obj, kod);
    const double s = gridStep(dm);
    storeXY(obj, "MXa", "MYa", clamp0(snapToGrid(mxa, s)), clamp0(snapToGrid(mya, s)));
}

void snapAllToGrid(DataModule &dm)
{
    const int kod = projectKod(dm);
    const double s = gridStep(dm);
    Transaction tx(dm, {TableId::Mo, TableId::Object});
    Table &mo = dm.mo();
    {
        RowKeeper keep(mo);
        for (auto k : mo.keysUnder(kod)) {
            gotoKey(mo, k);
            storeXY(mo, "MX", "MY", snapToGrid(mo.asDouble("MX"), s), snapToGrid(mo.asDouble("MY"), s));
        }
    }
    Table &obj = dm.object();
    RowKeeper keep(obj);
    for (auto k : obj.keysUnder(kod)) {
        gotoKey(obj, k);
        storeXY(obj, "MXa", "MYa", snapToGrid(obj.asDouble("MXa"), s), snapToGrid(obj.asDouble("MYa"), s));
    }
    tx.commit();
}

} // namespace kv
