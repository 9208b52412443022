#pragma once

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

// For the start-up benchmark: with COGWRIGHT_STARTUP_TRACE=1 the program prints a line
// "at STEP NANOSECONDS" (on the steady clock, which the benchmark reads too) as it reaches each
// step of its start-up, so that the benchmark can say where the time goes. Nothing otherwise.
inline bool startupTraced() {
    static const bool on = [] {
        const char* v = std::getenv("COGWRIGHT_STARTUP_TRACE");
        return v && v[0] == '1' && v[1] == '\0';
    }();
    return on;
}

inline void startupStep(const char* step) {
    if (!startupTraced()) return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf(
        "at %s %lld\n", step,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
}

// And "cpu NANOSECONDS": the processor time all its threads have taken so far, which the load
// of other programs on the machine changes less than the time on the clock.
inline void startupCpu() {
    if (!startupTraced()) return;
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    std::printf("cpu %lld\n", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
    std::fflush(stdout);
}
