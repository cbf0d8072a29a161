// velmara-import as a user runs it: recordings as they come (48 kHz 24-bit
// mono FLAC after silence or hiss, 96 kHz float WAV louder than full scale,
// sparse WavPack behind .wav names, a file too short), imported once, then
// loaded by the bank and played through the mixer; and every refusal leaving
// BRIMWELL_DIR as it was.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "bank/organ_bank.h"
#include "import_support.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "stops/stop_knob.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using fixtures::OrganDirectory;
using importtest::Outcome;
using importtest::runImport;
using importtest::snapshot;
using importtest::tone;
using importtest::writeSndfile;
using importtest::writeWavpack;

constexpr std::size_t firstHeardFrame = 29, framesPerFile = 24989;

// Frame f of a loaded sample, left channel.
double left(int stop, int key, std::size_t frame) { return organBank.sampleData[stop][key][22 + 2 * frame]; }

// The key's fundamental, from its file's left channel.
double measuredFrequency(int stop, int key)
{
    std::vector<double> sound(framesPerFile);
    for (std::size_t frame = 0; frame < framesPerFile; ++frame) sound[frame] = left(stop, key, frame);
    return importtest::measuredFrequency(sound);
}

double peakOf(int stop, int key, std::size_t first, std::size_t count)
{
    double peak = 0;
    for (std::size_t f = first; f < first + count; ++f) peak = std::max(peak, std::abs(left(stop, key, f)));
    return peak;
}

int stopNamed(const char* name)
{
    for (int stop = 0; stop < organBank.stopCount; ++stop)
        if (std::strcmp(organBank.stops[stop].name, name) == 0) return stop;
    return -1;
}

class ImportedOrgan : public testing::Test {
protected:
    // The recordings are 0.5 cent sharp of equal temperament, a tuning of
    // their own that filled keys keep.
    static double recorded(int midiNote) { return importtest::noteFrequency(midiNote + 0.005); }

    static void SetUpTestSuite()
    {
        organ = new OrganDirectory;
        const fs::path sources = organ->root / "recordings";
        for (const char* stop : {"Flute", "Reed", "Gamba"}) fs::create_directories(sources / stop);
        const int flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_24, floatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        writeSndfile(sources / "Flute" / "048.flac", flac, 48000, 1, tone(48000, 1, recorded(48), 0.3, 0.35, 2, 0));
        writeSndfile(sources / "Flute" / "C4.flac", flac, 48000, 1, tone(48000, 1, recorded(60), 0.3, 0.35, 2, 0));
        writeSndfile(sources / "Flute" / "072-C.flac", flac, 48000, 1,
                     tone(48000, 1, recorded(72), 0.3, 0.5, 2, 3e-4f));
        writeSndfile(sources / "Flute" / "084.flac", flac, 48000, 1, tone(48000, 1, recorded(84), 0.3, 0.35, 2, 0));
        writeSndfile(sources / "Reed" / "F#1.wav", floatWav, 96000, 2, tone(96000, 2, recorded(30), 1.5, 0.2, 2, 0));
        writeSndfile(sources / "Reed" / "c4.wav", floatWav, 96000, 2, tone(96000, 2, recorded(60), 1.2, 0.2, 2, 0));
        writeSndfile(sources / "Reed" / "C6.wav", floatWav, 96000, 2, tone(96000, 2, recorded(84), 1.2, 0.2, 2, 0));
        writeWavpack(sources / "Gamba" / "036-C.wav", 44100, tone(44100, 2, recorded(36), 0.4, 0.1, 4, 0));
        writeWavpack(sources / "Gamba" / "96.wav", 44100, tone(44100, 2, recorded(96), 0.4, 0.1, 0.25, 0));
        fixtures::writeFile(sources / "Gamba" / "README.txt", {'h', 'i'});
        outcome = runImport({"--into", organ->brimwell.string(), (sources / "Flute").string(),
                             (sources / "Reed").string(), (sources / "Gamba").string()});
    }

    static void TearDownTestSuite() { delete organ; }

    void SetUp() override
    {
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        loadOrgan("..\\BRIMWELL\\Imported.org");
        ASSERT_EQ(organBank.stopCount, 3);
    }

    static OrganDirectory* organ;
    static Outcome outcome;
};

OrganDirectory* ImportedOrgan::organ = nullptr;
Outcome ImportedOrgan::outcome;

