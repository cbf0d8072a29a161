// What the importer's suites share (see import_support.h).
#include "import_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wavpack/wavpack.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "support/fixtures.h"

extern char** environ;

namespace importtest {

namespace fs = std::filesystem;

namespace {

int writeBlock(void* file, void* data, std::int32_t bytes)
{
    return std::fwrite(data, 1, static_cast<std::size_t>(bytes), static_cast<std::FILE*>(file)) ==
           static_cast<std::size_t>(bytes);
}

}  // namespace

Outcome runImport(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    const fs::path out = fs::temp_directory_path() / ("import-out-" + std::to_string(::getpid()));
    const fs::path err = fs::path(out).concat(".err");
    std::vector<char*> argv{const_cast<char*>(VELMARA_IMPORT)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, VELMARA_IMPORT, &actions, nullptr, argv.data(), envp.data()) == 0) ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto text = [](const fs::path& path) {
        const std::vector<std::uint8_t> bytes = fixtures::readFile(path);
        fs::remove(path);
        return std::string(bytes.begin(), bytes.end());
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
}

double noteFrequency(double midiNote) { return 440.0 * std::exp2((midiNote - 69) / 12.0); }

std::vector<float> tone(int rate, int channels, double frequency, double peak, double lead, double seconds, float hiss)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, hiss);
    const auto start = static_cast<std::size_t>(lead * rate), frames = start + static_cast<std::size_t>(seconds * rate);
    std::vector<float> samples;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double t = (static_cast<double>(frame) - static_cast<double>(start)) / rate,
                     w = 2 * std::numbers::pi * frequency * t;
        const double value =
            frame < start ? 0.0 : peak * (0.6 * std::sin(w) + 0.25 * std::sin(2 * w) + 0.15 * std::sin(3 * w));
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<float>(value) + (hiss > 0 ? noise(random) : 0.0f));
    }
    return samples;
}

void writeSndfile(const fs::path& path, int format, int rate, int channels, const std::vector<float>& samples)
{
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
    sf_close(file);
}

void writePackage(const fs::path& folder, const fs::path& package)
{
    int failure = 0;
    zip_t* zip = zip_open(package.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &failure);
    ASSERT_NE(zip, nullptr);
    const auto add = [&](const std::string& name, const fs::path& file) {
        const zip_int64_t index = zip_file_add(zip, name.c_str(), zip_source_file(zip, file.c_str(), 0, 0), 0);
        ASSERT_GE(index, 0) << name;
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    };
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            add("organ/" + entry.path().lexically_relative(folder).generic_string(), entry.path());
    const std::string index = "[General]\r\nOrganCount=1\r\n[Organ001]\r\nFilename=organ\\Test.organ\r\n";
    zip_file_add(zip, "organindex.ini", zip_source_buffer(zip, index.data(), index.size(), 0), 0);
    ASSERT_EQ(zip_close(zip), 0);
}

std::vector<std::int16_t> pcm(const std::vector<float>& samples)
{
    std::vector<std::int16_t> values;
    values.reserve(samples.size());
    for (float value : samples) values.push_back(static_cast<std::int16_t>(std::lround(value * 32767)));
    return values;
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t at)
{
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void writeWavpack(const fs::path& path, int rate, const std::vector<float>& stereo,
                  const std::vector<std::uint8_t>& trailingChunk, bool hybrid)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::FILE* correction = hybrid ? std::fopen((path.string() + "c").c_str(), "wb") : nullptr;
    WavpackContext* context = WavpackOpenFileOutput(writeBlock, file, correction);
    WavpackConfig config{};
    config.bytes_per_sample = 2, config.bits_per_sample = 16, config.channel_mask = 3;
    config.num_channels = 2, config.sample_rate = rate;
    if (hybrid) config.flags = CONFIG_HYBRID_FLAG | CONFIG_CREATE_WVC, config.bitrate = 3.0f;
    const auto frames = static_cast<std::uint32_t>(stereo.size() / 2);
    WavpackSetConfiguration64(context, &config, frames, nullptr);
    if (!trailingChunk.empty()) {
        std::vector<std::uint8_t> header = fixtures::waveImage({});
        put32(header, static_cast<std::uint32_t>(36 + 4 * frames + trailingChunk.size()), 4);
        put32(header, 4 * frames, 40);
        WavpackAddWrapper(context, header.data(), static_cast<std::uint32_t>(header.size()));
    }
    WavpackPackInit(context);
    const std::vector<std::int16_t> values16 = pcm(stereo);
    std::vector<std::int32_t> values(values16.begin(), values16.end());
    WavpackPackSamples(context, values.data(), frames);
    WavpackFlushSamples(context);
    if (!trailingChunk.empty()) {
        std::vector<std::uint8_t> chunk = trailingChunk;
        WavpackAddWrapper(context, chunk.data(), static_cast<std::uint32_t>(chunk.size()));
        WavpackFlushSamples(context);
    }
    WavpackCloseFile(context);
    std::fclose(file);
    if (correction != nullptr) std::fclose(correction);
}

std::map<std::string, std::vector<std::uint8_t>> snapshot(const fs::path& root)
{
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        if (entry.path().filename() != ".velmara-import.lock")
            files[entry.path().string()] =
                entry.is_regular_file() ? fixtures::readFile(entry.path()) : std::vector<std::uint8_t>{};
    return files;
}

double measuredFrequency(const std::vector<double>& sound)
{
    std::vector<double> crossings;
    for (std::size_t f = 4410; f < 22050; ++f) {
        const double a = sound[f], b = sound[f + 1];
        if (a < 0 && b >= 0) crossings.push_back(static_cast<double>(f) + a / (a - b));
    }
    return static_cast<double>(crossings.size() - 1) * 44100 / (crossings.back() - crossings.front());
}

}  // namespace importtest
