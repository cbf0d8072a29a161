// The organ bank: the text scanner, the definition rules, the 61 sample
// paths, every fatal path, reloading an organ, and the generated demo organ.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>

#include "bank/organ_bank.h"
#include "bank/text_scanner.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using fixtures::OrganDirectory;
using testing::Eq;
using testing::ExitedWithCode;

// A POSIX exit status keeps the low 8 bits of the code.
constexpr int status(int code) { return code & 0xFF; }

constexpr const char* definitionPath = "..\\BRIMWELL\\test.org";
constexpr std::size_t markerOffset = 1000;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

void writeDefinition(const OrganDirectory& organ, std::string_view text, const char* file = "test.org")
{
    fixtures::writeFile(organ.brimwell / file, bytesOf(text));
}

std::int16_t silence(std::size_t) { return 0; }

// A sample the bank accepts, told apart from others by the byte at markerOffset.
std::vector<std::uint8_t> markedSample(std::uint8_t marker)
{
    std::vector<std::uint8_t> image = fixtures::waveImageOfSize(minSampleBytes, silence);
    image[markerOffset] = marker;
    return image;
}

std::uint8_t markerOf(int stop, int key)
{
    return reinterpret_cast<const std::uint8_t*>(organBank.sampleData[stop][key].get())[markerOffset];
}

void writeFirstSample(const OrganDirectory& organ, const std::vector<std::uint8_t>& image)
{
    fixtures::writeFile(organ.brimwell / "Stop1" / "036-C.wav", image);
}

// Lets a death test's message matcher see what goes to standard output.
void stdoutToStderr() { ::dup2(STDERR_FILENO, STDOUT_FILENO); }

void loadText(TextScanner& scanner, const OrganDirectory& organ, std::string_view text)
{
    fixtures::writeFile(organ.root / "text.txt", bytesOf(text));
    scanner.load("..\\text.txt");
}

std::string readToken(TextScanner& scanner)
{
    char token[tokenCapacity];
    scanner.readToken(token);
    return token;
}

TEST(TextScanner, CrLfLineGivesTheNameAndSkipsPastTheLineFeed)
{
    OrganDirectory organ;
    TextScanner scanner;
    loadText(scanner, organ, "Stop1\r\nEND\r\n");
    EXPECT_EQ(readToken(scanner), "Stop1");
    EXPECT_EQ(scanner.pos, 5);
    scanner.skipLine();
    EXPECT_EQ(scanner.pos, 7);
    EXPECT_EQ(readToken(scanner), "END");
}

TEST(TextScanner, TokenCharactersIncludeHighBytesAndOtherBytesEndTheToken)
{
    OrganDirectory organ;
    TextScanner scanner;
    loadText(scanner, organ, "a b,c%d.e-f_g;x\n\tFl\xFBte Voix c\xC3\xA9leste\n");
    EXPECT_EQ(readToken(scanner), "a b,c%d.e-f_g");
    EXPECT_EQ(scanner.text[scanner.pos], ';');
    scanner.skipLine();
    EXPECT_EQ(readToken(scanner), "");
    EXPECT_EQ(scanner.pos, 16);
    ++scanner.pos;
    EXPECT_EQ(readToken(scanner), "Fl\xFBte Voix c\xC3\xA9leste");
}

TEST(TextScanner, StopsAtTheEndOfTheText)
{
    OrganDirectory organ;
    TextScanner lastLine;
    loadText(lastLine, organ, "\nEND");
    lastLine.skipLine();
    EXPECT_EQ(lastLine.pos, 1);
    EXPECT_EQ(readToken(lastLine), "END");
    lastLine.skipLine();
    EXPECT_EQ(lastLine.pos, 4);
    EXPECT_TRUE(lastLine.atEnd());
    EXPECT_EQ(readToken(lastLine), "");

    TextScanner empty;
    loadText(empty, organ, "");
    EXPECT_EQ(empty.size, 0);
    EXPECT_EQ(readToken(empty), "");
    empty.skipLine();
    EXPECT_EQ(empty.pos, 0);
}

