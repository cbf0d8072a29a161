// End-to-end tests of the Linux desktop program under Xvfb and a JACK server
// with the dummy driver: what the user sees on the screen and what reaches
// the loudspeakers, from a MIDI key to the recorded sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "audio_analysis.h"
#include "demo_organ.h"
#include "velmara_session.h"

namespace linux_test {

namespace {

constexpr jack_nframes_t period = 256;
constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t green = 0x00FF00;
constexpr std::uint32_t blue = 0x0000FF;

// Device pixels: inside the lower part of the white key of MIDI note 60,
// inside the black key of note 37, and the middle of stop buttons 0 and 1.
constexpr int note60X = 540, note60Y = 528;
constexpr int blackKeyX = 295, blackKeyY = 500;
constexpr int stopButtonX[2] = {70, 170};
constexpr int stopButtonY = 80;

constexpr ShortMessage noteOn(int note) { return {0x90, static_cast<std::uint8_t>(note), 100}; }
constexpr ShortMessage noteOff(int note) { return {0x80, static_cast<std::uint8_t>(note), 64}; }

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::int16_t clamped(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The frames from start that differ from the window (interleaved 16-bit)
// by more than float rounding; the first is reported in index.
int mismatches(const std::vector<float>& left, const std::vector<float>& right, const std::vector<std::int16_t>& window,
               std::size_t& index)
{
    int count = 0;
    for (std::size_t i = 0; i < window.size() / 2; ++i) {
        const bool same = i < left.size() && i < right.size() &&
                          std::fabs(left[i] - window[2 * i] / 32768.0f) <= 1e-6f &&
                          std::fabs(right[i] - window[2 * i + 1] / 32768.0f) <= 1e-6f;
        if (!same && count++ == 0) index = i;
    }
    return count;
}

bool silent(const std::vector<float>& samples)
{
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

// The longest run of frames silent on both sides.
std::size_t longestSilence(const std::vector<float>& left, const std::vector<float>& right)
{
    std::size_t longest = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        run = left[i] == 0.0f && right[i] == 0.0f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// The stop's windows of the notes, summed, divided by 2 and clamped as the
// mixer does for three voices.
std::vector<std::int16_t> chordMix(const std::string& stop, const int (&notes)[3])
{
    std::vector<std::vector<std::int16_t>> windows;
    for (int note : notes) windows.push_back(DemoOrgan::playWindow(stop, note));
    std::vector<std::int16_t> mix(windows[0].size());
    for (std::size_t i = 0; i < mix.size(); ++i) mix[i] = clamped((windows[0][i] + windows[1][i] + windows[2][i]) / 2);
    return mix;
}

// Whether the part of a 48000 Hz recording louder than threshold lasts
// length frames, give or take tolerance, and has the pitch of reference, a
// 44100 Hz recording of the same pipe, within a cent.
testing::AssertionResult keepsLengthAndPitch(const std::vector<float>& recording, float threshold, double length,
                                             double tolerance, const std::vector<float>& reference, double guess)
{
    const Span heard = soundingSpan(recording, threshold);
    const auto heardLength = static_cast<double>(heard.end - heard.first);
    if (std::fabs(heardLength - length) > tolerance)
        return testing::AssertionFailure() << "sounds " << heardLength << " frames, not " << length;
    const std::vector<float> part(recording.begin() + heard.first, recording.begin() + heard.end);
    const double pitch = peakFrequency(part, 48000, guess);
    const double expected = peakFrequency(reference, 44100, guess);
    if (std::fabs(centsBetween(pitch, expected)) >= 1.0)
        return testing::AssertionFailure() << pitch << " Hz against " << expected << " Hz";
    return testing::AssertionSuccess();
}

class LinuxDesktop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(organ.read()) << "no demo organ at " << DemoOrgan::definition(); }

    // Starts the servers and velmara, finds the window and its banner.
    void start(int rate, const std::string& name, const std::string& workingDirectory = DemoOrgan::workingDirectory())
    {
        session = std::make_unique<VelmaraSession>(name);
        ASSERT_TRUE(session->startServers(rate)) << "cannot start Xvfb and jackd, see " << session->scratch();
        ASSERT_TRUE(session->startVelmara(workingDirectory));
        unsigned long window = 0;
        ASSERT_TRUE(session->waitForWindow(window)) << session->velmara().standardError();
        ASSERT_TRUE(session->jack().listenToVelmara());
        for (int tries = 0; tries < 100 && !session->findOrigin(takeScreenshot(session->display())); ++tries) pause(50);
        ASSERT_TRUE(session->findOrigin(takeScreenshot(session->display()))) << "no start banner on the screen";
    }

    void openOrgan(const std::string& definition = DemoOrgan::definition())
    {
        ASSERT_TRUE(session->chooseFromFileMenu(0, definition)) << "the file chooser did not close";
        ASSERT_TRUE(session->waitForPixel(blackKeyX, blackKeyY, black, 10000)) << "no keyboard after Open Organ";
    }

    void switchStopOn(int stop)
    {
        ASSERT_TRUE(session->clickAndSeeItChange(stopButtonX[stop], stopButtonY))
            << "stop button " << stop << " did not change when clicked";
    }

    // The frame where the block that plays the window starts, searched
    // from the first sound after the key was sent (a chord whose keys the
    // key scan sees in two passes restarts its block); false when the
    // window never plays.
    bool findWindow(jack_nframes_t sent, const std::vector<std::int16_t>& window, jack_nframes_t& start)
    {
        const std::size_t lead = firstSoundingFrame(window);
        jack_nframes_t sound = 0;
        if (!session->jack().firstSound(sent, sound, 3000)) return false;
        const jack_nframes_t first = sound - static_cast<jack_nframes_t>(lead);
        constexpr jack_nframes_t searched = 8 * period;
        const auto left = session->jack().recorded(0, first, windowFrames + searched);
        const auto right = session->jack().recorded(1, first, windowFrames + searched);
        for (jack_nframes_t offset = 0; offset < searched && offset + windowFrames <= left.size(); ++offset) {
            std::size_t index = 0;
            const std::vector<float> l(left.begin() + offset, left.begin() + offset + windowFrames);
            const std::vector<float> r(right.begin() + offset, right.begin() + offset + windowFrames);
            if (mismatches(l, r, window, index) == 0) {
                start = first + offset;
                return true;
            }
        }
        return false;
    }

    // Note 60 sent from the keyboard sounds and plays the stop's window for it.
    bool playsNote60(int stop)
    {
        const std::vector<std::int16_t> window = DemoOrgan::playWindow(organ.stops()[stop], 60);
        jack_nframes_t start = 0;
        return session->jack().playUndisturbed(
            {60}, [&] { return findWindow(session->jack().send({noteOn(60)}), window, start); });
    }

    void expectExit(int status)
    {
        EXPECT_EQ(session->velmara().waitForExit(5000), status) << session->velmara().standardError();
    }

    DemoOrgan organ;
    std::unique_ptr<VelmaraSession> session;
};

TEST_F(LinuxDesktop, StartsConnectsTheKeyboardShowsTheBannerAndEndsOnEscape)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "banner"));
    EXPECT_TRUE(session->velmaraListensTo(session->jack().acceptedPort()));
    EXPECT_FALSE(session->jack().isConnected(session->jack().rejectedPort(), "velmara:midi_in"));

