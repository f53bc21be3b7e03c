#include "data/outputfile.h"

#include "data/schema.h"
#include "data/transaction.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace fs = std::filesystem;

namespace {

// The process's file creation mask, read without changing it (umask() would, for every thread).
mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

void syncFolder(const std::string &dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

OutputFile::OutputFile(std::string path) : m_path(std::move(path))
{
    // Writing through a link replaces the file it points to, not the link.
    std::error_code ec;
    if (fs::is_symlink(m_path, ec)) {
        const fs::path target = fs::canonical(m_path, ec);
        if (!ec)
            m_path = target.string();
    }
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_direct = false;
    if (!m_tmp.empty())
        ::unlink(m_tmp.c_str());
    m_tmp.clear();
}

bool OutputFile::fail(const char *what)
{
    m_error = std::string(what) + ": " + std::strerror(errno);
    discard();
    return false;
}

bool OutputFile::open()
{
    discard();
    m_error.clear();
    // A device, a pipe or a terminal (-o /dev/stdout) is written as it is: there is nothing to
    // replace, and a temporary file beside it (in /dev) must never be made.
    struct stat st;
    if (::stat(m_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0)
            return fail("open");
        m_direct = true;
        return true;
    }
    const fs::path target(m_path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> templ(name.begin(), name.end());
    templ.push_back('\0');
    m_fd = ::mkostemp(templ.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail("create");
    m_tmp = templ.data();
    // The file gets the rights the target has, or those a newly created file would get.
    const mode_t mode = ::stat(m_path.c_str(), &st) == 0 ? (st.st_mode & 07777)
                                                         : (0666 & ~currentUmask());
    if (::fchmod(m_fd, mode) != 0)
        return fail("chmod");
    return true;
}

bool OutputFile::write(const void *data, std::size_t size)
{
    if (m_fd < 0) {
        if (m_error.empty())
            m_error = "not open";
        return false;
    }
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::commit()
{
    if (m_fd < 0) {
        if (m_error.empty())
            m_error = "not open";
        return false;
    }
    // A pipe or a terminal cannot be flushed to disk (EINVAL); a file must be.
    if (::fsync(m_fd) != 0 && !(m_direct && errno == EINVAL))
        return fail("fsync");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail("close");
    if (m_direct)
        return true;
    if (::rename(m_tmp.c_str(), m_path.c_str()) != 0)
        return fail("rename");
    m_tmp.clear();
    const fs::path target(m_path);
    syncFolder(target.has_parent_path() ? target.parent_path().string() : std::string("."));
    return true;
}

bool writeOutputFile(const std::string &path, std::string_view bytes, std::string *error)
{
    OutputFile f(path);
    const bool ok = f.open() && f.write(bytes.data(), bytes.size()) && f.commit();
    if (!ok && error)
        *error = f.error();
    return ok;
}

std::string dataFolderFileRefusal(const std::string &dataDir, const std::string &path)
{
    if (dataDir.empty() || path.empty())
        return {};
    std::error_code ec;
    const fs::path out = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        return {};
    const fs::path dir = fs::weakly_canonical(fs::absolute(dataDir, ec), ec);
    if (ec)
        return {};
    std::vector<std::string> names = {kCommitRecordName, std::string(kCommitRecordName) + ".tmp"};
    for (TableId id : openingOrder()) {
        const std::string &file = tableDef(id).fileName;
        for (const char *tail : {"", "-journal", "-wal", "-shm"})
            names.push_back(file + tail);
    }
    // The underlay folder holds the projects' underlay files and their settings.
    if (out.parent_path() == dir / "underlay")
        return "Ошибка. Файл " + path + " находится в папке подложек программы (папка " + dataDir +
               "). Укажите другое имя файла.";
    for (const std::string &name : names) {
        const fs::path own = dir / name;
        // The same name, or another name of the same file (a hard link).
        if (out == own || (fs::exists(own, ec) && fs::equivalent(out, own, ec)))
            return "Ошибка. Файл " + path + " является файлом базы данных программы (папка "
                   + dataDir + "). Укажите другое имя файла.";
    }
    return {};
}

} // namespace kv
