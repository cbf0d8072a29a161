// Loading the demo organ through loadOrgan, against one plain read of each of
// the same sample files into a buffer of its size, in the same run; prints
// the ratio of the two.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "fastest_ratio.h"
#include "platform/files.h"

namespace {

constexpr const char* definition = "..\\BRIMWELL\\Brimwell.org";

void enterDemoOrgan() { std::filesystem::current_path(std::filesystem::path(VELMARA_DEMO_DIR) / "Orgue"); }

std::vector<std::string> demoSampleFiles()
{
    std::vector<std::string> files;
    for (const std::string& stop : readStopNames(definition))
        for (int key = 0; key < keyCount; ++key) files.push_back(platform::hostPath(samplePath(stop.c_str(), key)));
    return files;
}

void loadDemoOrgan(benchmark::State& state)
{
    enterDemoOrgan();
    for (auto _ : state) loadOrgan(definition);
    state.counters["files"] = organBank.stopCount * keyCount;
}

// Like the bank's buffers, these live on between runs, each released when
// its replacement has been read.
std::vector<std::unique_ptr<char[]>> plainBuffers;

void plainReads(benchmark::State& state)
{
    enterDemoOrgan();
    const std::vector<std::string> files = demoSampleFiles();
    plainBuffers.resize(files.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::FILE* file = std::fopen(files[i].c_str(), "rb");
            std::fseek(file, 0, SEEK_END);
            const long size = std::ftell(file);
            std::fseek(file, 0, SEEK_SET);
            std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
            benchmark::DoNotOptimize(std::fread(buffer.get(), static_cast<std::size_t>(size), 1, file));
            std::fclose(file);
            plainBuffers[i] = std::move(buffer);
        }
    }
    state.counters["files"] = static_cast<double>(files.size());
}

// Repeated and interleaved (see fastest_ratio.h), so that the fastest
// repetition of each, the one least disturbed by other work on the machine,
// can be compared.
BENCHMARK(loadDemoOrgan)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(plainReads)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    runAndPrintFastestRatio(argc, argv, BenchClock::processCpu, "loadDemoOrgan", "plainReads",
                            "loadOrgan / plain reads");
    return 0;
}