    const Screenshot shot = takeScreenshot(session->display());
    shot.savePng(session->scratch() + "/banner.png");
    EXPECT_EQ(session->pixel(shot, 200, 480), black);  // the outline of logical (100, 300, 500, 360)
    EXPECT_EQ(session->pixel(shot, 999, 575), black);
    EXPECT_EQ(session->pixel(shot, 1000, 576), white);
    EXPECT_EQ(session->pixel(shot, 998, 574), green);
    int bluePixels = 0;
    for (int y = 481; y < 575; ++y)
        for (int x = 201; x < 999; ++x) bluePixels += session->pixel(shot, x, y) == blue;
    EXPECT_GT(bluePixels, 200) << "the banner's text is missing";

    // Alt+? opens the About box; its default button closes it.
    session->typeKeys({"alt+question"});
    unsigned long about = 0;
    ASSERT_TRUE(session->waitForWindowNamed("^About$", about));
    xdotool(session->display(), {"windowfocus", "--sync", std::to_string(about)});
    xdotool(session->display(), {"key", "Return"});
    for (int tries = 0; tries < 100 && session->windowExists("^About$"); ++tries) pause(50);
    EXPECT_FALSE(session->windowExists("^About$"));

    session->typeKeys({"Escape"});
    expectExit(330 & 0xFF);
}

