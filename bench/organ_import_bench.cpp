// Importing a generated organ of 20 stops (16 of their own pipes at five
// pitches, 4 two-rank mixtures) whose 1,464 pipes share 12 recordings (2.5 s,
// 48 kHz, 24-bit stereo) with velmara-import, against decoding every
// recording once and resampling each pipe's played window alone, in the same
// run; prints the ratio of the two and the importer's peak resident memory.
// With --peak-memory-stops=N it only imports an organ of N stops once and
// prints the peak.
#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fastest_ratio.h"
#include "import_process.h"
#include "pipe_recording.h"

namespace {

namespace fs = std::filesystem;

constexpr int recordings = 12, benchStops = 20;
constexpr double seconds = 2.5, lead = 0.2;
constexpr int firstRecordedNote = 36, recordedStep = 5;
constexpr int stopShifts[] = {0, -12, 12, 19, 24};  // semitones: 8', 16', 4', 2 2/3', 2'
constexpr std::size_t keyFrames = 24989;            // what the organ plays of each key
constexpr double leadInFrames = 29 + 0.0015 * 44100;

const fs::path workFolder = fs::temp_directory_path() / ("velmara-organ-bench-" + std::to_string(::getpid()));

struct Pipe {
    int recording;  // 0 to 11
    int cents;      // from the recording's pitch
};

std::string threeDigits(int number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    return digits;
}

int recordedNote(int recording) { return firstRecordedNote + recordedStep * recording; }

std::string recordingFile(int recording) { return threeDigits(recordedNote(recording)) + ".wav"; }

// The pipe sounding MIDI note `note`: the nearest recording, tuned to it.
Pipe pipeFor(int note)
{
    const int recording = std::clamp((note - firstRecordedNote + recordedStep / 2) / recordedStep, 0, recordings - 1);
    return {recording, (note - recordedNote(recording)) * 100};
}

std::string pipeLines(int shift)
{
    std::string lines;
    for (int key = 0; key < 61; ++key) {
        const Pipe pipe = pipeFor(36 + key + shift);
        char line[96];
        std::snprintf(line, sizeof line, "Pipe%03d=%s\nPipe%03dPitchTuning=%d\n", key + 1,
                      ("Pipes\\" + recordingFile(pipe.recording)).c_str(), key + 1, pipe.cents);
        lines += line;
    }
    return lines;
}

bool isMixture(int stop) { return stop % 5 == 4; }

// Every fifth stop is a mixture of the 4' and 2 2/3' ranks; the others have
// their own pipes at one of five pitches.
std::string organDefinition(int stops)
{
    std::string text = "[Organ]\nChurchName=Bench\nNumberOfManuals=1\nHasPedals=N\nNumberOfRanks=2\n"
                       "[Manual001]\nName=Great\nNumberOfLogicalKeys=61\nFirstAccessibleKeyLogicalKeyNumber=1\n"
                       "FirstAccessibleKeyMIDINoteNumber=36\nNumberOfAccessibleKeys=61\nNumberOfStops=" +
                       std::to_string(stops) + "\n";
    for (int stop = 1; stop <= stops; ++stop) text += "Stop" + threeDigits(stop) + "=" + std::to_string(stop) + "\n";
    for (int stop = 1; stop <= stops; ++stop) {
        text += "[Stop" + threeDigits(stop) + "]\nName=Stop " + std::to_string(stop) +
                "\nNumberOfAccessiblePipes=61\nFirstAccessiblePipeLogicalKeyNumber=1\n";
        text += isMixture(stop - 1) ? "NumberOfRanks=2\nRank001=1\nRank002=2\n"
                                    : "NumberOfLogicalPipes=61\nFirstAccessiblePipeLogicalPipeNumber=1\n" +
                                          pipeLines(stopShifts[(stop - 1) % 5]);
    }
    text += "[Rank001]\nName=Octave\nNumberOfLogicalPipes=61\n" + pipeLines(12);
    text += "[Rank002]\nName=Twelfth\nNumberOfLogicalPipes=61\n" + pipeLines(19);
    return text;
}

// The pipes each key sums, as the importer makes them.
std::vector<Pipe> organPipes(int stops)
{
    std::vector<Pipe> pipes;
    for (int stop = 0; stop < stops; ++stop)
        for (int key = 0; key < 61; ++key)
            for (int shift : isMixture(stop) ? std::vector<int>{12, 19} : std::vector<int>{stopShifts[stop % 5]})
                pipes.push_back(pipeFor(36 + key + shift));
    return pipes;
}

fs::path writeOrgan(int stops)
{
    const fs::path folder = workFolder / ("organ" + std::to_string(stops));
    if (fs::exists(folder / "Bench.organ")) return folder / "Bench.organ";
    fs::create_directories(folder / "Pipes");
    for (int recording = 0; recording < recordings; ++recording)
        writePipeRecording(folder / "Pipes" / recordingFile(recording), recordedNote(recording), seconds, lead);
    std::ofstream(folder / "Bench.organ") << organDefinition(stops);
    return folder / "Bench.organ";
}

// Imports the organ into a fresh folder; its peak resident memory in MiB,
// or a negative number when it fails.
double importOrgan(const fs::path& organ)
{
    const fs::path brimwell = workFolder / "BRIMWELL";
    const double peak = importInto(brimwell, organ);
    fs::remove_all(brimwell);
    return peak;
}

void importGeneratedOrgan(benchmark::State& state)
{
    const fs::path organ = writeOrgan(benchStops);
    double peak = 0;
    for (auto _ : state) {
        peak = importOrgan(organ);
        if (peak < 0) state.SkipWithError("velmara-import failed");
    }
    state.counters["peakMiB"] = peak;
    state.counters["pipes"] = static_cast<double>(organPipes(benchStops).size());
}

std::vector<float> decoded(const fs::path& file)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(sound, frames.data(), info.frames);
    sf_close(sound);
    return frames;
}

