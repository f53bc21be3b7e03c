#include "exchange/projectjson.h"

#include "data/multirodstore.h"

#include "calc/valueranges.h"
#include "calc/records.h"
#include "data/objectops.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/jsoninput.h"
#include "exchange/placementjson.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace kv {

using json = nlohmann::ordered_json;

namespace {

json optJson(const OptD &v) { return v ? json(*v) : json(nullptr); }
json optJson(const OptI &v) { return v ? json(*v) : json(nullptr); }
json rodJson(int rod) { return rod >= 0 ? json(rod + 1) : json(nullptr); }

OptD optNum(const json &o, const char *k)
{
    const auto it = o.find(k);
    if (it == o.end() || it->is_null())
        return std::nullopt;
    if (!it->is_number())
        throw TableError(std::string("Ошибка. Недопустимое значение поля ") + k
                         + " многократного молниеотвода.");
    return it->get<double>();
}

int rodNum(const json &o, const char *k)
{
    const OptD v = optNum(o, k);
    if (!v)
        return -1;
    if (!(*v >= 1 && *v <= 100000) || *v != std::floor(*v))
        throw TableError(std::string("Ошибка. Недопустимое значение поля ") + k
                         + " многократного молниеотвода.");
    return static_cast<int>(*v) - 1;
}

OptI optInt(const json &o, const char *k)
{
    const OptD v = optNum(o, k);
    return v ? OptI{static_cast<int>(*v)} : OptI{};
}



bool isStored(const FieldDef &f)
{
    // ClassObject of object.DB is looked up from class.db, not stored.
    return f.name != "ClassObject";
}

// The ranges the dialogs enforce hold for every value read from a file as well.
void checkRange(const Table &t, const FieldDef &f, double v)
{
    if (const auto e = numberRangeError(t.def().fileName, f.name, v))
        throw TableError(*e);
}

} // namespace

namespace {

json fieldJson(const FieldDef &f, const Value &v)
{
    if (v.isNull())
        return nullptr;
    switch (f.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return v.toInt();
    case FieldType::Number:
        return v.toDouble();
    case FieldType::Boolean:
        return v.toBool();
    default:
        return v.toText();
    }
}

} // namespace

json rowToJson(const Table &t)
{
    json o = json::object();
    for (const FieldDef &f : t.def().fields)
        if (isStored(f))
            o[f.name] = fieldJson(f, t.value(f.name));
    return o;
}

json rowToJson(const TableDef &def, const std::vector<Value> &row)
{
    json o = json::object();
    for (std::size_t i = 0; i < def.fields.size() && i < row.size(); ++i)
        if (isStored(def.fields[i]))
            o[def.fields[i].name] = fieldJson(def.fields[i], row[i]);
    return o;
}

json rowsToJson(Table &t)
{
    json a = json::array();
    RowKeeper keep(t);
    for (t.first(); !t.eof(); t.next())
        a.push_back(rowToJson(t));
    return a;
}

json projectToJson(DataModule &dm)
{
    json doc = json::object();
    doc["project"] = rowToJson(dm.project());
    doc["conductors"] = rowsToJson(dm.mo());
    doc["objects"] = rowsToJson(dm.object());
    if (isMultiRodProject(dm)) {
        const MultiRodResult r = loadMultiRod(dm);
        doc["pairs"] = multiRodPairsToJson(r);
        doc["elements"] = multiRodElementsToJson(r);
    }
    if (json placement = placementToJson(dm, dm.project().asInt("Kod")); !placement.is_null())
        doc["placement"] = std::move(placement);
    return doc;
}

