// The shell on the headless host: the key scan against the real mixer and
// virtual-clock audio device, the window procedure, the menu commands with
// their choosers and dialogs, and a soak of random MIDI input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "midi/midi_input.h"
#include "platform/cairo/surface_cairo.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/event_log_headless.h"
#include "platform/headless/midi_headless.h"
#include "platform/headless/window_headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/key_scan.h"
#include "shell/resources.h"
#include "shell/window_procedure.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using platform::MessageKind;

std::int16_t alphaValue(std::size_t i) { return static_cast<std::int16_t>(static_cast<int>(i % 200) - 100); }
std::int16_t betaValue(std::size_t i) { return static_cast<std::int16_t>(3 * (static_cast<int>(i % 97) - 48)); }

std::vector<std::uint8_t> text(const std::string& s) { return {s.begin(), s.end()}; }

// The start-up steps before the window: fonts, brushes and pens, wave output.
void startOnce()
{
    static const bool opened = [] {
        createFonts();
        createBrushesAndPens();
        openWaveOutput();
        return true;
    }();
    (void)opened;
}

// Every key up, seen by a pass, and the device idle again.
void releaseAllKeys()
{
    for (auto& flag : keyState) flag.store(0);
    keyScan();
    platform::headless::advanceAudioClock(1000);
    keyScan();
}

// A two-stop organ ("Alpha", "Beta") opened through openOrgan, a main window
// on the headless window system, and a fresh event log.
class ShellOrgan : public testing::Test {
protected:
    void SetUp() override
    {
        startOnce();
        fixtures::writeStop(organ, "Alpha", fixtures::waveImageOfSize(100000, alphaValue));
        fixtures::writeStop(organ, "Beta", fixtures::waveImageOfSize(100000, betaValue));
        fixtures::writeButtons(organ);
        fixtures::writeFile(organ.workingDirectory / "test.org", text("Alpha\r\nBeta\r\nEND\r\n"));
        organBank.currentStop = 0;
        openOrgan("test.org");

        platform::headless::resetWindowSystem();
        platform::registerMainWindowClass({"VELMARA", "Velmara", windowProcedure, &menuResource, 107, 108});
        platform::createMainWindow();
        platform::loadAccelerators(acceleratorResource);
        platform::headless::openEventLog(logPath.c_str());
    }

    void TearDown() override
    {
        releaseAllKeys();
        organBank.currentStop = 0;
        platform::headless::resetWindowSystem();
        fs::remove(logPath);
    }

    std::vector<std::string> events() const
    {
        std::vector<std::string> lines;
        std::string line;
        for (std::uint8_t byte : fixtures::readFile(logPath)) {
            if (byte != '\n') {
                line += static_cast<char>(byte);
                continue;
            }
            lines.push_back(line);
            line.clear();
        }
        return lines;
    }

    std::string lastEvent() const
    {
        const auto lines = events();
        return lines.empty() ? std::string() : lines.back();
    }

    // How many times event was logged after the last line starting with since.
    long countEventsSince(const std::string& since, const std::string& event) const
    {
        const auto lines = events();
        auto start = lines.begin();
        for (auto line = lines.begin(); line != lines.end(); ++line)
            if (line->rfind(since, 0) == 0) start = line;
        return std::count(start, lines.end(), event);
    }

    long countEvents(const std::string& event) const
    {
        const auto lines = events();
        return std::count(lines.begin(), lines.end(), event);
    }

    fixtures::OrganDirectory organ;
    const std::string logPath =
        (fs::temp_directory_path() / ("velmara-shell-test-" + std::to_string(::getpid()) + ".log")).string();
};

// Entry i of the play window (mix entry 80 + i) for one voice of a stop.
void expectOutputIsOneVoice(std::int16_t (*valueAt)(std::size_t), const std::int16_t* output)
{
    for (std::size_t i = 80; i < 50000; i += 997) ASSERT_EQ(output[i], valueAt(i)) << "entry " << i;
}