TEST(TextScanner, TokenLongerThan255BytesIsCutAndConsumed)
{
    OrganDirectory organ;
    TextScanner scanner;
    loadText(scanner, organ, std::string(300, 'x') + "\nY");
    EXPECT_EQ(readToken(scanner), std::string(255, 'x'));
    EXPECT_EQ(scanner.pos, 300);
    scanner.skipLine();
    EXPECT_EQ(readToken(scanner), "Y");
}

TEST(TextScannerDeath, OpenFailuresReportAndLoadExits444)
{
    OrganDirectory organ;
    TextScanner scanner;
    std::int32_t size = 7;
    testing::internal::CaptureStdout();
    EXPECT_EQ(scanner.open(nullptr, "rb", size), -1);
    EXPECT_EQ(scanner.open("..\\missing.txt", "rb", size), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "***erreur fopen: nom de fichier NULL***erreur Ouverture fopen");
    EXPECT_EQ(size, 7);

    EXPECT_EXIT((stdoutToStderr(), scanner.load("..\\missing.txt")), ExitedWithCode(status(444)),
                Eq("***erreur Ouverture fopen"));
    EXPECT_EXIT((stdoutToStderr(), scanner.load(nullptr)), ExitedWithCode(status(444)),
                Eq("***erreur fopen: nom de fichier NULL"));
    EXPECT_EXIT(scanner.close(nullptr), ExitedWithCode(status(-1)), Eq(""));
}

TEST(OrganDefinition, EndMustBeExactAndIsTheLastLineRead)
{
    OrganDirectory organ;
    writeDefinition(organ, "end\r\nEND \r\nEnd\nEND\r\nMissing\r\n");
    fixtures::writeStop(organ, "end", markedSample(1));
    fixtures::writeStop(organ, "END ", markedSample(2));
    fixtures::writeStop(organ, "End", markedSample(3));

    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 3);
    EXPECT_STREQ(organBank.stops[0].name, "end");
    EXPECT_STREQ(organBank.stops[1].name, "END ");
    EXPECT_STREQ(organBank.stops[2].name, "End");
    EXPECT_EQ(markerOf(1, 0), 2);
    EXPECT_EQ(markerOf(2, 60), 3);
}

TEST(OrganDefinition, CommentsLeadingSpacesAndCarriageReturns)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\tthe first comment\r\nStop2 swell, 8%\t(x)\r\n  Stop3\r\nEND");
    fixtures::writeStop(organ, "Stop1", markedSample(1));
    fixtures::writeStop(organ, "Stop2 swell, 8%", markedSample(2));
    fixtures::writeStop(organ, "  Stop3", markedSample(3));

    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 3);
    EXPECT_STREQ(organBank.stops[0].name, "Stop1");
    EXPECT_STREQ(organBank.stops[1].name, "Stop2 swell, 8%");
    EXPECT_STREQ(organBank.stops[2].name, "  Stop3");
    EXPECT_EQ(markerOf(2, 30), 3);
}

TEST(OrganDefinition, BlankLineIsAStopWithSamplesInTheSampleRoot)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\n\nEND\n");
    fixtures::writeStop(organ, "Stop1", markedSample(1));
    fixtures::writeStop(organ, "", markedSample(5));

    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 2);
    EXPECT_STREQ(organBank.stops[1].name, "");
    EXPECT_EQ(markerOf(1, 0), 5);
}

TEST(OrganDefinition, WithoutEndTheListEndsWithTheText)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nStop2");
    EXPECT_THAT(readStopNames(definitionPath), testing::ElementsAre("Stop1", "Stop2"));
    writeDefinition(organ, "Stop1\n");
    EXPECT_THAT(readStopNames(definitionPath), testing::ElementsAre("Stop1"));

    writeDefinition(organ, "");
    organBank.stopCount = 5;
    loadOrgan(definitionPath);
    EXPECT_EQ(organBank.stopCount, 0);
}

