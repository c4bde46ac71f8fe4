// Preloaded into the clock by end-to-end tests to make one file's disk misbehave. Acts on
// descriptors whose path contains $ZELKA_FAULT_NAME:
//   ZELKA_FAULT_WRITE_AFTER=N   writes beyond the first N bytes fail with EIO
//   ZELKA_FAULT_FSYNC_SLEEP_MS  each fsync first sleeps that long, as a slow disk's does
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

bool targeted(int fd)
{
    const char *name = std::getenv("ZELKA_FAULT_NAME");
    if (!name || !*name)
        return false;
    char path[4096];
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(proc.c_str(), path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    return std::strstr(path, name) != nullptr;
}

long long envNumber(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? std::atoll(value) : -1;
}

template <typename F> F next(const char *symbol)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, symbol));
}

void slowSync(int fd)
{
    const long long ms = envNumber("ZELKA_FAULT_FSYNC_SLEEP_MS");
    if (ms > 0 && targeted(fd)) {
        const timespec pause{time_t(ms / 1000), long(ms % 1000) * 1000000L};
        ::nanosleep(&pause, nullptr);
    }
}

} // namespace

extern "C" ssize_t write(int fd, const void *buffer, size_t count)
{
    static const auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    const long long limit = envNumber("ZELKA_FAULT_WRITE_AFTER");
    if (limit >= 0 && targeted(fd)) {
        const long long room = limit - written.load();
        if (room <= 0) {
            errno = EIO;
            return -1;
        }
        if (size_t(room) < count)
            count = size_t(room);
        const ssize_t n = real(fd, buffer, count);
        if (n > 0)
            written += n;
        return n;
    }
    return real(fd, buffer, count);
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    slowSync(fd);
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    slowSync(fd);
    return real(fd);
}
