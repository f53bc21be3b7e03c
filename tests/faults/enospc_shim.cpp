// A full disk for one process, loaded with LD_PRELOAD: the calls that write to or grow a regular
// file (standard input, output and error excepted) are counted, and from the n-th on every one
// fails with ENOSPC, as a disk that has filled up stays full.
//
//   KORVAN_ENOSPC_AT=n        the first call that fails (0 or unset: none fails)
//   KORVAN_ENOSPC_ONCE=1      only the n-th call fails: the space a failed write's rollback
//                             freed (its journal deleted) lets the next writes through again
//   KORVAN_ENOSPC_COUNT=FILE  at exit, the number of calls counted is written there
//
// The calls are those SQLite, Qt's file classes, the C++ streams and the zip writer reach through
// the dynamic linker: write, pwrite, writev, pwritev, fsync, fdatasync, ftruncate, fallocate.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

extern "C" {

static long failAt = -1;
static long counted = 0;
static bool once = false;

__attribute__((constructor)) static void shimInit()
{
    const char *at = getenv("KORVAN_ENOSPC_AT");
    failAt = at ? atol(at) : 0;
    once = getenv("KORVAN_ENOSPC_ONCE") != nullptr;
}

__attribute__((destructor)) static void shimFini()
{
    const char *path = getenv("KORVAN_ENOSPC_COUNT");
    if (!path)
        return;
    char text[32];
    const int len = snprintf(text, sizeof text, "%ld\n", counted);
    auto realWrite =
        reinterpret_cast<ssize_t (*)(int, const void *, size_t)>(dlsym(RTLD_NEXT, "write"));
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        if (realWrite(fd, text, static_cast<size_t>(len)) < 0) {
        }
        close(fd);
    }
}

// Whether this call on fd fails: counted on regular files only.
static int full(int fd)
{
    if (fd <= 2)
        return 0;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    ++counted;
    if (failAt > 0 && (once ? counted == failAt : counted >= failAt)) {
        errno = ENOSPC;
        return 1;
    }
    return 0;
}

#define REAL(name)                                                                                 \
    static auto real_##name = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name))

ssize_t write(int fd, const void *buf, size_t n)
{
    REAL(write);
    return full(fd) ? -1 : real_write(fd, buf, n);
}

ssize_t pwrite(int fd, const void *buf, size_t n, off_t off)
{
    REAL(pwrite);
    return full(fd) ? -1 : real_pwrite(fd, buf, n, off);
}

ssize_t pwrite64(int fd, const void *buf, size_t n, off64_t off)
{
    REAL(pwrite64);
    return full(fd) ? -1 : real_pwrite64(fd, buf, n, off);
}

ssize_t writev(int fd, const struct iovec *iov, int cnt)
{
    REAL(writev);
    return full(fd) ? -1 : real_writev(fd, iov, cnt);
}

ssize_t pwritev(int fd, const struct iovec *iov, int cnt, off_t off)
{
    REAL(pwritev);
    return full(fd) ? -1 : real_pwritev(fd, iov, cnt, off);
}

int fsync(int fd)
{
    REAL(fsync);
    return full(fd) ? -1 : real_fsync(fd);
}

int fdatasync(int fd)
{
    REAL(fdatasync);
    return full(fd) ? -1 : real_fdatasync(fd);
}

int ftruncate(int fd, off_t len)
{
    REAL(ftruncate);
    return full(fd) ? -1 : real_ftruncate(fd, len);
}

int ftruncate64(int fd, off64_t len)
{
    REAL(ftruncate64);
    return full(fd) ? -1 : real_ftruncate64(fd, len);
}

int fallocate(int fd, int mode, off_t off, off_t len)
{
    REAL(fallocate);
    return full(fd) ? -1 : real_fallocate(fd, mode, off, len);
}

int posix_fallocate(int fd, off_t off, off_t len)
{
    REAL(posix_fallocate);
    return full(fd) ? ENOSPC : real_posix_fallocate(fd, off, len);
}

} // extern "C"