TEST(OrganDefinition, AccentedAndOverlongNames)
{
    OrganDirectory organ;
    const std::string longName = "Principal " + std::string(30, 'p');
    const std::string overlong(300, 'q');
    writeDefinition(organ, "Fl\xFBte 4\nVoix c\xC3\xA9leste\n" + longName + "\n" + overlong + "\nEND\n");
    fixtures::writeStop(organ, "Fl\xFBte 4", markedSample(1));
    fixtures::writeStop(organ, "Voix c\xC3\xA9leste", markedSample(2));
    fixtures::writeStop(organ, longName, markedSample(3));
    fixtures::writeStop(organ, overlong.substr(0, 255), markedSample(4));

    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 4);
    EXPECT_STREQ(organBank.stops[0].name, "Fl\xFBte 4");
    EXPECT_STREQ(organBank.stops[1].name, "Voix c\xC3\xA9leste");
    EXPECT_EQ(organBank.stops[2].name, longName.substr(0, 31));
    EXPECT_EQ(organBank.stops[3].name, overlong.substr(0, 31));
    EXPECT_EQ(markerOf(2, 0), 3);
    EXPECT_EQ(markerOf(3, 0), 4);
}

// A definition saved on Windows names "Flûte" with the byte 0xFB; the folders
// copied to Linux are named in UTF-8. The names and labels stay as written.
TEST(OrganDefinition, WindowsWrittenNamesFindTheirUtf8Folders)
{
    OrganDirectory organ;
    writeDefinition(organ, "Fl\xFBte 8\r\nfl\xFBte 4\r\nVoix c\xC3\xA9leste\r\nEND\r\n");
    fixtures::writeStop(organ, "Fl\xC3\xBBte 8", markedSample(1));
    fixtures::writeStop(organ, "Fl\xC3\xBBte 4", markedSample(2));
    fixtures::writeStop(organ, "Voix c\xC3\xA9leste", markedSample(3));

    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 3);
    EXPECT_STREQ(organBank.stops[0].name, "Fl\xFBte 8");
    EXPECT_STREQ(organBank.stops[1].name, "fl\xFBte 4");
    EXPECT_EQ(markerOf(0, 60), 1);
    EXPECT_EQ(markerOf(1, 0), 2) << "the UTF-8 spelling matched ignoring ASCII case";
    EXPECT_EQ(markerOf(2, 30), 3);
}

// The chooser gives a native path; on Linux a file name may hold a backslash.
TEST(OrganDefinition, AChosenPathOpensAsGivenWithABackslashInAName)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n", "Grand\\Orgue.org");
    fixtures::writeStop(organ, "Stop1", markedSample(7));

    loadOrgan((organ.brimwell / "Grand\\Orgue.org").c_str());
    ASSERT_EQ(organBank.stopCount, 1);
    EXPECT_EQ(markerOf(0, 0), 7);
}

TEST(OrganDefinition, MoreThan100StopsAreCutAtTheFirst100WithOneLine)
{
    OrganDirectory organ;
    std::string text;
    for (int i = 0; i < 150; ++i) text += "S" + std::to_string(i) + "\r\n";
    writeDefinition(organ, text + "END\r\n");

    testing::internal::CaptureStderr();
    const std::vector<std::string> names = readStopNames(definitionPath);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The organ definition lists more than 100 stops: the first 100 are loaded, the rest ignored\n");
    ASSERT_EQ(names.size(), 100u);
    EXPECT_EQ(names.back(), "S99");
}

