// The Windows program played from MIDI keyboards under Wine. The ALSA
// sequencer stand-in presents the keyboards and plays them; Wine's own MIDI
// driver and winmm carry every message to the real velmara.exe, whose keys,
// sound and standard output are looked at. Wine 8 crashes while tearing its
// MIDI thread down at the end of a process that listed MIDI devices, after
// the exit code is set, so the program is started through "start /b /wait",
// which reports that code as a Windows parent sees it.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "sequencer_standin.h"
#include "windows_program.h"

namespace {

namespace fs = std::filesystem;
using namespace wine;

const std::string axiom = "Axiom Pro 61 USB A In";
const std::string failureReport = "There was an error opening the default MIDI In device!";
constexpr std::uintmax_t playWindowBytes = 99840;

// Bytes as the stand-in reads them: two hexadecimal digits and a space each.
std::string hex(std::initializer_list<int> bytes)
{
    std::string text;
    for (int byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", byte & 0xFF);
        text += digits;
    }
    return text;
}

// Several thousand messages a busy player and a controller surface send:
// on every channel a note, controllers (the sustain pedal held), pressure, a
// bend and a program change; on channel 1, in running status with clock
// bytes between, every note from 30 to 95 pressed in a run up and released
// on the way down, by Note Off or, in the last round, by Note On with
// velocity 0; then a note held on each of channels 2 to 16. Note 96 is never
// touched.
std::string burst(int& messages)
{
    constexpr int rounds = 24;
    std::string bytes;
    messages = 0;
    // One status, then a data pair per note from first to last.
    auto run = [&](int status, int first, int last, int velocity) {
        bytes += hex({status});
        const int step = first < last ? 1 : -1;
        for (int note = first; note != last + step; note += step) {
            bytes += hex({note, velocity});
            if (note % 8 == 0) bytes += hex({0xF8});
            ++messages;
        }
    };
    for (int round = 0; round < rounds; ++round) {
        for (int channel = 0; channel < 16; ++channel) {
            bytes += hex({0x90 | channel, 60 + round, 100, 0xB0 | channel, 64, 127, 0xB0 | channel, 1, round});
            bytes += hex({0xA0 | channel, 60 + round, 50, 0xD0 | channel, 70, 0xE0 | channel, round, 0x40});
            bytes += hex({0xC0 | channel, round, 0x80 | channel, 60 + round, 64});
            messages += 8;
        }
        run(0x90, 30, 95, 90);
        if (round == rounds - 1)
            run(0x90, 95, 30, 0);
        else
            run(0x80, 95, 30, 40);
        bytes += "\n";
    }
    for (int channel = 1; channel < 16; ++channel) bytes += hex({0x90 | channel, 40 + channel, 100});
    messages += 15;
    return bytes + "\n";
}

class MidiKeyboard : public WindowsProgram {
protected:
    // Starts the program with the stand-in presenting the ports, and
    // refusing what is asked; label names the run's files.
    void startWithKeyboards(const std::vector<std::string>& ports, const std::vector<std::string>& refusals = {},
                            const std::string& label = "run")
    {
        const fs::path directory = artefacts / (name + "-" + label);
        fs::create_directories(directory);
        standardOutput = directory / "stdout.txt";
        standin = std::make_unique<SequencerStandin>(directory, ports, refusals);
        startOrganThroughStart(standin->environment(), standardOutput);
    }

    void openDemoOrgan()
    {
        chooseInOpenDialog({"alt+f", "Return"}, organRoot / "BRIMWELL" / "Brimwell.org");
        ASSERT_TRUE(showsKeyboard(photographWhen("opened", showsKeyboard))) << "the organ was not opened";
    }

