// End to end on the headless host: the real velmara-headless program runs
// scenarios written here, beside the demo organ, and what a user would see
// (the saved window), hear (the recorded audio) and get (exit status, event
// log) is checked.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;

const fs::path headlessProgram = VELMARA_HEADLESS;
const fs::path demoBrimwell = fs::path(VELMARA_DEMO_DIR) / "BRIMWELL";
constexpr const char* openDemoOrgan = "chooser ../BRIMWELL/Brimwell.org\ncommand 32771\npasses 1\n";

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t green = 0x00FF00;
constexpr std::uint32_t blue = 0x0000FF;

constexpr int deviceX(int x) { return x * 1280 / 640; }
constexpr int deviceY(int y) { return y * 768 / 480; }

std::string readText(const fs::path& path)
{
    const auto bytes = fixtures::readFile(path);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
        start = end + 1;
    }
    return result;
}

// A saved window, read back as 0xRRGGBB pixels.
class Picture {
public:
    explicit Picture(const fs::path& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Picture() { cairo_surface_destroy(surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool valid() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }

    std::uint32_t pixel(int x, int y) const
    {
        cairo_surface_flush(surface);
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
    }

    // How many device pixels of the rectangle have this colour.
    int count(int left, int top, int right, int bottom, std::uint32_t colour) const
    {
        int found = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) found += pixel(x, y) == colour;
        return found;
    }

private:
    cairo_surface_t* surface;
};

// Pixel (x, y) from the top of a 24-bit bottom-up BMP, as 0xRRGGBB.
std::uint32_t bmpPixel(const fs::path& path, int x, int y)
{
    const auto bytes = fixtures::readFile(path);
    auto read32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    const std::int32_t offset = read32(10);
    const std::int32_t width = read32(18);
    const std::int32_t height = read32(22);
    const std::int32_t stride = (width * 3 + 3) / 4 * 4;
    const std::size_t at = static_cast<std::size_t>(offset + (height - 1 - y) * stride + x * 3);
    return static_cast<std::uint32_t>(bytes[at + 2] << 16 | bytes[at + 1] << 8 | bytes[at]);
}

std::int32_t bmpWidth(const fs::path& path)
{
    const auto bytes = fixtures::readFile(path);
    return bytes[18] | bytes[19] << 8 | bytes[20] << 16 | bytes[21] << 24;
}

// The interleaved 16-bit samples of a recorded WAV's data chunk.
std::vector<std::int16_t> recordedSamples(const fs::path& path)
{
    const auto bytes = fixtures::readFile(path);
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | bytes[at + 7] << 24;
        if (std::equal(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4, "data")) {
            std::vector<std::int16_t> samples(size / 2);
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::int16_t>(bytes[at + 8 + 2 * i] | bytes[at + 9 + 2 * i] << 8);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

std::vector<std::string> demoStops()
{
    std::vector<std::string> names;
    for (const std::string& line : lines(readText(demoBrimwell / "Brimwell.org"))) {
        if (line == "END") break;
        names.push_back(line);
    }
    return names;
}

// The sample of a demo stop's key as the mixer reads it: the file image as
// 16-bit entries from its first byte.
std::vector<std::int32_t> sampleEntries(int stop, int key)
{
    char name[32];
    std::snprintf(name, sizeof name, "%03d-%s.wav", key + firstMidiNote, noteNames[key % 12]);
    const auto bytes = fixtures::readFile(demoBrimwell / demoStops().at(static_cast<std::size_t>(stop)) / name);
    std::vector<std::int32_t> entries(bytes.size() / 2);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return entries;
}

// The play window (mix entries 80 to 49,999) of keys of one stop mixed and
// divided by divisor, clamped to 16 bits.
std::vector<std::int16_t> playWindow(int stop, const std::vector<int>& keys, int divisor)
{
    std::vector<std::int32_t> sum(50000, 0);
    for (int key : keys) {
        const auto entries = sampleEntries(stop, key);
        for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += entries[i];
    }
    std::vector<std::int16_t> window;
    for (std::size_t i = 80; i < sum.size(); ++i)
        window.push_back(static_cast<std::int16_t>(std::clamp(sum[i] / divisor, -32768, 32767)));
    return window;
}

bool silent(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to)
{
    return std::all_of(samples.begin() + static_cast<long>(from), samples.begin() + static_cast<long>(to),
                       [](std::int16_t s) { return s == 0; });
}

bool equalAt(const std::vector<std::int16_t>& recorded, std::size_t from, const std::vector<std::int16_t>& expected,
             std::size_t count)
{
    return recorded.size() >= from + count &&
           std::equal(expected.begin(), expected.begin() + static_cast<long>(count),
                      recorded.begin() + static_cast<long>(from));
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
    std::vector<std::string> log;
};

// A throwaway working directory beside a link to the demo organ's BRIMWELL.
class HeadlessSession : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        root = fs::temp_directory_path() / ("velmara-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        fs::create_directories(root / "Orgue");
        fs::create_directory_symlink(demoBrimwell, root / "BRIMWELL");
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path file(const std::string& name) const { return root / "Orgue" / name; }

    Outcome run(const std::string& scenario)
    {
        fixtures::writeFile(file("test.scenario"), std::vector<std::uint8_t>(scenario.begin(), scenario.end()));
        const std::string command = "cd '" + (root / "Orgue").string() + "' && '" + headlessProgram.string() +
                                    "' test.scenario > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(file("stdout.txt")),
                        readText(file("stderr.txt")), {}};
        if (fs::exists(file("events.log"))) outcome.log = lines(readText(file("events.log")));
        return outcome;
    }

    // The scenario with an event log, expected to run out.
    Outcome runToEnd(const std::string& steps)
    {
        Outcome outcome = run("log events.log\nmidi-device \"Axiom Pro 61 USB A In\"\n" + steps);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, "scenario complete\n");
        return outcome;
    }

    fs::path root;
};

long count(const std::vector<std::string>& log, const std::string& line)
{
    return std::count(log.begin(), log.end(), line);
}

// The log without the audio device's lines.
std::vector<std::string> windowEvents(const std::vector<std::string>& log)
{
    std::vector<std::string> events;
    std::copy_if(log.begin(), log.end(), std::back_inserter(events),
                 [](const std::string& line) { return line.rfind("wave-", 0) != 0; });
    return events;
}

TEST_F(HeadlessSession, FirstPaintShowsTheStartBanner)
{
    const Outcome outcome = runToEnd("save-png start.png\n");
    EXPECT_EQ(windowEvents(outcome.log), (std::vector<std::string>{"midi-open 0 -> 0", "title Velmara 2013", "paint"}));

    const Picture picture(file("start.png"));
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.width(), 1280);
    EXPECT_EQ(picture.height(), 768);
    EXPECT_EQ(picture.pixel(deviceX(495), deviceY(355)), green);
    EXPECT_EQ(picture.pixel(deviceX(105), deviceY(350)), green);
    EXPECT_EQ(picture.pixel(deviceX(100), deviceY(330)), black) << "outlined with the default pen";
    EXPECT_EQ(picture.pixel(deviceX(95), deviceY(330)), white);
    EXPECT_EQ(picture.pixel(deviceX(300), deviceY(200)), white);
    EXPECT_GT(picture.count(deviceX(110), deviceY(310), deviceX(400), deviceY(330), blue), 200) << "the blue text";
    EXPECT_EQ(picture.count(0, 0, 1280, 768, red), 0);
}

