#include "StartupTrace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace tavilo {

void StartupTrace::firstPanelFramePainted()
{
    const char* flag = std::getenv("TAVILO_TRACE_STARTUP");
    if (!flag || std::strcmp(flag, "1") != 0)
        return;
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "tavilo: first panel frame at %lld ns\n",
        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stderr);
}

} // namespace tavilo