TEST_F(ShellOrgan, PlaysOnlyWhenTheHighestChangedKeyWentDown)
{
    keyState[20].store(1);
    keyScan();
    ASSERT_EQ(polyphony, 1);
    ASSERT_EQ(countEvents("wave-submit 99840"), 1);
    platform::headless::advanceAudioClock(600);
    ASSERT_EQ(waveDone.load(), 1);

    // Key 10 down and key 20 up: both mixed, nothing new played.
    keyState[10].store(1);
    keyState[20].store(0);
    keyScan();
    EXPECT_EQ(polyphony, 1);
    EXPECT_EQ(playPending, 0);
    EXPECT_EQ(keyStatePrev[10], 1);
    EXPECT_EQ(keyStatePrev[20], 0);
    EXPECT_EQ(countEvents("wave-submit 99840"), 1);
    EXPECT_EQ(waveDone.load(), 1);
    expectOutputIsOneVoice(alphaValue, mixOutput);

    // Key 10 up and key 20 down, now on stop Beta: played.
    organBank.currentStop = 1;
    keyState[10].store(0);
    keyState[20].store(1);
    keyScan();
    EXPECT_EQ(polyphony, 1);
    EXPECT_EQ(playPending, 0);
    EXPECT_EQ(countEvents("wave-submit 99840"), 2);
    EXPECT_EQ(waveDone.load(), 0);
    expectOutputIsOneVoice(betaValue, playBuffer);
}

TEST_F(ShellOrgan, KeyDownAndUpBetweenTwoPassesIsNeverSeen)
{
    keyState[5].store(1);
    keyState[5].store(0);
    keyScan();
    EXPECT_EQ(polyphony, 0);
    EXPECT_EQ(countEvents("wave-submit 99840"), 0);
}

TEST_F(ShellOrgan, FinishedBufferIsStoppedByTheNextPass)
{
    keyState[30].store(1);
    keyScan();
    platform::headless::advanceAudioClock(300);
    keyScan();
    EXPECT_EQ(countEventsSince("wave-submit", "wave-reset"), 0) << "a playing buffer is left alone";

    platform::headless::advanceAudioClock(300);
    ASSERT_EQ(lastEvent(), "wave-done");
    keyScan();
    EXPECT_EQ(lastEvent(), "wave-reset");
}

TEST_F(ShellOrgan, ReleaseOfTheLastKeyStopsAtOnceAndButtonReleaseSilences)
{
    keyState[40].store(1);
    keyScan();
    keyState[40].store(0);
    keyScan();
    EXPECT_EQ(polyphony, 0);
    EXPECT_EQ(waveDone.load(), 1) << "the buffer was reset, not left to play";

    keyState[41].store(1);
    keyScan();
    ASSERT_EQ(waveDone.load(), 0);
    EXPECT_TRUE(windowProcedure({MessageKind::leftButtonUp, 0, 0}));
    EXPECT_EQ(mouseDown, 0);
    EXPECT_EQ(waveDone.load(), 1);
    EXPECT_EQ(polyphony, 1) << "the key is still held";
}

TEST_F(ShellOrgan, LeftButtonPressIsConvertedToLogicalUnits)
{
    EXPECT_TRUE(windowProcedure({MessageKind::leftButtonDown, 0, 5u << 16 | 3u}));
    EXPECT_EQ(mouseDown, 1);
    EXPECT_EQ(mousePoint.x, 1);
    EXPECT_EQ(mousePoint.y, 3);
    windowProcedure({MessageKind::leftButtonDown, 0, 767u << 16 | 1279u});
    EXPECT_EQ(mousePoint.x, 639);
    EXPECT_EQ(mousePoint.y, 479);
    windowProcedure({MessageKind::leftButtonDown, 0, 0xFFFFFFFFu});
    EXPECT_EQ(mousePoint.x, 32767) << "coordinates are unsigned 16-bit";
    EXPECT_EQ(mousePoint.y, 40959);
    windowProcedure({MessageKind::leftButtonUp, 0, 0});
    EXPECT_EQ(mouseDown, 0);
}

TEST_F(ShellOrgan, PressOnAStopMakesItCurrent)
{
    const LogicalRect rect = organBank.stops[1].rect;
    const std::uint32_t x = static_cast<std::uint32_t>((rect.left + rect.right) / 2 * 2);
    const std::uint32_t y = static_cast<std::uint32_t>((rect.top + rect.bottom) / 2 * 768 / 480 + 1);
    windowProcedure({MessageKind::leftButtonDown, 0, y << 16 | x});
    EXPECT_EQ(organBank.currentStop, 1);
    EXPECT_EQ(organBank.stops[1].on, 1);
}