TEST(SamplePaths, EveryKeyLoadsItsOwnFile)
{
    EXPECT_EQ(samplePath("Stop1", 0), "..\\BRIMWELL\\Stop1\\036-C.wav");
    EXPECT_EQ(samplePath("Stop1", 1), "..\\BRIMWELL\\Stop1\\037-C#.wav");
    EXPECT_EQ(samplePath("Stop1", 11), "..\\BRIMWELL\\Stop1\\047-B.wav");
    EXPECT_EQ(samplePath("Stop1", 60), "..\\BRIMWELL\\Stop1\\096-C.wav");

    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    const std::vector<std::string> files = fixtures::sampleFileNames();
    for (int key = 0; key < keyCount; ++key)
        fixtures::writeFile(organ.brimwell / "Stop1" / files[key], markedSample(static_cast<std::uint8_t>(key + 1)));

    loadOrgan(definitionPath);
    for (int key = 0; key < keyCount; ++key) {
        EXPECT_EQ(markerOf(0, key), key + 1) << files[key];
        EXPECT_EQ(organBank.sampleSize[0][key], minSampleBytes);
    }
}

TEST(OrganBankDeath, DefinitionThatCannotBeOpenedExits444)
{
    OrganDirectory organ;
    EXPECT_EXIT((stdoutToStderr(), loadOrgan("..\\BRIMWELL\\none.org")), ExitedWithCode(status(444)),
                Eq("***erreur Ouverture fopen"));
    EXPECT_EXIT((stdoutToStderr(), loadOrgan("")), ExitedWithCode(status(444)), Eq("***erreur Ouverture fopen"));
}

TEST(OrganBankDeath, MissingOrEmptySampleExits11NamingTheFile)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    const std::vector<std::string> files = fixtures::sampleFileNames();
    for (int key = 0; key < 14; ++key) fixtures::writeFile(organ.brimwell / "Stop1" / files[key], markedSample(1));
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(11), Eq("Unable to load file\n..\\BRIMWELL\\Stop1\\050-D.wav\n"));

    fixtures::writeFile(organ.brimwell / "Stop1" / "050-D.wav", {});
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(11), Eq("Unable to load file\n..\\BRIMWELL\\Stop1\\050-D.wav\n"));

    fs::remove(organ.brimwell / "Stop1" / "050-D.wav");
    fs::create_directory(organ.brimwell / "Stop1" / "050-D.wav");
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(11),
                Eq("Unable to load file\n..\\BRIMWELL\\Stop1\\050-D.wav\n"));

    writeDefinition(organ, "\r\nEND\r\n");
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(11), Eq("Unable to load file\n..\\BRIMWELL\\\\036-C.wav\n"));
}

TEST(OrganBankDeath, SampleNotRiffOrShorterThanThePlayWindowExits801)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    writeFirstSample(organ, {'R'});
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq(""));

    std::vector<std::uint8_t> notRiff = markedSample(1);
    notRiff[1] = 'X';
    writeFirstSample(organ, notRiff);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq(""));

    writeFirstSample(organ, fixtures::waveImageOfSize(minSampleBytes - 1, silence));
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)),
                Eq("Sample file shorter than 100000 bytes: ..\\BRIMWELL\\Stop1\\036-C.wav\n"));
}

// A sample written by libsndfile in the given format: a quiet tone, long
// enough for the play window, with the loop and text chunks recordings carry
// (no text without a title).
void writeRecording(const fs::path& path, int format, int rate, int channels, const char* title = "Montre 8 C2")
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    if (title != nullptr) sf_set_string(file, SF_STR_TITLE, title);
    SF_INSTRUMENT instrument{};
    instrument.basenote = 36;
    instrument.loop_count = 1;
    instrument.loops[0] = {SF_LOOP_FORWARD, 1000, 20000, 0};
    sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    std::vector<float> frames(30000 * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = 0.25f * static_cast<float>(std::sin(0.01 * i));
    sf_writef_float(file, frames.data(), 30000);
    sf_close(file);
}

