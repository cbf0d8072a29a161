// The Windows installer under Wine, in a prefix of its own that
// scripts/test-windows makes fresh for every run: installed silently, looked
// at in its files, its shortcut (read by the shell's own link object) and the
// registry; the program started as the shortcut starts it plays the demo
// organ; the "Open with" command imports an organ (when the build has the
// importer), and the installed importer imports a recorded organ package as
// the Linux importer does, whose stop then plays its own sample; a second
// install upgrades the demo organ around the user's files;
// the uninstaller takes away what was installed and nothing of the user's.
// The tests run in order, each on what the one before left.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "../import/import_support.h"
#include "imported_files.h"
#include "sequencer_standin.h"
#include "windows_program.h"

namespace {

namespace fs = std::filesystem;
using namespace wine;

const fs::path installer = [] {
    const char* value = std::getenv("VELMARA_WINE_INSTALLER");
    return value != nullptr ? fs::path(value) : fs::path();
}();
const fs::path prefix = [] {
    const char* value = std::getenv("WINEPREFIX");
    return value != nullptr ? fs::path(value) : fs::path();
}();
const fs::path recordedPackage = [] {
    const char* value = std::getenv("VELMARA_WINE_RECORDED_PACKAGE");
    return value != nullptr ? fs::path(value) : fs::path();
}();
const std::string userPath = R"(C:\Tools;%USERPROFILE%\bin)";
const std::string uninstallKey = R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmara)";
const std::string importKey = R"(HKCU\Software\Classes\Velmara.ImportOrgan)";

std::string contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

// A variable of the Windows environment, as cmd expands it.
std::string windowsVariable(const std::string& name)
{
    return trimmed(run({"wine", "cmd", "/c", "echo", "%" + name + "%"}, ".", 30s).output);
}

// Where a path on drive C lies in the prefix.
fs::path hostPath(const std::string& windowsPath)
{
    std::string relative = windowsPath.substr(3);
    for (char& c : relative)
        if (c == '\\') c = '/';
    return prefix / "drive_c" / relative;
}

// The values of a key as `reg query` lists them, "(Default)" for the
// default value; nothing when the key does not exist.
std::optional<std::map<std::string, std::string>> registryValues(const std::string& key)
{
    const Finished query = run({"wine", "reg", "query", key}, ".", 30s);
    if (query.status != 0) return std::nullopt;
    std::map<std::string, std::string> values;
    std::istringstream lines(query.output);
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.rfind("    ", 0) != 0) continue;
        const std::size_t typeStart = line.find("    REG_", 4);
        if (typeStart == std::string::npos) continue;
        const std::size_t dataStart = line.find("    ", typeStart + 4);
        values[line.substr(4, typeStart - 4)] = dataStart == std::string::npos ? "" : line.substr(dataStart + 4);
    }
    return values;
}

std::string registryValue(const std::string& key, const std::string& name)
{
    const auto values = registryValues(key);
    return values && values->count(name) != 0 ? values->at(name) : "(none)";
}

