// velmara-import as a user runs it: recordings as they come (48 kHz 24-bit
// mono FLAC after silence or hiss, 96 kHz float WAV louder than full scale,
// sparse WavPack behind .wav names, a file too short), imported once, then
// loaded by the bank and played through the mixer; and every refusal leaving
// BRIMWELL_DIR as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/file.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "import_support.h"
#include "shell/app_state.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "stops/button_image.h"
#include "stops/stop_knob.h"
#include "stops/stop_panel.h"
#include "support/fixtures.h"
#include "window_pixels.h"

namespace {

namespace fs = std::filesystem;
using fixtures::OrganDirectory;
using importtest::noteFrequency;
using importtest::Outcome;
using importtest::pcm;
using importtest::put32;
using importtest::runImport;
using importtest::snapshot;
using importtest::tone;
using importtest::writeSndfile;
using importtest::writeWavpack;

constexpr std::size_t firstHeardFrame = 29, framesPerFile = 24989;

// The environment of a run whose renames and fsyncs are logged, and whose
// renames from or to paths containing these parts fail.
std::vector<std::string> shimmed(const fs::path& log, const std::string& failFrom, const std::string& failTo)
{
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    return {std::string("LD_PRELOAD=") + FILE_CALLS_SHIM, "VELMARA_SHIM_LOG=" + log.string(),
            "VELMARA_SHIM_FAIL_FROM=" + failFrom, "VELMARA_SHIM_FAIL_TO=" + failTo,
            "ASAN_OPTIONS=verify_asan_link_order=0 " + std::string(sanitizer != nullptr ? sanitizer : "")};
}

// A smpl chunk: MIDI unity note and pitch fraction (of a semitone, in 2^-32).
std::vector<std::uint8_t> smplChunk(std::uint32_t note, std::uint32_t fraction)
{
    std::vector<std::uint8_t> chunk{'s', 'm', 'p', 'l'};
    for (std::uint32_t value : {36u, 0u, 0u, 22676u, note, fraction, 0u, 0u, 0u, 0u}) put32(chunk, value, chunk.size());
    return chunk;
}

std::vector<std::uint8_t> withChunk(std::vector<std::uint8_t> image, const std::vector<std::uint8_t>& chunk)
{
    image.insert(image.end(), chunk.begin(), chunk.end());
    put32(image, static_cast<std::uint32_t>(image.size() - 8), 4);
    return image;
}

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

// A folder holding one recording as 060.wav, C4 unless told; its path.
fs::path recordedFolder(const fs::path& folder, double frequency = 261.6)
{
    fs::create_directories(folder);
    writeSndfile(folder / "060.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                 tone(44100, 1, frequency, 0.3, 0, 1, 0));
    return folder;
}

std::vector<std::string> linesOf(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = fixtures::readFile(file);
    std::vector<std::string> lines;
    std::string line;
    for (std::uint8_t byte : bytes) {
        if (byte != '\n')
            line += static_cast<char>(byte);
        else
            lines.push_back(std::move(line)), line.clear();
    }
    return lines;
}

class ImportedOrgan : public testing::Test {
protected:
    // The recordings are 0.5 cent sharp of equal temperament, a tuning of
    // their own that filled keys keep.
    static double recorded(int midiNote) { return noteFrequency(midiNote + 0.005); }

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
    EXPECT_EQ(outcome.out.find("Stop row"), std::string::npos) << "three stops fit: " << outcome.out;
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

TEST(ImportFolder, SmplChunksPlaceButNeverRetuneSideFilesAreLeftOutACorrectionFileServesItsWavpack)
{
    OrganDirectory organ;
    const fs::path pipe = organ.root / "recordings" / "Pipe", plain = organ.root / "recordings" / "Plain";
    fs::create_directories(pipe);
    // Names without notes: 25 cents sharp of C4, and 45 cents flat of C3,
    // which its smpl chunk gives as B2 and 55 cents.
    constexpr double recordedC4 = 60.25, recordedC3 = 47.55;
    fixtures::writeFile(pipe / "pipe.wav",
                        withChunk(fixtures::waveImage(pcm(tone(44100, 2, noteFrequency(recordedC4), 0.3, 0.1, 1.5, 0))),
                                  smplChunk(60, 0x40000000)));
    writeWavpack(pipe / "low.wv", 44100, tone(44100, 2, noteFrequency(recordedC3), 0.3, 0.1, 1.5, 0),
                 smplChunk(47, 0x8CCCCCCD));
    const std::vector<float> high = tone(44100, 2, noteFrequency(72), 0.3, 0.1, 1.5, 0);
    writeWavpack(pipe / "072.wv", 44100, high, {}, true);
    fixtures::writeFile(plain / "072.wav", fixtures::waveImage(pcm(high)));
    for (const char* side : {"C4.wav.asd", "060.wav.reapeaks"}) fixtures::writeFile(pipe / side, {'x'});

    const Outcome outcome = runImport({"--into", organ.brimwell.string(), pipe.string(), plain.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    for (const char* side : {"C4.wav.asd: a side file", "060.wav.reapeaks: a side file"})
        EXPECT_NE(outcome.err.find(side), std::string::npos) << outcome.err;
    EXPECT_EQ(fixtures::readFile(organ.brimwell / "Pipe" / "072-C.wav"),
              fixtures::readFile(organ.brimwell / "Plain" / "072-C.wav"))
        << "the hybrid WavPack is decoded whole with its correction file";
    loadOrgan("..\\BRIMWELL\\Imported.org");
    for (const auto& [midiNote, sounds] : std::vector<std::pair<int, double>>{{36, recordedC3 - 12},
                                                                              {48, recordedC3},
                                                                              {54, recordedC3 + 6},
                                                                              {55, recordedC4 - 5},
                                                                              {60, recordedC4},
                                                                              {66, recordedC4 + 6}}) {
        const double measured = measuredFrequency(stopNamed("Pipe"), midiNote - firstMidiNote);
        EXPECT_LT(std::abs(1200 * std::log2(measured / noteFrequency(sounds))), 2.0) << "note " << midiNote;
    }
}

TEST(ImportRegistrations, SoundTheirMembersTogetherFromThisRunOrFromBrimwell)
{
    OrganDirectory organ;
    const std::string into = organ.brimwell.string();
    const std::string montre = recordedFolder(organ.root / "recordings" / "Montre").string();
    const std::string flute = recordedFolder(organ.root / "recordings" / "Flute", 392.0).string();
    const Outcome run = runImport({"--into", into, montre, flute, "--registration", "Plenum = Montre + Flute"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("every chord of up to eight notes of Plenum stays within 16 bits"), std::string::npos)
        << run.out;
    const std::string bourdon = recordedFolder(organ.root / "recordings" / "Bourdon", 196.0).string();
    const Outcome existing =
        runImport({"--into", into, "--gain", "-20", bourdon, "--registration", "Duo=montre+Flute", "--registration",
                   "Tutti=Montre+Flute+Plenum", "--registration", "Mix=Bourdon+Montre"});
    ASSERT_EQ(existing.status, 0) << existing.err;
    EXPECT_NE(existing.out.find("Tutti: -"), std::string::npos) << "its own gain: " << existing.out;

    loadOrgan("..\\BRIMWELL\\Imported.org");
    ASSERT_EQ(organBank.stopCount, 7);  // Montre, Flute, Plenum, Bourdon, Duo, Tutti, Mix
    openWaveOutput();
    prepareMix();
    const auto heard = [](int stop, int key) {
        polyphony = 0;
        keyDown(stop, key, 0);
        std::vector<int> mix(&mixOutput[playWindowStart], &mixOutput[playWindowEnd]);
        keyUp(stop, key);
        return mix;
    };
    const auto sumOf = [](int first, int second, int key) {
        std::vector<int> sum(playWindowEnd - playWindowStart);
        for (std::size_t i = 0; i < sum.size(); ++i)
            sum[i] = organBank.sampleData[first][key][playWindowStart + i] +
                     organBank.sampleData[second][key][playWindowStart + i];
        return sum;
    };
    for (int key = 0; key < keyCount; ++key) {
        const std::vector<int> members = sumOf(0, 1, key), plenum = heard(2, key), mix = heard(6, key);
        const std::vector<int> mixMembers = sumOf(3, 0, key);
        for (std::size_t i = 0; i < members.size(); ++i) {
            ASSERT_LE(std::abs(plenum[i] - members[i]), 1) << "summed before the one rounding: key " << key;
            ASSERT_LE(std::abs(mix[i] - mixMembers[i]), 1) << "a stop of the run and one in BRIMWELL: key " << key;
        }
        ASSERT_EQ(heard(4, key), members) << "summed from the files: key " << key;
        EXPECT_LE(peakOf(5, key, firstHeardFrame, framesPerFile - firstHeardFrame), 32767 * 2 / 7) << key;
    }

    const fs::path trompette = organ.brimwell / "Trompette";
    fs::copy(organ.brimwell / "Montre", trompette);
    fs::copy(organ.brimwell / "Montre", organ.brimwell / "TROMPETTE");
    const auto before = snapshot(organ.brimwell);
    for (const auto& [registration, says] : std::vector<std::pair<std::string, std::string>>{
             {"Solo=Bombarde", "no stop is named \"Bombarde\"; BRIMWELL_DIR holds Bourdon, Duo, Flute, Mix, Montre, "
                               "Plenum, TROMPETTE, Trompette, Tutti"},
             {"Solo=trompette", "\"trompette\" matches the folders TROMPETTE, Trompette"},
             {"Solo=Montre+montre", "\"montre\" is named twice (also as \"Montre\")"}}) {
        const Outcome refused = runImport({"--into", into, "--registration", registration});
        EXPECT_EQ(refused.status, 3);
        EXPECT_NE(refused.err.find(says), std::string::npos) << refused.err;
        EXPECT_EQ(snapshot(organ.brimwell), before) << registration;
    }
}

TEST(ImportSafety, FilesReachTheDiskBeforeTheyMoveAndAnUndoThatFailsIsFinishedByTheNextRun)
{
    for (const bool exchanges : {true, false}) {
        OrganDirectory organ;
        const std::string into = organ.brimwell.string(),
                          old = recordedFolder(organ.root / "recordings" / "Old").string();
        ASSERT_EQ(runImport({"--into", into, old}).status, 0);
        fixtures::writeStop(organ, "Old",
                            fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; }));
        const fs::path log = organ.root / "calls.log";
        std::vector<std::string> environment = shimmed(log, "", "");
        if (!exchanges) environment.push_back("VELMARA_SHIM_NO_EXCHANGE=1");
        ASSERT_EQ(runImport({"--into", into, "--replace", old}, environment).status, 0);

        const std::vector<std::string> calls = linesOf(log);
        const auto firstCall = [&](const std::string& prefix, const std::string& suffix) {
            return std::find_if(
                       calls.begin(), calls.end(),
                       [&](const std::string& call) { return call.starts_with(prefix) && call.ends_with(suffix); }) -
                   calls.begin();
        };
        const auto fromOf = [&](std::size_t call) {
            const std::size_t from = calls[call].find(' ') + 1;
            return calls[call].substr(from, calls[call].find(' ', from) - from);
        };
        const auto stopMoved =
            firstCall(exchanges ? "exchange " : "rename ", "/new/Old " + (organ.brimwell / "Old").string());
        ASSERT_LT(stopMoved, calls.size()) << exchanges;
        const std::string staged = fromOf(stopMoved);
        EXPECT_LT(firstCall("fsync " + staged, staged), stopMoved) << "the stop's folder";
        for (const std::string& file : fixtures::sampleFileNames())
            EXPECT_LT(firstCall("fsync " + staged + "/" + file, file), stopMoved) << file;
        const auto definitionMoved = firstCall("rename ", " " + (organ.brimwell / "Imported.org").string());
        ASSERT_LT(definitionMoved, calls.size());
        EXPECT_LT(firstCall("fsync " + fromOf(definitionMoved), fromOf(definitionMoved)), definitionMoved);
        EXPECT_LT(std::find(calls.begin() + stopMoved, calls.begin() + definitionMoved, "fsync " + into),
                  calls.begin() + definitionMoved)
            << "the stops' moves reach the disk before the definition names them";

        const auto before = snapshot(organ.brimwell);
        const Outcome failed = runImport({"--into", into, "--replace", old},
                                         shimmed(log, (organ.brimwell / "Old").string(), "Imported.org"));
        EXPECT_EQ(failed.status, 4);
        const std::string kept = "the stop Old is kept in " + (organ.brimwell / "velmara-import-kept-").string();
        const std::size_t at = failed.err.find(kept);
        ASSERT_NE(at, std::string::npos) << failed.err;
        const fs::path keptStop = failed.err.substr(at + 24, failed.err.find('\n', at) - at - 24);
        EXPECT_EQ(fixtures::readFile(keptStop / "060-C.wav"), before.at(into + "/Old/060-C.wav")) << keptStop;

        const Outcome next = runImport({"--into", into, old});
        EXPECT_NE(next.err.find("is undone"), std::string::npos) << next.err;
        EXPECT_NE(next.err.find("the stop exists; --replace replaces it"), std::string::npos) << next.err;
        EXPECT_EQ(snapshot(organ.brimwell), before) << "the replaced stop is back, nothing is left";
    }
}

TEST(ImportSafety, TheRunAfterAKillFinishesOrUndoesItAndLeavesNothingBehind)
{
    struct Kill {
        std::string before;  // the end of the call the run is killed before
        bool exchanges, finished;
        std::string says;
    };
    OrganDirectory organ;
    const fs::path organs = organ.brimwell / "organs", brimwell = organ.brimwell;
    for (const Kill& kill : std::vector<Kill>{
             {"/journal", true, false, "removed, left by an import that did not finish"},  // no move made
             {" " + (organs / "Mine.org").string(), true, false, "is undone"},  // both stops in, the definition not
             {"/new/Old " + (brimwell / "Old").string(), false, false, "is undone"},  // old stop aside, new not in
             {"fsync " + organs.string(), true, true, "is completed"},                // the definition moved in
         }) {
        fs::remove_all(brimwell);
        ASSERT_EQ(
            runImport({"--into", brimwell.string(), recordedFolder(organ.root / "recordings" / "Old").string()}).status,
            0);
        fixtures::writeStop(organ, "Old",
                            fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; }));
        fixtures::writeFile(organs / "Mine.org", {'O', 'l', 'd', '\r', '\n', 'E', 'N', 'D', '\r', '\n'});
        const std::vector<std::string> arguments{"--into",
                                                 brimwell.string(),
                                                 "--organ",
                                                 (organs / "Mine.org").string(),
                                                 recordedFolder(organ.root / "recordings" / "New").string(),
                                                 recordedFolder(organ.root / "recordings" / "Old").string()};
        std::vector<std::string> replacing = arguments;
        replacing.insert(replacing.begin(), "--replace");
        std::vector<std::string> environment = shimmed(organ.root / "calls.log", "", "");
        environment.push_back("VELMARA_SHIM_KILL_AT=" + kill.before);
        if (!kill.exchanges) environment.push_back("VELMARA_SHIM_NO_EXCHANGE=1");
        const auto before = snapshot(brimwell);

        ASSERT_EQ(runImport(replacing, environment).status, -1) << kill.before;
        const Outcome next = runImport(arguments);
        EXPECT_NE(next.err.find(kill.says), std::string::npos) << next.err;
        EXPECT_NE(next.err.find("the stop exists; --replace replaces it"), std::string::npos) << next.err;
        const auto recovered = snapshot(brimwell);
        if (!kill.finished) {
            EXPECT_EQ(recovered, before) << kill.before;
            continue;
        }
        ASSERT_EQ(runImport(replacing).status, 0);
        EXPECT_EQ(recovered, snapshot(brimwell)) << "as after the import: " << kill.before;
    }
}

TEST(ImportSafety, RecordsPlantedInBrimwellRemoveNothingOutsideIt)
{
    OrganDirectory organ;
    const fs::path outside = organ.root / "outside", planted = organ.brimwell / ".velmara-import-aaaaaa";
    const std::string precious = (outside / "Precious.org").string();
    fixtures::writeFile(outside / "Precious.org", {'E', 'N', 'D'});
    fixtures::writeFile(outside / "Precious.org.abcdef", {'E', 'N', 'D'});
    fixtures::writeFile(outside / "Montre" / "036-C.wav", {'x'});
    const std::string journal = "velmara-import journal\ndefinition\t" + precious + "\nstaged\t" + precious +
                                ".abcdef\nstop\t1\t2\t\tMontre\nend\n";
    for (const auto& [record, text] : std::vector<std::pair<std::string, std::string>>{
             {"definition", precious}, {"journal", journal}, {"old/Montre", ""}}) {
        fs::create_directories(planted / fs::path(record).parent_path());
        if (!text.empty()) fixtures::writeFile(planted / record, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    fs::create_directory_symlink(outside / "Montre", planted / "new");
    fs::create_directory_symlink(outside, organ.brimwell / ".velmara-import-bbbbbb");
    const auto before = snapshot(outside);

    const Outcome outcome =
        runImport({"--into", organ.brimwell.string(), recordedFolder(organ.root / "recordings" / "Good").string()});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(snapshot(outside), before);
}

TEST(ImportTargets, ADanglingPicturesLinkGivesWayToAFolderAndComesBackWhenTheRunFails)
{
    OrganDirectory organ;
    const std::string into = organ.brimwell.string(),
                      good = recordedFolder(organ.root / "recordings" / "Good").string();
    fs::create_directory_symlink(organ.root / "removed" / "boutons", organ.brimwell / "boutons");
    const auto before = snapshot(organ.brimwell);

    const Outcome failed = runImport({"--into", into, good}, shimmed(organ.root / "calls.log", "", "Imported.org"));
    EXPECT_EQ(failed.status, 3) << failed.err;
    EXPECT_EQ(snapshot(organ.brimwell), before);
    EXPECT_TRUE(fs::is_symlink(organ.brimwell / "boutons"));

    const Outcome done = runImport({"--into", into, good});
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(organ.brimwell / "boutons")));
    for (const char* picture : {"on.bmp", "of.bmp"})
        EXPECT_TRUE(fs::is_regular_file(organ.brimwell / "boutons" / picture)) << picture;
}

TEST(ImportSafety, AnUnfinishedRunIsCleanedOrKeptAsideAndARunningOneKeepsOthersOut)
{
    OrganDirectory organ;
    const std::string into = organ.brimwell.string(),
                      good = recordedFolder(organ.root / "recordings" / "Good").string();
    const std::vector<std::uint8_t> montre = fixtures::waveImage({1, 2, 3, 4});
    fixtures::writeFile(organ.brimwell / ".velmara-import-aaaaaa" / "new" / "Good" / "036-C.wav", {'x'});
    fixtures::writeFile(organ.brimwell / ".velmara-import-bbbbbb" / "old" / "Montre" / "036-C.wav", montre);
    const fs::path lockFile = organ.brimwell / ".velmara-import.lock";
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const auto before = snapshot(organ.brimwell);
    const Outcome kept = runImport({"--into", into, good});
    EXPECT_EQ(kept.status, 3);
    EXPECT_NE(kept.err.find("another velmara-import is writing into it"), std::string::npos) << kept.err;
    EXPECT_EQ(snapshot(organ.brimwell), before);
    fs::remove(lockFile);
    ::close(lock);

    const Outcome next = runImport({"--into", into, good});
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_NE(next.err.find("moved the stop(s) Montre aside; they are kept in " +
                            (organ.brimwell / "velmara-import-kept-bbbbbb" / "old").string()),
              std::string::npos)
        << next.err;
    EXPECT_EQ(fixtures::readFile(organ.brimwell / "velmara-import-kept-bbbbbb" / "old" / "Montre" / "036-C.wav"),
              montre);
    for (const fs::directory_entry& entry : fs::directory_iterator(organ.brimwell))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".velmara-import-")) << entry.path();
}

