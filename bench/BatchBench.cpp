// Throughput of `kz7 batch`: variants of the one-zone test cell (annual,
// hourly records stored) run by BatchRunner with 1 and 2 jobs into a fresh
// database (1 job: one thread does everything; 2 jobs: two workers and the
// writer thread). Counters: variants per second of wall time, the CPU
// seconds per variant (to tell a loaded machine from a poor speed-up), the
// share of the process's CPU time spent in the result database's
// transactions, and the share of the workers' wall time spent handing runs
// over (the transactions themselves with 1 job, waits for room in the
// writer's queue with more: the workers waiting on the database). Batches of
// 8 and of 32 variants: each batch makes its database and ends with one
// variant still running while the other worker idles, which weighs four
// times less in the larger one.
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "BatchPlan.h"
#include "BatchRunner.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_BatchTestCellAnnualHourly(benchmark::State& bench) {
    std::string pattern = (fs::temp_directory_path() / "kz7-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return bench.SkipWithError("no temporary folder");
    const fs::path folder = pattern;
    const int jobs = static_cast<int>(bench.range(0));
    const int batchVariants = static_cast<int>(bench.range(1));
    std::string table = "label,insulation,window\n";
    for (int variant = 1; variant <= batchVariants; ++variant)
        table += fmt::format("v{},{},12\n", variant, 0.05 * (1 + (variant - 1) % 8));
    const std::string study = KZ7_SOURCE_DIR "/examples/insulation-study/";
    std::ifstream in(study + "cell.kz7", std::ios::binary);
    std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BatchPlan plan = BatchPlan::FromTexts(study + "cell.kz7", model, "bench.csv", table);
    plan.SetSupport(KZ7_SOURCE_DIR "/support");

    int iteration = 0;
    double storeCpu = 0.0, handOverWall = 0.0, workerWall = 0.0, cpuSeconds = 0.0;
    size_t failed = 0;
    for (auto _ : bench) {
        const fs::path database = folder / fmt::format("run{}.db", ++iteration);
        const double cpuBefore = ProcessCpuSeconds();
        BatchRunner runner(plan, database, jobs);
        for (const auto& outcome : runner.Run(nullptr, nullptr)) {
            failed += outcome && outcome->status == RunStatus::Finished ? 0 : 1;
            if (!outcome) continue;
            storeCpu += outcome->store.cpu;
            handOverWall += outcome->handOver.wall;
            workerWall += outcome->run.wall;
        }
        cpuSeconds += ProcessCpuSeconds() - cpuBefore;
    }
    if (failed > 0) bench.SkipWithError("a variant did not finish");
    const double variants = static_cast<double>(bench.iterations()) * batchVariants;
    bench.counters["variants/s"] = benchmark::Counter(variants, benchmark::Counter::kIsRate);
    bench.counters["cpu_s/variant"] = cpuSeconds / variants;
    bench.counters["store_cpu_share"] = cpuSeconds > 0 ? storeCpu / cpuSeconds : 0.0;
    bench.counters["handover_wall_share"] = workerWall > 0 ? handOverWall / workerWall : 0.0;
    fs::remove_all(folder);
}
BENCHMARK(BM_BatchTestCellAnnualHourly)
    ->ArgNames({"jobs", "variants"})
    ->Args({1, 8})
    ->Args({2, 8})
    ->Args({1, 32})
    ->Args({2, 32})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(5.0);

}  // namespace
}  // namespace kz7::app
