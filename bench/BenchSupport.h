#pragma once
// What every benchmark program shares: its size options, the run itself and the ratio it
// reports.

#include <chrono>
#include <initializer_list>

namespace bench {

using Clock = std::chrono::steady_clock;

// The processor time of the calling thread, so that other work on a shared machine does not
// count; its durations are Clock's.
struct CpuClock {
    using duration = Clock::duration;
    using time_point = std::chrono::time_point<CpuClock, duration>;
    static time_point now();
};

// A "--name=N" option of the command line and the size it sets (at least 1).
struct SizeOption {
    const char* prefix;  // "--rows="
    int* value;
};

// Reads the size options, hands every other argument to the benchmark library and runs the
// registered benchmarks.
void RunBenchmarks(int argc, char** argv, std::initializer_list<SizeOption> options = {});

// Measured time over the baseline's, the baseline counted as at least one tick.
double Ratio(Clock::duration measured, Clock::duration baseline);

}  // namespace bench