TEST_F(ShellOrgan, OtherMessagesAndUnknownCommandsAreHandledOrLeftAsTheTableSays)
{
    EXPECT_TRUE(windowProcedure({MessageKind::character, 'a', 0}));
    EXPECT_TRUE(windowProcedure({MessageKind::keyDown, 27, 0}));
    EXPECT_TRUE(windowProcedure({MessageKind::size, 0, 0}));
    for (std::uint32_t command : {32774u, 32775u, 999u, 0u})
        EXPECT_FALSE(windowProcedure({MessageKind::command, command, 0})) << command;
    EXPECT_EQ(events(), std::vector<std::string>{});
}

TEST_F(ShellOrgan, PaintDrawsTheKeyboardOnlyWithAnOrgan)
{
    constexpr platform::Color black = 0x000000;
    constexpr platform::Color white = 0xFFFFFF;
    const int blackKeyX = 2 * 147;
    const int blackKeyY = 310 * 768 / 480;

    const int stops = organBank.stopCount;
    organBank.stopCount = 0;
    EXPECT_TRUE(windowProcedure({MessageKind::paint, 0, 0}));
    EXPECT_NE(drawingContext, nullptr);
    EXPECT_EQ(platform::cairo::windowPixel(blackKeyX, blackKeyY), white);

    organBank.stopCount = stops;
    EXPECT_TRUE(windowProcedure({MessageKind::paint, 0, 0}));
    EXPECT_EQ(platform::cairo::windowPixel(blackKeyX, blackKeyY), black);
}

TEST_F(ShellOrgan, CancelledOrTooLongChoiceOpensNothing)
{
    platform::headless::queueChooserCancel();
    EXPECT_TRUE(handleCommand(resource::commandOpenOrgan));
    EXPECT_EQ(organBank.stopCount, 2);
    EXPECT_FALSE(platform::pumpMessage()) << "nothing to repaint";

    fixtures::writeFile(organ.workingDirectory / "long1.org", text("Beta\r\nEND\r\n"));
    std::string fits = "long1.org";
    while (fits.size() < 255) fits = "./" + fits;
    const std::string tooLong = "./" + fits.substr(1);
    ASSERT_EQ(fits.size(), 255u);
    ASSERT_EQ(tooLong.size(), 256u);

    platform::headless::queueChooserPath(tooLong);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(handleCommand(resource::commandOpenOrgan));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The chosen path is longer than 255 characters; nothing was opened.\n");
    EXPECT_EQ(organBank.stopCount, 2);
    EXPECT_FALSE(platform::pumpMessage());

    platform::headless::queueChooserPath(fits);
    EXPECT_TRUE(handleCommand(resource::commandOpenOrgan));
    EXPECT_EQ(organBank.stopCount, 1);
    EXPECT_TRUE(platform::pumpMessage());
    EXPECT_EQ(events(), (std::vector<std::string>{"chooser Fichier org|Fichier ORG", "chooser Fichier org|Fichier ORG",
                                                  "chooser Fichier org|Fichier ORG", "paint"}));
}

TEST_F(ShellOrgan, OpenWavPlaysTheChosenFileOnly)
{
    EXPECT_TRUE(handleCommand(resource::commandOpenWav));
    platform::headless::queueChooserPath("../BRIMWELL/Alpha/060-C.wav");
    EXPECT_TRUE(handleCommand(resource::commandOpenWav));
    EXPECT_EQ(events(), (std::vector<std::string>{"chooser Fichier wav|Fichier WAV", "chooser Fichier wav|Fichier WAV",
                                                  "playsound ../BRIMWELL/Alpha/060-C.wav"}));
}

TEST_F(ShellOrgan, ClosingSettingsRepaintsAndAboutDoesNot)
{
    platform::headless::queueDialogAnswer(platform::dialogCancel);
    EXPECT_TRUE(handleCommand(resource::commandSettings));
    EXPECT_TRUE(platform::pumpMessage());
    EXPECT_TRUE(handleCommand(resource::commandSettings));
    EXPECT_TRUE(platform::pumpMessage());
    EXPECT_TRUE(handleCommand(resource::commandAbout));
    EXPECT_FALSE(platform::pumpMessage());
    EXPECT_EQ(events(), (std::vector<std::string>{"dialog 130", "paint", "dialog 130", "paint", "dialog 103"}));
}

std::deque<char> altCharacters;