TEST_F(LinuxDesktop, PlaysTheChosenStopFromTheKeyboardAndEndsOnClose)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "play"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    ASSERT_NO_FATAL_FAILURE(switchStopOn(1));
    takeScreenshot(session->display()).savePng(session->scratch() + "/organ.png");
    JackTestClient& jack = session->jack();

    // One key: the stop's play window for that key, once, as recorded.
    const std::vector<std::int16_t> window = DemoOrgan::playWindow(organ.stops()[1], 60);
    jack_nframes_t start = 0;
    ASSERT_TRUE(jack.playUndisturbed({60}, [&]() -> testing::AssertionResult {
        if (!findWindow(jack.send({noteOn(60)}), window, start))
            return testing::AssertionFailure() << "the recorded note is not the sample's play window";
        if (!silent(jack.recorded(0, start + windowFrames, 4096)))
            return testing::AssertionFailure() << "the window played more than once";
        return testing::AssertionSuccess();
    }));
    EXPECT_TRUE(session->waitForPixel(note60X, note60Y, red)) << "the held key is not drawn red";
    takeScreenshot(session->display()).savePng(session->scratch() + "/key-held.png");
    jack.saveWav(session->scratch() + "/note.wav", start, windowFrames + 4096);
    jack.send({noteOff(60)});
    EXPECT_TRUE(session->waitForPixel(note60X, note60Y, white)) << "the released key is not drawn white again";

    // A chord of three: the sum of the three windows divided by 2, clamped.
    const int chord[3] = {60, 64, 67};
    const std::vector<std::int16_t> mix = chordMix(organ.stops()[1], chord);
    ASSERT_TRUE(jack.playUndisturbed({60, 64, 67}, [&] {
        return findWindow(jack.send({noteOn(60), noteOn(64), noteOn(67)}), mix, start);
    })) << "the recorded chord is not the clamped mix divided by 2";
    jack.saveWav(session->scratch() + "/chord.wav", start, windowFrames);

    // Releasing the last key silences the organ at once.
    const jack_nframes_t released = jack.send({noteOff(60), noteOff(64), noteOff(67)});
    EXPECT_TRUE(silent(jack.recorded(0, released + 2 * period, 8 * period)));

    ASSERT_TRUE(sendCloseRequest(session->display(), session->window()));
    expectExit(800 & 0xFF);
}

TEST_F(LinuxDesktop, RollsAChordWithoutASilentPeriod)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "rolled-chord"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    JackTestClient& jack = session->jack();
    const int chord[3] = {60, 64, 67};
    for (int note : chord)
        ASSERT_LT(firstSoundingFrame(DemoOrgan::playWindow(organ.stops()[0], note)), period)
            << "a window that starts silent for a period would hide a gap";

    // Three keys a few milliseconds apart: each replaces the block playing.
    jack_nframes_t sound = 0;
    jack_nframes_t start = 0;
    ASSERT_TRUE(jack.playUndisturbed({60, 64, 67}, [&]() -> testing::AssertionResult {
        const jack_nframes_t sent = jack.send({noteOn(chord[0])});
        pause(4);
        jack.send({noteOn(chord[1])});
        pause(4);
        jack.send({noteOn(chord[2])});
        if (!jack.firstSound(sent, sound, 3000) || !findWindow(sent, chordMix(organ.stops()[0], chord), start))
            return testing::AssertionFailure() << "the chord's window did not play whole";
        const jack_nframes_t rolled = start - sound + period;
        if (longestSilence(jack.recorded(0, sound, rolled), jack.recorded(1, sound, rolled)) >= period)
            return testing::AssertionFailure() << "a silent period between the notes";
        return testing::AssertionSuccess();
    }));
    jack.saveWav(session->scratch() + "/rolled-chord.wav", sound, start - sound + windowFrames);
    jack.send({noteOff(chord[0]), noteOff(chord[1]), noteOff(chord[2])});
}

