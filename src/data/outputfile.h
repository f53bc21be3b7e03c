#pragma once
// Every file the program writes for the user (pictures, drawings, documents) goes through here:
// the bytes go to a private temporary file in the target's folder, are flushed to disk and the
// file is renamed over the target only when complete. An interrupted or failed write leaves the
// old target as it was and removes the temporary file; a kill leaves at most a hidden
// temporary file, never a half-written file under the final name. A target that is not a regular
// file (a device, a pipe: "-o /dev/stdout") is written in place.

#include <string>
#include <string_view>

namespace kv {

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the temporary file; false with error() set.
    bool open();
    bool write(const void *data, std::size_t size);
    // Flushes, renames over the target and flushes the folder entry; false with error() set (the
    // target is then untouched).
    bool commit();
    const std::string &error() const { return m_error; }
    const std::string &path() const { return m_path; }

private:
    bool fail(const char *what);
    void discard() noexcept;

    std::string m_path;   // the final name (a symbolic link is followed)
    std::string m_tmp;    // the temporary name while open
    int m_fd = -1;
    bool m_direct = false; // a device or pipe, written in place
    std::string m_error;
};

// The whole file in one call; false with *error (the system's reason) when it cannot be written.
bool writeOutputFile(const std::string &path, std::string_view bytes, std::string *error = nullptr);

// When `path` names one of the data folder's own files (a table file, its journal, the commit
// record, a file of its underlay folder), the Russian refusal naming it; otherwise an empty string.
// Names are compared after resolving links, "." and "..", so no other spelling of the same file
// passes.
std::string dataFolderFileRefusal(const std::string &dataDir, const std::string &path);

} // namespace kv
