// The command line of velmara-import and the contract --help prints.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace organ_import {

// --registration NAME=STOP+STOP+...: one more stop sounding its members.
struct RegistrationOption {
    std::string name;
    std::vector<std::string> members;  // as given: stop names, or an organ's own names
};

struct ImportOptions {
    std::filesystem::path into;          // BRIMWELL_DIR
    std::filesystem::path organ;         // --organ; empty for the run's default definition
    std::vector<std::string> stops;      // --stop: an organ's stops to import, by the organ's names
    std::string name;                    // --name, empty when the folder names the stop
    bool replace = false;                // an existing stop folder of the same name may be replaced
    std::optional<double> gainDecibels;  // --gain, instead of the chosen level
    std::vector<std::filesystem::path> sources;
    std::vector<RegistrationOption> registrations;  // in the order given, after every source's stops
    bool help = false;
};

// The options of the command line, or nothing with error set to what is
// wrong with it.
std::optional<ImportOptions> parseImportOptions(int argc, const char* const* argv, std::string& error);

extern const char* const importHelp;

}  // namespace organ_import
