// The sound engine: the wave output and the headless device on its virtual
// clock, the mixer's arithmetic and release rules, the fatal paths, and a
// demo organ pipe played through to the recording.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bank/organ_bank.h"
#include "platform/audio.h"
#include "platform/headless/event_log.h"
#include "platform/headless/headless_audio.h"
#include "sound/mix_kernels.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "support/fixtures.h"
#include "window_pixels.h"

namespace {

namespace fs = std::filesystem;
namespace headless = platform::headless;
using testing::ElementsAre;
using testing::Eq;
using testing::ExitedWithCode;

// The device runs threads: a death test starts a fresh process rather than
// forking this one.
void useFreshProcessesForDeathTests() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

// A POSIX exit status keeps the low 8 bits of the code.
constexpr int status(int code) { return code & 0xFF; }

constexpr int heardEntries = 50000;
constexpr int windowEntries = 49920;
constexpr int windowFrames = 24960;

std::vector<std::int16_t> pattern(int count, int step, int bias)
{
    std::vector<std::int16_t> values(count);
    for (int i = 0; i < count; ++i) values[i] = static_cast<std::int16_t>((i * step) % 2000 - bias);
    return values;
}

// A fresh device and event log, and the wave output opened on them.
class WaveOutput : public testing::Test {
protected:
    void SetUp() override
    {
        useFreshProcessesForDeathTests();
        headless::resetAudioDevice();
        ASSERT_TRUE(headless::openEventLog(logPath.c_str()));
        waveHeader = {};
        waveDone.store(1);
        openWaveOutput();
    }

    void TearDown() override
    {
        headless::openEventLog("/dev/null");
        fs::remove(logPath);
    }

    std::vector<std::string> events() const
    {
        std::ifstream in(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    const std::string logPath =
        (fs::temp_directory_path() / ("velmara-sound-test-" + std::to_string(::getpid()) + ".log")).string();
};

TEST_F(WaveOutput, OpensTheFixedPcmFormatAndFillsTheDivisorTable)
{
    std::fill(std::begin(polyphonyDivisor), std::end(polyphonyDivisor), 0);
    openWaveOutput();
    EXPECT_EQ(waveFormat.formatTag, 1);
    EXPECT_EQ(waveFormat.channels, 2);
    EXPECT_EQ(waveFormat.samplesPerSec, 44100u);
    EXPECT_EQ(waveFormat.avgBytesPerSec, 176400u);
    EXPECT_EQ(waveFormat.blockAlign, 4);
    EXPECT_EQ(waveFormat.bitsPerSample, 16);
    EXPECT_EQ(waveFormat.cbSize, 0);
    for (int n = 1; n <= 31; ++n) EXPECT_EQ(polyphonyDivisor[n], n <= 2 ? 1 : n <= 7 ? 2 : n <= 20 ? 3 : 4) << n;
}

TEST_F(WaveOutput, FirstSubmitPlaysTheWindowOnceAndReportsItDoneAtItsEnd)
{
    const std::vector<std::int16_t> window = pattern(windowEntries, 7, 1000);
    submitWave(window.data(), 99840);
    EXPECT_EQ(waveDone.load(), 0);
    EXPECT_EQ(waveHeader.flags, 4u);
    EXPECT_EQ(waveHeader.loops, 1u);

    headless::advanceAudioClock(565.9);
    EXPECT_EQ(waveDone.load(), 0) << "frame 24,956 of 24,960";
    headless::advanceAudioClock(0.1);
    EXPECT_EQ(waveDone.load(), 1);
    EXPECT_THAT(events(), ElementsAre("wave-submit 99840", "wave-done"));

    headless::advanceAudioClock(100);
    const std::vector<std::int16_t> heard = headless::recordedAudio();
    ASSERT_EQ(heard.size(), 2u * 29370);
    EXPECT_TRUE(std::equal(window.begin(), window.end(), heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + windowEntries, heard.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(WaveOutput, SubmitWhilePlayingCutsTheOldBufferAndStartsTheNewFromItsStart)
{
    const std::vector<std::int16_t> first = pattern(windowEntries, 3, 500);
    const std::vector<std::int16_t> second = pattern(windowEntries, 11, 900);
    submitWave(first.data(), 99840);
    headless::advanceAudioClock(100);
    submitWave(second.data(), 99840);
    EXPECT_EQ(waveDone.load(), 0);
    EXPECT_THAT(events(), ElementsAre("wave-submit 99840", "wave-reset", "wave-done", "wave-submit 99840"));

    headless::advanceAudioClock(600);
    const std::vector<std::int16_t> heard = headless::recordedAudio();
    const int cut = 2 * 4410;
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + cut, heard.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), heard.begin() + cut));
    EXPECT_EQ(waveDone.load(), 1);
}

TEST_F(WaveOutput, StopOnAnIdleDeviceReportsNothing)
{
    stopWaveOutput();
    EXPECT_EQ(waveDone.load(), 1);
    EXPECT_THAT(events(), ElementsAre("wave-reset"));

    const std::vector<std::int16_t> window = pattern(windowEntries, 5, 700);
    submitWave(window.data(), 99840);
    headless::advanceAudioClock(600);
    stopWaveOutput();
    EXPECT_THAT(events(), ElementsAre("wave-reset", "wave-submit 99840", "wave-done", "wave-reset"));
    EXPECT_EQ(waveDone.load(), 1);
}

TEST_F(WaveOutput, StopSilencesAtOnceAndTheDeviceNoLongerReadsTheBuffer)
{
    std::vector<std::int16_t> window = pattern(windowEntries, 13, 1000);
    const std::vector<std::int16_t> original = window;
    submitWave(window.data(), 99840);
    headless::advanceAudioClock(10);
    stopWaveOutput();
    EXPECT_EQ(waveDone.load(), 1) << "reported done before the stop returns";
    std::fill(window.begin(), window.end(), std::int16_t{0x7777});
    headless::advanceAudioClock(100);

    const std::vector<std::int16_t> heard = headless::recordedAudio();
    ASSERT_EQ(heard.size(), 2u * 4851);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 2 * 441, heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + 2 * 441, heard.end(), [](std::int16_t s) { return s == 0; }));

