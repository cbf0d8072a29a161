// Importing a generated organ of 12 stops whose every pipe has a recording
// of its own already at the organ's rate and pitch (3 s, 44.1 kHz, 24-bit
// stereo) with velmara-import, on all its workers and on one, against two
// references in the same run: the plain-I/O limit (each recording decoded
// once, each stop's 61 files of 16-bit samples written and flushed, no
// conversion) and the converter path the importer had before (the same,
// each pipe's window passed through libsamplerate's best sinc converter).
// Prints the ratios and the importer's peak resident memory. With
// --peak-memory-stops=N it only imports an organ of N stops once and prints
// the peak.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fastest_ratio.h"
#include "import_process.h"
#include "pipe_recording.h"

namespace {

namespace fs = std::filesystem;

constexpr int benchStops = 12, keys = 61, firstNote = 36, organRate = 44100;
constexpr double seconds = 3.0, lead = 0.2;
constexpr std::size_t keyFrames = 24989;  // what the organ plays of each key
constexpr double leadInFrames = 29 + 0.0015 * organRate;

const fs::path workFolder = fs::temp_directory_path() / ("velmara-organ-bench-" + std::to_string(::getpid()));

std::string threeDigits(int number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    return digits;
}

fs::path recordingOf(int stop, int key)
{
    return fs::path("Pipes") / ("S" + threeDigits(stop + 1)) / (threeDigits(firstNote + key) + ".wav");
}

std::string organDefinition(int stops)
{
    std::string text = "[Organ]\nChurchName=Bench\nNumberOfManuals=1\nHasPedals=N\n"
                       "[Manual001]\nName=Great\nNumberOfLogicalKeys=61\nFirstAccessibleKeyLogicalKeyNumber=1\n"
                       "FirstAccessibleKeyMIDINoteNumber=36\nNumberOfAccessibleKeys=61\nNumberOfStops=" +
                       std::to_string(stops) + "\n";
    for (int stop = 1; stop <= stops; ++stop) text += "Stop" + threeDigits(stop) + "=" + std::to_string(stop) + "\n";
    for (int stop = 0; stop < stops; ++stop) {
        text += "[Stop" + threeDigits(stop + 1) + "]\nName=Stop " + std::to_string(stop + 1) +
                "\nNumberOfAccessiblePipes=61\nFirstAccessiblePipeLogicalKeyNumber=1\n"
                "NumberOfLogicalPipes=61\nFirstAccessiblePipeLogicalPipeNumber=1\n";
        for (int key = 0; key < keys; ++key) {
            std::string path = recordingOf(stop, key).string();
            std::replace(path.begin(), path.end(), '/', '\\');
            text += "Pipe" + threeDigits(key + 1) + "=" + path + "\n";
        }
    }
    return text;
}

fs::path organFolder(int stops) { return workFolder / ("organ" + std::to_string(stops)); }

fs::path writeOrgan(int stops)
{
    const fs::path folder = organFolder(stops);
    if (fs::exists(folder / "Bench.organ")) return folder / "Bench.organ";
    for (int stop = 0; stop < stops; ++stop) {
        fs::create_directories(folder / recordingOf(stop, 0).parent_path());
        for (int key = 0; key < keys; ++key)
            writePipeRecording(folder / recordingOf(stop, key), firstNote + key, seconds, lead, organRate);
    }
    std::ofstream(folder / "Bench.organ") << organDefinition(stops);
    return folder / "Bench.organ";
}

// Imports the organ into a fresh folder on `workers` workers (0: the
// importer's own choice); its peak resident memory in MiB, or a negative
// number when it fails.
double importOrgan(const fs::path& organ, int workers)
{
    const fs::path brimwell = workFolder / "BRIMWELL";
    if (workers > 0) ::setenv("VELMARA_IMPORT_WORKERS", std::to_string(workers).c_str(), 1);
    const double peak = importInto(brimwell, organ);
    ::unsetenv("VELMARA_IMPORT_WORKERS");
    fs::remove_all(brimwell);
    return peak;
}

void importWithWorkers(benchmark::State& state, int workers)
{
    const fs::path organ = writeOrgan(benchStops);
    double peak = 0;
    for (auto _ : state) {
        peak = importOrgan(organ, workers);
        if (peak < 0) state.SkipWithError("velmara-import failed");
    }
    state.counters["peakMiB"] = peak;
}

void importGeneratedOrgan(benchmark::State& state) { importWithWorkers(state, 0); }
void importGeneratedOrganOneWorker(benchmark::State& state) { importWithWorkers(state, 1); }

std::vector<float> decoded(const fs::path& file)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(sound, frames.data(), info.frames);
    sf_close(sound);
    return frames;
}

