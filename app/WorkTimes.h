#pragma once
// Wall time and the calling thread's CPU time spent on a piece of work, for
// the throughput figures of batches. Reading the thread's CPU clock is a
// system call: time whole transactions or runs with it, never single records.
#include <time.h>

#include <chrono>

namespace kz7::app {

struct WorkTimes {
    double wall = 0.0;
    double cpu = 0.0;
};

inline double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs `work` and adds the time it took to `times`.
template <typename Work>
void AddTimeOf(WorkTimes& times, Work&& work) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    work();
    times.cpu += ThreadCpuSeconds() - cpuStart;
    times.wall += std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace kz7::app