    const fs::path wav = fs::path(logPath).replace_extension(".wav");
    ASSERT_TRUE(headless::saveRecordedWav(wav.c_str()));
    EXPECT_EQ(fixtures::readFile(wav), fixtures::waveImage(heard));
    fs::remove(wav);
}

TEST_F(WaveOutput, FailuresOfTheDeviceEndTheProcess)
{
    headless::failAudio(headless::AudioFailure::open);
    EXPECT_EXIT(openWaveOutput(), ExitedWithCode(status(1)), Eq("unable to open WAVE_MAPPER device\n"));
    const std::vector<std::int16_t> window(windowEntries);
    headless::failAudio(headless::AudioFailure::prepare);
    EXPECT_EXIT(submitWave(window.data(), 99840), ExitedWithCode(status(401)), Eq(""));
    headless::failAudio(headless::AudioFailure::write);
    EXPECT_EXIT(submitWave(window.data(), 99840), ExitedWithCode(status(402)), Eq(""));
}

std::atomic<int> doneReports{0};
std::atomic<std::thread::id> reportingThread;

void recordReport(std::uint32_t message)
{
    if (message != platform::waveMessageDone) return;
    reportingThread.store(std::this_thread::get_id());
    doneReports.fetch_add(1);
}

TEST_F(WaveOutput, HeadlessDeviceKeepsTheBlockRulesAndReportsFromItsOwnThread)
{
    platform::WaveFormat mono = waveFormat;
    mono.channels = 1;
    platform::WaveDevice* device = nullptr;
    EXPECT_NE(platform::openWaveDevice(&device, mono, recordReport), 0);
    ASSERT_EQ(platform::openWaveDevice(&device, waveFormat, recordReport), 0);
    doneReports.store(0);

    const std::vector<std::int16_t> block(2 * 441);
    platform::WaveHeader header = {block.data(), 4 * 441, 0, 1};
    EXPECT_NE(platform::writeWaveBlock(device, header), 0) << "not prepared";
    ASSERT_EQ(platform::prepareWaveBlock(device, header), 0);
    ASSERT_EQ(platform::writeWaveBlock(device, header), 0);
    EXPECT_NE(platform::unprepareWaveBlock(device, header), 0) << "still playing";
    headless::advanceAudioClock(10);
    EXPECT_EQ(doneReports.load(), 1);
    EXPECT_NE(reportingThread.load(), std::this_thread::get_id());
    EXPECT_EQ(platform::unprepareWaveBlock(device, header), 0);

    ASSERT_EQ(platform::prepareWaveBlock(device, header), 0);
    ASSERT_EQ(platform::writeWaveBlock(device, header), 0);
    platform::resetWaveDevice(device);
    EXPECT_EQ(doneReports.load(), 2);
    EXPECT_NE(reportingThread.load(), std::this_thread::get_id());
    platform::resetWaveDevice(device);
    EXPECT_EQ(doneReports.load(), 2) << "nothing was playing";
}

// The mixer on samples put straight into the bank's slots; every test
// releases its keys again.
class VoiceMixer : public WaveOutput {
protected:
    void SetUp() override
    {
        WaveOutput::SetUp();
        prepareMix();
    }