TEST_F(LinuxDesktop, SoundsWithinOnePeriodOfTheKey)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "latency"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    JackTestClient& jack = session->jack();
    std::vector<std::size_t> lead(97, 0);
    for (int note = 48; note <= 84; ++note)
        lead[note] = firstSoundingFrame(DemoOrgan::playWindow(organ.stops()[0], note));

    std::mt19937 random(7);
    std::vector<double> latencies;
    for (int i = 0; i < 200; ++i) {
        const int note = 48 + (i * 5) % 37;
        double latency = 0;
        ASSERT_TRUE(jack.playUndisturbed({note}, [&]() -> testing::AssertionResult {
            const jack_nframes_t sent = jack.send({noteOn(note)}, random() % period);
            jack_nframes_t sound = 0;
            if (!jack.firstSound(sent, sound, 2000))
                return testing::AssertionFailure() << "note " << i << " was not heard";
            latency = static_cast<double>(static_cast<std::int32_t>(sound - sent)) - static_cast<double>(lead[note]);
            const jack_nframes_t released = jack.send({noteOff(note)});
            pause(12);
            if (latency > period)
                return testing::AssertionFailure() << "note " << i << " sounded " << latency << " frames late";
            if (!silent(jack.recorded(0, released + 2 * period, period)))
                return testing::AssertionFailure() << "note " << i << " did not stop";
            return testing::AssertionSuccess();
        }));
        latencies.push_back(latency);
    }
    const double worst = *std::max_element(latencies.begin(), latencies.end());
    std::printf("key to sound, 200 notes: median %.0f frames, maximum %.0f frames (period %u)\n", median(latencies),
                worst, period);

    std::ifstream timing(session->timingFile());
    std::vector<double> engine;
    for (double microseconds = 0; timing >> microseconds;) engine.push_back(microseconds);
    ASSERT_FALSE(engine.empty()) << "no engine timing in " << session->timingFile();
    std::printf("engine share, MIDI callback to submitted block: median %.0f us, maximum %.0f us\n", median(engine),
                *std::max_element(engine.begin(), engine.end()));
    RecordProperty("latency_median_frames", static_cast<int>(median(latencies)));
    RecordProperty("latency_max_frames", static_cast<int>(worst));
    RecordProperty("engine_median_us", static_cast<int>(median(engine)));
}