TEST(ImportTargets, ALinkedDefinitionStaysALinkAndAWindows1252FolderIsTheExistingStop)
{
    OrganDirectory organ;
    const std::string into = organ.brimwell.string();
    const std::string celeste = recordedFolder(organ.root / "recordings" / "Voix c\xC3\xA9leste").string();
    fixtures::writeFile(organ.root / "organs" / "Mine.org", {'E', 'N', 'D', '\r', '\n'});
    fs::create_symlink("../organs/Mine.org", organ.brimwell / "Imported.org");
    const std::vector<std::uint8_t> users =
        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; });
    ASSERT_EQ(runImport({"--into", into, celeste}).status, 0);
    // zipped and unpacked again on Windows
    fs::rename(organ.brimwell / "Voix c\xC3\xA9leste", organ.brimwell / "Voix c\xE9leste");
    fixtures::writeStop(organ, "Voix c\xE9leste", users);
    const auto before = snapshot(organ.brimwell);

    const Outcome refused = runImport({"--into", into, celeste});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("the stop exists; --replace replaces it"), std::string::npos) << refused.err;
    EXPECT_EQ(snapshot(organ.brimwell), before);

    ASSERT_EQ(runImport({"--into", into, "--replace", celeste}).status, 0);
    EXPECT_TRUE(fs::is_symlink(organ.brimwell / "Imported.org"));
    const std::vector<std::uint8_t> definition = fixtures::readFile(organ.root / "organs" / "Mine.org");
    EXPECT_EQ(std::string(definition.begin(), definition.end()), "Voix c\xE9leste\r\nEND\r\n");
    EXPECT_FALSE(fs::exists(organ.brimwell / "Voix c\xE9leste"));
    loadOrgan("..\\BRIMWELL\\Imported.org");
    ASSERT_EQ(organBank.stopCount, 1);
    EXPECT_GT(peakOf(0, 60 - firstMidiNote, firstHeardFrame, framesPerFile - firstHeardFrame), 1000)
        << "the organ plays the new stop, not the old one's constant 5";
}