void writeAndFlush(const fs::path& file, const std::vector<float>& window)
{
    std::vector<short> samples(window.size());
    std::transform(window.begin(), window.end(), samples.begin(),
                   [](float value) { return static_cast<short>(std::lround(value * 32767.0f)); });
    SF_INFO info{0, organRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    sf_writef_short(sound, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
    sf_close(sound);
    const int descriptor = ::open(file.c_str(), O_RDONLY);
    ::fsync(descriptor);
    ::close(descriptor);
}

// Every recording decoded once and each key's window, from just before the
// speech, written as a stop's 16-bit file: as it is, or passed through
// libsamplerate's best converter at the ratio of 1 these recordings need.
void readAndWriteEachStop(benchmark::State& state, bool convert)
{
    const fs::path folder = writeOrgan(benchStops).parent_path();
    const fs::path out = workFolder / "written";
    const auto start = static_cast<std::size_t>(lead * organRate - leadInFrames);
    std::vector<float> window(2 * keyFrames);
    for (auto _ : state) {
        for (int stop = 0; stop < benchStops; ++stop) {
            fs::create_directories(out / std::to_string(stop));
            for (int key = 0; key < keys; ++key) {
                const std::vector<float> source = decoded(folder / recordingOf(stop, key));
                if (convert) {
                    SRC_DATA data{source.data() + 2 * start,
                                  window.data(),
                                  static_cast<long>(keyFrames + 64),
                                  static_cast<long>(keyFrames),
                                  0,
                                  0,
                                  1,
                                  1.0};
                    src_simple(&data, SRC_SINC_BEST_QUALITY, 2);
                } else {
                    std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(2 * start), window.size(), window.begin());
                }
                writeAndFlush(out / std::to_string(stop) / (threeDigits(key) + ".wav"), window);
            }
        }
        fs::remove_all(out);
    }
}

void plainInputOutput(benchmark::State& state) { readAndWriteEachStop(state, false); }
void formerConverterPath(benchmark::State& state) { readAndWriteEachStop(state, true); }

// Each is a process or a disk's work of its own: all are timed by the clock
// on the wall, repeated and interleaved (see fastest_ratio.h).
BENCHMARK(importGeneratedOrgan)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(importGeneratedOrganOneWorker)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(plainInputOutput)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(formerConverterPath)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv)
{
    constexpr std::string_view peakOption = "--peak-memory-stops=";
    if (argc == 2 && std::string_view(argv[1]).starts_with(peakOption)) {
        const int stops = std::atoi(argv[1] + peakOption.size());
        std::printf("velmara-import of %d stops (%d pipes): peak resident memory %.1f MiB\n", stops, stops * keys,
                    importOrgan(writeOrgan(stops), 0));
    } else {
        runAndPrintFastestRatios(
            argc, argv, BenchClock::wall,
            {{"importGeneratedOrgan", "plainInputOutput", "velmara-import / plain I/O"},
             {"importGeneratedOrgan", "formerConverterPath", "velmara-import / the former converter path"},
             {"importGeneratedOrganOneWorker", "formerConverterPath",
              "velmara-import on one worker / the former converter path"}});
    }
    fs::remove_all(workFolder);
    return 0;
}
