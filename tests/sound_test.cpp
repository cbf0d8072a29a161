// The voice mixer's arithmetic and release bookkeeping, and the wave output's
// flow on the headless virtual-clock device. Exit codes are compared as a
// POSIX status keeps them, in their low 8 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bank/organ_bank.h"
#include "platform/audio.h"
#include "platform/headless/audio_headless.h"
#include "platform/process.h"
#include "sound/mix_kernels.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "support/fixtures.h"
#include "window_pixels.h"

namespace {

namespace headless = platform::headless;

// The device reports from a thread of its own: a death test starts a fresh
// process rather than forking this one.
void useFreshProcessesForDeathTests() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

constexpr std::size_t frameOf(std::size_t entry) { return entry / 2; }

// Puts a sample of the given size in bytes into a slot; entry i is value(i)
// within the file image and zero in the buffer's second half.
template <typename Value>
void installSample(int stop, int key, Value value, std::int32_t bytes = 100000)
{
    SampleBuffer buffer = newSampleBuffer(static_cast<std::size_t>(bytes));
    for (std::int32_t i = 0; i < bytes / 2; ++i) buffer[static_cast<std::size_t>(i)] = value(i);
    organBank.sampleData[stop][key] = std::move(buffer);
    organBank.sampleSize[stop][key] = bytes;
}

std::int16_t constant(std::int16_t v, std::int32_t) { return v; }

class Mixer : public testing::Test {
protected:
    void SetUp() override
    {
        useFreshProcessesForDeathTests();
        headless::resetHeadlessAudio();
        openWaveOutput();
        for (int key = 0; key < keyCount; ++key) {
            installSample(0, key, [key](std::int32_t i) { return static_cast<std::int16_t>((i % 7 - 3) * (key + 1)); });
            installSample(1, key, [](std::int32_t i) { return static_cast<std::int16_t>(i % 5); });
        }
        prepareMix();
    }

    void TearDown() override
    {
        for (int key = 0; key < keyCount; ++key) keyUp(0, key);
        for (auto& stop : organBank.sampleData)
            for (auto& slot : stop) slot.reset();
        for (auto& stop : organBank.sampleSize)
            for (auto& size : stop) size = 0;
    }