TEST(ImportNamesakes, AnotherSourcesStopKeepsItsNameAndOnlyTheSameSourceIsReplaced)
{
    OrganDirectory organ;
    const std::string into = organ.brimwell.string();
    fixtures::writeStop(organ, "Montre",  // the demo organ's, with no record of its source
                        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; }));
    fixtures::writeFile(organ.brimwell / "Demo.org",
                        {'M', 'o', 'n', 't', 'r', 'e', '\r', '\n', 'E', 'N', 'D', '\r', '\n'});
    const std::string abbey = recordedFolder(organ.root / "Abbey Organ" / "Montre").string(),
                      priory = recordedFolder(organ.root / "Priory" / "Montre").string();
    const fs::path church = organ.root / "Church" / "Church.organ";
    const std::string definition =
        "[Organ]\r\nChurchName=Abbey Church\r\nNumberOfManuals=1\r\nHasPedals=N\r\n[Manual001]\r\nName=Great\r\n"
        "NumberOfLogicalKeys=61\r\nFirstAccessibleKeyLogicalKeyNumber=1\r\nFirstAccessibleKeyMIDINoteNumber=36\r\n"
        "NumberOfAccessibleKeys=61\r\nNumberOfStops=1\r\nStop001=001\r\n[Stop001]\r\nName=Montre\r\n"
        "NumberOfLogicalPipes=2\r\nNumberOfAccessiblePipes=2\r\nFirstAccessiblePipeLogicalKeyNumber=25\r\n"
        "FirstAccessiblePipeLogicalPipeNumber=1\r\nPipe001=060.wav\r\nPipe002=060.wav\r\n";
    recordedFolder(church.parent_path());
    fixtures::writeFile(church, {definition.begin(), definition.end()});
    const auto demo = snapshot(organ.brimwell / "Montre");

    struct Run {
        std::vector<std::string> arguments;
        int status;
        std::string says;
    };
    for (const Run& run : std::vector<Run>{
             {{abbey}, 0, "Renamed beside another source's stops in BRIMWELL_DIR: Montre -> Montre AO\n"},
             {{abbey}, 3, "Montre AO: the stop exists; --replace replaces it"},
             {{"--replace", abbey}, 0, "Montre -> Montre AO\n"},
             {{priory}, 0, "Montre -> Montre Priory\n"},
             {{church.string()}, 0, "Montre -> Montre AC\n"},
             {{church.string()}, 3, "Montre AC: the stop exists; --replace replaces it"},
             {{"--replace", "--name", "Montre", priory}, 3, "Montre: made from a source it keeps no record of"},
             {{"--replace", "--name", "Montre AO", priory}, 3, "Montre AO: made from the folder " + abbey + ";"},
             {{"--replace", "--registration", "Montre AC=Montre AO"},
              3,
              "made from the stop Montre of the organ Abbey Church.org;"},
         }) {
        std::vector<std::string> arguments{"--into", into};
        arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
        const Outcome outcome = runImport(arguments);
        EXPECT_EQ(outcome.status, run.status) << run.says << outcome.err;
        EXPECT_NE((outcome.out + outcome.err).find(run.says), std::string::npos) << outcome.out << outcome.err;
    }
    EXPECT_EQ(snapshot(organ.brimwell / "Montre"), demo);
    for (const auto& [file, lists] : {std::pair{"Demo.org", "Montre\r\nEND\r\n"},
                                      std::pair{"Imported.org", "Montre AO\r\nMontre Priory\r\nEND\r\n"},
                                      std::pair{"Abbey Church.org", "Montre AC\r\nEND\r\n"}}) {
        const std::vector<std::uint8_t> text = fixtures::readFile(organ.brimwell / file);
        EXPECT_EQ(std::string(text.begin(), text.end()), lists) << file;
    }
}