std::map<std::string, std::string> shortcut(const fs::path& link)
{
    const Finished probe = run({"wine", (toolDirectory / "shortcut_probe.exe").string(), windowsPath(link)}, ".", 30s);
    std::map<std::string, std::string> fields;
    std::istringstream lines(probe.output);
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

class Installer : public WindowsProgram {
protected:
    static void SetUpTestSuite()
    {
        if (installer.empty() || prefix.empty()) return;
        run({"wine", "reg", "add", R"(HKCU\Environment)", "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", userPath, "/f"},
            ".", 30s);
        localAppData = windowsVariable("LOCALAPPDATA");
        startMenu = windowsVariable("APPDATA") + R"(\Microsoft\Windows\Start Menu\Programs)";
        installDirectory = localAppData + R"(\Programs\Velmara)";
        firstInstall = run({"wine", installer.string(), "/S"}, ".", 180s);
    }

    void SetUp() override
    {
        if (installer.empty()) GTEST_SKIP() << "scripts/test-windows runs these in a prefix of their own";
        WindowsProgram::SetUp();
        ASSERT_FALSE(prefix.empty()) << "run through scripts/test-windows";
        ASSERT_EQ(firstInstall.status, 0) << firstInstall.output;
    }

    // Starts the program as the shortcut starts it, opens the definition
    // (typed as a path from the shortcut's working directory, where a new
    // user's Open dialog starts; later ones start in BRIMWELL, from where it
    // leads to the same file), switches on the stop at that place in the stop
    // row, plays middle C and ends the program; played is what was heard.
    void playMiddleC(const std::string& definition, int stop, Samples& played)
    {
        const auto link = shortcut(hostPath(startMenu) / "Velmara.lnk");
        ASSERT_EQ(link.count("target"), 1u) << "no shortcut";
        const fs::path runDirectory = artefacts / name;
        fs::create_directories(runDirectory);
        SequencerStandin standin(runDirectory, {"Axiom Pro 61 USB A In"});
        organ = std::make_unique<Process>(Arguments{"wine", "start", "/b", "/wait", link.at("target")},
                                          hostPath(link.at("directory")), environment(standin.environment()),
                                          runDirectory / "stdout.txt");
        const std::optional<ClientArea> found = windows.waitFor("VELMARA", "-");
        ASSERT_TRUE(found.has_value()) << "the main window did not appear";
        mainWindow = *found;
        pressKeys({"alt+f", "Return"});
        ASSERT_TRUE(windows.waitFor("#32770", "Open").has_value()) << "the Open dialog did not appear";
        typeText(definition);
        pressKeys({"Return"});
        ASSERT_TRUE(windows.waitGone("#32770", "Open")) << "the Open dialog did not close";
        ASSERT_TRUE(showsKeyboard(photographWhen("opened", showsKeyboard))) << "the organ was not opened";

        const Picture onImage = readBmp(brimwell() / "boutons" / "on.bmp");
        const int buttonLeft = 2 * (10 + stop * onImage.width / 2);
        clickAt(mainWindow.x + buttonLeft + onImage.width / 2, mainWindow.y + 48 + onImage.height / 2);
        photographWhen("switched", [&](const ClientPicture& p) { return p.match(onImage, buttonLeft, 48) > 0.7; });
        ASSERT_TRUE(standin.play("90 3C 64\n"));
        EXPECT_TRUE(waitUntil([&] { return fs::exists(capture) && fs::file_size(capture) >= 99840; }, 30s))
            << "the key was not played";
        ASSERT_TRUE(standin.play("80 3C 00\n"));
        pressKeys({"Escape"});
        EXPECT_EQ(endStatus(), escapeStatus);
        played = readCapture(capture);
    }

    static fs::path programs() { return hostPath(installDirectory); }
    static fs::path brimwell() { return hostPath(localAppData) / "Velmara" / "BRIMWELL"; }
    static fs::path demo() { return organRoot / "BRIMWELL"; }

    static std::string localAppData;
    static std::string startMenu;
    static std::string installDirectory;
    static Finished firstInstall;
};

std::string Installer::localAppData;
std::string Installer::startMenu;
std::string Installer::installDirectory;
Finished Installer::firstInstall = {-1, "not run"};

TEST_F(Installer, InstallsTheProgramTheLicencesAndEveryDemoFile)
{
    EXPECT_TRUE(contents(programs() / "velmara.exe") == contents(organRoot / "Orgue" / "velmara.exe"));
    EXPECT_NE(contents(programs() / "LICENSE.txt")
                  .find("GNU GENERAL PUBLIC LICENSE\r\n"
                        "                       Version 3, 29 June 2007"),
              std::string::npos);
    for (const char* notice : {"gcc-runtime.txt", "mingw-w64-runtime.txt"})
        EXPECT_GT(fs::file_size(programs() / "licences" / notice), 1000u) << notice;
    EXPECT_GT(fs::file_size(programs() / "uninstall.exe"), 10000u);
    for (const fs::directory_entry& entry : fs::directory_iterator(programs())) {
        std::string file = entry.path().filename().string();
        for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (entry.path().extension() == ".dll") {
            EXPECT_FALSE(fs::exists(prefix / "drive_c" / "windows" / "system32" / file)) << "Windows' own " << file;
        }
    }
    EXPECT_TRUE(fs::is_directory(hostPath(localAppData) / "Velmara" / "Orgue"));

    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(demo())) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), demo());
        EXPECT_TRUE(contents(brimwell() / relative) == contents(entry.path())) << relative;
        ++files;
    }
    EXPECT_GT(files, 300);
}