    static std::int16_t sample(int stop, int key, std::int32_t i) { return organBank.sampleData[stop][key][static_cast<std::size_t>(i)]; }
};

TEST(PolyphonyDivisor, IsTheTruncatedLogarithmPlusOne)
{
    fillPolyphonyDivisor();
    for (int n = 1; n <= 31; ++n) {
        const int expected = n <= 2 ? 1 : n <= 7 ? 2 : n <= 20 ? 3 : 4;
        EXPECT_EQ(polyphonyDivisor[n], expected) << "voices " << n;
    }
}

TEST_F(Mixer, OneKeyIsItsSampleAndTwoKeysAreTheirSum)
{
    keyDown(0, 5, 0);
    EXPECT_EQ(polyphony, 1);
    for (std::int32_t i : {0, 1, 80, 12345, playWindowEnd - 1}) EXPECT_EQ(mixOutput[i], sample(0, 5, i));

    keyDown(0, 9, 0);
    EXPECT_EQ(polyphony, 2);
    for (std::int32_t i : {0, 3, 80, playWindowEnd - 1}) EXPECT_EQ(mixOutput[i], sample(0, 5, i) + sample(0, 9, i));
}

TEST_F(Mixer, ThreeKeysAreDividedByTwoTruncatingTowardZero)
{
    installSample(0, 1, [](std::int32_t) { return std::int16_t{-1}; });
    installSample(0, 2, [](std::int32_t) { return std::int16_t{-1}; });
    installSample(0, 3, [](std::int32_t) { return std::int16_t{-1}; });
    keyDown(0, 1, 0);
    keyDown(0, 2, 0);
    keyDown(0, 3, 0);
    EXPECT_EQ(mixOutput[100], -1) << "-3 / 2";
    EXPECT_EQ(mixAccumulator[100], -3);
}

TEST_F(Mixer, LoudChordsAreClampedNotWrapped)
{
    installSample(0, 1, [](std::int32_t i) { return std::int16_t(i % 2 ? -30000 : 30000); });
    installSample(0, 2, [](std::int32_t i) { return std::int16_t(i % 2 ? -30000 : 30000); });
    keyDown(0, 1, 0);
    keyDown(0, 2, 0);
    EXPECT_EQ(mixOutput[100], 32767);
    EXPECT_EQ(mixOutput[101], -32768);
    EXPECT_EQ(mixAccumulator[100], 60000);
}

TEST_F(Mixer, ReleaseDividesTheRestByTheRemainingCount)
{
    installSample(0, 1, std::bind_front(constant, 100));
    installSample(0, 2, std::bind_front(constant, 201));
    installSample(0, 3, std::bind_front(constant, 1000));
    keyDown(0, 1, 0);
    keyDown(0, 2, 0);
    keyDown(0, 3, 0);
    EXPECT_EQ(mixOutput[500], 1301 / 2);

    keyUp(0, 3);
    EXPECT_EQ(polyphony, 2);
    EXPECT_EQ(mixOutput[500], 301 / 2) << "divided by the two that remain, not by the table's 1";
}

TEST_F(Mixer, LastReleaseStopsTheDeviceAndClearsTheAccumulatorOnly)
{
    keyDown(0, 7, 0);
    playMix();
    ASSERT_EQ(waveDone.load(), 0);
    const std::int16_t lastOutput = mixOutput[1000];

    keyUp(0, 7);
    EXPECT_EQ(polyphony, 0);
    EXPECT_EQ(waveDone.load(), 1) << "stopped at once";
    EXPECT_EQ(mixAccumulator[1000], 0);
    EXPECT_EQ(mixOutput[1000], lastOutput) << "the output keeps the last mix";
}

TEST_F(Mixer, KeysPastThirtyOneVoicesAreCountedButNotMixed)
{
    for (int key = 0; key < 31; ++key) installSample(0, key, std::bind_front(constant, 4));
    installSample(0, 31, std::bind_front(constant, 1000));
    for (int key = 0; key < 31; ++key) keyDown(0, key, 0);
    EXPECT_EQ(mixOutput[200], 124 / 4) << "the 31st key is mixed with divisor 4";

    keyDown(0, 31, 0);
    EXPECT_EQ(polyphony, 32);
    EXPECT_EQ(mixAccumulator[200], 124) << "the 32nd is not mixed";
    EXPECT_EQ(mixOutput[200], 31);

    keyUp(0, 31);
    EXPECT_EQ(polyphony, 31);
    EXPECT_EQ(mixAccumulator[200], 124) << "and its release subtracts nothing";
}

TEST_F(Mixer, ReleaseUnderAnotherStopSubtractsWhatThePressAdded)
{
    keyDown(0, 10, 0);
    keyDown(0, 11, 0);
    keyUp(1, 10);
    for (std::int32_t i : {0, 81, 40000}) {
        EXPECT_EQ(mixAccumulator[i], sample(0, 11, i));
        EXPECT_EQ(mixOutput[i], sample(0, 11, i));
    }
}

TEST_F(Mixer, AfterANewOrganHeldKeysOnlyLowerTheCount)
{
    keyDown(0, 1, 0);
    keyDown(0, 2, 0);
    prepareMix();
    EXPECT_EQ(mixAccumulator[300], 0);

    keyDown(0, 3, 0);
    EXPECT_EQ(mixOutput[300], sample(0, 3, 300) / 2) << "divisor of the old count plus one";
    keyUp(0, 1);
    keyUp(0, 2);
    EXPECT_EQ(polyphony, 1);
    EXPECT_EQ(mixAccumulator[300], sample(0, 3, 300)) << "releases after the new organ subtract nothing";
}

TEST_F(Mixer, KeyOnAnEmptySlotIsIgnored)
{
    organBank.sampleData[0][20].reset();
    organBank.sampleSize[0][20] = 0;
    keyDown(0, 20, 0);
    EXPECT_EQ(polyphony, 0);
    keyUp(0, 20);
    EXPECT_EQ(polyphony, 0) << "a release of an ignored key lowers nothing";
}

TEST_F(Mixer, ShortSampleEndsTheProcessEvenPastThirtyOneVoices)
{
    installSample(0, 40, std::bind_front(constant, 1), 99998);
    for (int key = 0; key < 31; ++key) keyDown(0, key, 0);
    EXPECT_EXIT(keyDown(0, 40, 0), testing::ExitedWithCode(801 & 0xFF), "");

    installSample(0, 41, std::bind_front(constant, 1), 100000);
    keyDown(0, 41, 0);
    EXPECT_EQ(polyphony, 32) << "exactly 100,000 bytes is accepted";
}

// What the device played, frame by frame, against the play window of a mix.
void expectPlayed(const std::vector<std::int16_t>& recorded, std::size_t fromFrame, const std::int16_t* window,
                  std::size_t frames)
{
    ASSERT_GE(recorded.size(), (fromFrame + frames) * 2);
    for (std::size_t f = 0; f < frames * 2; ++f)
        ASSERT_EQ(recorded[fromFrame * 2 + f], window[f]) << "entry " << f;
}

TEST_F(Mixer, PlayWindowPlaysItsFramesOnceAndReportsDone)
{
    keyDown(0, 12, 0);
    playMix();
    headless::advanceAudioClock(565);
    EXPECT_EQ(waveDone.load(), 0) << "24,960 frames last 566 ms";
    headless::advanceAudioClock(2);
    EXPECT_EQ(waveDone.load(), 1);

    const std::vector<std::int16_t> recorded = headless::recordedAudio();
    expectPlayed(recorded, 0, &mixOutput[playWindowStart], 24960);
    EXPECT_EQ(recorded[24960 * 2], 0) << "silence after the window";
    EXPECT_EQ(frameOf(playWindowBytes / 2), 24960u);
}

TEST_F(Mixer, SubmittingWhilePlayingCutsOffAndStartsOver)
{
    keyDown(0, 12, 0);
    playMix();
    headless::advanceAudioClock(100);
    const std::int64_t cut = headless::audioClockFrames();
    keyDown(0, 13, 0);
    playMix();
    EXPECT_EQ(waveDone.load(), 0);
    headless::advanceAudioClock(600);

    const std::vector<std::int16_t> recorded = headless::recordedAudio();
    expectPlayed(recorded, static_cast<std::size_t>(cut), &playBuffer[playWindowStart], 24960);
    EXPECT_EQ(waveDone.load(), 1);
}

// Passes of the reading device below through the block it was given.
std::atomic<int> blockReads{0};

// A device that reads the block it was given from a thread of its own, as
// JACK's process thread and winmm's do, until the process ends; returns once
// it has read the block through.
void readThePlayingBlockUntilTheEnd()
{
    std::thread([] {
        for (;;) {
            const auto* bytes = static_cast<const volatile std::uint8_t*>(waveHeader.data);
            for (std::uint32_t i = 0; i < waveHeader.bufferLength; ++i) (void)bytes[i];
            ++blockReads;
        }
    }).detach();
    while (blockReads.load() == 0) std::this_thread::yield();
}

// This file comes first on the link line, so its globals are set up before
// the system's and destroyed after them: at a normal exit this runs once the
// system's globals are gone and lets the reading device go through the block
// once more.
struct ExitLetsTheDeviceReadOnceMore {
    ~ExitLetsTheDeviceReadOnceMore()
    {
        const int seen = blockReads.load();
        if (seen == 0) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (blockReads.load() < seen + 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    }
} exitLetsTheDeviceReadOnceMore;

TEST_F(Mixer, ANormalExitWhileABlockPlaysReleasesNothingTheDeviceReads)
{
    keyDown(0, 12, 0);
    playMix();
    EXPECT_EXIT((readThePlayingBlockUntilTheEnd(), platform::exitNormally(platform::exitSampleRefused)),
                testing::ExitedWithCode(801 & 0xFF), "");
}

TEST_F(Mixer, StoppingAnIdleDeviceChangesNothing)
{
    stopWaveOutput();
    EXPECT_EQ(waveDone.load(), 1);
    headless::advanceAudioClock(10);
    const std::vector<std::int16_t> recorded = headless::recordedAudio();
    EXPECT_EQ(recorded, std::vector<std::int16_t>(recorded.size(), 0));
}

TEST_F(Mixer, FirstSubmitOfANeverPreparedHeaderPlays)
{
    const std::vector<std::int16_t> block(400, 9);
    submitWave(block.data(), 800);
    headless::advanceAudioClock(10);
    EXPECT_EQ(waveDone.load(), 1);
    EXPECT_EQ(headless::recordedAudio()[399], 9);
}

TEST(WaveOutputFailures, EndTheProcessWithTheirCodes)
{
    useFreshProcessesForDeathTests();
    const std::vector<std::int16_t> block(4, 1);
    EXPECT_EXIT(
        {
            headless::resetHeadlessAudio();
            headless::failAudio(headless::AudioFailure::open);
            openWaveOutput();
        },
        testing::ExitedWithCode(1), "^unable to open WAVE_MAPPER device\n$");
    EXPECT_EXIT(
        {
            headless::resetHeadlessAudio();
            openWaveOutput();
            headless::failAudio(headless::AudioFailure::prepare);
            submitWave(block.data(), 8);
        },
        testing::ExitedWithCode(401 & 0xFF), "");
    EXPECT_EXIT(
        {
            headless::resetHeadlessAudio();
            openWaveOutput();
            headless::failAudio(headless::AudioFailure::write);
            submitWave(block.data(), 8);
        },
        testing::ExitedWithCode(402 & 0xFF), "");
}

TEST(MixerBeforeAnyOrgan, AKeyNeitherCountsNorPlaysNorEndsTheProcess)
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
        testing::ExitedWithCode(0), "");
}