TEST_F(HeadlessSession, OpenOrganThenPaintDrawsKeyboardAndStops)
{
    const Outcome outcome = runToEnd(std::string(openDemoOrgan) + "save-png organ.png\n");
    EXPECT_EQ(windowEvents(outcome.log), (std::vector<std::string>{"midi-open 0 -> 0", "title Velmara 2013", "paint",
                                                                   "chooser Fichier org|Fichier ORG", "paint"}));

    const Picture picture(file("organ.png"));
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.pixel(deviceX(495), deviceY(355)), white) << "the banner is erased";
    EXPECT_EQ(picture.pixel(deviceX(144), deviceY(330)), white) << "key 0";
    EXPECT_EQ(picture.pixel(deviceX(147), deviceY(310)), black) << "key 1";
    EXPECT_EQ(picture.pixel(deviceX(140), deviceY(330)), black) << "key 0's outline";
    EXPECT_EQ(picture.pixel(deviceX(460), deviceY(330)), white) << "key 60";

    const fs::path off = demoBrimwell / "boutons" / "of.bmp";
    const int width = bmpWidth(off) / 2;
    const auto stops = demoStops();
    ASSERT_GE(stops.size(), 2u);
    for (std::size_t j = 0; j < stops.size(); ++j) {
        const int left = deviceX(10 + static_cast<int>(j) * width);
        EXPECT_EQ(picture.pixel(left + 3, deviceY(30) + 3), bmpPixel(off, 3, 3)) << "stop " << j << " shown off";
    }
}