TEST_F(Installer, RegistersTheUninstallerThePathEntryAndTheOpenWithChoiceOnlyWithTheImporter)
{
    const std::string version = installer.filename().string().substr(8, installer.filename().string().size() - 18);
    const std::string uninstaller = installDirectory + R"(\uninstall.exe)";
    const struct {
        std::string key, name, expected;
    } values[] = {
        {uninstallKey, "DisplayName", "Velmara"},
        {uninstallKey, "DisplayVersion", version},
        {uninstallKey, "Publisher", "The Velmara developers"},
        {uninstallKey, "DisplayIcon", installDirectory + R"(\velmara.exe,0)"},
        {uninstallKey, "UninstallString", "\"" + uninstaller + "\""},
        {uninstallKey, "QuietUninstallString", "\"" + uninstaller + "\" /S"},
        {R"(HKCU\Environment)", "Path", userPath + ";" + installDirectory},
    };
    for (const auto& value : values) EXPECT_EQ(registryValue(value.key, value.name), value.expected) << value.name;
    std::uintmax_t demoBytes = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(demo()))
        if (entry.is_regular_file()) demoBytes += entry.file_size();
    EXPECT_GT(std::stoul(registryValue(uninstallKey, "EstimatedSize"), nullptr, 16), demoBytes / 1024);

    if (!fs::exists(programs() / "velmara-import.exe")) {
        EXPECT_FALSE(registryValues(importKey).has_value()) << "an Open with choice without its program";
        return;
    }
    EXPECT_EQ(registryValue(importKey + R"(\shell\open\command)", "(Default)"),
              R"("C:\windows\system32\cmd.exe" /c "")" + installDirectory + R"(\velmara-import.exe" --into ")" +
                  localAppData + R"(\Velmara\BRIMWELL" "%1" & pause")");
    for (const char* extension : {".orgue", ".organ"}) {
        const std::string key = std::string(R"(HKCU\Software\Classes\)") + extension;
        EXPECT_EQ(registryValue(key + R"(\OpenWithProgids)", "Velmara.ImportOrgan"), "") << extension;
        EXPECT_EQ(registryValue(key, "(Default)"), "(none)") << extension << " must keep its default handler";
    }
}

// The program is started as the shortcut says, in the working directory it
// names, where the first Open dialog starts: the demo organ is chosen as
// "..\BRIMWELL\Brimwell.org" and its samples are found from there. The stop
// clicked is one whose C sounds an octave or more away from the first stop's,
// so its pitch tells which stop played.
TEST_F(Installer, TheShortcutStartsTheProgramInTheOrganFolderWhereAClickedStopOfTheDemoOrganPlays)
{
    const auto link = shortcut(hostPath(startMenu) / "Velmara.lnk");
    const std::string target = installDirectory + R"(\velmara.exe)";
    const std::string directory = localAppData + R"(\Velmara\Orgue)";
    ASSERT_EQ(link.count("target"), 1u) << "no shortcut";
    EXPECT_EQ(link.at("target"), target);
    EXPECT_EQ(link.at("directory"), directory);
    EXPECT_EQ(link.at("arguments"), "");
    EXPECT_EQ(link.at("icon"), target + ",0");

    const std::vector<std::string> stops = demoStopNames();
    const double firstPitch = steadyPitch(readWaveData(brimwell() / stops.at(0) / "060-C.wav"));
    int clicked = 1;
    double clickedPitch = 0;
    for (; clicked < static_cast<int>(stops.size()); ++clicked) {
        clickedPitch = steadyPitch(readWaveData(brimwell() / stops[clicked] / "060-C.wav"));
        if (clickedPitch > 1.9 * firstPitch || clickedPitch < firstPitch / 1.9) break;
    }
    ASSERT_LT(clicked, static_cast<int>(stops.size())) << "no demo stop sounds in another octave";

    Samples played;
    ASSERT_NO_FATAL_FAILURE(playMiddleC(R"(..\BRIMWELL\Brimwell.org)", clicked, played));
    ASSERT_GT(soundingSpan(played).frames(), 99840u / 4 - 64) << "no whole play window was heard";
    EXPECT_NEAR(steadyPitch(played), clickedPitch, clickedPitch * 0.005) << stops[clicked] << " was not heard";
}

