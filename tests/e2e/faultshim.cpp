// Preloaded into the clock by end-to-end tests to make one file's disk misbehave, on the
// descriptors whose path contains $ZELKA_FAULT_NAME: past $ZELKA_FAULT_WRITE_AFTER bytes
// writes fail with EIO; each fsync first sleeps $ZELKA_FAULT_FSYNC_SLEEP_MS; with
// $ZELKA_FAULT_READ_FAILS at 1, positioned reads fail with EIO.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

std::atomic<long long> written{0};

long long setting(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? std::atoll(value) : -1;
}

bool targeted(int fd)
{
    const char *name = std::getenv("ZELKA_FAULT_NAME");
    char path[4096];
    const ssize_t n =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    return name && *name && n > 0 && std::strstr((path[n] = '\0', path), name);
}

} // namespace

extern "C" ssize_t write(int fd, const void *buffer, size_t count)
{
    static const auto real =
        reinterpret_cast<ssize_t (*)(int, const void *, size_t)>(::dlsym(RTLD_NEXT, "write"));
    const long long limit = setting("ZELKA_FAULT_WRITE_AFTER"), room = limit - written;
    if (limit < 0 || !targeted(fd))
        return real(fd, buffer, count);
    if (room <= 0)
        return errno = EIO, -1;
    const ssize_t n = real(fd, buffer, std::min(count, size_t(room)));
    written += n > 0 ? n : 0;
    return n;
}

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    const long long ms = setting("ZELKA_FAULT_FSYNC_SLEEP_MS");
    const timespec pause{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    if (ms > 0 && targeted(fd))
        ::nanosleep(&pause, nullptr);
    return real(fd);
}

extern "C" ssize_t pread64(int fd, void *buffer, size_t count, off64_t offset)
{
    static const auto real =
        reinterpret_cast<ssize_t (*)(int, void *, size_t, off64_t)>(::dlsym(RTLD_NEXT, "pread64"));
    if (setting("ZELKA_FAULT_READ_FAILS") > 0 && targeted(fd))
        return errno = EIO, -1;
    return real(fd, buffer, count, offset);
}

// The same call under its other name, whichever the clock was linked against.
extern "C" ssize_t pread(int fd, void *buffer, size_t count, off_t offset)
{
    return pread64(fd, buffer, count, offset);
}
