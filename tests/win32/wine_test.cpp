// End-to-end tests of the Windows program under Wine and Xvfb: the real
// velmara.exe from the unpacked zip, driven with xdotool through its menus
// and the common dialog, looked at in screenshots and listened to through
// ALSA's file plugin; and the self-test program playing a chord through the
// real winmm path. scripts/test-windows prepares the display, the Wine prefix
// and the environment this suite reads.
#include <fstream>
#include <string>

#include "windows_program.h"

namespace {

namespace fs = std::filesystem;
using namespace wine;

TEST_F(WindowsProgram, StartsMaximisedWithTheBannerAndEscapeEndsWith330)
{
    ASSERT_NO_FATAL_FAILURE(startOrgan());
    const ClientPicture picture = photographWhen("banner", [](const ClientPicture& p) {
        return !p.empty() && p.at(600, 528) == green;
    });
    ASSERT_FALSE(picture.empty());
    EXPECT_TRUE(mainWindow.maximised);
    EXPECT_EQ(mainWindow.x, 0);
    EXPECT_EQ(mainWindow.width, picture.screen.width);

    // Logical (100, 300, 500, 360) is the device rectangle (200, 480)-(1000, 576):
    // outlined with the context's black pen, filled green.
    EXPECT_EQ(picture.at(200, 528), black);
    EXPECT_EQ(picture.at(999, 528), black);
    EXPECT_EQ(picture.at(600, 480), black);
    EXPECT_EQ(picture.at(600, 575), black);
    EXPECT_EQ(picture.at(201, 481), green);
    EXPECT_EQ(picture.at(998, 574), green);
    EXPECT_EQ(picture.at(199, 528), white);
    EXPECT_EQ(picture.at(1000, 528), white);
    EXPECT_EQ(picture.at(600, 479), white);
    EXPECT_EQ(picture.at(600, 576), white);
    EXPECT_EQ(picture.at(100, 100), white);

    // The text's top-left corner is logical (110, 310), device (220, 496).
    EXPECT_GT(picture.count(220, 496, 700, 517, isBlueText), 150);
    EXPECT_EQ(picture.count(201, 481, 219, 575, isBlueText), 0);
    EXPECT_EQ(picture.count(201, 481, 998, 495, isBlueText), 0);
    EXPECT_EQ(picture.count(201, 522, 998, 575, isBlueText), 0);

    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
}

TEST_F(WindowsProgram, ClosingTheWindowEndsWith800)
{
    ASSERT_NO_FATAL_FAILURE(startOrgan());
    pressKeys({"alt+F4"});
    EXPECT_EQ(endStatus(), destroyedStatus);
}

TEST_F(WindowsProgram, FileExitEndsWith800)
{
    ASSERT_NO_FATAL_FAILURE(startOrgan());
    pressKeys({"alt+f", "x"});
    EXPECT_EQ(endStatus(), destroyedStatus);
}

TEST_F(WindowsProgram, AltQuestionMarkAndAltSlashOpenTheAboutBox)
{
    ASSERT_NO_FATAL_FAILURE(startOrgan());
    pressKeys({"alt+question"});
    ASSERT_TRUE(windows.waitFor("#32770", "About").has_value());
    pressKeys({"Return"});
    ASSERT_TRUE(windows.waitGone("#32770", "About"));

    pressKeys({"alt+slash"});
    ASSERT_TRUE(windows.waitFor("#32770", "About").has_value());
    pressKeys({"Escape"});
    ASSERT_TRUE(windows.waitGone("#32770", "About"));

    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
}

TEST_F(WindowsProgram, ClosingSettingsRepaintsTheWindowWithoutTheBanner)
{
    ASSERT_NO_FATAL_FAILURE(startOrgan());
    photographWhen("banner", [](const ClientPicture& p) { return !p.empty() && p.at(600, 528) == green; });
    pressKeys({"alt+f", "Right", "Down", "Down", "Return"});
    ASSERT_TRUE(windows.waitFor("#32770", "Dialog").has_value()) << "the Settings dialog did not appear";
    pressKeys({"Return"});
    ASSERT_TRUE(windows.waitGone("#32770", "Dialog"));

    const ClientPicture picture = photographWhen("repainted", [](const ClientPicture& p) {
        return !p.empty() && p.at(600, 528) == white;
    });
    EXPECT_EQ(picture.count(200, 480, 1000, 576, [](Rgb p) { return p == green; }), 0);

    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
}

TEST_F(WindowsProgram, OpenOrganShowsTheKeyboardAndOneButtonPerStopAndAClickSwitchesAStopOn)
{
    const Picture onImage = readBmp(organRoot / "BRIMWELL" / "boutons" / "on.bmp");
    const Picture offImage = readBmp(organRoot / "BRIMWELL" / "boutons" / "of.bmp");
    ASSERT_GT(onImage.width, 0);
    ASSERT_GT(offImage.width, 0);
    const int stopCount = static_cast<int>(demoStopNames().size());
    ASSERT_GT(stopCount, 1);

    ASSERT_NO_FATAL_FAILURE(startOrgan());
    ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog({"alt+f", "Return"}, organRoot / "BRIMWELL" / "Brimwell.org"));