TEST(ImportSummary, NamesTheStopsTheWindowsRowOfButtonsCannotReach)
{
    OrganDirectory organ;
    fixtures::writeButtons(organ, 140, 64);  // wider than the importer's own knob
    const std::vector<std::uint8_t> sample =
        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t i) { return static_cast<std::int16_t>(i % 97); });
    std::string listed;
    for (int stop = 1; stop <= 11; ++stop) {
        fixtures::writeStop(organ, "Jeu " + std::to_string(stop), sample);
        listed += "Jeu " + std::to_string(stop) + "\r\n";
    }
    listed += "END\r\n";
    fixtures::writeFile(organ.brimwell / "Imported.org", {listed.begin(), listed.end()});
    const Outcome run = runImport({"--into", organ.brimwell.string(), "--registration", "Tutti=Jeu 1+Jeu 2"});
    ASSERT_EQ(run.status, 0) << run.err;

    loadOrgan("..\\BRIMWELL\\Imported.org");
    window_pixels::freshPaint(7);
    layoutStops();
    mouseDown = 0;
    std::vector<bool> clicked(static_cast<std::size_t>(organBank.stopCount));
    for (int x = 0; x < logicalWidth; ++x) {
        for (int j = 0; j < organBank.stopCount; ++j) organBank.stops[j].on = 0;
        mousePoint = {x, firstButtonY + onImage.height / 2};
        clickStops();
        for (int j = 0; j < organBank.stopCount; ++j)
            if (organBank.stops[j].on == 1) clicked[static_cast<std::size_t>(j)] = true;
    }
    const auto reached = std::count(clicked.begin(), clicked.end(), true);
    ASSERT_LT(reached, organBank.stopCount) << "the row runs past the window's edge";
    std::string says = "Stop row: the window reaches " + std::to_string(reached) + " of the " +
                       std::to_string(organBank.stopCount) + " stops; out of reach past its right edge:";
    for (int j = static_cast<int>(reached); j < organBank.stopCount; ++j)
        says += std::string(j > reached ? ", " : " ") + organBank.stops[j].name;
    EXPECT_NE(run.out.find(says + " (--stop or --registration chooses the stops to reach)\n"), std::string::npos)
        << run.out;
}