// Logical (20, 100) is device (40, 160). On a fresh paint the text hangs
// from that point in font slot 0: 20-pixel cells, characters about 7 pixels
// wide, so "Polyphonie : 1" spans some 90 pixels and only its last
// character changes with the count.
TEST_F(Mixer, TheCounterShowsTheVoicesAtTwentyAHundred)
{
    using window_pixels::Box;
    const Box counterArea = {0, 120, 640, 260};
    Box inked[2] = {};
    const auto drawnBy = [&](auto draw, Box& ink) {
        window_pixels::freshPaint(15);
        draw();
        ink = window_pixels::boxOf(0, counterArea);
        std::vector<platform::Color> pixels;
        for (int y = counterArea.top; y < counterArea.bottom; ++y)
            for (int x = counterArea.left; x < counterArea.right; ++x) pixels.push_back(window_pixels::pixel(x, y));
        return pixels;
    };
    const auto pressed = drawnBy([] { keyDown(0, 8, 0); }, inked[0]);
    const auto released = drawnBy([] { keyUp(0, 8); }, inked[1]);

    for (const Box& ink : inked) {
        EXPECT_GE(ink.left, 40);
        EXPECT_LT(ink.left, 44);
        EXPECT_GE(ink.top, 160);
        EXPECT_LE(ink.bottom, 180);
        EXPECT_GT(ink.right - ink.left, 70);
        EXPECT_LT(ink.right - ink.left, 120);
    }
    int leftmostChange = counterArea.right;
    for (std::size_t i = 0; i < pressed.size(); ++i)
        if (pressed[i] != released[i]) leftmostChange = std::min(leftmostChange, static_cast<int>(i % 640));
    EXPECT_LT(leftmostChange, inked[0].right) << "the count changed";
    EXPECT_GT(leftmostChange, inked[0].right - 14) << "only the last character differs";
    drawingContext = nullptr;
}