    std::string printed() const
    {
        std::ifstream file(standardOutput, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    std::unique_ptr<SequencerStandin> standin;
    fs::path standardOutput;
};

TEST_F(MidiKeyboard, TheAxiomAfterAnotherDeviceIsOpenedAndAChordLightsSoundsAndClears)
{
    ASSERT_NO_FATAL_FAILURE(startWithKeyboards({"MIDI Yoke NT:  1", axiom}));
    EXPECT_EQ(standin->log(), std::vector<std::string>{"subscribed to " + axiom});
    ASSERT_NO_FATAL_FAILURE(openDemoOrgan());

    // C, E and G of MIDI notes 60, 64 and 67 (keys 24, 28, 31), in running status.
    ASSERT_TRUE(standin->play(hex({0x90, 60, 100, 64, 100, 67, 100}) + "\n"));
    const ClientPicture held = photographWhen("held", [](const ClientPicture& p) {
        return !p.empty() && whiteKeyIsRed(p, 24) && whiteKeyIsRed(p, 28) && whiteKeyIsRed(p, 31);
    });
    EXPECT_TRUE(whiteKeyIsRed(held, 24) && whiteKeyIsRed(held, 28) && whiteKeyIsRed(held, 31));
    EXPECT_FALSE(whiteKeyIsRed(held, 26));
    EXPECT_TRUE(waitUntil([&] { return fs::exists(capture) && fs::file_size(capture) >= playWindowBytes; }, 30s))
        << "the chord was not played";
    std::this_thread::sleep_for(1s);

    // A Note Off, a Note On with velocity 0 and a Note Off with release velocity.
    ASSERT_TRUE(standin->play(hex({0x80, 60, 0, 0x90, 64, 0, 0x80, 67, 64}) + "\n"));
    const ClientPicture released =
        photographWhen("released", [](const ClientPicture& p) { return showsKeyboard(p) && redOnTheKeys(p) == 0; });
    EXPECT_EQ(redOnTheKeys(released), 0);
    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);

    const Samples played = readCapture(capture);
    const Span span = soundingSpan(played);
    EXPECT_GE(span.frames(), playWindowBytes / 4 - 64) << "a whole play window is heard";
    EXPECT_TRUE(chordIsHeard(played, span, organRoot / "BRIMWELL" / demoStopNames().at(0),
                             {"060-C.wav", "064-E.wav", "067-G.wav"}));
}

// Wine turns the UTF-8 port name into the code page's bytes, 0xE9 for each
// e acute, which is the name the program accepts.
TEST_F(MidiKeyboard, OnlyAnExactlyNamedKeyboardIsOpened)
{
    ASSERT_NO_FATAL_FAILURE(startWithKeyboards({"axiom pro 61 usb a in", "AXIOM PRO 61 USB A IN",
                                                "Axiom Pro 61 USB A in", "P\xC3\xA9riph\xC3\xA9rique audio USB"}));
    EXPECT_EQ(standin->log(), std::vector<std::string>{"subscribed to P\xC3\xA9riph\xC3\xA9rique audio USB"});
    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
    EXPECT_EQ(printed(), "");
}

// Wine's midiInOpen answers a refused subscription with
// MMSYSERR_NOTENABLED (3) and a sequencer that cannot be opened for input
// with MMSYSERR_ERROR (1): both are reported, and the program goes on.
TEST_F(MidiKeyboard, AFailedOpenIsReportedOnStandardOutputAndTheOrganStillOpens)
{
    const struct {
        std::string refusal;
        std::string recorded;
    } failures[] = {{"connect", "refused subscription to " + axiom}, {"open 2", "refused open 2"}};
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.refusal);
        ASSERT_NO_FATAL_FAILURE(startWithKeyboards({axiom}, {failure.refusal}, failure.refusal.substr(0, 4)));
        EXPECT_EQ(standin->log(), std::vector<std::string>{failure.recorded});
        ASSERT_NO_FATAL_FAILURE(openDemoOrgan());
        pressKeys({"Escape"});
        EXPECT_EQ(endStatus(), escapeStatus);
        EXPECT_EQ(printed(), failureReport);
    }
}

// Note 96 (key 60) pressed after the burst shows when the program has taken
// every message; its release must leave every key up.
TEST_F(MidiKeyboard, ABurstOfThousandsOfMessagesLeavesTheProgramPlayingAndEveryKeyUp)
{
    ASSERT_NO_FATAL_FAILURE(startWithKeyboards({axiom}));
    ASSERT_NO_FATAL_FAILURE(openDemoOrgan());
    int messages = 0;
    const std::string bytes = burst(messages);
    ASSERT_GT(messages, 5000);

    ASSERT_TRUE(standin->play(bytes + hex({0x90, 96, 100}) + "\n")) << "the program stopped taking messages";
    const ClientPicture last =
        photographWhen("last-key", [](const ClientPicture& p) { return !p.empty() && whiteKeyIsRed(p, 60); });
    ASSERT_TRUE(whiteKeyIsRed(last, 60)) << "the message after the burst did not arrive";

    ASSERT_TRUE(standin->play(hex({0x80, 96, 0}) + "\n"));
    const ClientPicture released =
        photographWhen("released", [](const ClientPicture& p) { return showsKeyboard(p) && redOnTheKeys(p) == 0; });
    EXPECT_EQ(redOnTheKeys(released), 0) << "a key stayed down";
    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
}

}  // namespace
