// The command line of velmara-import and the contract --help prints.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace organ_import {

struct ImportOptions {
    std::filesystem::path into;          // BRIMWELL_DIR
    std::filesystem::path organ;         // --organ; empty for the run's default definition
    std::vector<std::string> stops;      // --stop: an organ's stops to import, by the organ's names
    std::string name;                    // --name, empty when the folder names the stop
    bool replace = false;                // an existing stop folder of the same name may be replaced
    std::optional<double> gainDecibels;  // --gain, instead of the chosen level
    std::vector<std::filesystem::path> sources;
    bool help = false;
};

// The options of the command line, or nothing with error set to what is
// wrong with it.
std::optional<ImportOptions> parseImportOptions(int argc, const char* const* argv, std::string& error);

extern const char* const importHelp;

}  // namespace organ_import
