// Importing one stop of 12 recordings (6 s, 48 kHz, 24-bit stereo, every
// fifth note) with velmara-import, against decoding and resampling the same
// recordings to 44,100 Hz with libsndfile and libsamplerate alone, in the
// same run; prints the ratio of the two and the importer's peak resident
// memory.
#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fastest_ratio.h"
#include "import_process.h"
#include "pipe_recording.h"

namespace {

namespace fs = std::filesystem;

constexpr int recordings = 12, seconds = 6;

const fs::path workFolder = fs::temp_directory_path() / ("velmara-import-bench-" + std::to_string(::getpid()));
const fs::path stopFolder = workFolder / "Montre 8";

// Every fifth note from C2, the tone 0.3 s in, written once for the whole run.
void writeRecordings()
{
    if (fs::exists(stopFolder)) return;
    fs::create_directories(stopFolder);
    for (int i = 0; i < recordings; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d.wav", 36 + 5 * i);
        writePipeRecording(stopFolder / name, 36 + 5 * i, seconds, 0.3);
    }
}

void importStop(benchmark::State& state)
{
    writeRecordings();
    double peak = 0;
    for (auto _ : state) {
        const fs::path brimwell = workFolder / "BRIMWELL";
        const double run = importInto(brimwell, stopFolder);
        if (run < 0) state.SkipWithError("velmara-import failed");
        peak = std::max(peak, run);
        fs::remove_all(brimwell);
    }
    state.counters["keys"] = 61;
    state.counters["peakMiB"] = peak;
}

// The same recordings decoded whole and brought to 44,100 Hz, one pass each.
void decodeAndResample(benchmark::State& state)
{
    writeRecordings();
    for (auto _ : state) {
        for (const fs::directory_entry& entry : fs::directory_iterator(stopFolder)) {
            SF_INFO info{};
            SNDFILE* file = sf_open(entry.path().c_str(), SFM_READ, &info);
            std::vector<float> input(static_cast<std::size_t>(info.frames * info.channels));
            sf_readf_float(file, input.data(), info.frames);
            sf_close(file);
            const double ratio = 44100.0 / info.samplerate;
            std::vector<float> output(static_cast<std::size_t>(std::ceil(info.frames * ratio) + 1) * 2);
            SRC_DATA data{input.data(),
                          output.data(),
                          static_cast<long>(info.frames),
                          static_cast<long>(output.size() / 2),
                          0,
                          0,
                          1,
                          ratio};
            src_simple(&data, SRC_SINC_BEST_QUALITY, info.channels);
            benchmark::DoNotOptimize(output.data());
        }
    }
    state.counters["recordings"] = recordings;
}

// The importer is a process of its own: both are timed by the clock on the
// wall, repeated and interleaved (see fastest_ratio.h).
BENCHMARK(importStop)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(5);
BENCHMARK(decodeAndResample)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    runAndPrintFastestRatio(argc, argv, BenchClock::wall, "importStop", "decodeAndResample",
                            "velmara-import / decode and resample");
    fs::remove_all(workFolder);
    return 0;
}
