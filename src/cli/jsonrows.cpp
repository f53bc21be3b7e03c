#include "cli/jsonrows.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kv::cli {

using json = nlohmann::ordered_json;

namespace {

bool isStored(const FieldDef &f)
{
    // ClassObject of object.DB is looked up from class.db, not stored.
    return f.name != "ClassObject";
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
        case FieldType::Integer:
            if (!v.is_number())
                throw wrong();
            if (v.is_number_float() && v.get<double>() != static_cast<double>(v.get<long long>()))
                throw wrong();
            t.setValue(f.name, Value(static_cast<std::int64_t>(v.get<long long>())));
            break;
        case FieldType::Number:
            if (!v.is_number())
                throw wrong();
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
            t.setValue(f.name, Value(v.get<std::string>()));
            break;
        }
    }
}

TempDataDir::TempDataDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvan-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = tmpl;
}

TempDataDir::~TempDataDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace kv::cli
