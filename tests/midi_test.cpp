// MIDI input: note decoding into keyState, and the choice and opening of the
// input device among the headless host's named devices.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "midi/midi_input.h"
#include "platform/headless/event_log_headless.h"
#include "platform/headless/midi_headless.h"
#include "support/fixtures.h"

namespace {

using platform::headless::packMidiMessage;

std::array<std::uint8_t, keyCount> snapshot()
{
    std::array<std::uint8_t, keyCount> flags{};
    for (int k = 0; k < keyCount; ++k) flags[static_cast<std::size_t>(k)] = keyState[k].load();
    return flags;
}

void clearKeys()
{
    for (auto& flag : keyState) flag.store(0);
}

void send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    midiInputCallback(platform::midiMessageData, packMidiMessage(status, data1, data2), 0);
}

class MidiDecoding : public testing::Test {
protected:
    void SetUp() override { clearKeys(); }
    void TearDown() override { clearKeys(); }
};

TEST_F(MidiDecoding, NoteOnSetsAndVelocityZeroOrNoteOffClears)
{
    send(0x90, 60, 100);
    EXPECT_EQ(keyState[24].load(), 1);
    send(0x90, 60, 100);
    EXPECT_EQ(keyState[24].load(), 1) << "a second Note On leaves the key held";
    send(0x90, 60, 0);
    EXPECT_EQ(keyState[24].load(), 0);
    send(0x90, 60, 1);
    send(0x80, 60, 64);
    EXPECT_EQ(keyState[24].load(), 0);
    send(0x80, 60, 0);
    EXPECT_EQ(keyState[24].load(), 0) << "a Note Off for a key that is up leaves it up";

    const auto after = snapshot();
    EXPECT_EQ(std::count(after.begin(), after.end(), 1), 0) << "no other key was touched";
}

