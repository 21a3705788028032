#include "procstats.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

namespace {

double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double cpuSeconds(int who)
{
    rusage usage{};
    if (getrusage(who, &usage) != 0)
        return 0;
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

double processCpuSeconds()
{
    return cpuSeconds(RUSAGE_SELF);
}

double threadCpuSeconds()
{
    return cpuSeconds(RUSAGE_THREAD);
}

long residentKb()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            std::sscanf(line + 6, "%ld", &kb);
            break;
        }
    }
    std::fclose(status);
    return kb;
}

double secondsSinceProcessStart()
{
    std::FILE *stat = std::fopen("/proc/self/stat", "r");
    if (!stat)
        return -1;
    char buffer[1024] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, stat);
    std::fclose(stat);
    buffer[n] = '\0';
    // The command name may hold blanks: fields are counted after its ')'.
    const char *p = std::strrchr(buffer, ')');
    if (!p)
        return -1;
    unsigned long long startTicks = 0;
    // Field 22 (starttime) is the 20th after the name.
    if (std::sscanf(p + 2,
                    "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s "
                    "%*s %*s %*s %*s %llu",
                    &startTicks)
        != 1)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9
        - static_cast<double>(startTicks) / ticks;
}