json multiRodPairsToJson(const MultiRodResult &r)
{
    json out = json::array();
    for (const MultiRodPair &p : r.pairs)
        out.push_back({{"MO1", rodJson(p.i)},         {"MO2", rodJson(p.j)},
                       {"L", p.L},                    {"L_H", optJson(p.L_H)},
                       {"RejimA", optJson(p.regimeA)}, {"RejimB", optJson(p.regimeB)},
                       {"Hc_a", optJson(p.Hc_a)},     {"Rc_a", optJson(p.Rc_a)},
                       {"Hc_b", optJson(p.Hc_b)},     {"Rc_b", optJson(p.Rc_b)},
                       {"UseAs2", p.useAs2},          {"H", p.governs ? json(p.Hneed) : json()},
                       {"L_H1", optJson(p.L_H1)},     {"Hc_a1", optJson(p.Hc_a1)},
                       {"Rc_a1", optJson(p.Rc_a1)},   {"Hc_b1", optJson(p.Hc_b1)},
                       {"Rc_b1", optJson(p.Rc_b1)}});
    return out;
}

json multiRodElementsToJson(const MultiRodResult &r)
{
    json out = json::array();
    for (size_t i = 0; i < r.objects.size(); ++i) {
        const MultiRodObject &o = r.objects[i];
        const int rods = o.by == MultiRodElement::Triangle ? 3 : o.by == MultiRodElement::Pair ? 2 : 0;
        out.push_back({{"NumObj", static_cast<int>(i + 1)},
                       {"MO1", rodJson(rods > 0 ? o.rods[0] : -1)},
                       {"MO2", rodJson(rods > 1 ? o.rods[1] : -1)},
                       {"MO3", rodJson(rods > 2 ? o.rods[2] : -1)},
                       {"Unreachable", o.unreachable},
                       {"H", optJson(o.H)},
                       {"Rcx", optJson(o.Rcx)},
                       {"Rcx1", optJson(o.Rcx1)}});
    }
    return out;
}

MultiRodResult multiRodFromJson(const json &pairs, const json &elements)
{
    MultiRodResult r;
    const auto rowsOf = [](const json &a) {
        if (!a.is_null() && !a.is_array())
            throw TableError("Ошибка. Пары и элементы многократного молниеотвода должны быть "
                             "массивами JSON ([...]).");
        return a.is_array() ? a : json::array();
    };
    for (const json &p : rowsOf(pairs)) {
        if (!p.is_object())
            throw TableError("Ошибка. Ожидалась запись пары многократного молниеотвода.");
        MultiRodPair q;
        q.i = rodNum(p, "MO1");
        q.j = rodNum(p, "MO2");
        q.L = optNum(p, "L").value_or(0);
        q.L_H = optNum(p, "L_H");
        q.regimeA = optInt(p, "RejimA");
        q.regimeB = optInt(p, "RejimB");
        q.Hc_a = optNum(p, "Hc_a");
        q.Rc_a = optNum(p, "Rc_a");
        q.Hc_b = optNum(p, "Hc_b");
        q.Rc_b = optNum(p, "Rc_b");
        q.useAs2 = p.value("UseAs2", false);
        const OptD h = optNum(p, "H");
        q.governs = h.has_value();
        q.Hneed = h.value_or(0);
        q.L_H1 = optNum(p, "L_H1");
        q.Hc_a1 = optNum(p, "Hc_a1");
        q.Rc_a1 = optNum(p, "Rc_a1");
        q.Hc_b1 = optNum(p, "Hc_b1");
        q.Rc_b1 = optNum(p, "Rc_b1");
        r.pairs.push_back(q);
    }
    for (const json &e : rowsOf(elements)) {
        if (!e.is_object())
            throw TableError("Ошибка. Ожидалась запись элемента многократного молниеотвода.");
        MultiRodObject o;
        o.rods[0] = rodNum(e, "MO1");
        o.rods[1] = rodNum(e, "MO2");
        o.rods[2] = rodNum(e, "MO3");
        o.by = o.rods[2] >= 0   ? MultiRodElement::Triangle
               : o.rods[1] >= 0 ? MultiRodElement::Pair
                                : MultiRodElement::None;
        o.unreachable = e.value("Unreachable", false);
        o.H = optNum(e, "H");
        o.Rcx = optNum(e, "Rcx");
        o.Rcx1 = optNum(e, "Rcx1");
        r.objects.push_back(o);
    }
    return r;
}

