// Where an organ comes from: a definition file (.organ) beside its
// recordings, or the definition inside an organ package (.orgue).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "programs/import/import_plan.h"
#include "programs/import/sources/organ_archive.h"
#include "programs/import/sources/organ_ini.h"

namespace organ_import {

struct OrganSource {
    std::filesystem::path file;  // the .organ, or the package holding it
    std::string member;          // the definition's member in the package; empty for a plain file
    OrganIni ini;
    std::unique_ptr<ArchiveReader> package;  // open on the package while the organ is planned; null for a plain file
};

// The organ the file holds: a zip archive is read as a package, anything
// else as a definition. Nothing, with error set, when it cannot be read.
std::optional<OrganSource> openOrganSource(const std::filesystem::path& file, std::string& error);

// Where the recording a definition names is ("Montre8\042-F#.wav", relative
// to the definition's folder, letter case matched loosely), cited by
// `citation`. Nothing, with error set to the citation and why, when it is
// not there.
std::optional<RecordingLocation> recordingLocation(const OrganSource& source, std::string_view path,
                                                   const std::string& citation, std::string& error);

}  // namespace organ_import