bool typedWithAlt(platform::headless::InputEvent& event)
{
    if (altCharacters.empty()) return false;
    event.kind = platform::headless::InputEvent::Kind::altCharacter;
    event.character = altCharacters.front();
    altCharacters.pop_front();
    return true;
}

TEST_F(ShellOrgan, AltQuestionMarkAndAltSlashOpenAbout)
{
    altCharacters = {'?', 'x', '/'};
    platform::headless::setInputSource(typedWithAlt);
    while (platform::pumpMessage()) {
    }
    EXPECT_EQ(events(), (std::vector<std::string>{"dialog 103", "dialog 103"}));
}

TEST(ShellResources, StringsAreCutToTheBuffer)
{
    char buffer[100];
    EXPECT_EQ(loadString(resource::classNameString, buffer, 100), 7);
    EXPECT_STREQ(buffer, "VELMARA");
    EXPECT_EQ(loadString(resource::classNameString, buffer, 4), 3);
    EXPECT_STREQ(buffer, "VEL");
    EXPECT_EQ(loadString(12345, buffer, 100), 0);
    EXPECT_STREQ(buffer, "");
}

TEST(ShellExitDeathTest, EscapeAndDestroyEndTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(windowProcedure({MessageKind::character, 27, 0}), testing::ExitedWithCode(330 & 0xFF), "");
    EXPECT_EXIT(windowProcedure({MessageKind::character, 0x1001B, 0}), testing::ExitedWithCode(330 & 0xFF), "");
    EXPECT_EXIT(windowProcedure({MessageKind::destroy, 0, 0}), testing::ExitedWithCode(800 & 0xFF), "");
}

// A million random messages by default; the sanitizer run asks for fewer.
long soakMessageCount()
{
    const char* count = std::getenv("VELMARA_SOAK_MESSAGES");
    return count != nullptr ? std::atol(count) : 1000000;
}

std::vector<std::uint32_t> randomMessages(std::mt19937& random, int count)
{
    std::vector<std::uint32_t> messages;
    for (int i = 0; i < count; ++i) {
        const auto word = static_cast<std::uint32_t>(random());
        const std::uint8_t kinds[] = {0x80, 0x90, 0x90, 0x90};
        if (word % 10 < 7) {
            const auto note = static_cast<std::uint8_t>(30 + (word >> 8) % 72);
            const auto velocity = static_cast<std::uint8_t>((word >> 16) % 4 == 0 ? 0 : (word >> 20) % 128);
            messages.push_back(platform::headless::packMidiMessage(kinds[(word >> 4) % 4], note, velocity));
        } else {
            messages.push_back(word & 0xFFFFFF);
        }
    }
    return messages;
}

TEST_F(ShellOrgan, SoakOfRandomMidiEndsSilent)
{
    platform::headless::removeMidiDevices();
    platform::headless::addMidiDevice("Axiom Pro 61 USB A In");
    openMidiInput();
    ASSERT_NE(midiInDevice, nullptr);

    std::mt19937 random(20130);
    for (long sent = 0; sent < soakMessageCount();) {
        const int count = 1 + static_cast<int>(random() % 200);
        ASSERT_TRUE(platform::headless::postMidiMessages(randomMessages(random, count)));
        for (std::uint32_t pass = random() % 4; pass > 0; --pass) keyScan();
        platform::headless::waitMidiDelivered();
        if (random() % 3 == 0) platform::headless::advanceAudioClock(static_cast<double>(random() % 700000) / 1000);
        if (random() % 50 == 0) organBank.currentStop = static_cast<int>(random() % 2);
        sent += count;
    }

    std::vector<std::uint32_t> allOff;
    for (int note = firstMidiNote; note <= lastMidiNote; ++note)
        allOff.push_back(platform::headless::packMidiMessage(0x80, static_cast<std::uint8_t>(note), 0));
    ASSERT_TRUE(platform::headless::postMidiMessages(allOff));
    platform::headless::waitMidiDelivered();
    keyScan();

    EXPECT_EQ(polyphony, 0);
    EXPECT_TRUE(std::all_of(mixAccumulator, mixAccumulator + mixLength, [](std::int32_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(std::begin(keyStatePrev), std::end(keyStatePrev), [](std::uint8_t v) { return v == 0; }));
    platform::headless::removeMidiDevices();
    midiInDevice = nullptr;
}

}  // namespace