TEST(OrganBankDeath, SampleOfAnotherFormatExits801NamingWhatItIs)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    const fs::path first = organ.brimwell / "Stop1" / "036-C.wav";
    fs::create_directories(first.parent_path());
    const std::string tail = ", not 44100 Hz, 16-bit, 2 channels: ..\\BRIMWELL\\Stop1\\036-C.wav\n";
    writeRecording(first, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file 44100 Hz, 24-bit, 2 channels" + tail));
    writeRecording(first, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 48000, 1);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file 48000 Hz, 16-bit, 1 channel" + tail));
    writeRecording(first, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)),
                Eq("Sample file 44100 Hz, 32-bit float, 2 channels" + tail));
    writeRecording(first, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 44100, 2);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)),
                Eq("Sample file 44100 Hz, 4-bit, 2 channels, encoding 0x0011" + tail));

    std::vector<std::uint8_t> noFormat = markedSample(1);
    std::memcpy(noFormat.data() + 12, "junk", 4);
    writeFirstSample(organ, noFormat);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)),
                Eq("Sample file without a RIFF/WAVE format chunk" + tail));
}

// A plain sample whose sound begins extra bytes later than byte 44: after a
// longer format chunk, or after a broadcast chunk put before the data.
std::vector<std::uint8_t> sampleWithSoundLater(std::uint32_t extra, bool broadcast)
{
    std::vector<std::uint8_t> image = markedSample(1);
    std::vector<std::uint8_t> inserted(extra, 0);
    const std::uint32_t size = broadcast ? extra - 8 : 16 + extra;
    std::uint8_t* field = broadcast ? inserted.data() + 4 : image.data() + 16;
    for (int i = 0; i < 4; ++i) field[i] = static_cast<std::uint8_t>(size >> (8 * i));
    if (broadcast) std::memcpy(inserted.data(), "bext", 4);
    image.insert(image.begin() + 36, inserted.begin(), inserted.end());
    return image;
}

TEST(OrganBankDeath, SampleWhoseSoundIsNotPlayedFromItsFirstFrameExits801SayingWhereItBegins)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    const std::string tail = ", not on a frame at or before byte 160 (save it as a plain WAV, or bring it in with "
                             "velmara-import): ..\\BRIMWELL\\Stop1\\036-C.wav\n";
    // An 18-byte format chunk would play left and right swapped, a broadcast chunk as noise.
    writeFirstSample(organ, sampleWithSoundLater(2, false));
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file sound begins at byte 46" + tail));
    writeFirstSample(organ, sampleWithSoundLater(120, false));
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file sound begins at byte 164" + tail));
    writeFirstSample(organ, sampleWithSoundLater(264, true));
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file sound begins at byte 308" + tail));
    std::vector<std::uint8_t> noData = markedSample(1);
    std::memcpy(noData.data() + 36, "junk", 4);
    writeFirstSample(organ, noData);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(status(801)), Eq("Sample file without a data chunk" + tail));
}

TEST(OrganBank, ExtensiblePcmWithALoopChunkAndSoundBeginningOnAFrameUpToByte160Loads)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    fixtures::writeStop(organ, "Stop1", sampleWithSoundLater(116, false));
    writeRecording(organ.brimwell / "Stop1" / "036-C.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 44100, 2, nullptr);
    loadOrgan(definitionPath);
    ASSERT_EQ(organBank.stopCount, 1);
    for (const int key : {0, 1}) {
        const std::vector<std::uint8_t> file = fixtures::readFile(organ.brimwell / "Stop1" / sampleFileName(key));
        EXPECT_EQ(organBank.sampleSize[0][key], static_cast<std::int32_t>(file.size()));
        EXPECT_TRUE(std::equal(file.begin(), file.end(),
                               reinterpret_cast<const std::uint8_t*>(organBank.sampleData[0][key].get())));
    }
}

// Limits the address space to what the process uses now plus headroom.
void limitAddressSpace(std::size_t headroom)
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + headroom;
    const rlimit bounds{limit, limit};
    ::setrlimit(RLIMIT_AS, &bounds);
}