TEST_F(MidiDecoding, ManualSpansNotes36To96Only)
{
    send(0x90, 36, 90);
    send(0x90, 96, 90);
    EXPECT_EQ(keyState[0].load(), 1);
    EXPECT_EQ(keyState[60].load(), 1);

    const auto before = snapshot();
    for (std::uint8_t note : {0, 35, 97, 127}) {
        send(0x90, note, 100);
        send(0x80, note, 0);
        send(0x90, note, 0);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(MidiDecoding, OnlyChannelOneNotesChangeTheTable)
{
    send(0x90, 48, 100);
    send(0x90, 72, 100);
    const auto before = snapshot();
    const std::vector<std::uint32_t> others = {
        packMidiMessage(0x91, 60, 100),  // Note On, channel 2
        packMidiMessage(0x99, 60, 100),  // Note On, channel 10 (percussion)
        packMidiMessage(0x81, 48, 0),    // Note Off, channel 2
        packMidiMessage(0x89, 72, 0),    // Note Off, channel 10
        packMidiMessage(0x9F, 50, 100),  // Note On, channel 16
        packMidiMessage(0xB0, 64, 127),  // sustain pedal down
        packMidiMessage(0xB0, 64, 0),    // sustain pedal up
        packMidiMessage(0xB0, 123, 0),   // all notes off
        packMidiMessage(0xC0, 5, 0),     // program change
        packMidiMessage(0xE0, 0, 64),    // pitch bend
        packMidiMessage(0xA0, 48, 0),    // polyphonic pressure
        packMidiMessage(0xD0, 0, 0),     // channel pressure
        packMidiMessage(0xF8, 0, 0),     // clock
        packMidiMessage(0xFE, 0, 0),     // active sensing
        0,                               // open or close notice
    };
    for (std::uint32_t message : others) midiInputCallback(platform::midiMessageData, message, 0);
    midiInputCallback(platform::midiMessageOpen, 0, 0);
    midiInputCallback(platform::midiMessageClose, 0, 0);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(MidiDecoding, BitsAboveTheShortMessageAreNotPartOfIt)
{
    midiInputCallback(platform::midiMessageData, 0xFF000000u | packMidiMessage(0x90, 40, 1), 0);
    EXPECT_EQ(keyState[4].load(), 1);
}

// The device list is the headless host's; every test starts without devices.
class MidiDeviceChoice : public testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::removeMidiDevices();
        midiInDevice = nullptr;
        clearKeys();
        platform::headless::openEventLog(logPath.c_str());
    }

    void TearDown() override
    {
        platform::headless::removeMidiDevices();
        midiInDevice = nullptr;
        clearKeys();
        std::filesystem::remove(logPath);
    }

    // openMidiInput with the given devices; returns what it printed.
    std::string openWith(const std::vector<std::string>& names)
    {
        for (const std::string& name : names) platform::headless::addMidiDevice(name);
        testing::internal::CaptureStdout();
        openMidiInput();
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    std::string log()
    {
        const auto bytes = fixtures::readFile(logPath);
        return {bytes.begin(), bytes.end()};
    }

    const std::string logPath =
        (std::filesystem::temp_directory_path() / ("velmara-midi-test-" + std::to_string(::getpid()) + ".log")).string();
};

TEST_F(MidiDeviceChoice, NoDeviceOpensNothing)
{
    EXPECT_EQ(openWith({}), "");
    EXPECT_EQ(midiInDevice, nullptr);
    EXPECT_EQ(log(), "");
}

TEST_F(MidiDeviceChoice, OpensTheDeviceWithAnAcceptedNameAndPlaysFromItsThread)
{
    EXPECT_EQ(openWith({"MIDI Yoke NT:  1", "Axiom Pro 61 HyperControl In", "Axiom Pro 61 USB A In"}), "");
    EXPECT_NE(midiInDevice, nullptr);
    EXPECT_EQ(platform::headless::openedMidiDevice(), 2);
    EXPECT_EQ(log(), "midi-open 2 -> 0\n");

    ASSERT_TRUE(platform::headless::sendMidiMessage(packMidiMessage(0x90, 61, 80)));
    EXPECT_EQ(keyState[25].load(), 1);
    ASSERT_TRUE(platform::headless::sendMidiMessage(packMidiMessage(0x80, 61, 80)));
    EXPECT_EQ(keyState[25].load(), 0);
}

TEST_F(MidiDeviceChoice, FrenchNameIsMatchedAsWindows1252Bytes)
{
    openWith({"P\xC3\xA9riph\xC3\xA9rique audio USB", "P\xE9riph\xE9rique audio USB"});
    EXPECT_EQ(platform::headless::openedMidiDevice(), 1);
}

TEST_F(MidiDeviceChoice, NamesDifferingInCaseOrLengthAreNotOpened)
{
    openWith({"axiom pro 61 usb a in", "AXIOM PRO 61 USB A IN", "p\xE9riph\xE9rique audio usb",
              "Axiom Pro 61 USB A In ", "Axiom Pro 61 USB A"});
    EXPECT_EQ(midiInDevice, nullptr);
    EXPECT_EQ(log(), "");
    EXPECT_FALSE(platform::headless::sendMidiMessage(packMidiMessage(0x90, 60, 100)));
    EXPECT_EQ(keyState[24].load(), 0);
}

TEST_F(MidiDeviceChoice, FirstOfTwoAcceptedDevicesIsOpened)
{
    openWith({"P\xE9riph\xE9rique audio USB", "Axiom Pro 61 USB A In"});
    EXPECT_EQ(platform::headless::openedMidiDevice(), 0);
    EXPECT_EQ(log(), "midi-open 0 -> 0\n");
}

TEST_F(MidiDeviceChoice, AllocatedDeviceIsQuietlyLeftAlone)
{
    platform::headless::setMidiOpenResult(0, platform::deviceErrorAllocated);
    EXPECT_EQ(openWith({"Axiom Pro 61 USB A In", "P\xE9riph\xE9rique audio USB"}), "");
    EXPECT_EQ(midiInDevice, nullptr);
    EXPECT_EQ(log(), "midi-open 0 -> 4\n") << "later devices are not looked at";
    EXPECT_FALSE(platform::headless::sendMidiMessage(packMidiMessage(0x90, 60, 100)));
}

TEST_F(MidiDeviceChoice, OtherOpenFailureIsReportedWithoutLineEnd)
{
    platform::headless::setMidiOpenResult(1, 2);
    EXPECT_EQ(openWith({"MIDI Yoke NT:  1", "Axiom Pro 61 USB A In", "Axiom Pro 61 USB A In"}),
              "There was an error opening the default MIDI In device!");
    EXPECT_EQ(midiInDevice, nullptr);
    EXPECT_EQ(log(), "midi-open 1 -> 2\n");
}

}  // namespace
