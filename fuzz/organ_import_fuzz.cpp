// libFuzzer target: arbitrary bytes as a recorded organ's definition
// (.organ, or an .orgue package when they start as a zip does), read and laid
// on the keys by the importer's organ planner: sections and values, manuals,
// stops, ranks, REF and DUMMY pipes, levels and names. The recordings it
// names are only looked for, never decoded: the organ's folder holds two
// empty ones.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "programs/import/sources/organ_planner.h"

namespace {

namespace fs = std::filesystem;

fs::path organFolder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    organFolder = fs::temp_directory_path() / ("velmara-organ-import-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(organFolder / "Pipes");
    for (const char* recording : {"a.wav", "b.wav"}) std::ofstream(organFolder / "Pipes" / recording);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(organFolder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Two names in turn: the planner keeps the package it read last open by
    // its path, which the next input must not reuse.
    static unsigned long runs = 0;
    const fs::path definition = organFolder / ("fuzz" + std::to_string(runs++ % 2) + ".organ");
    std::ofstream(definition, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<long>(size));
    organ_import::ImportPlan plan;
    std::string error;
    organ_import::planOrgan(definition, {}, plan, error);
    return 0;
}
