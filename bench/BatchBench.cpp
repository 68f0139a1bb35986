// Throughput of `kz7 batch`: variants of the one-zone test cell (annual,
// hourly records stored) run by BatchRunner on 1 and 2 threads into a fresh
// database. Counters: variants per second of wall time, the CPU seconds per
// variant (to tell a loaded machine from a poor speed-up), and the share of
// the workers' CPU and wall time spent in the result database's transactions
// (wall time includes waiting for another worker's transaction; holding the
// records in memory until then is counted with the calculation).
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

constexpr int kVariants = 8;

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
    std::string table = "label,insulation,window\n";
    for (int variant = 1; variant <= kVariants; ++variant)
        table += fmt::format("v{},{},12\n", variant, 0.05 * variant);
    const std::string study = KZ7_SOURCE_DIR "/examples/insulation-study/";
    std::ifstream in(study + "cell.kz7", std::ios::binary);
    std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BatchPlan plan = BatchPlan::FromTexts(study + "cell.kz7", model, "bench.csv", table);
    plan.SetSupport(KZ7_SOURCE_DIR "/support");

    const int jobs = static_cast<int>(bench.range(0));
    int iteration = 0;
    double storeCpu = 0.0, workerCpu = 0.0, storeWall = 0.0, workerWall = 0.0, cpuSeconds = 0.0;
    size_t failed = 0;
    for (auto _ : bench) {
        const fs::path database = folder / fmt::format("run{}.db", ++iteration);
        const double cpuBefore = ProcessCpuSeconds();
        BatchRunner runner(plan, database, jobs);
        for (const auto& outcome : runner.Run(nullptr, nullptr)) {
            failed += outcome && outcome->status == RunStatus::Finished ? 0 : 1;
            if (!outcome) continue;
            storeCpu += outcome->store.cpu;
            workerCpu += outcome->run.cpu;
            storeWall += outcome->store.wall;
            workerWall += outcome->run.wall;
        }
        cpuSeconds += ProcessCpuSeconds() - cpuBefore;
    }
    if (failed > 0) bench.SkipWithError("a variant did not finish");
    const double variants = static_cast<double>(bench.iterations()) * kVariants;
    bench.counters["variants/s"] = benchmark::Counter(variants, benchmark::Counter::kIsRate);
    bench.counters["cpu_s/variant"] = cpuSeconds / variants;
    bench.counters["store_cpu_share"] = workerCpu > 0 ? storeCpu / workerCpu : 0.0;
    bench.counters["store_wall_share"] = workerWall > 0 ? storeWall / workerWall : 0.0;
    fs::remove_all(folder);
}
BENCHMARK(BM_BatchTestCellAnnualHourly)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(5.0);

}  // namespace
}  // namespace kz7::app