TEST_F(LinuxDesktop, KeepsPitchAndLengthWhenTheServerRunsAt48000)
{
    ASSERT_NO_FATAL_FAILURE(start(48000, "resample"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    JackTestClient& jack = session->jack();
    const double ratio = 48000.0 / 44100.0;
    constexpr float threshold = 1e-3f;

    // A key of the organ.
    const std::vector<float> window = channelOf(DemoOrgan::playWindow(organ.stops()[0], 60), 0);
    const Span expected = soundingSpan(window, threshold);
    EXPECT_TRUE(jack.playUndisturbed({60}, [&] {
        jack_nframes_t sound = 0;
        if (!jack.firstSound(jack.send({noteOn(60)}), sound, 3000)) return testing::AssertionFailure() << "no sound";
        const std::vector<float> note = jack.recorded(0, sound - period, 2 * windowFrames);
        jack.saveWav(session->scratch() + "/note-48000.wav", sound - period, 2 * windowFrames);
        jack.send({noteOff(60)});
        return keepsLengthAndPitch(note, threshold, (expected.end - expected.first) * ratio, 48.0, window, 261.63);
    }));

    // Open Wav plays a whole file at the server's rate.
    const std::string file = DemoOrgan::sampleFile(organ.stops()[0], 69);
    const auto fileFrames = static_cast<jack_nframes_t>((std::filesystem::file_size(file) - 44) / 4 * ratio);
    EXPECT_TRUE(jack.playUndisturbed({}, [&] {
        const jack_nframes_t before = jack.frameTime();
        jack_nframes_t played = 0;
        if (!session->chooseFromFileMenu(1, file) || !jack.firstSound(before, played, 5000))
            return testing::AssertionFailure() << "Open Wav played nothing";
        jack.saveWav(session->scratch() + "/open-wav-48000.wav", played - period, fileFrames + 4 * period);
        return keepsLengthAndPitch(jack.recorded(0, played - period, fileFrames + 4 * period), threshold, fileFrames,
                                   0.01 * fileFrames, channelOf(DemoOrgan::playWindow(organ.stops()[0], 69), 0), 440.0);
    }));

    session->typeKeys({"Escape"});
    expectExit(330 & 0xFF);
}

TEST_F(LinuxDesktop, FindsTheServerAgainWhenItComesBack)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "server-back"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    const std::string file = DemoOrgan::sampleFile(organ.stops()[0], 69);

    // The server stops while a key's block plays: the engine's trace shows
    // the block reported done then, not when the next key is played.
    jack_nframes_t sound = 0;
    ASSERT_TRUE(session->jack().firstSound(session->jack().send({noteOn(64)}), sound, 3000));
    session->stopJack();
    std::string cutOff;
    for (int tries = 0; tries < 100 && cutOff.empty(); ++tries, pause(20)) {
        std::ifstream timing(session->timingFile());
        for (std::string line; std::getline(timing, line);)
            if (line.rfind("cut-off ", 0) == 0) cutOff = line;
    }
    ASSERT_FALSE(cutOff.empty()) << "the block cut off was not reported done when the server stopped";
    EXPECT_LT(std::stod(cutOff.substr(8)), 100000.0) << cutOff << " us after the server stopped";

    // Without a server the window goes on: Open Wav returns, a stop switches.
    ASSERT_TRUE(session->chooseFromFileMenu(1, file));
    ASSERT_NO_FATAL_FAILURE(switchStopOn(1));
    EXPECT_EQ(session->velmara().waitForExit(300), -1) << session->velmara().standardError();

    const auto restarted = std::chrono::steady_clock::now();
    ASSERT_TRUE(session->startJack()) << "cannot start jackd again";
    JackTestClient& jack = session->jack();
    ASSERT_TRUE(session->velmaraListensTo(jack.acceptedPort())) << session->velmara().standardError();
    const auto reconnected = std::chrono::steady_clock::now() - restarted;
    EXPECT_LT(reconnected, std::chrono::seconds(2))
        << "the keyboard was connected again only after " << std::chrono::duration<double>(reconnected).count() << " s";
    EXPECT_TRUE(jack.isConnected("velmara:out_left", "system:playback_1"));
    EXPECT_TRUE(jack.isConnected("velmara:out_right", "system:playback_2"));

    ASSERT_TRUE(jack.listenToVelmara());
    jack.send({noteOff(64)});
    EXPECT_TRUE(playsNote60(1)) << "the note after the server came back is not the stop's window";
    session->typeKeys({"Escape"});
    expectExit(330 & 0xFF);
}

TEST_F(LinuxDesktop, ConnectsTheKeyboardAgainWhenItsPortComesBack)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "keyboard-back"));
    ASSERT_NO_FATAL_FAILURE(openOrgan());
    JackTestClient& jack = session->jack();
    ASSERT_TRUE(session->velmaraListensTo(jack.acceptedPort()));

    jack.unplugKeyboard();
    pause(500);
    ASSERT_TRUE(jack.plugKeyboard());
    EXPECT_TRUE(session->velmaraListensTo(jack.acceptedPort())) << session->velmara().standardError();
    EXPECT_FALSE(jack.isConnected(jack.rejectedPort(), "velmara:midi_in"));
    EXPECT_TRUE(playsNote60(0)) << "the note after the keyboard came back is not the stop's window";
    session->typeKeys({"Escape"});
    expectExit(330 & 0xFF);
}

