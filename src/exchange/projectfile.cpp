#include "exchange/projectfile.h"

#include "data/outputfile.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/jsoninput.h"
#include "exchange/projectjson.h"

namespace kv {

using json = nlohmann::ordered_json;

json projectFileJson(DataModule &dm)
{
    ReadLock lock(dm);
    json out = json::object();
    out["format"] = kProjectFileFormat;
    out["version"] = kProjectFileVersion;
    json project = projectToJson(dm);
    for (auto it = project.begin(); it != project.end(); ++it)
        out[it.key()] = std::move(it.value());
    return out;
}

void saveProjectFile(DataModule &dm, const std::string &path)
{
    if (const std::string refusal = dataFolderFileRefusal(dm.dataDir(), path); !refusal.empty())
        throw InputRefused(refusal);
    const std::string text = projectFileJson(dm).dump(1) + "\n";
    std::string error;
    if (!writeOutputFile(path, text, &error))
        throw std::runtime_error("Ошибка. Не удалось записать файл " + path + ". " + error);
}

json readProjectFile(const std::string &path)
{
    json doc = readJsonObjectFile(path);
    const auto format = doc.find("format");
    if (format == doc.end() || !format->is_string()
        || format->get<std::string>() != kProjectFileFormat)
        throw InputRefused("Ошибка. Файл " + path + " не является файлом проекта Korvan VL.");
    const auto version = doc.find("version");
    if (version == doc.end() || !version->is_number_integer() || version->get<std::int64_t>() < 1)
        throw InputRefused("Ошибка. В файле проекта " + path + " неверная версия формата.");
    if (version->get<std::int64_t>() > kProjectFileVersion)
        throw InputRefused("Ошибка. Файл проекта " + path
                           + " записан более новой версией программы.");
    if (!doc.contains("project") || !doc["project"].is_object())
        throw InputRefused("Ошибка. В файле " + path + " нет проекта (\"project\").");
    return doc;
}

int enterProjectFile(DataModule &dm, const json &file, const std::string &path)
{
    const int kod = importProjectJson(dm, file, path);
    locateProject(dm, kod);
    return kod;
}

} // namespace kv
