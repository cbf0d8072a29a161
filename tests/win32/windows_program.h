// What the Windows suites share: the unpacked zip, tools and artefacts that
// scripts/test-windows names, the fixture that starts velmara.exe and looks
// at its window, and the measures of its keyboard and its sound.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "captured_sound.h"
#include "client_view.h"
#include "screen_image.h"
#include "wine_programs.h"

namespace wine {

// The unpacked zip: Orgue/velmara.exe beside BRIMWELL.
extern const std::filesystem::path organRoot;
// velmara_selftest.exe and window_probe.exe from the Windows build.
extern const std::filesystem::path toolDirectory;
// Screenshots and captured sound are kept here.
extern const std::filesystem::path artefacts;
extern const WindowProbe windows;

constexpr int escapeStatus = 330 & 0xFF;
constexpr int destroyedStatus = 800 & 0xFF;

bool showsKeyboard(const ClientPicture& picture);
bool isBlueText(Rgb p);
bool isRedText(Rgb p);

// Key k held down is drawn red; white keys are tested in the middle of
// their lower band, which no other key covers.
bool whiteKeyIsRed(const ClientPicture& picture, int key);
// Red pixels on the keys' bodies, where no key number is written: none
// while every key is up.
int redOnTheKeys(const ClientPicture& picture);

// The stop names of a definition, one a line up to "END"; those of the demo's.
std::vector<std::string> stopNamesOf(const std::filesystem::path& definition);
std::vector<std::string> demoStopNames();

// The middle 8192 frames of the sound, where the pipe speaks steadily.
double steadyPitch(const Samples& samples);
double equalTemperedPitch(int midiNote);

// Each of the stop's sample files is heard in the frames of played: its
// pitch stands well above the semitones beside it.
testing::AssertionResult chordIsHeard(const Samples& played, Span span, const std::filesystem::path& stop,
                                      const std::vector<std::string>& files);

class WindowsProgram : public testing::Test {
protected:
    void SetUp() override;

    // ALSA's configuration for this test, plus the entries given.
    Arguments environment(const Arguments& extra = {}) const;

    std::filesystem::path workingDirectory() const { return organRoot / "Orgue"; }

    // Starts velmara.exe and waits for its maximised window.
    void startOrgan();
    // The same through Wine's "start /b /wait", whose exit code is the one
    // a Windows parent sees, with more environment and standard output
    // written to a file.
    void startOrganThroughStart(const Arguments& extraEnvironment, const std::filesystem::path& standardOutput);

    ClientPicture photograph(const std::string& label);

    // Photographs until the condition holds on the picture, or 60 s passed.
    template <typename Condition>
    ClientPicture photographWhen(const std::string& label, Condition condition)
    {
        ClientPicture picture;
        waitUntil([&] { return condition(picture = photograph(label)); }, std::chrono::seconds(60));
        return picture;
    }

    // Chooses a file in the common dialog that the keys open, by typing its
    // full path: the dialog starts in the folder it was last used in.
    void chooseInOpenDialog(const Arguments& menuKeys, const std::filesystem::path& file);

    int endStatus();

    std::string name;
    std::filesystem::path capture;
    std::unique_ptr<Process> organ;
    ClientArea mainWindow = {};

private:
    void waitForMainWindow();
};

}  // namespace wine
