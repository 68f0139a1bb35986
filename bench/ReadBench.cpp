// Reading a 50 MB model document through the engine's reader.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace {

constexpr size_t kDocumentBytes = 50u << 20;

// A document of option, building and zone-sized records repeated to 50 MB.
std::filesystem::path WriteDocument() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "kz7-read-bench.kz7";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string block =
        "* a zone-sized record of many fields\n"
        "Zone\n"
        "Office 1,1,24.5,65.0,2.7,0.5,1,0,0,21,24,1.0,0.2,3,1,1,1\n"
        "Wall,North,12.5,0,90,0,0.7,0.9,External wall,1,0,0\n"
        "Window,North,3.2,0,90,0,Double glazing,1,0.8,0\n"
        "End\n"
        "Building\nBenchmark building\nEnd\n"
        "SimulationOptions\n10,1,1,31,12,18.0,0.0,0.5\nEnd\n";
    size_t written = 0;
    while (written < kDocumentBytes) {
        out << block;
        written += block.size();
    }
    return path;
}

void BM_ReadFiftyMegabyteDocument(benchmark::State& benchState) {
    const std::filesystem::path path = WriteDocument();
    for (auto _ : benchState) {
        kz7::EngineState state;
        state.engine->Read(path.string());
        benchmark::DoNotOptimize(state.clock.timeStep);
    }
    benchState.SetBytesProcessed(static_cast<int64_t>(benchState.iterations()) *
                                 static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFiftyMegabyteDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