    const ClientPicture opened = photographWhen("opened", showsKeyboard);
    ASSERT_TRUE(showsKeyboard(opened)) << "the keyboard was not drawn";
    EXPECT_EQ(opened.at(888, 496), black);  // key 58, A sharp: logical (442, 300)-(447, 321)
    EXPECT_EQ(opened.at(280, 528), black);  // key 0's left outline at logical x 140
    EXPECT_EQ(opened.at(276, 528), white);  // left of the keyboard
    EXPECT_GT(opened.count(282, 456, 296, 476, isRedText), 0) << "key 0's number \"1\" at logical (141, 285)";

    // Button j's picture has its top-left at logical (10 + j * w, 30): device
    // (20 + 2 j w, 48), w the logical width of the on image.
    const int logicalWidth = onImage.width * 640 / 1280;
    auto buttonLeft = [&](int j) { return 2 * (10 + j * logicalWidth); };
    for (int j = 0; j < stopCount; ++j) {
        EXPECT_GT(opened.match(offImage, buttonLeft(j), 48), 0.7) << "stop " << j << " is not shown off";
        EXPECT_GT(opened.count(buttonLeft(j), 48, buttonLeft(j) + onImage.width, 48 + onImage.height, isRedText), 20)
            << "stop " << j << " has no label";
    }
    EXPECT_LT(opened.match(offImage, buttonLeft(stopCount), 48), 0.3) << "a button beyond the last stop";

    const int clicked = 1;
    clickAt(mainWindow.x + buttonLeft(clicked) + onImage.width / 2, mainWindow.y + 48 + onImage.height / 2);
    const ClientPicture switched = photographWhen("switched", [&](const ClientPicture& p) {
        return !p.empty() && p.match(onImage, buttonLeft(clicked), 48) > 0.7;
    });
    EXPECT_GT(switched.match(onImage, buttonLeft(clicked), 48), 0.7) << "the clicked stop is not shown on";
    EXPECT_GT(switched.match(offImage, buttonLeft(0), 48), 0.7);
    EXPECT_GT(switched.match(offImage, buttonLeft(clicked + 1), 48), 0.7);

    // The label drawn for the click left centre/baseline alignment on the
    // context. Closing Settings repaints, and the repaint starts again from a
    // fresh context's left/top alignment: key 0's number "1" stands below
    // logical y 285 again, not centred on a baseline there (key 1's number
    // stands above it, right of device x 290).
    pressKeys({"alt+f", "Right", "Down", "Down", "Return"});
    ASSERT_TRUE(windows.waitFor("#32770", "Dialog").has_value()) << "the Settings dialog did not appear";
    pressKeys({"Return"});
    ASSERT_TRUE(windows.waitGone("#32770", "Dialog"));
    const ClientPicture repainted = photographWhen("repainted", [&](const ClientPicture& p) {
        return showsKeyboard(p) && p.match(onImage, buttonLeft(clicked), 48) > 0.7;
    });
    EXPECT_GT(repainted.match(onImage, buttonLeft(clicked), 48), 0.7) << "the clicked stop is not repainted on";
    EXPECT_GT(repainted.match(offImage, buttonLeft(0), 48), 0.7);
    EXPECT_GT(repainted.count(282, 456, 290, 476, isRedText), 0);
    EXPECT_EQ(repainted.count(272, 436, 290, 456, isRedText), 0);

    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);
}

