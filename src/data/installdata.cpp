#include "data/installdata.h"

#include "data/datamodule.h"
#include "data/table.h"

#include <filesystem>

namespace kv {

int createInstallationData(const std::string &dataDir)
{
    std::string dir = dataDir;
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw TableError("Ошибка. Не удалось создать папку " + dir + ": " + ec.message());
    const auto &sql = installationSql();
    int created = 0;
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        const std::string path = dir + def.fileName;
        if (std::filesystem::exists(path, ec))
            continue;
        auto it = sql.find(sqlTableName(def));
        createTableFile(path, id, it == sql.end() ? std::string() : it->second);
        ++created;
    }
    return created;
}

} // namespace kv
