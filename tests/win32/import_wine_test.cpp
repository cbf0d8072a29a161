// velmara-import.exe under Wine beside the Linux importer built from the same
// sources: the suites' test organ, from a folder and from its package (read
// on three workers), into a BRIMWELL_DIR whose path has spaces and an accent,
// written byte for byte alike; a missing recording refused alike with nothing changed; a run
// refused alike while another holds the lock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "../import/import_support.h"
#include "../import/test_organ.h"
#include "imported_files.h"
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
ImportRun importOnWindows(const fs::path& folder, const Arguments& arguments, const std::string& workers = {})
{
    Arguments command{"sh", "-c", "exec wine \"$@\" 2> ../import-stderr", "sh",
                      (toolDirectory / "velmara-import.exe").string()};
    for (std::string argument : arguments) {
        std::replace(argument.begin(), argument.end(), '/', '\\');
        command.push_back(argument);
    }
    Arguments environment = utf8Locale;
    if (!workers.empty()) environment.push_back("VELMARA_IMPORT_WORKERS=" + workers);
    const Finished finished = run(command, folder, importTimeout, environment);
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
        const ImportRun onWindows =
            importOnWindows(windowsSide, {"--into", brimwell, organ}, organ == package ? "3" : "");
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