std::atomic<int> doneReports{0};
std::atomic<std::thread::id> reportingThread;

void countDoneReport(std::uint32_t message)
{
    if (message != platform::waveMessageDone) return;
    reportingThread.store(std::this_thread::get_id());
    doneReports.fetch_add(1);
}

TEST(HeadlessWaveDevice, KeepsTheBlockRulesAndReportsFromItsOwnThread)
{
    headless::resetHeadlessAudio();
    const platform::WaveFormat stereo = {1, 2, 44100, 176400, 4, 16, 0};
    platform::WaveFormat mono = stereo;
    mono.channels = 1;
    platform::WaveDevice* device = nullptr;
    EXPECT_NE(platform::openWaveDevice(&device, mono, countDoneReport), 0);
    ASSERT_EQ(platform::openWaveDevice(&device, stereo, countDoneReport), 0);
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
    EXPECT_EQ(doneReports.load(), 2) << "reported before the reset returns";
    EXPECT_NE(reportingThread.load(), std::this_thread::get_id());
    platform::resetWaveDevice(device);
    EXPECT_EQ(doneReports.load(), 2) << "nothing was playing";
}

// Every kernel of the tables, against plain truncating division and a clamp,
// for sums of up to 61 samples.
TEST(MixKernels, EveryDivisorScalesAsTruncatingDivisionClamped)
{
    std::vector<std::int32_t> sums;
    for (std::int32_t x = -70000; x <= 70000; ++x) sums.push_back(x);
    for (std::int32_t j = 0; j < 1000; ++j) {
        sums.push_back(61 * 32768 - j);
        sums.push_back(-61 * 32768 + j);
    }
    const int length = static_cast<int>(sums.size());
    std::vector<std::int16_t> sample(sums.size());
    for (std::size_t i = 0; i < sample.size(); ++i) sample[i] = static_cast<std::int16_t>(i * 7919 % 65536 - 32768);
    const auto scaled = [](std::int32_t sum, int divisor) { return std::clamp(sum / divisor, -32768, 32767); };

    for (int divisor = 1; divisor <= maxKernelDivisor; ++divisor) {
        std::vector<std::int32_t> accumulator(sums.size());
        for (std::size_t i = 0; i < sums.size(); ++i) accumulator[i] = sums[i] - sample[i];
        std::vector<std::int16_t> output(sums.size());
        addAndScale(accumulator.data(), sample.data(), output.data(), length, divisor);
        for (std::size_t i = 0; i < sums.size(); ++i) {
            ASSERT_EQ(accumulator[i], sums[i]);
            ASSERT_EQ(output[i], scaled(sums[i], divisor)) << sums[i] << " / " << divisor;
        }
        subtractAndScale(accumulator.data(), sample.data(), output.data(), length, divisor);
        for (std::size_t i = 0; i < sums.size(); ++i)
            ASSERT_EQ(output[i], scaled(sums[i] - sample[i], divisor)) << sums[i] - sample[i] << " / " << divisor;
        scaleOnly(sums.data(), output.data(), length, divisor);
        for (std::size_t i = 0; i < sums.size(); ++i) ASSERT_EQ(output[i], scaled(sums[i], divisor));
    }
}

TEST_F(Mixer, ADemoOrganSampleIsHeardFromByte160To99999)
{
    const std::string path = std::string(VELMARA_DEMO_DIR) + "/BRIMWELL/Montre 8/060-C.wav";
    std::int32_t size = 0;
    organBank.sampleData[0][24] = loadWaveImage(path.c_str(), size);
    organBank.sampleSize[0][24] = size;
    ASSERT_GE(size, 100000);

    keyDown(0, 24, 0);
    playMix();
    headless::advanceAudioClock(600);

    const std::vector<std::uint8_t> file = fixtures::readFile(path);
    const std::vector<std::int16_t> recorded = headless::recordedAudio();
    for (std::size_t byte = 160; byte < 100000; byte += 2) {
        const auto expected = static_cast<std::int16_t>(file[byte] | file[byte + 1] << 8);
        ASSERT_EQ(recorded[(byte - 160) / 2], expected) << "byte " << byte;
    }
}

}  // namespace
