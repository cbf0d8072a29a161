// libFuzzer target: arbitrary bytes as the organ definition, read by
// readStopNames through the TextScanner; a definition of a few stops is then
// opened by loadOrgan, every stop it names made to exist with valid samples.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "bank/organ_bank.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;

// Loading reads 61 files per stop: larger organs only slow the search down.
constexpr std::size_t largestLoadedOrgan = 3;

std::optional<fixtures::OrganDirectory> organ;
fs::path sampleStop;

std::int16_t ramp(std::size_t i) { return static_cast<std::int16_t>(i % 512); }

// A stop directory of this name under BRIMWELL, linked to the sample stop;
// false when the name cannot be a directory of its own there.
bool linkStop(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    std::error_code error;
    const fs::path link = organ->brimwell / name;
    if (fs::is_symlink(link, error)) return true;
    fs::create_directory_symlink(sampleStop, link, error);
    return !error;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    organ.emplace();
    sampleStop = organ->root / "sample-stop";
    fs::create_directory(sampleStop);
    const std::vector<std::uint8_t> image = fixtures::waveImageOfSize(minSampleBytes, ramp);
    for (const std::string& name : fixtures::sampleFileNames()) fixtures::writeFile(sampleStop / name, image);
    std::atexit([] { organ.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path definition = organ->workingDirectory / "fuzz.org";
    fixtures::writeFile(definition, {data, data + size});

    const std::vector<std::string> names = readStopNames("fuzz.org");
    if (names.size() > largestLoadedOrgan) return 0;
    for (const std::string& name : names)
        if (!linkStop(name)) return 0;
    loadOrgan("fuzz.org");

    std::error_code error;
    for (const std::string& name : names) fs::remove(organ->brimwell / name, error);
    return 0;
}
