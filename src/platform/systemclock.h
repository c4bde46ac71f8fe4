#pragma once

#include "clock.h"

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

class SystemClock : public Clock
{
public:
    int64_t now() const override { return int64_t(std::time(nullptr)); }
    // The boot-time clock goes on counting through a suspend; the monotonic one stops.
    int64_t asleepMs() const override
    {
        return milliseconds(CLOCK_BOOTTIME) - milliseconds(CLOCK_MONOTONIC);
    }
    int64_t monotonicMs() const override { return milliseconds(CLOCK_MONOTONIC); }
    // glibc reads /etc/localtime again only inside tzset() and only when the file changed,
    // but with TZ unset each tzset() also copies the default's name: look at the file first
    // so that an unchanged zone costs one stat and no allocation.
    void reloadZone() const override
    {
        if (std::getenv("TZ") == nullptr) {
            struct stat st {
            };
            const bool found = stat("/etc/localtime", &st) == 0;
            const ZoneFile seen{found,      st.st_dev,         st.st_ino,
                                st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
            if (seen == zoneFile)
                return;
            zoneFile = seen;
        }
        tzset();
    }

private:
    struct ZoneFile {
        bool found = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        time_t mtime = 0;
        long mtimeNs = 0;
        friend bool operator==(const ZoneFile &, const ZoneFile &) = default;
    };

    static int64_t milliseconds(clockid_t id)
    {
        timespec ts{};
        clock_gettime(id, &ts);
        return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }

    mutable ZoneFile zoneFile;
};
