// Opening a big organ (100 stops of 61 samples of about 212 KB, written into
// a temporary folder when the benchmark starts) through loadOrgan, against
// plain reads of the same files into fresh buffers that are kept, in the
// same run. Each repetition runs in a fresh child process, so that both get
// memory no earlier repetition touched, after one pass over every file has
// put them all in the page cache. Prints the ratios of the CPU and
// wall-clock times and the resident memory each side added against the
// bytes of the sample files.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "bank/wave_file.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr int bigOrganStops = 100;
constexpr std::size_t sampleFrames = 54261;
constexpr std::size_t sampleFileBytes = 44 + 4 * sampleFrames;  // 217,088 bytes: 212 KB
constexpr const char* definition = "..\\BRIMWELL\\Big.org";

// The generated organ: root/Orgue is the working directory, root/BRIMWELL
// holds the definition and the stops.
struct BigOrgan {
    fs::path root;
    std::vector<std::string> sampleFiles;  // host paths, as plain reads open them
    double sampleBytes = 0;
};

BigOrgan bigOrgan;

std::vector<std::int16_t> toneFrames()
{
    std::vector<std::int16_t> frames(2 * sampleFrames);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<std::int16_t>((i * 7919) % 16001 - 8000);
    return frames;
}

std::string stopName(int stop) { return "Stop " + std::to_string(stop); }

// Writes the organ once, copying one sample file to every key of every stop.
void writeBigOrgan()
{
    bigOrgan.root = fs::temp_directory_path() / ("velmara-bank-bench-" + std::to_string(::getpid()));
    const fs::path brimwell = bigOrgan.root / "BRIMWELL";
    fs::create_directories(bigOrgan.root / "Orgue");
    fs::create_directories(brimwell);
    const fs::path model = bigOrgan.root / "model.wav";
    writeWaveFile(model, toneFrames());

    std::ofstream list(brimwell / "Big.org", std::ios::binary);
    for (int stop = 0; stop < bigOrganStops; ++stop) {
        list << stopName(stop) << "\r\n";
        fs::create_directories(brimwell / stopName(stop));
        for (int key = 0; key < keyCount; ++key) fs::copy_file(model, brimwell / stopName(stop) / sampleFileName(key));
    }
    list << "END\r\n";
}

// Reads every sample file once, so that both sides find them in the page cache.
void warmPageCache()
{
    std::vector<char> buffer(sampleFileBytes);
    for (const std::string& path : bigOrgan.sampleFiles) {
        std::ifstream file(path, std::ios::binary);
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    }
}

void prepareBigOrgan()
{
    writeBigOrgan();
    fs::current_path(bigOrgan.root / "Orgue");
    for (const std::string& stop : readStopNames(definition)) {
        for (int key = 0; key < keyCount; ++key) {
            bigOrgan.sampleFiles.push_back(platform::hostPath(samplePath(stop.c_str(), key)));
            bigOrgan.sampleBytes += static_cast<double>(fs::file_size(bigOrgan.sampleFiles.back()));
        }
    }
    ::sync();
    warmPageCache();
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

struct Measured {
    double cpuSeconds;
    double wallSeconds;
    double residentBytes;  // added by the work
    bool ok;
};

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs the work in a child process forked for it: fresh memory, its own
// CPU time and resident size.
template <typename Work>
Measured inFreshProcess(Work work)
{
    int channel[2];
    if (::pipe(channel) != 0) return {0, 0, 0, false};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const double residentBefore = residentBytes();
        const double cpuStart = cpuSeconds();
        const double wallStart = wallSeconds();
        work();
        const Measured measured = {cpuSeconds() - cpuStart, wallSeconds() - wallStart, residentBytes() - residentBefore,
                                   true};
        const bool sent = ::write(channel[1], &measured, sizeof measured) == sizeof measured;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    Measured measured = {0, 0, 0, false};
    const bool received = child > 0 && ::read(channel[0], &measured, sizeof measured) == sizeof measured;
    ::close(channel[0]);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    measured.ok = received && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return measured;
}

template <typename Work>
void measure(benchmark::State& state, Work work)
{
    for (auto _ : state) {
        const Measured measured = inFreshProcess(work);
        if (!measured.ok) {
            state.SkipWithError("the measuring child process failed");
            return;
        }
        state.SetIterationTime(measured.cpuSeconds);
        state.counters["wall ms"] = measured.wallSeconds * 1e3;
        state.counters["resident/sample bytes"] = measured.residentBytes / bigOrgan.sampleBytes;
    }
    state.counters["files"] = static_cast<double>(bigOrgan.sampleFiles.size());
}

void loadBigOrgan(benchmark::State& state)
{
    measure(state, [] {
        loadOrgan(definition);
        if (organBank.stopCount != bigOrganStops) ::_exit(1);
    });
}

// The plain reads' buffers, kept until the measuring child process ends.
std::vector<std::unique_ptr<char[]>> kept;

void plainKeptReads(benchmark::State& state)
{
    measure(state, [] {
        kept.reserve(bigOrgan.sampleFiles.size());
        for (const std::string& path : bigOrgan.sampleFiles) {
            std::FILE* file = std::fopen(path.c_str(), "rb");
            if (file == nullptr) ::_exit(1);
            std::fseek(file, 0, SEEK_END);
            const auto size = static_cast<std::size_t>(std::ftell(file));
            std::fseek(file, 0, SEEK_SET);
            kept.emplace_back(new char[size]);
            benchmark::DoNotOptimize(std::fread(kept.back().get(), 1, size, file));
            std::fclose(file);
        }
    });
}

// One open per iteration, repeated and interleaved (see main), so that the
// fastest repetition of each, the one least disturbed by other work on the
// machine, can be compared.
BENCHMARK(loadBigOrgan)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(7);
BENCHMARK(plainKeptReads)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(7);

// The console report, remembering for each benchmark its fastest time and
// the most resident memory any repetition added.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Figures {
        double fastest = 0;      // CPU time
        double fastestWall = 0;  // wall-clock time
        double resident = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            Figures& figures = results[run.run_name.function_name];
            keepFastest(figures.fastest, run.GetAdjustedRealTime());
            keepFastest(figures.fastestWall, run.counters.at("wall ms").value);
            figures.resident = std::max(figures.resident, run.counters.at("resident/sample bytes").value);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, Figures> results;

private:
    static void keepFastest(double& fastest, double time)
    {
        if (fastest == 0.0 || time < fastest) fastest = time;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    prepareBigOrgan();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& results = reporter.results;
    if (results.count("loadBigOrgan") != 0 && results.count("plainKeptReads") != 0) {
        const RatioReporter::Figures& bank = results.at("loadBigOrgan");
        const RatioReporter::Figures& plain = results.at("plainKeptReads");
        std::printf("loadOrgan / plain kept reads, fastest repetitions: CPU time %.2f, wall-clock time %.2f\n",
                    bank.fastest / plain.fastest, bank.fastestWall / plain.fastestWall);
        std::printf("resident memory / sample bytes (%.0f MB): loadOrgan %.2f, plain kept reads %.2f\n",
                    bigOrgan.sampleBytes / 1e6, bank.resident, plain.resident);
    }
    benchmark::Shutdown();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(bigOrgan.root);
    return 0;
}