TEST_F(LinuxDesktop, NamesTheMidiPortsWhenNoneIsAcceptedThenTakesOneAliasedLater)
{
    session = std::make_unique<VelmaraSession>("no-accepted-name");
    ASSERT_TRUE(session->startServers(44100));
    JackTestClient& jack = session->jack();
    jack.unplugKeyboard();
    ASSERT_TRUE(jack.plugKeyboard(false));
    ASSERT_TRUE(session->startVelmara(DemoOrgan::workingDirectory()));
    unsigned long window = 0;
    ASSERT_TRUE(session->waitForWindow(window)) << session->velmara().standardError();

    std::istringstream lines(session->velmara().standardError());
    int saying = 0;
    for (std::string line; std::getline(lines, line);)
        saying += line.find("accepted") != std::string::npos && line.find(jack.rejectedPort()) != std::string::npos &&
                  line.find(jack.acceptedPort()) != std::string::npos;
    EXPECT_EQ(saying, 1) << session->velmara().standardError();

    jack.aliasKeyboard();
    EXPECT_TRUE(session->velmaraListensTo(jack.acceptedPort())) << "the port aliased later was not connected";
    session->typeKeys({"Escape"});
    expectExit(330 & 0xFF);
}

TEST_F(LinuxDesktop, EndsWithCode1AndItsMessageWithoutAJackServer)
{
    session = std::make_unique<VelmaraSession>("no-server");
    ASSERT_TRUE(session->startServers(0));
    ASSERT_TRUE(session->startVelmara(DemoOrgan::workingDirectory()));
    EXPECT_EQ(session->velmara().waitForExit(10000), 1);
    EXPECT_NE(session->velmara().standardError().find("unable to open WAVE_MAPPER device\n"), std::string::npos)
        << session->velmara().standardError();
}

TEST_F(LinuxDesktop, MissingButtonImagesShowTheMessageThenEnd)
{
    // An organ of one demo stop whose BRIMWELL has no boutons directory.
    const std::filesystem::path root = makeScratchDirectory("no-buttons-organ");
    std::filesystem::create_directories(root / "BRIMWELL");
    std::filesystem::create_directories(root / "Orgue");
    std::filesystem::create_directory_symlink(std::filesystem::path(DemoOrgan::root()) / "BRIMWELL" / organ.stops()[0],
                                              root / "BRIMWELL" / organ.stops()[0]);
    std::ofstream(root / "BRIMWELL" / "one.org") << organ.stops()[0] << "\r\nEND\r\n";

    ASSERT_NO_FATAL_FAILURE(start(44100, "no-buttons", (root / "Orgue").string()));
    ASSERT_TRUE(session->chooseFromFileMenu(0, (root / "BRIMWELL" / "one.org").string()));
    unsigned long box = 0;
    ASSERT_TRUE(session->waitForWindowNamed("^ Boutons introuvables$", box));
    takeScreenshot(session->display()).savePng(session->scratch() + "/message.png");
    EXPECT_EQ(session->velmara().waitForExit(300), -1) << "ended before the message was answered";
    xdotool(session->display(), {"windowfocus", "--sync", std::to_string(box)});
    xdotool(session->display(), {"key", "Return"});
    expectExit(988 & 0xFF);
}

// Without a compositor a closing menu exposes the window below it: only that
// part is erased and repainted, as Windows does with the update region, so
// the start banner, which no paint draws again, stays where it was not
// covered.
TEST_F(LinuxDesktop, RepaintsOnlyTheUncoveredPart)
{
    ASSERT_NO_FATAL_FAILURE(start(44100, "expose"));
    ASSERT_TRUE(session->coverBriefly(150, 450, 450, 150));
    EXPECT_TRUE(session->waitForPixel(300, 530, white)) << "the uncovered half of the banner was not erased";
    ASSERT_TRUE(session->coverBriefly(0, 0, 150, 150));
    pause(500);
    const Screenshot shot = takeScreenshot(session->display());
    shot.savePng(session->scratch() + "/uncovered.png");
    EXPECT_EQ(session->pixel(shot, 998, 574), green) << "the banner outside the uncovered parts was erased";
    EXPECT_EQ(session->pixel(shot, 999, 575), black);
    EXPECT_EQ(session->pixel(shot, 300, 530), white);
}

}  // namespace

}  // namespace linux_test
