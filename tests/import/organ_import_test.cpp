// velmara-import on a whole organ as a user runs it: a small organ written
// at run time (its own pipes, a rank mixture, a pedal borrowing with REF, a
// DUMMY pipe, a treble stop tuned +100 cents, a stop at AmplitudeLevel 50,
// WavPack behind a .wav name, a one-pipe stop noise), imported from its
// .organ and from an .orgue package of it, loaded by the bank and heard
// through the mixer; and the refusals leaving BRIMWELL_DIR as it was.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>

#include "bank/organ_bank.h"
#include "import_support.h"
#include "platform/windows1252.h"
#include "programs/import/render/chord_level.h"
#include "programs/import/sources/organ_names.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "support/fixtures.h"
#include "test_organ.h"

namespace {

namespace fs = std::filesystem;
using fixtures::OrganDirectory;

using namespace testorgan;

// What the mixer sends for the key held alone: the play window's left
// channel, its first entry the file's frame 40.
std::vector<double> heard(int stop, int key)
{
    prepareMix();
    polyphony = 0;
    keyDown(stop, key, 0);
    std::vector<double> left;
    for (std::int32_t i = playWindowStart; i < playWindowEnd; i += 2) left.push_back(mixOutput[i]);
    keyUp(stop, key);
    return left;
}

// The amplitude of the sound's component at the frequency, over 0.1 s to
// 0.5 s, by a Hann-windowed transform at that one frequency.
double amplitudeAt(const std::vector<double>& sound, double frequency)
{
    std::complex<double> sum;
    const std::size_t first = 4410, count = 17640;
    for (std::size_t i = 0; i < count; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / count);
        sum += sound[first + i] * window *
               std::polar(1.0, -2 * std::numbers::pi * frequency * static_cast<double>(i) / 44100);
    }
    return 4 * std::abs(sum) / static_cast<double>(count);
}

int stopNamed(const std::string& utf8Name)
{
    for (int stop = 0; stop < organBank.stopCount; ++stop)
        if (platform::textToUtf8(organBank.stops[stop].name) == utf8Name) return stop;
    ADD_FAILURE() << "no stop " << utf8Name;
    return 0;
}

double peakBetween(const std::vector<double>& sound, std::size_t first, std::size_t count)
{
    double peak = 0;
    for (std::size_t i = first; i < first + count; ++i) peak = std::max(peak, std::abs(sound[i]));
    return peak;
}

bool isSilent(const std::vector<double>& sound)
{
    return std::all_of(sound.begin(), sound.end(), [](double value) { return value == 0; });
}

double decibels(double ratio) { return 20 * std::log10(ratio); }

class WholeOrgan : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        organ = new OrganDirectory;
        source = organ->root / "Test organ";
        writeTestOrgan(source, testOrganDefinition());
        outcome = importtest::runImport({"--into", organ->brimwell.string(), "--gain", std::to_string(runGainDecibels),
                                         (source / "Test.organ").string()});
    }

    static void TearDownTestSuite() { delete organ; }

    void SetUp() override
    {
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        loadOrgan("..\\BRIMWELL\\\xC9glise d essai.org");
        ASSERT_EQ(organBank.stopCount, 5);
        openWaveOutput();
    }

    static OrganDirectory* organ;
    static fs::path source;
    static importtest::Outcome outcome;
};

OrganDirectory* WholeOrgan::organ = nullptr;
fs::path WholeOrgan::source;
importtest::Outcome WholeOrgan::outcome;