    void TearDown() override
    {
        for (int key = 0; key < keyCount; ++key) keyUp(0, key);
        for (int stop = 0; stop < 2; ++stop)
            for (int key = 0; key < keyCount; ++key) {
                organBank.sampleData[stop][key].reset();
                organBank.sampleSize[stop][key] = 0;
            }
        drawingContext = nullptr;
        WaveOutput::TearDown();
    }

    // A sample of the given file size whose entries repeat the cycle.
    static void putSample(int stop, int key, const std::vector<std::int16_t>& cycle, std::int32_t bytes = 100000)
    {
        auto entries = std::make_unique<std::int16_t[]>(bytes);
        for (std::int32_t i = 0; i < bytes / 2; ++i) entries[i] = cycle[i % cycle.size()];
        organBank.sampleData[stop][key] = std::move(entries);
        organBank.sampleSize[stop][key] = bytes;
    }

    // Entry i of the output, for every heard entry, is expected(i).
    template <class Expected>
    static void expectOutput(Expected expected)
    {
        for (int i = 0; i < heardEntries; ++i) ASSERT_EQ(mixOutput[i], expected(i)) << "entry " << i;
    }

    static void expectAccumulator(const std::vector<std::int32_t>& cycle)
    {
        for (int i = 0; i < heardEntries; ++i) ASSERT_EQ(mixAccumulator[i], cycle[i % cycle.size()]) << "entry " << i;
    }
};

TEST_F(VoiceMixer, OneKeyOutputsItsSampleAndTwoKeysTheirClampedSum)
{
    const std::vector<std::int16_t> loud = {30000, -30000, 100, -32768, 32767, 0};
    putSample(0, 5, loud);
    putSample(0, 6, {10000, -10000, -300, -1, 1, 0});
    keyDown(0, 5, 0);
    EXPECT_EQ(polyphony, 1);
    expectOutput([&](int i) { return loud[i % 6]; });

    keyDown(0, 6, 0);
    EXPECT_EQ(polyphony, 2);
    const std::vector<std::int16_t> clamped = {32767, -32768, -200, -32768, 32767, 0};
    expectOutput([&](int i) { return clamped[i % 6]; });
}

TEST_F(VoiceMixer, ThreeKeysAreDividedByTwoTruncatingTowardZeroAndAReleaseByTheTwoLeft)
{
    putSample(0, 1, {-1, 1, 2, 32767, -32768, -5});
    putSample(0, 2, {-1, 1, 2, 32767, -32768, 10});
    putSample(0, 3, {-1, 1, 1, 32767, -32768, 6});
    for (int key = 1; key <= 3; ++key) keyDown(0, key, 0);
    const std::vector<std::int16_t> three = {-1, 1, 2, 32767, -32768, 5};
    expectOutput([&](int i) { return three[i % 6]; });

    keyUp(0, 2);
    EXPECT_EQ(polyphony, 2);
    expectAccumulator({-2, 2, 3, 65534, -65536, 1});
    const std::vector<std::int16_t> two = {-1, 1, 1, 32767, -32768, 0};
    expectOutput([&](int i) { return two[i % 6]; });
}

TEST_F(VoiceMixer, ReleasingTheLastKeyStopsTheDeviceClearsTheAccumulatorAndKeepsTheOutput)
{
    putSample(0, 20, pattern(3000, 17, 1000));
    keyDown(0, 20, 0);
    playMix();
    headless::advanceAudioClock(100);
    keyUp(0, 20);
    EXPECT_EQ(polyphony, 0);
    EXPECT_EQ(waveDone.load(), 1);
    EXPECT_THAT(events(), ElementsAre("wave-submit 99840", "wave-reset", "wave-done"));
    EXPECT_TRUE(std::all_of(mixAccumulator.get(), mixAccumulator.get() + mixLength, [](std::int32_t v) { return v == 0; }));
    expectOutput([](int i) { return static_cast<std::int16_t>((i % 3000) * 17 % 2000 - 1000); });
}

TEST_F(VoiceMixer, TheThirtySecondKeyIsCountedButNotMixedAndItsReleaseTakesNothingOut)
{
    for (int key = 0; key < 31; ++key) putSample(0, key, {static_cast<std::int16_t>(key + 1)});
    putSample(0, 31, {1000});
    for (int key = 0; key < 31; ++key) keyDown(0, key, 0);
    expectOutput([](int) { return 496 / 4; });

    keyDown(0, 31, 0);
    EXPECT_EQ(polyphony, 32);
    expectAccumulator({496});
    expectOutput([](int) { return 124; });

    keyUp(0, 31);
    EXPECT_EQ(polyphony, 31);
    expectAccumulator({496});
    keyUp(0, 30);
    EXPECT_EQ(polyphony, 30);
    expectOutput([](int) { return 465 / 30; });
}

TEST_F(VoiceMixer, AKeyReleasedUnderAnotherStopTakesOutWhatItPutIn)
{
    putSample(0, 7, pattern(2000, 3, 1000), 100010);
    putSample(1, 7, {9999});
    putSample(0, 9, {-7});
    keyDown(0, 7, 3);
    keyDown(0, 9, 0);
    keyUp(1, 7);
    EXPECT_EQ(polyphony, 1);
    expectAccumulator({-7});
    expectOutput([](int) { return -7; });
}

TEST_F(VoiceMixer, KeysHeldWhileAnotherOrganOpensOnlyLowerTheCountOnRelease)
{
    putSample(0, 3, {100});
    putSample(0, 4, {200});
    keyDown(0, 3, 0);
    keyDown(0, 4, 0);
    putSample(0, 3, {-30000});  // the old buffer is released, as loading does
    putSample(0, 4, {-30000});
    prepareMix();
    putSample(0, 5, {-9});
    keyDown(0, 5, 0);
    EXPECT_EQ(polyphony, 3);
    expectOutput([](int) { return -9 / 2; });

    keyUp(0, 3);
    keyUp(0, 4);
    EXPECT_EQ(polyphony, 1);
    expectAccumulator({-9});
    expectOutput([](int) { return -4; });
}

TEST_F(VoiceMixer, AKeyWithoutASampleIsIgnored)
{
    putSample(0, 1, {42});
    keyDown(0, 1, 0);
    keyDown(0, 40, 0);
    EXPECT_EQ(polyphony, 1);
    keyUp(0, 40);
    EXPECT_EQ(polyphony, 1);
    expectAccumulator({42});
}

TEST(VoiceMixerDeath, BeforeAnyOrganAKeyNeitherCountsNorPlaysNorEnds)
{
    useFreshProcessesForDeathTests();
    EXPECT_EXIT(
        {
            openWaveOutput();
            keyDown(0, 12, 0);
            playMix();
            keyUp(0, 12);
            std::exit(polyphony == 0 && !playBuffer && waveDone.load() == 1 ? 0 : 3);
        },
        ExitedWithCode(0), Eq(""));
}

TEST_F(VoiceMixer, ASampleShorterThanTheMixEndsTheProcessAtItsKeyEvenBeyond31Voices)
{
    for (int key = 0; key < 31; ++key) putSample(0, key, {1});
    putSample(0, 40, {1}, 99998);
    for (int key = 0; key < 31; ++key) keyDown(0, key, 0);
    EXPECT_EXIT(keyDown(0, 40, 0), ExitedWithCode(status(801)), Eq(""));
    EXPECT_EXIT(keyDown(0, 0, 1), ExitedWithCode(status(801)), Eq("")) << "offset + 100,000 entries";
    putSample(0, 41, {1}, 100000);
    keyDown(0, 41, 0);
    EXPECT_EQ(polyphony, 32);
}

TEST_F(VoiceMixer, PlayingCopiesTheMixSoLaterKeysChangeOnlyTheNextPlay)
{
    const std::vector<std::int16_t> first = pattern(1999, 7, 999);
    putSample(0, 10, first);
    putSample(0, 11, {5000});
    keyDown(0, 10, 0);
    playMix();
    keyDown(0, 11, 0);
    headless::advanceAudioClock(300);
    playMix();
    headless::advanceAudioClock(600);
    EXPECT_THAT(events(), ElementsAre("wave-submit 99840", "wave-reset", "wave-done", "wave-submit 99840", "wave-done"));

    const std::vector<std::int16_t> heard = headless::recordedAudio();
    const int cut = 2 * 13230;
    for (int i = 0; i < cut; ++i) ASSERT_EQ(heard[i], first[(80 + i) % first.size()]) << i;
    for (int i = 0; i < windowEntries; ++i) ASSERT_EQ(heard[cut + i], mixOutput[80 + i]) << i;
    EXPECT_EQ(heard[cut], std::clamp(first[80] + 5000, -32768, 32767));
}

TEST_F(VoiceMixer, TheCounterIsDrawnAtTwentyAHundred)
{
    putSample(0, 8, {1});
    const window_pixels::Box counterArea = {0, 120, 640, 260};
    const auto picture = [&] {
        std::vector<platform::Color> pixels;
        for (int y = counterArea.top; y < counterArea.bottom; ++y)
            for (int x = counterArea.left; x < counterArea.right; ++x) pixels.push_back(window_pixels::pixel(x, y));
        return pixels;
    };
    const auto drawnBy = [&](auto draw) {
        window_pixels::freshPaint(15);
        draw();
        return picture();
    };

    const auto pressed = drawnBy([] { keyDown(0, 8, 0); });
    const auto released = drawnBy([] { keyUp(0, 8); });
    EXPECT_EQ(pressed, drawnBy([] { textOut(20, 100, "Polyphonie : 1"); }));
    EXPECT_EQ(released, drawnBy([] { textOut(20, 100, "Polyphonie : 0"); }));
    EXPECT_NE(pressed, released);
    EXPECT_GT(window_pixels::countOf(0, counterArea), 50) << "black text";
}

// Every sum of up to 64 samples divided by 1 to 64 as plain truncating
// division would, then clamped.
TEST(MixKernels, ScaleExactlyAsTruncatingDivision)
{
    std::vector<std::int32_t> sums;
    for (std::int32_t x = -70000; x <= 70000; ++x) sums.push_back(x);
    for (std::int32_t j = 0; j < 2000; ++j) {
        sums.push_back(maxKernelSamples * 32768 - j);
        sums.push_back(-maxKernelSamples * 32768 + j);
    }
    const int count = static_cast<int>(sums.size());
    std::vector<std::int16_t> sample(count);
    for (int i = 0; i < count; ++i) sample[i] = static_cast<std::int16_t>(i * 7919 % 65536 - 32768);

    for (int divisor = 1; divisor <= maxKernelDivisor; ++divisor) {
        std::vector<std::int32_t> accumulator(count);
        for (int i = 0; i < count; ++i) accumulator[i] = sums[i] - sample[i];
        std::vector<std::int16_t> output(count);
        addAndScale(accumulator.data(), output.data(), sample.data(), count, divisor);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(accumulator[i], sums[i]);
            ASSERT_EQ(output[i], std::clamp(sums[i] / divisor, -32768, 32767)) << sums[i] << " / " << divisor;
        }
        subtractAndScale(accumulator.data(), output.data(), sample.data(), count, divisor);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(output[i], std::clamp((sums[i] - sample[i]) / divisor, -32768, 32767))
                << sums[i] - sample[i] << " / " << divisor;
    }
}

TEST_F(VoiceMixer, ADemoOrganPipeIsHeardFromByte160ToByte99999OfItsFile)
{
    const fs::path file = fs::path(VELMARA_DEMO_DIR) / "BRIMWELL" / "Montre 8" / "036-C.wav";
    std::int32_t size = 0;
    organBank.sampleData[0][0] = loadWaveImage(file.c_str(), size);
    organBank.sampleSize[0][0] = size;
    ASSERT_GE(size, 100000);

    keyDown(0, 0, 0);
    playMix();
    headless::advanceAudioClock(600);
    const std::vector<std::int16_t> heard = headless::recordedAudio();
    const std::vector<std::uint8_t> bytes = fixtures::readFile(file);
    ASSERT_EQ(heard.size(), 2u * 26460);
    for (int i = 0; i < windowEntries; ++i)
        ASSERT_EQ(heard[i], static_cast<std::int16_t>(bytes[160 + 2 * i] | bytes[161 + 2 * i] << 8)) << i;
    EXPECT_TRUE(std::all_of(heard.begin() + windowEntries, heard.end(), [](std::int16_t s) { return s == 0; }));
    EXPECT_EQ(waveDone.load(), 1);
}

}  // namespace