TEST(OrganBankDeath, SampleTooLargeForMemoryExits11WithAReason)
{
    OrganDirectory organ;
    writeDefinition(organ, "Stop1\r\nEND\r\n");
    const fs::path first = organ.brimwell / "Stop1" / "036-C.wav";
    writeFirstSample(organ, {'R', 'I'});
    fs::resize_file(first, std::uintmax_t{1} << 30);
    EXPECT_EXIT(loadOrgan(definitionPath), ExitedWithCode(11),
                Eq("Sample file too large to hold in memory (1073741824 bytes)\n"
                   "Unable to load file\n..\\BRIMWELL\\Stop1\\036-C.wav\n"));

    fs::resize_file(first, std::uintmax_t{1} << 28);
    EXPECT_EXIT((limitAddressSpace(std::size_t{128} << 20), loadOrgan(definitionPath)), ExitedWithCode(11),
                Eq("Not enough memory for the sample file (268435456 bytes)\n"
                   "Unable to load file\n..\\BRIMWELL\\Stop1\\036-C.wav\n"));
}

TEST(OrganReload, FewerStopsKeepCurrentStopAndTheSlotsAbove)
{
    OrganDirectory organ;
    writeDefinition(organ, "A\nB\nC\nEND\n");
    writeDefinition(organ, "Z\nEND\n", "small.org");
    fixtures::writeStop(organ, "A", markedSample(1));
    fixtures::writeStop(organ, "B", markedSample(2));
    fixtures::writeStop(organ, "C", markedSample(3));
    fixtures::writeStop(organ, "Z", markedSample(9));

    loadOrgan(definitionPath);
    organBank.currentStop = 2;
    loadOrgan("..\\BRIMWELL\\small.org");
    EXPECT_EQ(organBank.stopCount, 1);
    EXPECT_EQ(organBank.currentStop, 2);
    EXPECT_STREQ(organBank.stops[0].name, "Z");
    EXPECT_EQ(markerOf(0, 60), 9);
    EXPECT_STREQ(organBank.stops[2].name, "C");
    EXPECT_EQ(markerOf(2, 60), 3);
}

TEST(OrganReload, SameOrganTwiceReplacesEveryBufferAfterItsReplacementLoaded)
{
    OrganDirectory organ;
    writeDefinition(organ, "A\nEND\n");
    fixtures::writeStop(organ, "A", markedSample(1));
    loadOrgan(definitionPath);
    const std::int16_t* earlier[keyCount];
    for (int key = 0; key < keyCount; ++key) earlier[key] = organBank.sampleData[0][key].get();

    fixtures::writeStop(organ, "A", markedSample(2));
    loadOrgan(definitionPath);
    for (int key = 0; key < keyCount; ++key) {
        EXPECT_EQ(markerOf(0, key), 2);
        EXPECT_NE(organBank.sampleData[0][key].get(), earlier[key]) << "key " << key;
    }
}

TEST(WaveImage, HoldsTheFileThenZerosForAnOddSize)
{
    OrganDirectory organ;
    constexpr std::size_t size = minSampleBytes + 1;
    std::vector<std::uint8_t> file = fixtures::waveImageOfSize(size, [](std::size_t i) { return std::int16_t(i * 7); });
    file.back() = 0x5A;
    fixtures::writeFile(organ.brimwell / "odd.wav", file);
    // Leave freed memory of the same size full of non-zero bytes.
    for (int round = 0; round < 2; ++round) {
        auto dirty = std::make_unique<std::int16_t[]>(size);
        std::memset(dirty.get(), 0xAA, 2 * size);
    }

    std::int32_t loaded = 0;
    const SampleBuffer image = loadWaveImage("..\\BRIMWELL\\odd.wav", loaded);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(loaded, static_cast<std::int32_t>(size));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.get());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), bytes));
    EXPECT_TRUE(std::all_of(bytes + size, bytes + 2 * size, [](std::uint8_t b) { return b == 0; }));
}

int stopNamed(const char* name)
{
    for (int stop = 0; stop < organBank.stopCount; ++stop)
        if (std::strcmp(organBank.stops[stop].name, name) == 0) return stop;
    return -1;
}

