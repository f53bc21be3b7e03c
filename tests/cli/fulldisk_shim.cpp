// LD_PRELOAD library for the tests: every write into a file under the folder named by
// KORVAN_FULL_DIR fails with ENOSPC, as on a full disk. Other files and the standard streams
// are written as usual.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

bool onFullDisk(int fd)
{
    const char *dir = std::getenv("KORVAN_FULL_DIR");
    if (!dir || !*dir || fd < 0)
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    const std::size_t len = std::strlen(dir);
    return static_cast<std::size_t>(n) >= len && std::strncmp(target, dir, len) == 0
           && (static_cast<std::size_t>(n) == len || target[len] == '/');
}

template <class F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *buf, size_t count)
{
    static auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    if (count > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count);
}

ssize_t pwrite(int fd, const void *buf, size_t count, off_t off)
{
    static auto real = next<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite");
    if (count > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, off);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off64_t off)
{
    static auto real = next<ssize_t (*)(int, const void *, size_t, off64_t)>("pwrite64");
    if (count > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, off);
}

ssize_t writev(int fd, const struct iovec *iov, int n)
{
    static auto real = next<ssize_t (*)(int, const struct iovec *, int)>("writev");
    if (n > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, iov, n);
}

} // extern "C"
