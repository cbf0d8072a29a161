// velmara-import on every core: the same bytes on one worker as on several,
// a part already at the organ's rate and pitch kept sample for sample,
// progress a log can read, and the powers and cosines that shape every
// sample computed the same on every platform.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "bank/organ_bank.h"
#include "import_support.h"
#include "programs/import/render/exact_math.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using fixtures::OrganDirectory;
using importtest::Outcome;
using importtest::runImport;
using importtest::tone;
using importtest::writeSndfile;

constexpr std::size_t framesPerFile = 24989, fadeFrames = 662, headerBytes = 44;

// A stop folder of recordings every seventh note from C2 at the rate, the
// tone after a lead of silence.
fs::path recordingsAt(const fs::path& folder, int rate, int format)
{
    fs::create_directories(folder);
    for (int note = 36; note <= 96; note += 7)
        writeSndfile(folder / (std::to_string(note) + ".wav"), format, rate, 2,
                     tone(rate, 2, importtest::noteFrequency(note), 0.3, 0.2, 1.2, 0));
    return folder;
}

TEST(ImportWorkers, WriteTheSameBytesOnOneWorkerAsOnSeveral)
{
    OrganDirectory organ;
    const std::string copied = recordingsAt(organ.root / "Montre", 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16).string();
    const std::string converted = recordingsAt(organ.root / "Flute", 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_24).string();
    std::map<std::string, std::vector<std::uint8_t>> first;
    for (const char* workers : {"1", "2", "5"}) {
        fs::remove_all(organ.brimwell);
        const Outcome run =
            runImport({"--into", organ.brimwell.string(), copied, converted, "--registration", "Plenum=Montre+Flute"},
                      {std::string("VELMARA_IMPORT_WORKERS=") + workers});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto files = importtest::snapshot(organ.brimwell);
        ASSERT_GE(files.size(), 3u * 61) << "three stops of 61 keys";
        if (first.empty())
            first = files;
        else
            EXPECT_TRUE(files == first) << "on " << workers << " workers";
    }
}

// The 16-bit values of the left channel of a mono or stereo file.
std::vector<std::int16_t> leftOf(const std::vector<std::uint8_t>& bytes, std::size_t from, int channels)
{
    std::vector<std::int16_t> left;
    for (std::size_t at = from; at + 2 <= bytes.size(); at += 2 * static_cast<std::size_t>(channels))
        left.push_back(static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)));
    return left;
}

TEST(ImportCopy, APartAtTheOrgansRateAndPitchKeepsTheRecordingsSamples)
{
    OrganDirectory organ;
    const fs::path folder = organ.root / "Montre";
    fs::create_directories(folder);
    // A tone and, once it sounds, a partial at half the rate that any converter's filter takes out.
    std::vector<float> recording = tone(44100, 1, 261.6, 0.3, 0.2, 1.2, 0);
    for (std::size_t i = 0; i < recording.size(); ++i)
        if (recording[i] != 0) recording[i] += i % 2 == 0 ? 0.05f : -0.05f;
    writeSndfile(folder / "060.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, recording);
    const Outcome run = runImport({"--into", organ.brimwell.string(), "--gain", "0", folder.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    const std::vector<std::int16_t> recorded = leftOf(fixtures::readFile(folder / "060.wav"), headerBytes, 1);
    const std::vector<std::int16_t> heard =
        leftOf(fixtures::readFile(organ.brimwell / "Montre" / sampleFileName(24)), headerBytes, 2);
    ASSERT_GE(heard.size(), framesPerFile);
    const std::size_t unfaded = framesPerFile - fadeFrames;
    bool found = false;
    for (std::size_t offset = 0; !found && offset + unfaded <= recorded.size(); ++offset)
        found = std::equal(heard.begin(), heard.begin() + unfaded, recorded.begin() + offset);
    EXPECT_TRUE(found) << "the key's window is the recording's own samples up to the fade";
}

TEST(ImportProgress, ALogGetsALineAtEveryTenthOfTheWay)
{
    OrganDirectory organ;
    const std::string montre = recordingsAt(organ.root / "Montre", 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16).string();
    const Outcome run = runImport({"--into", organ.brimwell.string(), montre});
    ASSERT_EQ(run.status, 0) << run.err;
    const int files = 9 + 2 * 61;  // recordings decoded, keys made, key files written
    for (int tenth = 1; tenth <= 10; ++tenth) {
        const std::string line = "velmara-import: " + std::to_string(10 * tenth) + "% done, " +
                                 std::to_string((files * tenth + 9) / 10) + " of " + std::to_string(files) + " files\n";
        EXPECT_NE(run.err.find(line), std::string::npos) << line << "in:\n" << run.err;
    }
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "no bar is drawn into a log";
}

TEST(ExactMath, PowersOfTwoAndCosinesMatchTheLibrariesToTheLastBitOrTwo)
{
    for (double x : {0.0, 1.0, 3.0, -2.0, 1.0 / 6, -1.0 / 3, 0.5, 0.99, -7.25, 12.9, -0.0001}) {
        const double expected = std::exp2(x);
        EXPECT_NEAR(organ_import::exactPowerOfTwo(x), expected, 4.5e-16 * expected) << "2^" << x;
    }
    for (double t : {0.0, 0.1, 0.25, 1.0 / 3, 0.5, 0.6, 0.75, 0.999, 1.0})
        EXPECT_NEAR(organ_import::exactCosineOfPiTimes(t), std::cos(std::numbers::pi * t), 4.5e-16) << "cos pi " << t;
}

TEST(ExactMath, WholePowersOfTwoAreExactSoThatNoShiftIsARatioOfOne)
{
    for (int n : {0, 1, 8, -3}) EXPECT_EQ(organ_import::exactPowerOfTwo(n), std::ldexp(1.0, n)) << "2^" << n;
}

}  // namespace
