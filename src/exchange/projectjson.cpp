#include "exchange/projectjson.h"

#include "calc/valueranges.h"
#include "calc/records.h"
#include "data/objectops.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/jsoninput.h"

#include <climits>
#include <cmath>
#include <limits>

namespace kv {

using json = nlohmann::ordered_json;

namespace {

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

json rowToJson(const Table &t)
{
    json o = json::object();
    for (const FieldDef &f : t.def().fields) {
        if (!isStored(f))
            continue;
        const Value v = t.value(f.name);
        if (v.isNull()) {
            o[f.name] = nullptr;
            continue;
        }
        switch (f.type) {
        case FieldType::AutoInc:
        case FieldType::Integer:
            o[f.name] = v.toInt();
            break;
        case FieldType::Number:
            o[f.name] = v.toDouble();
            break;
        case FieldType::Boolean:
            o[f.name] = v.toBool();
            break;
        default:
            o[f.name] = v.toText();
            break;
        }
    }
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
    return doc;
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
    return kod;
}

} // namespace kv