// A missing button directory is reported in a message box; OK ends the
// program through the runtime's exit with 988. The organ is the demo's stops
// and definition, linked into a fresh tree without boutons/.
TEST_F(WindowsProgram, MissingButtonImagesAreReportedAndEndWith988)
{
    const fs::path tree = artefacts / "without-buttons";
    fs::remove_all(tree);
    fs::create_directories(tree / "Orgue");
    fs::create_directories(tree / "BRIMWELL");
    for (const fs::directory_entry& entry : fs::directory_iterator(organRoot / "BRIMWELL"))
        if (entry.path().filename() != "boutons")
            fs::create_symlink(entry.path(), tree / "BRIMWELL" / entry.path().filename());
    fs::copy_file(workingDirectory() / "velmara.exe", tree / "Orgue" / "velmara.exe");

    organ = std::make_unique<Process>(Arguments{"wine", (tree / "Orgue" / "velmara.exe").string()}, tree / "Orgue",
                                      environment());
    ASSERT_TRUE(windows.waitFor("VELMARA", "-").has_value());
    ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog({"alt+f", "Return"}, tree / "BRIMWELL" / "Brimwell.org"));
    ASSERT_TRUE(windows.waitFor("#32770", " Boutons introuvables").has_value()) << "no message box";
    pressKeys({"Return"});
    EXPECT_EQ(endStatus(), 988 & 0xFF);
}

// Without a sound device the wave output cannot be opened: the program says
// so on standard error (a text-mode stream: the line ends in CR LF) and ends
// with 1 before its window is shown.
TEST_F(WindowsProgram, WithoutASoundDeviceStartUpEndsWith1)
{
    const fs::path noDevices = artefacts / (name + ".no-devices");
    std::ofstream(noDevices) << "# no PCM at all\n";
    const Finished organRun = run({"wine", (workingDirectory() / "velmara.exe").string()}, workingDirectory(), 60s,
                                  {"ALSA_CONFIG_PATH=" + noDevices.string()});
    EXPECT_EQ(organRun.status, 1);
    EXPECT_NE(organRun.output.find("unable to open WAVE_MAPPER device\r\n"), std::string::npos) << organRun.output;
}

// The dialog's last folder is then the stop's folder, where the next dialog
// starts; the organ opened after it still finds its samples through
// "..\BRIMWELL\" from the working directory the program was started in.
TEST_F(WindowsProgram, OpenWavPlaysTheChosenSampleWholeAtItsPitchAndAnOrganOpensAfterIt)
{
    const fs::path sample = organRoot / "BRIMWELL" / demoStopNames().at(0) / "060-C.wav";
    const Samples expected = readWaveData(sample);
    ASSERT_GT(frameCount(expected), 44100u);

    ASSERT_NO_FATAL_FAILURE(startOrgan());
    ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog({"alt+f", "Down", "Return"}, sample));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(capture) && fs::file_size(capture) >= 2 * expected.size(); }, 30s))
        << "nothing like the sample was played";
    ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog({"alt+f", "Return"}, organRoot / "BRIMWELL" / "Brimwell.org"));
    EXPECT_TRUE(showsKeyboard(photographWhen("opened", showsKeyboard))) << "the organ was not opened";
    pressKeys({"Escape"});
    EXPECT_EQ(endStatus(), escapeStatus);

    const Samples played = readCapture(capture);
    const Span playedSpan = soundingSpan(played);
    const Span expectedSpan = soundingSpan(expected);
    EXPECT_NEAR(static_cast<double>(playedSpan.frames()), static_cast<double>(expectedSpan.frames()), 441.0);
    const double expectedPitch = steadyPitch(expected);
    EXPECT_NEAR(expectedPitch, equalTemperedPitch(60), equalTemperedPitch(60) * 0.03);
    EXPECT_NEAR(steadyPitch(played), expectedPitch, expectedPitch * 0.005);
}

