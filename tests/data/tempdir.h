#pragma once
// A fresh folder under the system temporary folder, removed with everything in it at the end.

#include "data/table.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kv::test {

class TempDir {
public:
    TempDir()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "kvdata-XXXXXX").string();
        if (!mkdtemp(templ.data()))
            std::abort();
        m_path = templ + "/";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + name; }
    // Creates an empty table file of the given layout in this folder.
    void create(TableId id) const { createTableFile(m_path + tableDef(id).fileName, id); }

private:
    std::string m_path;
};

} // namespace kv::test
