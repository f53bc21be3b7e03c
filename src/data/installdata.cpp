#include "data/installdata.h"

#include "data/datamodule.h"
#include "data/table.h"
#include "data/transaction.h"

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
    // One maker at a time: a second one waits, then finds the files made and makes none.
    FolderLock lock(dir, true);
    // Under the lock no other maker is at work: a temporary file left here is a killed one's.
    for (TableId id : openingOrder()) {
        const std::string prefix = tableDef(id).fileName + ".tmp";
        for (const auto &e : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = e.path().filename().string();
            if (name.compare(0, prefix.size(), prefix) == 0
                && (name.size() == prefix.size() || name[prefix.size()] == '-'))
                std::filesystem::remove(e.path(), ec);
        }
    }
    const auto &sql = installationSql();
    int created = 0;
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        const std::string path = dir + def.fileName;
        if (def.lazy || std::filesystem::exists(path, ec))
            continue;
        auto it = sql.find(sqlTableName(def));
        createTableFile(path, id, it == sql.end() ? std::string() : it->second);
        ++created;
    }
    return created;
}

} // namespace kv
