#pragma once
// The ways a table file is found damaged in a data folder: gone, empty, cut short, overwritten
// with noise, or a folder in its place.

#include <filesystem>
#include <fstream>
#include <string>

namespace kv::test {

inline const std::string kDamageKinds[] = {"missing", "empty", "truncated", "random", "directory"};

inline void damageFile(const std::filesystem::path &f, const std::string &kind)
{
    namespace fs = std::filesystem;
    if (kind == "missing") {
        fs::remove(f);
    } else if (kind == "empty") {
        fs::resize_file(f, 0);
    } else if (kind == "truncated") {
        fs::resize_file(f, fs::file_size(f) / 3);
    } else if (kind == "random") {
        std::ofstream out(f, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 8192; ++i)
            out.put(static_cast<char>((i * 7919 + 13) % 251));
    } else {
        fs::remove(f);
        fs::create_directory(f);
    }
}

} // namespace kv::test