// The "Open with" choice's command line, run as the shell runs it for a
// .organ in a folder with a space in its name: the organ is imported into
// the user's BRIMWELL, and the console waits for a key (given here) after
// the importer's summary. The organ's two pipes are demo recordings.
TEST_F(Installer, TheOpenWithCommandImportsTheOrganIntoTheOrganFolderAndWaitsForAKey)
{
    if (!fs::exists(programs() / "velmara-import.exe")) GTEST_SKIP() << "this build has no velmara-import.exe";
    const fs::path folder = artefacts / "Open with";
    fs::remove_all(folder);
    fs::create_directories(folder / "Pipes");
    const fs::path recordings = demo() / demoStopNames().at(0);
    fs::copy_file(recordings / "060-C.wav", folder / "Pipes" / "060.wav");
    fs::copy_file(recordings / "061-C#.wav", folder / "Pipes" / "061.wav");
    std::ofstream(folder / "Essai.organ", std::ios::binary)
        << "[Organ]\r\nChurchName=Essai\r\nNumberOfManuals=1\r\nHasPedals=N\r\n"
           "[Manual001]\r\nName=Grand Orgue\r\nNumberOfLogicalKeys=61\r\nFirstAccessibleKeyLogicalKeyNumber=1\r\n"
           "FirstAccessibleKeyMIDINoteNumber=36\r\nNumberOfAccessibleKeys=61\r\nNumberOfStops=1\r\nStop001=001\r\n"
           "[Stop001]\r\nName=Flute 8\r\nNumberOfLogicalPipes=2\r\nNumberOfAccessiblePipes=2\r\n"
           "FirstAccessiblePipeLogicalKeyNumber=25\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n"
           "Pipe001=Pipes\\060.wav\r\nPipe002=Pipes\\061.wav\r\n";

    std::string command = registryValue(importKey + R"(\shell\open\command)", "(Default)");
    ASSERT_NE(command.find("\"%1\""), std::string::npos) << command;
    command.replace(command.find("%1"), 2, windowsPath(folder / "Essai.organ"));
    const Finished opened = run({"sh", "-c", "printf '\\r\\n' | wine \"$0\" \"$1\"",
                                 (toolDirectory / "run_command_line.exe").string(), command},
                                ".", 120s);
    EXPECT_NE(opened.output.find("Flute 8"), std::string::npos) << opened.output;
    EXPECT_NE(opened.output.find("Press any key"), std::string::npos) << opened.output;
    EXPECT_EQ(contents(brimwell() / "Essai.org"), "Flute 8\r\nEND\r\n");
    EXPECT_EQ(fs::file_size(brimwell() / "Flute 8" / "060-C.wav"), 100000u);
}

// The recorded demo package Debian ships, imported by the installed importer
// into the user's organ folder and by the Linux importer into a copy of that
// folder, writes the same files into both. Opened as the user opens it, a
// clicked manual stop of it plays its own sample of the key: the play window,
// one voice undivided, is that sample from its 160th byte.
TEST_F(Installer, TheInstalledImporterImportsARecordedPackageAsLinuxDoesAndAStopOfItPlaysItsSample)
{
    ASSERT_TRUE(fs::is_regular_file(recordedPackage))
        << "VELMARA_WINE_RECORDED_PACKAGE names no package: " << recordedPackage;
    const fs::path onLinux = artefacts / name / "BRIMWELL";
    fs::remove_all(onLinux);
    fs::create_directories(onLinux.parent_path());
    fs::copy(brimwell(), onLinux, fs::copy_options::recursive);
    const Files before = filesUnder(onLinux);
    const importtest::Outcome linuxRun = importtest::runImport({"--into", onLinux.string(), recordedPackage.string()});
    ASSERT_EQ(linuxRun.status, 0) << linuxRun.err;
    const Finished windowsRun = run({"wine", (programs() / "velmara-import.exe").string(), "--into",
                                     localAppData + R"(\Velmara\BRIMWELL)", windowsPath(recordedPackage)},
                                    ".", 600s);
    ASSERT_EQ(windowsRun.status, 0) << windowsRun.output;
    const Files written = filesUnder(onLinux);
    EXPECT_EQ(differing(written, filesUnder(brimwell())), "");

    std::string definition;
    for (const auto& [file, bytes] : written)
        if (fs::path(file).extension() == ".org" && !before.contains(file)) definition = file;
    ASSERT_FALSE(definition.empty()) << "the import wrote no definition";
    const std::vector<std::string> stops = stopNamesOf(onLinux / definition);
    constexpr int clicked = 6;  // a manual's stop, within the stop row's reach
    ASSERT_GT(stops.size(), std::size_t{clicked});
    const Samples sample = readWaveData(brimwell() / stops[clicked] / "060-C.wav");
    ASSERT_GE(sample.size(), 58u + 49920u);
    const Samples window(sample.begin() + 58, sample.begin() + 58 + 49920);

    Samples played;
    ASSERT_NO_FATAL_FAILURE(playMiddleC(R"(..\BRIMWELL\)" + definition, clicked, played));
    EXPECT_NE(std::search(played.begin(), played.end(), window.begin(), window.end()), played.end())
        << stops[clicked] << "'s middle C was not heard";
}

