// velmara-import.exe under Wine beside the Linux importer built from the same
// sources: the suites' test organ, from a folder and from its package, into a
// BRIMWELL_DIR whose path has spaces and an accent, written byte for byte
// alike; a missing recording refused alike with nothing changed; a run
// refused alike while another holds the lock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "../import/import_support.h"
#include "../import/test_organ.h"
#include "support/fixtures.h"
#include "windows_program.h"

namespace {

namespace fs = std::filesystem;
using namespace wine;

constexpr auto importTimeout = 600s;
const Arguments utf8Locale{"LANG=C.UTF-8"};

struct ImportRun {
    int status;
    std::string out, err;
};

// Slashes for backslashes and LF for CR LF, so that the two hosts' messages
// about the same relative paths compare equal.
std::string asOnLinux(const std::string& text)
{
    std::string plain;
    for (char c : text)
        if (c != '\r') plain += c == '\\' ? '/' : c;
    return plain;
}

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Every file and folder under root by its path from root, with its bytes.
Files filesUnder(const fs::path& root)
{
    Files files;
    for (auto& [path, bytes] : importtest::snapshot(root))
        files[fs::path(path).lexically_relative(root).string()] = bytes;
    return files;
}

// Whether two files are the same but for 16-bit samples one apart: the rate
// converter as Debian builds it and as it is built from the same source for
// Windows round a converted sample the other way now and then (a 44-byte
// header, then the samples).
bool withinOneStep(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second)
{
    constexpr std::size_t header = 44;
    if (first == second) return true;
    if (first.size() != second.size() || first.size() < header ||
        !std::equal(first.begin(), first.begin() + header, second.begin()))
        return false;
    for (std::size_t at = header; at + 1 < first.size(); at += 2) {
        const auto sample = [at](const std::vector<std::uint8_t>& bytes) {
            return static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8);
        };
        if (std::abs(sample(first) - sample(second)) > 1) return false;
    }
    return true;
}

// The files only one side has or whose bytes differ by more than that, one a line.
std::string differing(const Files& onLinux, const Files& onWindows)
{
    std::string names;
    for (const auto& [name, bytes] : onLinux)
        if (!onWindows.contains(name) || !withinOneStep(onWindows.at(name), bytes)) names += name + "\n";
    for (const auto& [name, bytes] : onWindows)
        if (!onLinux.contains(name)) names += name + " (on Windows only)\n";
    return names;
}

// Each host imports in a folder of its own beside the organ, into the same
// relative BRIMWELL_DIR, so that their messages name the same paths.
const std::string brimwell = "Mes orgues \xC3\xA9/BRIMWELL";
const std::string source = "Orgue d'essai \xC3\xA9";
const std::string definition = "../" + source + "/Test.organ";
const std::string package = "../" + source + ".orgue";

ImportRun importOnLinux(const fs::path& folder, const Arguments& arguments)
{
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    const importtest::Outcome outcome = importtest::runImport(arguments, utf8Locale);
    fs::current_path(previous);
    return {outcome.status, outcome.out, outcome.err};
}

// The paths given with slashes are handed to Windows with backslashes.
ImportRun importOnWindows(const fs::path& folder, const Arguments& arguments)
{
    Arguments command{"sh", "-c", "exec wine \"$@\" 2> ../import-stderr", "sh",
                      (toolDirectory / "velmara-import.exe").string()};
    for (std::string argument : arguments) {
        std::replace(argument.begin(), argument.end(), '/', '\\');
        command.push_back(argument);
    }
    const Finished finished = run(command, folder, importTimeout, utf8Locale);
    return {finished.status, finished.output, readText(folder / ".." / "import-stderr")};
}

class ImportUnderWine : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(toolDirectory / "velmara-import.exe"))
            << "scripts/test-windows builds it into " << toolDirectory;
        testorgan::writeTestOrgan(directory.root / source, testorgan::testOrganDefinition());
        importtest::writePackage(directory.root / source, directory.root / (source + ".orgue"));
        for (const fs::path& host : {linuxSide, windowsSide}) fs::create_directories(host / brimwell);
    }

    fixtures::OrganDirectory directory;
    const fs::path linuxSide = directory.root / "linux", windowsSide = directory.root / "windows";
};

TEST_F(ImportUnderWine, WritesTheLinuxImportersBytesFromAFolderAndFromAPackage)
{
    for (const std::string& organ : {definition, package}) {
        for (const fs::path& host : {linuxSide, windowsSide})
            fs::remove_all(host), fs::create_directories(host / brimwell);
        const ImportRun onLinux = importOnLinux(linuxSide, {"--into", brimwell, organ});
        const ImportRun onWindows = importOnWindows(windowsSide, {"--into", brimwell, organ});
        ASSERT_EQ(onLinux.status, 0) << organ << "\n" << onLinux.err;
        ASSERT_EQ(onWindows.status, 0) << organ << "\n" << onWindows.err;
        const Files written = filesUnder(linuxSide / brimwell);
        EXPECT_GT(written.size(), 100U) << organ;
        EXPECT_EQ(differing(written, filesUnder(windowsSide / brimwell)), "") << organ;
        EXPECT_EQ(asOnLinux(onWindows.out), asOnLinux(onLinux.out)) << organ;
    }
}

TEST_F(ImportUnderWine, RefusesAMissingRecordingAsLinuxDoesAndChangesNothing)
{
    fs::remove(directory.root / source / "Pipes" / "r048.wav");
    const auto before = importtest::snapshot(windowsSide / brimwell);
    const ImportRun onLinux = importOnLinux(linuxSide, {"--into", brimwell, definition});
    const ImportRun onWindows = importOnWindows(windowsSide, {"--into", brimwell, definition});
    EXPECT_NE(onLinux.status, 0);
    EXPECT_EQ(onWindows.status, onLinux.status);
    EXPECT_NE(onLinux.err.find("r048.wav"), std::string::npos) << onLinux.err;
    EXPECT_EQ(asOnLinux(onWindows.err), asOnLinux(onLinux.err));
    EXPECT_TRUE(importtest::snapshot(windowsSide / brimwell) == before);
}

TEST_F(ImportUnderWine, RefusesARunWhileAnotherHoldsTheLockAsLinuxDoes)
{
    const std::string lockName = ".velmara-import.lock";
    const int descriptor = ::open((linuxSide / brimwell / lockName).c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(descriptor, LOCK_EX | LOCK_NB), 0);
    const ImportRun onLinux = importOnLinux(linuxSide, {"--into", brimwell, definition});
    ::close(descriptor);

    const fs::path said = directory.root / "holder-said";
    Process holder({"wine", (toolDirectory / "lock_holder.exe").string(), lockName, "120"}, windowsSide / brimwell, {},
                   said);
    ASSERT_TRUE(waitUntil([&] { return readText(said).starts_with("held"); }, 60s));
    const ImportRun onWindows = importOnWindows(windowsSide, {"--into", brimwell, definition});

    EXPECT_NE(onLinux.status, 0);
    EXPECT_EQ(onWindows.status, onLinux.status);
    EXPECT_NE(onLinux.err.find("another velmara-import is writing into it"), std::string::npos) << onLinux.err;
    EXPECT_EQ(asOnLinux(onWindows.err), asOnLinux(onLinux.err));
}

}  // namespace