// Strength of the frequency in the left channel of a sample, from 0.2 s on.
double strengthAt(int stop, int key, double frequency)
{
    const std::int16_t* entries = organBank.sampleData[stop][key].get() + 22;
    const double w = 2 * std::numbers::pi * frequency / 44100;
    double s1 = 0, s2 = 0;
    for (int frame = 8820; frame < 8820 + 17640; ++frame) {
        const double s = entries[2 * frame] + 2 * std::cos(w) * s1 - s2;
        s2 = s1, s1 = s;
    }
    return s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
}

class DemoOrgan : public testing::Test {
protected:
    void SetUp() override
    {
        previous = fs::current_path();
        fs::current_path(fs::path(VELMARA_DEMO_DIR) / "Orgue");
        loadOrgan("..\\BRIMWELL\\Brimwell.org");
    }
    void TearDown() override { fs::current_path(previous); }
    fs::path previous;
};

TEST_F(DemoOrgan, LoadsWithFourFamiliesOfPlayableQuietEnoughSamples)
{
    ASSERT_GE(organBank.stopCount, 4);
    for (const char* name : {"Montre 8", "Bourdon 8", "Prestant 4", "Trompette 8"}) EXPECT_GE(stopNamed(name), 0) << name;
    const std::vector<std::uint8_t> canonical = fixtures::waveImage({});
    for (int stop = 0; stop < organBank.stopCount; ++stop) {
        for (int key = 0; key < keyCount; ++key) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(organBank.sampleData[stop][key].get());
            const std::int16_t* entries = organBank.sampleData[stop][key].get();
            ASSERT_GE(organBank.sampleSize[stop][key], minSampleBytes);
            // RIFF/WAVE, 44,100 Hz, 16-bit, two channels: the canonical header's format part.
            ASSERT_TRUE(std::equal(canonical.begin() + 8, canonical.begin() + 36, bytes + 8));
            int peak = 0, early = 0;
            for (int i = 80; i < minSampleBytes / 2; ++i) peak = std::max(peak, std::abs(int(entries[i])));
            for (int i = 80; i < 80 + 2 * 441 * 5; ++i) early = std::max(early, std::abs(int(entries[i])));
            EXPECT_LE(peak, 8000) << organBank.stops[stop].name << " key " << key;
            EXPECT_GT(early, peak / 20) << organBank.stops[stop].name << " key " << key << " speaks late";
        }
    }
}

TEST_F(DemoOrgan, TunedInEqualTemperamentWithTheFourFootAnOctaveUp)
{
    const int montre = stopNamed("Montre 8"), prestant = stopNamed("Prestant 4");
    ASSERT_GE(montre, 0);
    ASSERT_GE(prestant, 0);
    constexpr int keyA4 = 69 - firstMidiNote;
    for (double neighbour : {415.3, 466.2, 220.0})
        EXPECT_GT(strengthAt(montre, keyA4, 440.0), 10 * strengthAt(montre, keyA4, neighbour)) << neighbour;
    EXPECT_GT(strengthAt(prestant, keyA4, 880.0), 10 * strengthAt(prestant, keyA4, 440.0));
    EXPECT_GT(strengthAt(montre, 0, 65.406), 10 * strengthAt(montre, 0, 69.296));
}

TEST(DemoButtons, OnAndOffAreDistinct24BitBottomUpBitmaps)
{
    const fs::path boutons = fs::path(VELMARA_DEMO_DIR) / "BRIMWELL" / "boutons";
    const std::vector<std::uint8_t> on = fixtures::readFile(boutons / "on.bmp");
    const std::vector<std::uint8_t> off = fixtures::readFile(boutons / "of.bmp");
    const std::vector<std::uint8_t> expected = fixtures::bmpImage(100, 64, 0);
    ASSERT_EQ(on.size(), expected.size());
    ASSERT_EQ(off.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 54, on.begin()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 54, off.begin()));
    std::size_t differing = 0;
    for (std::size_t i = 54; i < on.size(); ++i) differing += on[i] != off[i];
    EXPECT_GT(differing, on.size() / 4);
}

}  // namespace
