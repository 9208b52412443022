#pragma once

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

// For the start-up benchmark: with COGWRIGHT_STARTUP_TRACE=1 the program prints a line
// "at STEP NANOSECONDS CPU" as it reaches each step of its start-up: the time on the steady clock
// (which the benchmark reads too) and the processor time all its threads have taken so far
// (which the load of other programs on the machine changes less), so that the benchmark can say
// where the time goes. Nothing otherwise.
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
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf(
        "at %s %lld %lld\n", step,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
        static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
    std::fflush(stdout);
}