std::optional<MultiRodResult> prepareMultiRodImport(DataModule &dm, const json &doc)
{
    const json &project = doc["project"];
    const auto tip = project.find("TipMO");
    if (tip == project.end() || !tip->is_string()
        || conductorTypeOf(tip->get<std::string>()) != ConductorType::MultiRod)
        return std::nullopt;
    std::optional<MultiRodResult> rows;
    if (doc.contains("pairs") || doc.contains("elements"))
        rows = multiRodFromJson(doc.contains("pairs") ? doc["pairs"] : json(),
                                doc.contains("elements") ? doc["elements"] : json());
    // The pairs and elements name the project's own rods, each once: the drawings and the report
    // look the rods up by these numbers.
    const auto conductors = doc.find("conductors");
    if (rows && conductors != doc.end() && conductors->is_array()) {
        const int n = static_cast<int>(conductors->size());
        const auto check = [n](std::initializer_list<int> rods) {
            std::vector<int> seen;
            for (int r : rods) {
                if (r < 0)
                    continue;
                if (r >= n || std::find(seen.begin(), seen.end(), r) != seen.end())
                    throw TableError("Ошибка. Номер опоры " + std::to_string(r + 1) +
                                     " в парах или элементах многократного молниеотвода не "
                                     "соответствует опорам проекта.");
                seen.push_back(r);
            }
        };
        for (const MultiRodPair &p : rows->pairs) {
            if (p.i < 0 || p.j < 0)
                throw TableError("Ошибка. У пары многократного молниеотвода не указаны опоры.");
            check({p.i, p.j});
        }
        for (const MultiRodObject &o : rows->objects)
            check({o.rods[0], o.rods[1], o.rods[2]});
    }
    prepareMultiRodFolder(dm);
    return rows;
}

void jsonToRow(Table &t, const json &obj)
{
    if (!obj.is_object())
        throw TableError("Ошибка. Ожидалась запись таблицы " + t.def().fileName + ".");
    for (const FieldDef &f : t.def().fields) {
        if (f.type == FieldType::AutoInc || f.name == "Kod0" || !isStored(f))
            continue;
        const auto it = obj.find(f.name);
        if (it == obj.end())
            continue;
        const json &v = *it;
        const auto wrong = [&] {
            return TableError("Ошибка. Недопустимое значение поля " + f.name + " таблицы "
                              + t.def().fileName + ".");
        };
        if (v.is_null()) {
            t.setNull(f.name);
            continue;
        }
        switch (f.type) {
        case FieldType::Integer: {
            // Whole numbers that the program's integer fields can hold; anything else is refused
            // rather than wrapped.
            constexpr double lo = std::numeric_limits<int>::min();
            constexpr double hi = std::numeric_limits<int>::max();
            if (!v.is_number())
                throw wrong();
            const double d = v.is_number_unsigned() ? static_cast<double>(v.get<std::uint64_t>())
                             : v.is_number_integer() ? static_cast<double>(v.get<std::int64_t>())
                                                     : v.get<double>();
            if (!(d >= lo && d <= hi) || d != std::trunc(d))
                throw TableError("Ошибка. Значение поля " + f.name + " таблицы " + t.def().fileName
                                 + " должно быть целым числом от " + std::to_string(INT_MIN)
                                 + " до " + std::to_string(INT_MAX) + ".");
            checkRange(t, f, d);
            t.setValue(f.name, Value(static_cast<std::int64_t>(d)));
            break;
        }
        case FieldType::Number:
            if (!v.is_number())
                throw wrong();
            checkRange(t, f, v.get<double>());
            t.setValue(f.name, Value(v.get<double>()));
            break;
        case FieldType::Boolean:
            if (!v.is_boolean())
                throw wrong();
            t.setValue(f.name, Value(v.get<bool>()));
            break;
        default:
            if (!v.is_string())
                throw wrong();
            if (const auto e = textRangeError(t.def().fileName, f.name, v.get<std::string>()))
                throw TableError(*e);
            t.setValue(f.name, Value(v.get<std::string>()));
            break;
        }
    }
}