// The self-test program holds keys 24, 28 and 31 (C, E and G of MIDI notes
// 60, 64 and 67) on the first stop: one key-scan pass mixes them and hands
// the 99,840-byte play window to waveOutWrite.
TEST_F(WindowsProgram, SelfTestChordPlaysOnePlayWindowWithTheChordsPitches)
{
    const Finished selfTest = run({"wine", (toolDirectory / "velmara_selftest.exe").string(),
                                   "..\\BRIMWELL\\Brimwell.org", "24", "28", "31"},
                                  workingDirectory(), 60s, environment());
    ASSERT_EQ(selfTest.status, 0) << selfTest.output;
    EXPECT_NE(selfTest.output.find("voices 3"), std::string::npos) << selfTest.output;

    const Samples played = readCapture(capture);
    const Span span = soundingSpan(played);
    constexpr std::size_t windowFrames = 99840 / 4;  // 24,960 frames, 0.566 s
    EXPECT_LE(span.frames(), windowFrames);
    EXPECT_GE(span.frames(), windowFrames - 64);
    EXPECT_GE(frameCount(played), span.end + 8820) << "the device should go on with 0.2 s of silence: it played once";

    EXPECT_TRUE(chordIsHeard(played, span, organRoot / "BRIMWELL" / demoStopNames().at(0),
                             {"060-C.wav", "064-E.wav", "067-G.wav"}));
}

// A definition saved by a Windows editor names the stops "\x8Cil 8" and
// "Ch\x9Cur" with the code page's bytes 0x8C and 0x9C, whose folders Wine
// names in UTF-8 on the Linux side. The organ is two demo stops linked under
// those names into a fresh tree; the self-test loads it and plays key 24 of
// the first.
TEST_F(WindowsProgram, StopsNamedWithBytes0x80To0x9FOpenAndPlay)
{
    const std::vector<std::string> demoStops = demoStopNames();
    ASSERT_GE(demoStops.size(), 2u);
    const fs::path tree = artefacts / "code-page-names";
    fs::remove_all(tree);
    fs::create_directories(tree / "Orgue");
    fs::create_directories(tree / "BRIMWELL");
    fs::create_directory_symlink(organRoot / "BRIMWELL" / demoStops[0], tree / "BRIMWELL" / "\xC5\x92il 8");
    fs::create_directory_symlink(organRoot / "BRIMWELL" / demoStops[1], tree / "BRIMWELL" / "Ch\xC5\x93ur");
    std::ofstream(tree / "BRIMWELL" / "Choeur.org", std::ios::binary) << "\x8Cil 8\r\nCh\x9Cur\r\nEND\r\n";

    const Finished selfTest =
        run({"wine", (toolDirectory / "velmara_selftest.exe").string(), "..\\BRIMWELL\\Choeur.org", "24"},
            tree / "Orgue", 60s, environment());
    ASSERT_EQ(selfTest.status, 0) << selfTest.output;
    EXPECT_NE(selfTest.output.find("voices 1"), std::string::npos) << selfTest.output;

    const Samples played = readCapture(capture);
    const Span span = soundingSpan(played);
    EXPECT_GE(span.frames(), 99840u / 4 - 64) << "the play window was not heard";
    const double expectedPitch = steadyPitch(readWaveData(organRoot / "BRIMWELL" / demoStops[0] / "060-C.wav"));
    EXPECT_NEAR(fundamental(played, span.first + span.frames() / 2 - 4096, 8192), expectedPitch, expectedPitch * 0.005);
}

}  // namespace