TEST_F(HeadlessSession, StopClickMakesItCurrent)
{
    const fs::path on = demoBrimwell / "boutons" / "on.bmp";
    const fs::path off = demoBrimwell / "boutons" / "of.bmp";
    const int width = bmpWidth(on) / 2;
    const int x = deviceX(10 + width + width / 2);
    const int y = deviceY(40);
    const Outcome outcome = runToEnd(std::string(openDemoOrgan) + "press " + std::to_string(x) + " " +
                                     std::to_string(y) + "\nrelease " + std::to_string(x) + " " + std::to_string(y) +
                                     "\nsave-png clicked.png\nmidi 0x90 60 100\npasses 1\nadvance 600\n"
                                     "save-wav note.wav\nmidi 0x80 60 0\npasses 1\n");

    const Picture picture(file("clicked.png"));
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.pixel(deviceX(10) + 3, deviceY(30) + 3), bmpPixel(off, 3, 3));
    EXPECT_EQ(picture.pixel(deviceX(10 + width) + 3, deviceY(30) + 3), bmpPixel(on, 3, 3));

    const auto recorded = recordedSamples(file("note.wav"));
    EXPECT_TRUE(equalAt(recorded, 0, playWindow(1, {24}, 1), 49920)) << "stop 1 plays";
}

TEST_F(HeadlessSession, ChordIsHeardAndItsKeysLightUp)
{
    const Outcome outcome = runToEnd(std::string(openDemoOrgan) +
                                     "midi 0x90 60 100\nmidi 0x90 64 90\nmidi 0x90 67 80\npasses 1\n"
                                     "save-png held.png\nadvance 600\nsave-wav chord.wav\n"
                                     "midi 0x80 60 0\nmidi 0x90 64 0\nmidi 0x80 67 64\npasses 1\nsave-png after.png\n");
    EXPECT_EQ(count(outcome.log, "wave-submit 99840"), 1);
    EXPECT_EQ(count(outcome.log, "wave-done"), 1);

    const auto recorded = recordedSamples(file("chord.wav"));
    ASSERT_EQ(recorded.size(), 26460u * 2);
    EXPECT_TRUE(equalAt(recorded, 0, playWindow(0, {24, 28, 31}, 2), 49920)) << "the clamped mix divided by 2";
    EXPECT_TRUE(silent(recorded, 49920, recorded.size()));

    const Picture held(file("held.png"));
    const Picture after(file("after.png"));
    ASSERT_TRUE(held.valid() && after.valid());
    // The lower part of the three white keys C, E and G of octave 2.
    for (const int left : {140 + 14 * 9, 140 + 16 * 9 - 2, 140 + 18 * 9}) {
        const int x0 = deviceX(left) + 2;
        const int x1 = deviceX(left + 9) - 2;
        const int area = (x1 - x0) * (deviceY(334) - deviceY(323));
        EXPECT_EQ(held.count(x0, deviceY(323), x1, deviceY(334), red), area) << "held key at " << left;
        EXPECT_EQ(after.count(x0, deviceY(323), x1, deviceY(334), white), area) << "released key at " << left;
    }
}

TEST_F(HeadlessSession, ReleaseOfTheLastKeySilencesAtOnce)
{
    runToEnd(std::string(openDemoOrgan) +
             "midi 0x90 48 100\npasses 1\nadvance 100\nmidi 0x80 48 0\npasses 1\nadvance 500\nsave-wav cut.wav\n");
    const auto recorded = recordedSamples(file("cut.wav"));
    ASSERT_EQ(recorded.size(), 26460u * 2);
    EXPECT_TRUE(equalAt(recorded, 0, playWindow(0, {12}, 1), 8820));
    EXPECT_TRUE(silent(recorded, 8820, recorded.size()));
}

TEST_F(HeadlessSession, LeftButtonReleaseSilences)
{
    runToEnd(std::string(openDemoOrgan) +
             "midi 0x90 72 100\npasses 1\nadvance 100\nrelease 1000 700\nadvance 500\nsave-wav cut.wav\n"
             "midi 0x80 72 0\npasses 1\n");
    const auto recorded = recordedSamples(file("cut.wav"));
    ASSERT_EQ(recorded.size(), 26460u * 2);
    EXPECT_TRUE(equalAt(recorded, 0, playWindow(0, {36}, 1), 8820));
    EXPECT_TRUE(silent(recorded, 8820, recorded.size()));
}