void requireConductorType(const Table &project)
{
    if (conductorTypeOf(project.asText("TipMO")) == ConductorType::Unknown)
        throw CaseRefused("Ошибка. В проекте не указан тип молниеотвода (поле TipMO): "
                          "\"одиночный стержневой молниеотвод\", \"одиночный тросовый "
                          "молниеотвод\" или \"двойной стержневой молниеотвод\".");
}

void appendEvaluatedObject(DataModule &dm, const json &obj, double gridStep)
{
    // Every field is read with its type checked: a string where a number belongs, or an integer
    // that does not fit, is refused rather than read as 0 or wrapped.
    if (!obj.is_object())
        throw CaseRefused("Ошибка. Объект должен быть записью JSON ({...}).");
    ObjectEntry e;
    e.name = optString(obj, "Name", "объект").value_or(std::string());
    const std::string where = "объект \"" + e.name + "\"";
    const auto num = [&](const char *k) { return optNumber(obj, k, where).value_or(0.0); };
    e.buildingClass = static_cast<int>(
        optInteger(obj, "Tip", where, kMinBuildingClass, kMaxBuildingClass).value_or(0));
    e.x = num("MXa");
    e.y = num("MYa");
    e.L = num("L");
    e.S = num("S");
    e.Hx = num("Hx");
    if (obj.contains("Zona"))
        e.zona = optString(obj, "Zona", where).value_or(std::string());
    if (obj.contains("Kateg")) {
        const auto k = optInteger(obj, "Kateg", where, kMinCategory, kMaxCategory);
        e.kateg = k ? std::optional<int>(static_cast<int>(*k)) : std::nullopt;
    }
    try {
        enterObject(dm, e, gridStep, [&](Table &t) { jsonToRow(t, obj); });
    } catch (const ObjectRefused &r) {
        throw CaseRefused(r.what());
    }
}

int importProjectJson(DataModule &d, const json &doc, const std::string &where)
{
    if (!doc.contains("project") || !doc["project"].is_object())
        throw InputRefused("Ошибка. В файле " + where + " нет проекта (\"project\").");
    Table &p = d.project();
    p.append();
    try {
        jsonToRow(p, doc["project"]);
    } catch (...) {
        p.cancel();
        throw;
    }
    if (!p.post()) {
        p.cancel();
        throw InputRefused("Ошибка. Проект из файла " + where + " не сохранен.");
    }
    const int kod = p.asInt("Kod");
    requireConductorType(p);
    for (const auto &c : optArray(doc, "conductors", where)) {
        d.mo().append();
        jsonToRow(d.mo(), c);
        if (!d.mo().post())
            throw CaseRefused("Ошибка. Молниеотвод из файла " + where + " не сохранен.");
    }
    double step = 1.0;
    const SettingsRec settings = loadSettings(d);
    if (settings.ObjShag)
        step = *settings.ObjShag;
    bool evaluated = false;
    for (const auto &o : optArray(doc, "objects", where)) {
        const bool given = o.contains("Zona") && o["Zona"].is_string()
                           && !o["Zona"].get<std::string>().empty() && o.contains("Kateg")
                           && o["Kateg"].is_number();
        if (given) {
            Table &t = d.object();
            t.append();
            jsonToRow(t, o);
            if (!t.post())
                throw CaseRefused("Ошибка. Объект из файла " + where + " не сохранен.");
            t.edit();
            t.setValue("ShapeName", "Shape" + std::to_string(t.asInt("Kod")));
            t.post();
        } else {
            appendEvaluatedObject(d, o, step);
            evaluated = true;
        }
    }
    if (evaluated)
        CountZones(d);
    importPlacementJson(d, doc, where);
    return kod;
}

} // namespace kv