TEST_F(WholeOrgan, NamesItsStopsAndDefinitionAfterTheOrganAndListsWhatItLeftOut)
{
    for (const char* name : {pedalPrincipal, "Principal 8 GO", "Octave 4", "Mixture II", "Cornet"})
        EXPECT_NE(outcome.out.find(name), std::string::npos) << name << " in\n" << outcome.out;
    EXPECT_NE(outcome.out.find("Tremblant noise"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("Octave 4' -> Octave 4"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("Cornet: Cornet (Grand Orgue), 24 silent keys"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("(P\xC3\xA9"
                               "dale), 30 silent keys"),
              std::string::npos)
        << outcome.out;
}

TEST_F(WholeOrgan, EveryPipeSoundsAtItsTuningWithinTwoCentsUntilTheWindowsFade)
{
    constexpr std::size_t early = 4410, fade = 662, span = 1323;  // 0.1 s in, the last 15 ms, 30 ms
    struct Played {
        const char* stop;
        int firstKey, lastKey, soundingNote;  // key 0's note; each key a semitone up
    };
    for (const Played& played : {Played{"Principal 8 GO", 0, 60, 36}, Played{"Octave 4", 0, 60, 48},
                                 Played{"Cornet", cornetFirstKey, 60, 36}, Played{pedalPrincipal, 0, 31, 36}}) {
        const int stop = stopNamed(played.stop);
        for (int key = played.firstKey; key <= played.lastKey; key += 5) {
            if (key == dummyPipe - 1) continue;
            const double expected = recordedFrequency(played.soundingNote + key);
            const std::vector<double> sound = heard(stop, key);
            EXPECT_LT(std::abs(1200 * std::log2(importtest::measuredFrequency(sound) / expected)), 2.0)
                << played.stop << " key " << key;
            const double steady = peakBetween(sound, early, span);
            EXPECT_NEAR(peakBetween(sound, sound.size() - fade - span, span), steady, 0.1 * steady)
                << played.stop << " key " << key;
        }
    }
}

TEST_F(WholeOrgan, LevelsFollowTheAmplitudeLevelsAndGainsWithinHalfADecibel)
{
    const int principal = stopNamed("Principal 8 GO"), octave = stopNamed("Octave 4"),
              mixture = stopNamed("Mixture II");
    const double fullScaleFundamental = fundamentalShare * recordedPeak * 32767 * std::pow(10, runGainDecibels / 20);
    for (int key = 0; key < 49; key += 6) {
        if (key == dummyPipe - 1) continue;
        const double octaveFrequency = recordedFrequency(48 + key), twelfth = recordedFrequency(55 + key);
        const double principalLevel = amplitudeAt(heard(principal, key + 12), octaveFrequency);
        EXPECT_NEAR(decibels(principalLevel / fullScaleFundamental), 0, 0.5) << "key " << key;
        EXPECT_NEAR(decibels(amplitudeAt(heard(octave, key), octaveFrequency) / principalLevel), decibels(0.5), 0.5)
            << "key " << key;
        const std::vector<double> both = heard(mixture, key);
        EXPECT_NEAR(decibels(amplitudeAt(both, octaveFrequency) / principalLevel), 0, 0.5) << "key " << key;
        EXPECT_NEAR(decibels(amplitudeAt(both, twelfth) / principalLevel), mixtureTwelfthDecibels, 0.5)
            << "key " << key;
    }
}

TEST_F(WholeOrgan, IsSilentWhereTheOrganHasNoPipeAndThePedalBorrowsTheManualsPipes)
{
    const int principal = stopNamed("Principal 8 GO"), pedal = stopNamed(pedalPrincipal), cornet = stopNamed("Cornet");
    EXPECT_TRUE(isSilent(heard(principal, dummyPipe - 1)));
    EXPECT_TRUE(isSilent(heard(pedal, dummyPipe - 1))) << "a REF to a DUMMY is silent";
    for (int key = pedalKeys; key < keyCount; ++key) EXPECT_TRUE(isSilent(heard(pedal, key))) << "pedal key " << key;
    for (int key = 0; key < cornetFirstKey; ++key) EXPECT_TRUE(isSilent(heard(cornet, key))) << "cornet key " << key;
    const auto file = [&](int stop, int key) {
        return fixtures::readFile(organ->brimwell / platform::textToUtf8(organBank.stops[stop].name) /
                                  fixtures::sampleFileNames()[static_cast<std::size_t>(key)]);
    };
    for (int key = 0; key < pedalKeys; ++key) EXPECT_EQ(file(pedal, key), file(principal, key)) << "key " << key;
}

TEST_F(WholeOrgan, ItsPackageImportsTheSameSoundBesideAFolder)
{
    const fs::path package = organ->root / "Test.orgue", brimwell = organ->root / "FromPackage";
    importtest::writePackage(source, package);
    const fs::path flute = organ->root / "Flute";
    fs::create_directories(flute);
    fs::copy_file(source / "Pipes" / "r072.wav", flute / "072.wav");
    const importtest::Outcome packaged =
        importtest::runImport({"--into", brimwell.string(), "--gain", std::to_string(runGainDecibels), "--stop",
                               "Cornet", flute.string(), package.string()});
    ASSERT_EQ(packaged.status, 0) << packaged.err;
    const std::vector<std::uint8_t> definition = fixtures::readFile(brimwell / "\xC3\x89glise d essai.org");
    EXPECT_EQ(std::string(definition.begin(), definition.end()), "Flute\r\nCornet\r\nEND\r\n");
    for (const std::string& file : fixtures::sampleFileNames())
        EXPECT_EQ(fixtures::readFile(brimwell / "Cornet" / file), fixtures::readFile(organ->brimwell / "Cornet" / file))
            << file;
}

TEST_F(WholeOrgan, OneOfTwoStopsOfTheSameNameIsChosenAndWrittenByTheNameItGetsBesideTheOther)
{
    const fs::path brimwell = organ->root / "Chosen";
    const importtest::Outcome chosen =
        importtest::runImport({"--into", brimwell.string(), "--gain", std::to_string(runGainDecibels), "--stop",
                               "Principal 8 GO", (source / "Test.organ").string()});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    const std::vector<std::uint8_t> definition = fixtures::readFile(brimwell / "\xC3\x89glise d essai.org");
    EXPECT_EQ(std::string(definition.begin(), definition.end()), "Principal 8 GO\r\nEND\r\n");
    for (const std::string& file : fixtures::sampleFileNames())
        EXPECT_EQ(fixtures::readFile(brimwell / "Principal 8 GO" / file),
                  fixtures::readFile(organ->brimwell / "Principal 8 GO" / file))
            << file;
}

// The test organ with each of `edits` (a text and what replaces its first
// occurrence) made, written beside the others under the name.
fs::path editedOrgan(const fs::path& root, const std::string& name,
                     const std::vector<std::pair<std::string, std::string>>& edits)
{
    std::string definition = testOrganDefinition();
    for (const auto& [text, replacement] : edits) {
        const std::size_t at = definition.find(text);
        EXPECT_NE(at, std::string::npos) << text;
        if (at != std::string::npos) definition.replace(at, text.size(), replacement);
    }
    writeTestOrgan(root / name, definition);
    return root / name / "Test.organ";
}

std::string definitionText(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = fixtures::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(WholeOrgan, PitchCorrectionLeavesThePitchAndAWindchestGroupsTuningMovesIt)
{
    const fs::path organFile = editedOrgan(
        organ->root, "Corrected",
        {{"HasPedals=Y\r\n", "HasPedals=Y\r\nPitchCorrection=35\r\n"},
         {"AmplitudeLevel=50\r\n", "AmplitudeLevel=50\r\nPitchCorrection=-20\r\nPipe010PitchCorrection=50\r\n"},
         {"Name=Cornet\r\nPitchTuning=100\r\n", "Name=Cornet\r\nWindchestGroup=002\r\n"},
         {"[Stop005]", "[WindchestGroup002]\r\nPitchTuning=100\r\n[Stop005]"}});
    const fs::path brimwell = organ->root / "CorrectedStops";
    const importtest::Outcome corrected =
        importtest::runImport({"--into", brimwell.string(), "--gain", std::to_string(runGainDecibels), "--stop",
                               "Octave 4", "--stop", "Cornet", organFile.string()});
    ASSERT_EQ(corrected.status, 0) << corrected.err;
    for (const char* stop : {"Octave 4", "Cornet"})
        for (const std::string& file : fixtures::sampleFileNames())
            EXPECT_EQ(fixtures::readFile(brimwell / stop / file), fixtures::readFile(organ->brimwell / stop / file))
                << stop << " " << file;
}

TEST_F(WholeOrgan, EachStopNameChoosesFromTheOrgansThatHaveItAndANameNoneHasIsRefused)
{
    const fs::path trompette = editedOrgan(organ->root, "Trompette", {{"Name=Cornet", "Name=Trompette"}});
    const fs::path brimwell = organ->root / "TwoOrgans";
    const std::vector<std::string> organs{(source / "Test.organ").string(), trompette.string()};
    const auto run = [&](const std::vector<std::string>& stops) {
        std::vector<std::string> arguments{"--into", brimwell.string(), "--gain", std::to_string(runGainDecibels)};
        for (const std::string& stop : stops) arguments.insert(arguments.end(), {"--stop", stop});
        arguments.insert(arguments.end(), organs.begin(), organs.end());
        return importtest::runImport(arguments);
    };
    const importtest::Outcome refused = run({"Cornet", "Bourdon"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("no stop is called \"Bourdon\" in any of the organs"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(brimwell));
    const importtest::Outcome chosen = run({"Cornet", "Trompette"});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(definitionText(brimwell / "\xC3\x89glise d essai.org"), "Cornet\r\nTrompette\r\nEND\r\n");
    for (const std::string& file : fixtures::sampleFileNames())
        EXPECT_EQ(fixtures::readFile(brimwell / "Trompette" / file),
                  fixtures::readFile(organ->brimwell / "Cornet" / file))
            << file;
}

TEST_F(WholeOrgan, AStopSilentAtItsLevelIsLeftOutSayingWhy)
{
    const fs::path organFile = editedOrgan(organ->root, "Silenced", {{"AmplitudeLevel=50", "AmplitudeLevel=0"}});
    const fs::path brimwell = organ->root / "SilencedStops";
    const importtest::Outcome silenced = importtest::runImport(
        {"--into", brimwell.string(), "--stop", "Octave 4", "--stop", "Cornet", organFile.string()});
    ASSERT_EQ(silenced.status, 0) << silenced.err;
    EXPECT_NE(silenced.out.find("1 stops silent at an AmplitudeLevel of 0 (Octave 4')"), std::string::npos)
        << silenced.out;
    EXPECT_EQ(silenced.out.find("inf"), std::string::npos) << silenced.out;
    EXPECT_EQ(definitionText(brimwell / "\xC3\x89glise d essai.org"), "Cornet\r\nEND\r\n");
}

TEST(OrganStopNames, ASuffixThatDoesNotFitKeepsTheNamesStartAndNoSpaceAtEitherEnd)
{
    const std::string longManual(31, 'O'), otherLongManual = std::string(30, 'O') + "X";
    struct Namesakes {
        std::string stop, firstManual, secondManual;
        std::string start;  // each name begins with it
    };
    for (const Namesakes& namesakes : std::vector<Namesakes>{
             {"Principal 8", longManual, otherLongManual, "Principal 8 O"},
             {"Rohrflote 8 aus dem alten Werk", "Hauptwerk", "Schwellwerk", "Rohrflote 8 aus"},
             {"Bourdon 8'", "Grand Orgue", "Positif", "Bourdon 8 "},
         }) {
        std::vector<organ_import::StopNaming> stops{{namesakes.stop, namesakes.firstManual, "Stop 001", {}},
                                                    {namesakes.stop, namesakes.secondManual, "Stop 002", {}}};
        organ_import::nameStops(stops);
        EXPECT_NE(stops[0].name, stops[1].name) << namesakes.stop;
        for (const organ_import::StopNaming& named : stops) {
            EXPECT_TRUE(named.name.starts_with(namesakes.start)) << "\"" << named.name << "\"";
            EXPECT_LE(named.name.size(), 31U) << named.name;
            EXPECT_NE(named.name.back(), ' ') << named.name;
        }
    }
}

TEST(ChordLevel, APeakOfZeroOrNoFiniteNumberGetsAFiniteGain)
{
    fillPolyphonyDivisor();
    for (const float peak : {0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        const double gain = organ_import::chordSafeGain(peak);
        EXPECT_TRUE(std::isfinite(gain) && gain > 0) << peak << " gives " << gain;
    }
}

TEST(OrganImportRefusals, LeaveBrimwellAsItWasAndNameTheDefinitionsLine)
{
    OrganDirectory organ;
    std::string definition = testOrganDefinition();
    const std::size_t broken = definition.find("Pipes\\r072.wav", definition.find("[Stop004]"));
    definition.replace(broken, 14, "Pipes\\gone.wav");
    const std::size_t lineStart = definition.rfind('\n', broken) + 1;
    const std::string cited =
        "Test.organ:" +
        std::to_string(std::count(definition.begin(), definition.begin() + static_cast<std::ptrdiff_t>(broken), '\n') +
                       1) +
        ": " + definition.substr(lineStart, definition.find('\r', broken) - lineStart);
    writeTestOrgan(organ.root / "Missing", definition);
    writeTestOrgan(organ.root / "Unreadable", testOrganDefinition());
    std::string loud = testOrganDefinition();
    loud.replace(loud.find("Gain=-6"), 7, "Gain=900");
    writeTestOrgan(organ.root / "Loud", loud);
    std::string vast = testOrganDefinition();
    vast.replace(vast.find("NumberOfManuals=1"), 17, "NumberOfManuals=999999999");
    writeTestOrgan(organ.root / "Vast", vast);
    fixtures::writeFile(organ.root / "Unreadable" / "Pipes" / "r084.wav", {'R', 'I', 'F', 'F', 0, 1, 2, 3});
    std::string manual = "[Organ]\r\nNumberOfManuals=1\r\n[Manual001]\r\nNumberOfLogicalKeys=61\r\n"
                         "FirstAccessibleKeyLogicalKeyNumber=1\r\nFirstAccessibleKeyMIDINoteNumber=36\r\n"
                         "NumberOfAccessibleKeys=61\r\nNumberOfStops=101\r\n",
                stops;
    for (int stop = 1; stop <= 101; ++stop) {
        char line[320];
        std::snprintf(line, sizeof line, "Stop%03d=%03d\r\n", stop, stop);
        manual += line;
        std::snprintf(line, sizeof line,
                      "[Stop%03d]\r\nName=Flute %d\r\nNumberOfLogicalPipes=2\r\nNumberOfAccessiblePipes=2\r\n"
                      "FirstAccessiblePipeLogicalKeyNumber=1\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n"
                      "Pipe001=Pipes\\r036.wav\r\nPipe002=Pipes\\r036.wav\r\n",
                      stop, stop);
        stops += line;
    }
    writeTestOrgan(organ.root / "Many", manual + stops);
    std::string unheard = testOrganDefinition();
    unheard.replace(unheard.find("HasPedals=Y"), 11, "HasPedals=Y\r\nAmplitudeLevel=0");
    writeTestOrgan(organ.root / "Unheard", unheard);
    std::string misspelt = testOrganDefinition();
    misspelt.replace(misspelt.find("Gain=-6"), 7, "Gain=-6\r\nPitchCorrection=sharp");
    writeTestOrgan(organ.root / "Misspelt", misspelt);
    writeTestOrgan(organ.root / "Empty", "[Organ]\r\nChurchName=Empty\r\nNumberOfManuals=1\r\nHasPedals=N\r\n");
    fixtures::writeFile(organ.root / "Junk.orgue", {'P', 'K', '?', '\0', '[', 'O', 'r', 'g'});
    fixtures::writeFile(organ.brimwell / "Kept.org", {'O', 'l', 'd', '\r', '\n', 'E', 'N', 'D', '\r', '\n'});
    const auto before = importtest::snapshot(organ.brimwell);

    struct Refusal {
        std::vector<std::string> arguments;
        std::string says;
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {{(organ.root / "Missing" / "Test.organ").string()}, cited},
             {{(organ.root / "Unreadable" / "Test.organ").string()}, "=Pipes\\r084.wav"},
             {{(organ.root / "Many" / "Test.organ").string()}, "101 keyboard stops"},
             {{(organ.root / "Empty" / "Test.organ").string()}, "no stop its manuals list sounds"},
             {{(organ.root / "Junk.orgue").string()}, "Junk.orgue: no [Organ] section; not an organ definition"},
             {{(organ.root / "Loud" / "Test.organ").string()}, ": Gain=900: not within -120 to 40"},
             {{(organ.root / "Vast" / "Test.organ").string()},
              "Test.organ:4: NumberOfManuals=999999999: not within 0 to 999"},
             {{"--stop", "Bourdon", (organ.root / "Missing" / "Test.organ").string()}, "no stop is called \"Bourdon\""},
             {{(organ.root / "Unheard" / "Test.organ").string()},
              "Test.organ: nothing sounds: 1 stops sounding on fewer than two keys (Tremblant noise); 5 stops silent "
              "at an "
              "AmplitudeLevel of 0"},
             {{(organ.root / "Misspelt" / "Test.organ").string()}, ": PitchCorrection=sharp: not a number"},
         }) {
        std::vector<std::string> arguments{"--into", organ.brimwell.string(), "--organ",
                                           (organ.brimwell / "Kept.org").string()};
        arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());
        const importtest::Outcome outcome = importtest::runImport(arguments);
        EXPECT_EQ(outcome.status, 3) << refusal.says;
        EXPECT_NE(outcome.err.find(refusal.says), std::string::npos) << outcome.err;
        EXPECT_EQ(importtest::snapshot(organ.brimwell), before) << refusal.says;
    }
}

}  // namespace