// Every recording decoded once; each pipe's played window (from just before
// its speech) resampled alone to 44,100 Hz and its pitch in one pass.
void decodeOnceAndResampleEachPipe(benchmark::State& state)
{
    const fs::path folder = writeOrgan(benchStops).parent_path() / "Pipes";
    const std::vector<Pipe> pipes = organPipes(benchStops);
    std::vector<float> output(2 * keyFrames);
    for (auto _ : state) {
        std::vector<std::vector<float>> sources;
        for (int recording = 0; recording < recordings; ++recording)
            sources.push_back(decoded(folder / recordingFile(recording)));
        for (const Pipe& pipe : pipes) {
            const double ratio = 44100.0 / pipeRecordingRate / std::exp2(pipe.cents / 1200.0);
            const auto start = static_cast<std::size_t>(lead * pipeRecordingRate - leadInFrames / ratio);
            const std::vector<float>& source = sources[static_cast<std::size_t>(pipe.recording)];
            const auto frames = std::min(static_cast<std::size_t>(keyFrames / ratio) + 64, source.size() / 2 - start);
            SRC_DATA data{source.data() + 2 * start,
                          output.data(),
                          static_cast<long>(frames),
                          static_cast<long>(keyFrames),
                          0,
                          0,
                          1,
                          ratio};
            src_simple(&data, SRC_SINC_BEST_QUALITY, 2);
            benchmark::DoNotOptimize(output.data());
        }
    }
    state.counters["pipes"] = static_cast<double>(pipes.size());
}

// The importer is a process of its own: both are timed by the clock on the
// wall, repeated and interleaved (see fastest_ratio.h).
BENCHMARK(importGeneratedOrgan)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(decodeOnceAndResampleEachPipe)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv)
{
    constexpr std::string_view peakOption = "--peak-memory-stops=";
    if (argc == 2 && std::string_view(argv[1]).starts_with(peakOption)) {
        const int stops = std::atoi(argv[1] + peakOption.size());
        std::printf("velmara-import of %d stops (%zu pipes): peak resident memory %.1f MiB\n", stops,
                    organPipes(stops).size(), importOrgan(writeOrgan(stops)));
    } else {
        runAndPrintFastestRatio(argc, argv, BenchClock::wall, "importGeneratedOrgan", "decodeOnceAndResampleEachPipe",
                                "velmara-import / decode once and resample each pipe");
    }
    fs::remove_all(workFolder);
    return 0;
}
