// zelka-wake: holds the clock's wake-up timer, so that the clock itself needs no privilege.
//
// Installed beside the clock with cap_wake_alarm+ep; the clock starts it and talks to it
// through its standard input only.
//   At start: creates one CLOCK_REALTIME_ALARM timerfd, then drops every capability but
//   CAP_WAKE_ALARM (the kernel asks for it again at each timerfd_settime on an alarm
//   timer), sets no_new_privs, asks for SIGTERM when its parent dies, checks that the
//   parent is still the one that started it, and writes "ready" and a newline on its
//   standard output.
//   Then, one line at a time on standard input:
//     "<seconds since the epoch>"  arms the timer for that absolute time,
//     "0"                          disarms it,
//     anything else                is ignored (lines longer than 31 bytes too).
//   End of input: exits 0. Reads no environment, opens no file, writes nothing more.
// Exit status when it cannot serve:
//   3  no CAP_WAKE_ALARM (the timer was refused)
//   4  this kernel offers no alarm timer
//   5  the other capabilities could not be dropped
//   6  its parent was already gone
//   7  standard input failed
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>

namespace {

enum Status { done = 0, noCapability = 3, noAlarmTimer = 4, cannotDrop = 5, orphaned = 6,
              inputFailed = 7 };

constexpr int maxLine = 31;
// Beyond this a time is a typo or a hostile line, not an alarm.
constexpr int64_t latest = int64_t(1) << 40;

bool dropAllButWaking()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    const unsigned word = CAP_WAKE_ALARM / 32, bit = 1u << (CAP_WAKE_ALARM % 32);
    data[word].permitted = data[word].effective = bit;
    if (syscall(SYS_capset, &header, data) != 0)
        return false;
    // Nothing passes to a program it might run, were it ever to run one.
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0)
        return false;
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

// A whole line of decimal digits, within range; -1 for anything else.
int64_t parse(const char *line, int length)
{
    if (length == 0)
        return -1;
    int64_t value = 0;
    for (int i = 0; i < length; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return -1;
        value = value * 10 + (line[i] - '0');
        if (value > latest)
            return -1;
    }
    return value;
}

void apply(int timer, int64_t seconds)
{
    itimerspec when{};
    when.it_value.tv_sec = time_t(seconds); // zero disarms
    timerfd_settime(timer, seconds ? TFD_TIMER_ABSTIME : 0, &when, nullptr);
}

} // namespace

int main()
{
    const pid_t starter = getppid();
    const int timer = timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    if (timer < 0)
        return errno == EPERM ? noCapability : noAlarmTimer;
    if (!dropAllButWaking())
        return cannotDrop;
    if (prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0) != 0 || getppid() != starter)
        return orphaned;
    // A closed output is the clock's business: it then waits for nothing.
    signal(SIGPIPE, SIG_IGN);
    [[maybe_unused]] const ssize_t told = write(STDOUT_FILENO, "ready\n", 6);

    char line[maxLine + 1];
    int length = 0;
    bool overlong = false;
    char buffer[256];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            return done;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return inputFailed;
        }
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                const int64_t seconds = overlong ? -1 : parse(line, length);
                if (seconds >= 0)
                    apply(timer, seconds);
                length = 0;
                overlong = false;
            } else if (length < maxLine) {
                line[length++] = c;
            } else {
                overlong = true;
            }
        }
    }
}