TEST(ImportRefusals, LeaveBrimwellAndTheDefinitionAsTheyWere)
{
    OrganDirectory organ;
    const fs::path sources = organ.root / "recordings";
    for (const char* stop : {"Good", "Broken", "Old", "good", "NotANumber", "Infinite"}) {
        fs::create_directories(sources / stop);
        writeSndfile(sources / stop / "060.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                     tone(44100, 1, 261.6, 0.3, 0, 1, 0));
    }
    fixtures::writeFile(sources / "Broken" / "062.wav", {'R', 'I', 'F', 'F', 0, 1, 2, 3, 'W', 'A', 'V', 'E'});
    for (const auto& [stop, bad] : {std::pair{"NotANumber", NAN}, std::pair{"Infinite", -INFINITY}}) {
        std::vector<float> damaged = tone(44100, 1, 261.6, 0.3, 0, 2, 0);
        damaged[54419] = bad;  // 1.234 s in
        writeSndfile(sources / stop / "062.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, damaged);
    }
    const std::string into = organ.brimwell.string(), good = (sources / "Good").string();
    ASSERT_EQ(runImport({"--into", into, (sources / "Old").string()}).status, 0);  // an earlier run's stop
    fixtures::writeStop(organ, "Old",
                        fixtures::waveImageOfSize(minSampleBytes, [](std::size_t) { return std::int16_t{5}; }));
    fs::remove_all(organ.brimwell / "boutons");
    fixtures::writeFile(organ.brimwell / "boutons", {'x'});  // a file where the pictures' folder belongs
    const auto before = snapshot(organ.brimwell);

    struct Refusal {
        std::vector<std::string> arguments;
        std::string says;
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {{good, (sources / "Broken").string()}, "Broken/062.wav: not a sound file"},
             {{(sources / "NotANumber").string()},
              "NotANumber/062.wav: a sample at 1.234 s (frame 54419) is not a number"},
             {{(sources / "Infinite").string()}, "Infinite/062.wav: a sample at 1.234 s (frame 54419) is infinite"},
             {{(sources / "Old").string()}, "the stop exists; --replace replaces it"},
             {{"--replace", "--name", "Old", good},
              "Old: made from the folder " + (sources / "Old").string() +
                  "; --replace replaces only a stop made from the same source: give \"Old\" another name"},
             {{good, (sources / "good").string()},
              "\"good\" is given twice (as \"Good\": the organ ignores letter case)"},
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
    EXPECT_EQ(snapshot(organ.brimwell).size(), 3 + 61 + 1 + 2)
        << "Old with its samples and its source's record, boutons and the definition: no staging folder left";
    ASSERT_EQ(runImport({"--into", into, "--replace", "--name", "OLD", (sources / "Old").string()}).status, 0);
    EXPECT_EQ(fixtures::readFile(organ.brimwell / "Imported.org"),
              before.at((organ.brimwell / "Imported.org").string()))
        << "the organ finds the folder OLD for the Old it lists";

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