TEST_F(HeadlessSession, ReopeningTheOrganWhileKeysAreHeld)
{
    const Outcome outcome = runToEnd(std::string(openDemoOrgan) + "midi 0x90 48 100\npasses 1\nadvance 100\n" +
                                     openDemoOrgan +
                                     "midi 0x90 72 100\npasses 1\nadvance 600\nsave-wav both.wav\n"
                                     "midi 0x80 48 0\nmidi 0x80 72 0\npasses 1\n"
                                     "midi 0x90 60 100\npasses 1\nadvance 600\nsave-wav after.wav\n");
    const auto recorded = recordedSamples(file("both.wav"));
    ASSERT_EQ(recorded.size(), 30870u * 2);
    EXPECT_TRUE(equalAt(recorded, 0, playWindow(0, {12}, 1), 8820));
    EXPECT_TRUE(equalAt(recorded, 8820, playWindow(0, {36}, 1), 49920)) << "the held key left the mix";

    const auto later = recordedSamples(file("after.wav"));
    EXPECT_TRUE(equalAt(later, 2 * 30870, playWindow(0, {24}, 1), 49920)) << "a fresh key plays alone";
}

TEST_F(HeadlessSession, KeyBeforeAnyOrganIsIgnored)
{
    const Outcome outcome = runToEnd("midi 0x90 60 100\npasses 3\nadvance 600\nsave-wav silence.wav\n");
    EXPECT_EQ(count(outcome.log, "wave-submit 99840"), 0);
    const auto recorded = recordedSamples(file("silence.wav"));
    ASSERT_EQ(recorded.size(), 26460u * 2);
    EXPECT_TRUE(silent(recorded, 0, recorded.size()));
}

TEST_F(HeadlessSession, EscapeExitAndCloseEndWithTheirCodes)
{
    const Outcome escape = run("log events.log\npasses 2\nchar 65\nchar 27\nchar 66\n");
    EXPECT_EQ(escape.status, 330 & 0xFF);
    EXPECT_EQ(escape.out, "");
    EXPECT_EQ(windowEvents(escape.log), (std::vector<std::string>{"title Velmara 2013", "paint", "exit 330"}));

    const Outcome exitCommand = run("log events.log\naccel alt+?\ncommand 105\n");
    EXPECT_EQ(exitCommand.status, 800 & 0xFF);
    EXPECT_EQ(windowEvents(exitCommand.log),
              (std::vector<std::string>{"title Velmara 2013", "paint", "dialog 103", "exit 800"}));

    const Outcome close = run("log events.log\nclose\n");
    EXPECT_EQ(close.status, 800 & 0xFF);
    EXPECT_EQ(close.log.back(), "exit 800");
}

TEST_F(HeadlessSession, CancelledChoosersAndOtherCommandsDoNothing)
{
    const Outcome outcome = runToEnd(std::string(openDemoOrgan) +
                                     "chooser cancel\ncommand 32771\ncommand 32772\ncommand 32774\ncommand 32775\n"
                                     "dialog cancel\ncommand 32773\naccel alt+/\npasses 1\n"
                                     "midi 0x90 60 100\npasses 1\nadvance 600\nsave-wav note.wav\n");
    EXPECT_EQ(windowEvents(outcome.log),
              (std::vector<std::string>{"midi-open 0 -> 0", "title Velmara 2013", "paint",
                                        "chooser Fichier org|Fichier ORG", "paint", "chooser Fichier org|Fichier ORG",
                                        "chooser Fichier wav|Fichier WAV", "dialog 130", "paint", "dialog 103"}));
    EXPECT_TRUE(equalAt(recordedSamples(file("note.wav")), 0, playWindow(0, {24}, 1), 49920)) << "the organ stayed";
}

TEST_F(HeadlessSession, OpenWavPlaysTheChosenFile)
{
    const Outcome outcome = runToEnd("chooser \"../BRIMWELL/a b.wav\"\ncommand 32772\n");
    EXPECT_EQ(windowEvents(outcome.log).back(), "playsound ../BRIMWELL/a b.wav");
}