TEST_F(ImportedOrgan, WritesTheDefinitionTheSamplesAndThePicturesAndListsWhatItLeftOut)
{
    const std::vector<std::uint8_t> definition = fixtures::readFile(organ->brimwell / "Imported.org");
    EXPECT_EQ(std::string(definition.begin(), definition.end()), "Flute\r\nReed\r\nGamba\r\nEND\r\n");
    const std::vector<std::uint8_t> header =
        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{}; });
    for (const char* stop : {"Flute", "Reed", "Gamba"}) {
        for (const std::string& file : fixtures::sampleFileNames()) {
            const std::vector<std::uint8_t> bytes = fixtures::readFile(organ->brimwell / stop / file);
            ASSERT_EQ(bytes.size(), minSampleBytes) << stop << "/" << file;
            ASSERT_TRUE(std::equal(header.begin(), header.begin() + 44, bytes.begin())) << stop << "/" << file;
        }
    }
    EXPECT_EQ(fixtures::readFile(organ->brimwell / "boutons" / "on.bmp"), stopKnobBitmap(true));
    EXPECT_EQ(fixtures::readFile(organ->brimwell / "boutons" / "of.bmp"), stopKnobBitmap(false));
    EXPECT_NE(outcome.err.find("README.txt: its name gives no note"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("96.wav: the recording ends before"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.out.find("Gamba: 2 recordings, farthest shift +30 semitones (066-F#.wav from 036-C.wav)"),
              std::string::npos)
        << outcome.out;
}

TEST_F(ImportedOrgan, FilledKeysKeepTheRecordingsOwnPitchWithinTwoCents)
{
    struct Filled {
        const char* stop;
        int midiNote;
        int sourceNote;
    };
    for (const Filled& key : {Filled{"Flute", 64, 60}, Filled{"Flute", 96, 84}, Filled{"Flute", 36, 48},
                              Filled{"Reed", 36, 30}, Filled{"Reed", 44, 60}, Filled{"Gamba", 66, 36}}) {
        const double expected = recorded(key.sourceNote) * std::exp2((key.midiNote - key.sourceNote) / 12.0);
        const double measured = measuredFrequency(stopNamed(key.stop), key.midiNote - firstMidiNote);
        EXPECT_LT(std::abs(1200 * std::log2(measured / expected)), 2.0) << key.stop << " note " << key.midiNote;
    }
}

TEST_F(ImportedOrgan, SpeechStartsOneToTwoMillisecondsIntoThePlayWindowAndTheEndFades)
{
    constexpr std::size_t ms = 44;  // frames, near enough
    constexpr int gambaFromItsShortRecording = 67 - firstMidiNote;
    for (int stop = 0; stop < 3; ++stop) {
        for (int key = 0; key < keyCount; ++key) {
            const double peak = peakOf(stop, key, 0, framesPerFile);
            std::size_t speech = 0;
            while (std::abs(left(stop, key, speech)) < peak / 10) ++speech;
            EXPECT_GE(speech, firstHeardFrame + ms) << organBank.stops[stop].name << " key " << key;
            EXPECT_LE(speech, firstHeardFrame + 2 * ms + 1) << organBank.stops[stop].name << " key " << key;
            if (organBank.stops[stop].name == std::string("Gamba") && key >= gambaFromItsShortRecording) continue;
            const double full = peakOf(stop, key, framesPerFile - 140 * ms, 20 * ms);
            EXPECT_NEAR(peakOf(stop, key, framesPerFile - 40 * ms, 20 * ms), full, 0.05 * full) << "key " << key;
            EXPECT_LT(peakOf(stop, key, framesPerFile - ms, ms), 0.05 * full) << "key " << key;
            EXPECT_EQ(left(stop, key, framesPerFile - 1), 0);
        }
    }
    const int gamba = stopNamed("Gamba"), top = keyCount - 1;
    EXPECT_GT(peakOf(gamba, top, 100 * ms, 10 * ms), 1000);
    EXPECT_EQ(peakOf(gamba, top, 270 * ms, framesPerFile - 270 * ms), 0);
}

TEST_F(ImportedOrgan, EveryChordOfOneToEightNotesOfTheLoudestStopStaysWithin16BitsInTheMixer)
{
    const int reed = stopNamed("Reed");
    std::vector<std::pair<int, int>> peaks;  // peak, key
    for (int key = 0; key < keyCount; ++key) {
        const std::int16_t* entries = organBank.sampleData[reed][key].get();
        const auto [low, high] = std::minmax_element(entries + playWindowStart, entries + playWindowEnd);
        peaks.emplace_back(std::max(-*low, +*high), key);
    }
    std::sort(peaks.rbegin(), peaks.rend());
    const int sevenNoteLimit = 32767 * 2 / 7;  // seven notes are halved: the loudest chord
    EXPECT_LE(peaks[0].first, sevenNoteLimit);
    EXPECT_GE(peaks[0].first, 0.9 * sevenNoteLimit) << "the gain leaves the organ needlessly quiet";

    openWaveOutput();
    prepareMix();
    polyphony = 0;
    for (int notes = 1; notes <= 8; ++notes) {
        int peakSum = 0;
        for (int i = 0; i < notes; ++i) peakSum += peaks[static_cast<std::size_t>(i)].first;
        EXPECT_LE(peakSum / polyphonyDivisor[notes], 32767) << notes << " notes whose peaks meet";
        keyDown(reed, peaks[static_cast<std::size_t>(notes - 1)].second, 0);
        for (std::int32_t i = playWindowStart; i < playWindowEnd; ++i) {
            const std::int32_t sum = mixAccumulator[static_cast<std::size_t>(i)];
            ASSERT_LE(std::abs(sum / polyphonyDivisor[notes]), 32767) << notes << " notes, entry " << i;
            ASSERT_EQ(mixOutput[static_cast<std::size_t>(i)], sum / polyphonyDivisor[notes]);
        }
    }
    for (int i = 0; i < 8; ++i) keyUp(reed, peaks[static_cast<std::size_t>(i)].second);
}

TEST(ImportRefusals, LeaveBrimwellAndTheDefinitionAsTheyWere)
{
    OrganDirectory organ;
    const fs::path sources = organ.root / "recordings";
    for (const char* stop : {"Good", "Broken", "Old"}) {
        fs::create_directories(sources / stop);
        writeSndfile(sources / stop / "060.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                     tone(44100, 1, 261.6, 0.3, 0, 1, 0));
    }
    fixtures::writeFile(sources / "Broken" / "062.wav", {'R', 'I', 'F', 'F', 0, 1, 2, 3, 'W', 'A', 'V', 'E'});
    fixtures::writeFile(organ.brimwell / "Imported.org", {'O', 'l', 'd', '\r', '\n', 'E', 'N', 'D', '\r', '\n'});
    fixtures::writeStop(organ, "Old",
                        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; }));
    fixtures::writeFile(organ.brimwell / "boutons", {'x'});  // a file where the pictures' folder belongs
    const auto before = snapshot(organ.brimwell);
    const std::string into = organ.brimwell.string(), good = (sources / "Good").string();

    struct Refusal {
        std::vector<std::string> arguments;
        std::string says;
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {{good, (sources / "Broken").string()}, "Broken/062.wav: not a sound file"},
             {{(sources / "Old").string()}, "the stop exists; --replace replaces it"},
             {{"--name", "END", good}, "END ends the organ definition"},
             {{"--name", " Montre", good}, "begins or ends with a space"},
             {{"--name", "Montre.", good}, "ends with a dot"},
             {{"--name", "Montre/8", good}, "it holds '/'"},
             {{"--name", "\xCE\xA0\xCE\xB1", good}, "not UTF-8 text that Windows-1252 can write"},
             {{"--name", std::string(32, 'M'), good}, "it is 32 bytes"},
             {{"--name", "Boutons", good}, "folder of the button pictures"},
             {{"--name", "com1", good}, "device on Windows"},
             {{good}, "boutons: cannot be made"},
         }) {
        std::vector<std::string> arguments{"--into", into};
        arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());
        const Outcome outcome = runImport(arguments);
        EXPECT_EQ(outcome.status, 3) << refusal.says;
        EXPECT_NE(outcome.err.find(refusal.says), std::string::npos) << outcome.err;
        EXPECT_EQ(snapshot(organ.brimwell), before) << refusal.says;
    }

    fs::remove(organ.brimwell / "boutons");
    ASSERT_EQ(runImport({"--into", into, "--replace", (sources / "Old").string()}).status, 0);
    EXPECT_EQ(fixtures::readFile(organ.brimwell / "Imported.org"),
              before.at((organ.brimwell / "Imported.org").string()));
    EXPECT_NE(fixtures::readFile(organ.brimwell / "Old" / "060-C.wav"),
              before.at((organ.brimwell / "Old" / "060-C.wav").string()));
    EXPECT_EQ(std::count_if(fs::directory_iterator(organ.brimwell), fs::directory_iterator(),
                            [](const auto&) { return true; }),
              3)
        << "Old, boutons and the definition: no staging folder left";

    fixtures::writeFile(organ.root / "Hand.org", {'A', '\r', '\n', 'B'});
    ASSERT_EQ(runImport({"--into", into, "--organ", (organ.root / "Hand.org").string(), "--name", "Voix c\xC3\xA9leste",
                         good})
                  .status,
              0);
    const std::vector<std::uint8_t> hand = fixtures::readFile(organ.root / "Hand.org");
    EXPECT_EQ(std::string(hand.begin(), hand.end()), "A\r\nB\r\nVoix c\xE9leste\r\nEND\r\n");
    EXPECT_TRUE(fs::is_directory(organ.brimwell / "Voix c\xC3\xA9leste"));
}

}  // namespace
