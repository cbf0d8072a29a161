// The Debian package end to end: made by CPack, checked by lintian and the
// desktop validators, unpacked with dpkg -x into a scratch root (never
// installed), and its launcher started as a user starts it, with a scratch
// HOME, under Xvfb against jackd -d dummy.
#include <cairo.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "audio_analysis.h"
#include "demo_organ.h"
#include "support/fixtures.h"
#include "velmara_session.h"

namespace linux_test {

namespace {

namespace fs = std::filesystem;

constexpr int noteMiddleC = 60;
constexpr int escapeStatus = 330 & 0xFF;
// Device pixels: inside the black key of note 37, the middle of stop buttons 0 and 1.
constexpr int blackKeyX = 295, blackKeyY = 500;
constexpr int stopButtonX[2] = {70, 170};
constexpr int stopButtonY = 80;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Runs a shell command line with its output into the file; its exit status.
int run(const std::string& command, const fs::path& output)
{
    const int status = std::system((command + " >'" + output.string() + "' 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string contents(const fs::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// Recordings of one stop as a user brings them: three notes of a decaying
// tone, 44,100 Hz stereo, named by their MIDI note.
void writeRecordings(const fs::path& folder)
{
    fs::create_directories(folder);
    for (int note : {48, 60, 72}) {
        const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 44100; ++i) {
            const double value =
                12000.0 * std::exp(-i / 30000.0) * std::sin(2 * std::numbers::pi * frequency * i / 44100.0);
            samples.insert(samples.end(), 2, static_cast<std::int16_t>(value));
        }
        fixtures::writeFile(folder / (std::to_string(note) + ".wav"), fixtures::waveImage(samples));
    }
}

class LinuxPackage : public ::testing::Test {
protected:
    // The package is made and unpacked once for the suite.
    static void SetUpTestSuite()
    {
        scratch = makeScratchDirectory("package");
        if (run("cpack -G DEB --config '" VELMARA_CPACK_CONFIG "' -B '" + scratch.string() + "'",
                scratch / "cpack.log") != 0)
            return;
        for (const auto& entry : fs::directory_iterator(scratch))
            if (entry.path().extension() == ".deb") package = entry.path();
        fs::remove_all(scratch / "_CPack_Packages");
        root = scratch / "root";
        if (!package.empty()) run("dpkg -x '" + package.string() + "' '" + root.string() + "'", scratch / "dpkg.log");
    }

    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(root / "usr/bin/velmara")) << "no package unpacked; see " << scratch / "cpack.log"
                                                          << " and " << scratch / "dpkg.log";
        ASSERT_TRUE(demo.read()) << "no demo organ at " << DemoOrgan::definition();
    }

    fs::path organFolder() const { return home / ".local/share/velmara"; }

    // Starts the unpacked launcher as the user of the scratch HOME, with no
    // PipeWire, and the extra variables.
    void launch(std::vector<std::string> variables = {})
    {
        variables.insert(variables.end(),
                         {"HOME=" + home.string(), "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=" + session->scratch()});
        ASSERT_TRUE(session->startInstalled({(root / "usr/bin/velmara").string()}, variables));
    }

    // Launches and finds the window's banner.
    void startLauncher()
    {
        ASSERT_NO_FATAL_FAILURE(launch());
        unsigned long window = 0;
        ASSERT_TRUE(session->waitForWindow(window)) << session->velmara().standardError();
        ASSERT_TRUE(session->jack().listenToVelmara());
        for (int tries = 0; tries < 100 && !session->findOrigin(takeScreenshot(session->display())); ++tries) pause(50);
        ASSERT_TRUE(session->findOrigin(takeScreenshot(session->display()))) << "no start banner on the screen";
    }

    // File > Open Organ with a path relative to the working directory, then
    // a click on the stop.
    void openOrganAndChooseStop(const std::string& definition, int stop)
    {
        ASSERT_TRUE(session->chooseFromFileMenu(0, definition)) << "the file chooser did not close";
        ASSERT_TRUE(session->waitForPixel(blackKeyX, blackKeyY, 0x000000, 10000)) << "no keyboard after Open Organ";
        ASSERT_TRUE(session->clickAndSeeItChange(stopButtonX[stop], stopButtonY))
            << "stop button " << stop << " did not change when clicked";
    }

    // Middle C from the test keyboard sounds the sample's play window.
    void expectMiddleCPlays(const fs::path& sample)
    {
        const std::vector<std::int16_t> window = playWindowOfFile(sample.string());
        ASSERT_FALSE(window.empty()) << "cannot read " << sample;
        JackTestClient& jack = session->jack();
        EXPECT_TRUE(jack.playUndisturbed({noteMiddleC}, [&] {
            jack_nframes_t sound = 0;
            if (!jack.firstSound(jack.send({{0x90, noteMiddleC, 100}}), sound, 3000))
                return testing::AssertionFailure() << "the key did not sound";
            const jack_nframes_t start = sound - static_cast<jack_nframes_t>(firstSoundingFrame(window));
            if (jack.recorded(0, start, windowFrames) != channelOf(window, 0))
                return testing::AssertionFailure() << "the key did not play " << sample;
            return testing::AssertionSuccess();
        }));
        jack.send({{0x80, noteMiddleC, 64}});
    }

    void endWithEscape()
    {
        session->typeKeys({"Escape"});
        EXPECT_EQ(session->velmara().waitForExit(5000), escapeStatus) << session->velmara().standardError();
    }

    DemoOrgan demo;
    static fs::path scratch;
    static fs::path package;
    static fs::path root;
    fs::path home = scratch / "home";
    std::unique_ptr<VelmaraSession> session;
};

fs::path LinuxPackage::scratch;
fs::path LinuxPackage::package;
fs::path LinuxPackage::root;

TEST_F(LinuxPackage, PassesLintianAndTheDesktopChecksAndDependsOnTheLibrariesItLinks)
{
    EXPECT_EQ(run("lintian --fail-on error '" + package.string() + "'", scratch / "lintian.txt"), 0)
        << contents(scratch / "lintian.txt");

    // desktop-file-validate ends with 0 also after an error, so its output counts.
    const fs::path desktop = root / "usr/share/applications/org.velmara.Velmara.desktop";
    EXPECT_EQ(run("desktop-file-validate '" + desktop.string() + "'", scratch / "desktop.txt"), 0);
    EXPECT_EQ(contents(scratch / "desktop.txt").find("error"), std::string::npos) << contents(scratch / "desktop.txt");
    const fs::path metainfo = root / "usr/share/metainfo/org.velmara.Velmara.metainfo.xml";
    EXPECT_EQ(run("appstreamcli validate --no-net '" + metainfo.string() + "'", scratch / "appstream.txt"), 0)
        << contents(scratch / "appstream.txt");

    ASSERT_EQ(run("dpkg-deb -f '" + package.string() + "' Depends", scratch / "depends.txt"), 0);
    const std::string depends = contents(scratch / "depends.txt");
    for (const char* library : {"libgtk-3-0", "libjack-jackd2-0", "libsndfile1", "libwavpack1", "libsamplerate0"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " missing from Depends: " << depends;

    // Every theme icon is a PNG of the size its folder names.
    int icons = 0;
    for (const auto& folder : fs::directory_iterator(root / "usr/share/icons/hicolor")) {
        ++icons;
        const int size = std::stoi(folder.path().filename().string());
        cairo_surface_t* png = cairo_image_surface_create_from_png((folder.path() / "apps/velmara.png").c_str());
        EXPECT_TRUE(cairo_image_surface_get_width(png) == size && cairo_image_surface_get_height(png) == size)
            << folder.path();
        cairo_surface_destroy(png);
    }
    EXPECT_GE(icons, 6) << "the theme wants icons from 16 to 256 pixels";
}

TEST_F(LinuxPackage, TheUnpackedLauncherMakesTheOrganFolderPlaysAndKeepsTheUsersStopsOnTheNextStart)
{
    fs::remove_all(home);
    session = std::make_unique<VelmaraSession>("package-launcher");
    ASSERT_TRUE(session->startServers(44100)) << "cannot start Xvfb and jackd, see " << session->scratch();
    const fs::path installed = root / "usr/share/velmara/BRIMWELL";
    const fs::path brimwell = organFolder() / "BRIMWELL";

    // First start: the folder appears, the demo organ plays from it.
    ASSERT_NO_FATAL_FAILURE(startLauncher());
    EXPECT_TRUE(fs::is_directory(organFolder() / "Orgue"));
    ASSERT_TRUE(fs::is_symlink(brimwell / "Brimwell.org"));
    EXPECT_TRUE(fs::equivalent(brimwell / "Brimwell.org", installed / "Brimwell.org"));
    ASSERT_NO_FATAL_FAILURE(openOrganAndChooseStop("../BRIMWELL/Brimwell.org", 1));
    takeScreenshot(session->display()).savePng(session->scratch() + "/first-start.png");
    ASSERT_NO_FATAL_FAILURE(expectMiddleCPlays(installed / demo.stops()[1] / "060-C.wav"));
    endWithEscape();

    // Between the starts the user imports a stop.
    writeRecordings(session->scratch() + "/recordings/Flute 4");
    ASSERT_EQ(run("'" + (root / "usr/bin/velmara-import").string() + "' --into '" + brimwell.string() + "' '" +
                      session->scratch() + "/recordings/Flute 4'",
                  session->scratch() + "/import.txt"),
              0)
        << contents(session->scratch() + "/import.txt");

    ASSERT_NO_FATAL_FAILURE(startLauncher());
    EXPECT_TRUE(fs::is_directory(brimwell / "Flute 4") && !fs::is_symlink(brimwell / "Flute 4"));
    ASSERT_NO_FATAL_FAILURE(openOrganAndChooseStop("../BRIMWELL/Imported.org", 0));
    takeScreenshot(session->display()).savePng(session->scratch() + "/second-start.png");
    ASSERT_NO_FATAL_FAILURE(expectMiddleCPlays(brimwell / "Flute 4/060-C.wav"));
    endWithEscape();
}

// Every start renews the launcher's own links, those into the installed demo
// organ, and keeps every other link of the user's, dangling or not. Without
// a JACK server to be had the launcher ends after the links.
TEST_F(LinuxPackage, RenewsItsOwnLinksAndKeepsTheUsersLinks)
{
    fs::remove_all(home);
    const fs::path installed = fs::canonical(root / "usr/share/velmara/BRIMWELL");
    const fs::path brimwell = organFolder() / "BRIMWELL";
    const fs::path otherOrgan = scratch / "other/velmara/BRIMWELL";
    const fs::path unmounted = "/media/velmara-not-mounted/velmara/BRIMWELL";
    fs::create_directories(otherOrgan / demo.stops()[0]);
    // A link as it is before the start, and its target after (none: gone).
    struct Link {
        std::string name;
        fs::path before;
        fs::path after;
    };
    const Link links[] = {
        {demo.stops()[0], otherOrgan / demo.stops()[0], otherOrgan / demo.stops()[0]},
        {demo.stops()[1], unmounted / demo.stops()[1], unmounted / demo.stops()[1]},
        {"Cornet", unmounted / "Cornet", unmounted / "Cornet"},
        {"Brimwell.org", {}, installed / "Brimwell.org"},
        {"Larigot 1", installed / "Larigot 1", {}},
    };
    fs::create_directories(brimwell);
    for (const Link& link : links)
        if (!link.before.empty()) fs::create_symlink(link.before, brimwell / link.name);

    const std::string launcher = (root / "usr/bin/velmara").string();
    EXPECT_EQ(run("env -i HOME='" + home.string() + "' PATH=/usr/bin:/bin DISPLAY=:velmara-none " +
                      "JACK_DEFAULT_SERVER=velmara-none-" + std::to_string(getpid()) +
                      " VELMARA_ALSA_CARDS=/nonexistent '" + launcher + "'",
                  scratch / "links.txt"),
              1)
        << contents(scratch / "links.txt");
    for (const Link& link : links) {
        std::error_code gone;
        EXPECT_EQ(fs::read_symlink(brimwell / link.name, gone), link.after) << link.name;
    }
}

// No server runs and there is no PipeWire, but ALSA lists a card: the
// launcher starts jackd on it, Velmara plays through it, and it stops when
// Velmara ends. The jackd found first on the PATH notes what it was asked
// and runs the dummy driver in place of the card's.
TEST_F(LinuxPackage, StartsJackdOnTheFirstCardAndStopsItWhenVelmaraEnds)
{
    session = std::make_unique<VelmaraSession>("package-jackd");
    ASSERT_TRUE(session->startServers(0));
    const fs::path scratchDir = session->scratch();
    fs::create_directories(scratchDir / "bin");
    std::ofstream(scratchDir / "cards") << " 1 [PCH            ]: HDA-Intel - HDA Intel PCH\n";
    std::ofstream(scratchDir / "bin/jackd")
        << "#!/bin/sh\necho \"$@\" >'" << (scratchDir / "jackd.args").string() << "'\necho \"$JACK_DEFAULT_SERVER\" >'"
        << (scratchDir / "jackd.server").string() << "'\necho $$ >'" << (scratchDir / "jackd.pid").string()
        << "'\nexec /usr/bin/jackd -d dummy -r 44100 -p 256\n";
    fs::permissions(scratchDir / "bin/jackd", fs::perms::owner_exec, fs::perm_options::add);
    const std::string server = "velmara-launched-" + std::to_string(getpid());
    ASSERT_NO_FATAL_FAILURE(
        launch({"VELMARA_ALSA_CARDS=" + (scratchDir / "cards").string(), "JACK_DEFAULT_SERVER=" + server,
                "PATH=" + (scratchDir / "bin").string() + ":/usr/bin:/bin"}));
    unsigned long window = 0;
    ASSERT_TRUE(session->waitForWindow(window)) << session->velmara().standardError();
    EXPECT_EQ(contents(scratchDir / "jackd.args"), "-d alsa -d hw:1 -r 44100 -p 256\n");
    EXPECT_EQ(contents(scratchDir / "jackd.server"), server + "\n");
    const pid_t jackd = std::stoi(contents(scratchDir / "jackd.pid"));
    EXPECT_EQ(kill(jackd, 0), 0) << "jackd is not running under Velmara";

    endWithEscape();
    bool stopped = false;
    for (int tries = 0; tries < 100 && !stopped; ++tries, pause(50)) stopped = kill(jackd, 0) != 0;
    EXPECT_TRUE(stopped) << "jackd still runs after Velmara ended";
    if (!stopped) kill(jackd, SIGTERM);
}

TEST_F(LinuxPackage, SaysInAWindowWhenNoJackServerCanBeHad)
{
    session = std::make_unique<VelmaraSession>("package-no-server");
    ASSERT_TRUE(session->startServers(0));
    ASSERT_NO_FATAL_FAILURE(launch({"VELMARA_ALSA_CARDS=" + session->scratch() + "/no-cards"}));
    unsigned long message = 0;
    ASSERT_TRUE(session->waitForWindowNamed("^Velmara$", message)) << session->velmara().standardError();
    takeScreenshot(session->display()).savePng(session->scratch() + "/no-server.png");
    EXPECT_EQ(session->velmara().waitForExit(300), -1) << "ended before the message was answered";
    xdotool(session->display(), {"windowfocus", "--sync", std::to_string(message)});
    xdotool(session->display(), {"key", "Return"});
    EXPECT_EQ(session->velmara().waitForExit(5000), 1);
    EXPECT_NE(session->velmara().standardError().find("no JACK server could be had"), std::string::npos)
        << session->velmara().standardError();
}

}  // namespace

}  // namespace linux_test