TEST_F(HeadlessSession, MissingDefinitionEndsWith444AndTooLongPathIsRefused)
{
    const Outcome missing = run("log events.log\nchooser ../BRIMWELL/Missing.org\ncommand 32771\n");
    EXPECT_EQ(missing.status, 444 & 0xFF);
    EXPECT_EQ(missing.log.back(), "exit 444");

    const Outcome tooLong = runToEnd("chooser " + std::string(300, 'a') + "\ncommand 32771\npasses 1\n");
    EXPECT_EQ(tooLong.err, "The chosen path is longer than 255 characters; nothing was opened.\n");
}

// The chooser gives a native path, and on Linux a file name may hold a
// backslash: such a definition opens.
TEST_F(HeadlessSession, AChosenDefinitionWithABackslashInItsNameOpens)
{
    const std::string definition = demoStops().at(0) + "\r\nEND\r\n";
    fixtures::writeFile(root / "Grand\\Orgue.org", std::vector<std::uint8_t>(definition.begin(), definition.end()));
    runToEnd("chooser \"" + root.string() + "/Grand\\x5COrgue.org\"\ncommand 32771\npasses 1\nsave-png organ.png\n");

    const Picture picture(file("organ.png"));
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.pixel(deviceX(147), deviceY(310)), black) << "the keyboard is drawn: key 1";
}

TEST_F(HeadlessSession, DeviceConfigurationReachesStartUp)
{
    const Outcome failedMidi = run("log events.log\nmidi-device \"P\\xE9riph\\xE9rique audio USB\"\n"
                                   "midi-open-result 0 6\nmidi 0x90 60 100\npasses 1\n");
    EXPECT_EQ(failedMidi.status, 0);
    EXPECT_EQ(failedMidi.out, "There was an error opening the default MIDI In device!scenario complete\n");
    EXPECT_EQ(failedMidi.log.front(), "midi-open 0 -> 6");

    // Escape ends the process at once, without flushing: the report is
    // already out.
    const Outcome failedThenEscape =
        run("midi-device \"Axiom Pro 61 USB A In\"\nmidi-open-result 0 1\npasses 1\nchar 27\n");
    EXPECT_EQ(failedThenEscape.status, 330 & 0xFF);
    EXPECT_EQ(failedThenEscape.out, "There was an error opening the default MIDI In device!");

    const Outcome noWindow = run("log events.log\nwindow-fail\npasses 1\n");
    EXPECT_EQ(noWindow.status, 0);
    EXPECT_EQ(noWindow.out, "");
    EXPECT_EQ(windowEvents(noWindow.log), std::vector<std::string>{"exit 0"});

    const Outcome noAudio = run("log events.log\naudio-fail open\n");
    EXPECT_EQ(noAudio.status, 1);
    EXPECT_EQ(noAudio.err, "unable to open WAVE_MAPPER device\n");
    EXPECT_EQ(windowEvents(noAudio.log), std::vector<std::string>{"exit 1"});
}

TEST_F(HeadlessSession, MalformedScenariosAreRefusedBeforeStartUp)
{
    const std::pair<const char*, const char*> cases[] = {
        {"passes 1\n# fine\n\njump 3\n", "scenario:5: unknown step 'jump'\n"},
        {"midi 0x90 60\n", "scenario:2: midi expects 3 arguments, not 2\n"},
        {"midi 0x90 60 256\n", "scenario:2: '256' is not a byte (0 to 255)\n"},
        {"passes 1\nwindow-fail\n", "scenario:3: configuration step after the first other step\n"},
        {"midi-device \"Axiom\n", "scenario:2: unterminated quoted word\n"},
        {"advance soon\n", "scenario:2: 'soon' is not a number of milliseconds\n"},
        {"dialog maybe\n", "scenario:2: 'maybe' is not one of ok cancel\n"},
        {"accel ctrl+q\n", "scenario:2: accel expects alt+CHARACTER, as alt+? or alt+/\n"},
        {"advance 3000000\nadvance 600000.5\n",
         "scenario:3: advance runs the audio clock past one hour, longer than the recording keeps\n"},
    };
    for (const auto& [scenario, message] : cases) {
        const Outcome outcome = run(std::string("log events.log\n") + scenario);
        EXPECT_EQ(outcome.status, 2) << scenario;
        EXPECT_EQ(outcome.err, message);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(outcome.log.empty()) << "nothing started";
    }
}

}  // namespace
