#pragma once

namespace tavilo {

// With TAVILO_TRACE_STARTUP=1 in the environment, prints the wall-clock time of the first
// painted panel frame to standard error, for the cold-start benchmark.
struct StartupTrace {
    static void firstPanelFramePainted();
};

} // namespace tavilo
