#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace bench {

void RunBenchmarks(int argc, char** argv, std::initializer_list<SizeOption> options)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const auto option = std::find_if(options.begin(), options.end(), [&](const SizeOption& o) {
            return std::strncmp(argv[i], o.prefix, std::strlen(o.prefix)) == 0;
        });
        if (option != options.end())
            *option->value = std::max(1, std::atoi(argv[i] + std::strlen(option->prefix)));
        else
            rest.push_back(argv[i]);
    }
    int count = int(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

CpuClock::time_point CpuClock::now()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(std::chrono::duration_cast<duration>(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

double Ratio(Clock::duration measured, Clock::duration baseline)
{
    return double(measured.count()) / double(std::max<Clock::rep>(1, baseline.count()));
}

}  // namespace bench