// A demo file as an older release installed it is renewed, as is a deleted
// one; a file the user wrote under a demo name, and the user's own stop and
// definition, stay as they are. The Path keeps one entry.
TEST_F(Installer, AnUpgradeRenewsTheDemoOrgansFilesAndKeepsEverythingTheUserWrote)
{
    const std::vector<std::string> stops = demoStopNames();
    const fs::path older = fs::path(stops.at(0)) / "060-C.wav";
    const fs::path users = fs::path(stops.at(0)) / "067-G.wav";
    const fs::path deleted = fs::path(stops.at(1)) / "036-C.wav";
    const fs::path ownStop = fs::path("Mine") / "060-C.wav";
    const fs::path ownDefinition = "Imported.org";

    const fs::file_time_type installedTime = fs::last_write_time(brimwell() / older);
    std::ofstream(brimwell() / older, std::ios::binary | std::ios::trunc) << "an older release's recording";
    fs::last_write_time(brimwell() / older, installedTime);
    std::ofstream(brimwell() / users, std::ios::binary | std::ios::trunc) << "the user's own recording";
    fs::remove(brimwell() / deleted);
    fs::create_directories(brimwell() / "Mine");
    std::ofstream(brimwell() / ownStop, std::ios::binary) << "the user's stop";
    std::ofstream(brimwell() / ownDefinition, std::ios::binary) << "Mine\r\nEND\r\n";

    const Finished upgrade = run({"wine", installer.string(), "/S"}, ".", 180s);
    ASSERT_EQ(upgrade.status, 0) << upgrade.output;

    const struct {
        fs::path file;
        std::string expected;
    } files[] = {
        {older, contents(demo() / older)}, {deleted, contents(demo() / deleted)}, {users, "the user's own recording"},
        {ownStop, "the user's stop"},      {ownDefinition, "Mine\r\nEND\r\n"},
    };
    for (const auto& file : files) EXPECT_TRUE(contents(brimwell() / file.file) == file.expected) << file.file;
    EXPECT_EQ(registryValue(R"(HKCU\Environment)", "Path"), userPath + ";" + installDirectory);
}

// The uninstaller is started as the quiet uninstall command says. It runs on
// from a copy of itself, so its work is waited for.
TEST_F(Installer, UninstallingRemovesEverythingItInstalledAndKeepsTheUsersFiles)
{
    const std::string quiet = registryValue(uninstallKey, "QuietUninstallString");
    const std::string suffix = "\" /S";
    ASSERT_TRUE(quiet.size() > suffix.size() + 1 && quiet.front() == '"' &&
                quiet.compare(quiet.size() - suffix.size(), suffix.size(), suffix) == 0)
        << quiet;
    const Finished uninstall = run({"wine", quiet.substr(1, quiet.size() - suffix.size() - 1), "/S"}, ".", 60s);
    ASSERT_EQ(uninstall.status, 0) << uninstall.output;
    EXPECT_TRUE(waitUntil([] { return !fs::exists(programs()) && !registryValues(uninstallKey); }, 60s))
        << "the program folder or the Uninstall key is still there";

    EXPECT_FALSE(fs::exists(hostPath(startMenu) / "Velmara.lnk"));
    EXPECT_EQ(registryValue(R"(HKCU\Environment)", "Path"), userPath);
    EXPECT_FALSE(registryValues(importKey).has_value());
    EXPECT_FALSE(registryValues(R"(HKCU\Software\Classes\.orgue\OpenWithProgids)").has_value());

    const std::vector<std::string> stops = demoStopNames();
    EXPECT_FALSE(fs::exists(brimwell() / stops.at(1))) << "a demo stop the user left alone stays";
    EXPECT_FALSE(fs::exists(brimwell() / "Brimwell.org"));
    EXPECT_FALSE(fs::exists(brimwell() / stops.at(0) / "060-C.wav"));
    EXPECT_EQ(contents(brimwell() / stops.at(0) / "067-G.wav"), "the user's own recording");
    EXPECT_EQ(contents(brimwell() / "Mine" / "060-C.wav"), "the user's stop");
    EXPECT_EQ(contents(brimwell() / "Imported.org"), "Mine\r\nEND\r\n");
    EXPECT_TRUE(fs::is_directory(hostPath(localAppData) / "Velmara" / "Orgue"));
}

}  // namespace
