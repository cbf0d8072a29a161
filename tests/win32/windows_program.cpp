// The Windows suites' shared fixture and measures (see windows_program.h).
#include "windows_program.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>

namespace wine {

namespace fs = std::filesystem;

namespace {

fs::path environmentPath(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}

}  // namespace

const fs::path organRoot = environmentPath("VELMARA_WINE_ORGAN");
const fs::path toolDirectory = environmentPath("VELMARA_WINE_TOOLS");
const fs::path artefacts = environmentPath("VELMARA_WINE_ARTEFACTS");
const WindowProbe windows(toolDirectory / "window_probe.exe");

// Key 1 (C sharp) fills logical (145, 300)-(150, 321), device (290, 480)-(300,
// 513); key 0 (C) is white beside it and below it.
bool showsKeyboard(const ClientPicture& picture)
{
    return !picture.empty() && picture.at(295, 496) == black && picture.at(288, 528) == white &&
           picture.at(284, 488) == white;
}

bool isBlueText(Rgb p) { return p.blue > 128 && p.red < 64 && p.green < 160; }
bool isRedText(Rgb p) { return p.red > 160 && p.green < 96 && p.blue < 96; }

// White key k's lower band is logical y 321 to 335 and 9 units wide from x
// 140 + 9 c, c its white-key column (E and B stand 2 units further left).
bool whiteKeyIsRed(const ClientPicture& picture, int key)
{
    constexpr int columnOfPitch[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
    const int pitch = key % 12;
    const int shift = pitch == 4 || pitch == 11 ? 2 : 0;
    const int left = 2 * (140 + 9 * (key / 12 * 7 + columnOfPitch[pitch]) - shift);
    const int patch = picture.count(left + 4, 518, left + 14, 530, [](Rgb p) { return p == red; });
    return patch == 10 * 12;
}

// Logical (140, 301)-(464, 335): below the numbers, above the keys' foot.
int redOnTheKeys(const ClientPicture& picture)
{
    return picture.count(280, 482, 930, 535, [](Rgb p) { return p == red; });
}

std::vector<std::string> stopNamesOf(const fs::path& definition)
{
    std::ifstream file(definition, std::ios::binary);
    std::vector<std::string> names;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "END") break;
        names.push_back(line);
    }
    return names;
}

std::vector<std::string> demoStopNames() { return stopNamesOf(organRoot / "BRIMWELL" / "Brimwell.org"); }

double steadyPitch(const Samples& samples)
{
    const Span span = soundingSpan(samples);
    return fundamental(samples, span.first + span.frames() / 2 - 4096, 8192);
}

double equalTemperedPitch(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

testing::AssertionResult chordIsHeard(const Samples& played, Span span, const fs::path& stop,
                                      const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        const double pitch = steadyPitch(readWaveData(stop / file));
        const double level = toneLevel(played, span.first, span.frames(), pitch);
        const double below = toneLevel(played, span.first, span.frames(), pitch * std::pow(2.0, -1.0 / 12));
        const double above = toneLevel(played, span.first, span.frames(), pitch * std::pow(2.0, 1.0 / 12));
        if (level <= 4 * below || level <= 4 * above)
            return testing::AssertionFailure() << file << " at " << pitch << " Hz is not heard: level " << level
                                               << ", semitones beside it " << below << " and " << above;
    }
    return testing::AssertionSuccess();
}

void WindowsProgram::SetUp()
{
    ASSERT_FALSE(organRoot.empty() || toolDirectory.empty() || artefacts.empty())
        << "run through scripts/test-windows, which sets VELMARA_WINE_ORGAN, VELMARA_WINE_TOOLS and "
           "VELMARA_WINE_ARTEFACTS";
    name = testing::UnitTest::GetInstance()->current_test_info()->name();
    capture = artefacts / (name + ".raw");
    fs::remove(capture);
    writeCaptureConfig(artefacts / (name + ".asoundrc"), capture);
}

Arguments WindowsProgram::environment(const Arguments& extra) const
{
    Arguments entries = {"ALSA_CONFIG_PATH=" + (artefacts / (name + ".asoundrc")).string()};
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
}

void WindowsProgram::waitForMainWindow()
{
    const std::optional<ClientArea> found = windows.waitFor("VELMARA", "-");
    ASSERT_TRUE(found.has_value()) << "the main window did not appear";
    mainWindow = *found;
}

void WindowsProgram::startOrgan()
{
    organ = std::make_unique<Process>(Arguments{"wine", (workingDirectory() / "velmara.exe").string()},
                                      workingDirectory(), environment());
    waitForMainWindow();
}

void WindowsProgram::startOrganThroughStart(const Arguments& extraEnvironment, const fs::path& standardOutput)
{
    organ = std::make_unique<Process>(Arguments{"wine", "start", "/b", "/wait", "velmara.exe"}, workingDirectory(),
                                      environment(extraEnvironment), standardOutput);
    waitForMainWindow();
}

ClientPicture WindowsProgram::photograph(const std::string& label)
{
    return {photographScreen(artefacts / (name + "-" + label + ".png")), mainWindow};
}

void WindowsProgram::chooseInOpenDialog(const Arguments& menuKeys, const fs::path& file)
{
    pressKeys(menuKeys);
    ASSERT_TRUE(windows.waitFor("#32770", "Open").has_value()) << "the Open dialog did not appear";
    typeText(windowsPath(file));
    pressKeys({"Return"});
    if (!windows.waitGone("#32770", "Open")) {
        photograph("open-dialog");
        FAIL() << "the Open dialog did not close";
    }
}

int WindowsProgram::endStatus()
{
    const std::optional<int> status = organ->waitForExit(std::chrono::seconds(30));
    return status.value_or(-1000);
}

}  // namespace wine
