// Where a stop velmara-import wrote came from, kept beside its samples in a
// small hidden text file, so that a later run tells a stop of the same
// source (replaced only with --replace) from another source's (never
// replaced: the new stop takes a name of its own).
#pragma once

#include <filesystem>
#include <string>

namespace organ_import {

// The record's file name inside a stop folder; the organ asks only for its
// sample files and never reads it.
inline constexpr const char* stopOriginFileName = ".velmara-source";

// The records of a stop of an organ (the name its definition file gets and
// the stop's name there), of a folder of recordings (its absolute path) and
// of a registration (its name).
std::string organStopOrigin(const std::string& organDefinition, const std::string& stopName);
std::string folderStopOrigin(const std::filesystem::path& folder);
std::string registrationStopOrigin(const std::string& name);

// The record in the stop folder; empty when it has none (a stop of the demo
// organ, one made by hand or by an earlier velmara-import) or it cannot be read.
std::string stopOriginIn(const std::filesystem::path& stopFolder);

// Writes the record into the folder and flushes it and the folder to the
// disk; false, with error set, when that fails.
bool writeStopOrigin(const std::filesystem::path& stopFolder, const std::string& origin, std::string& error);

// The record for a message: "the stop Montre 8 of the organ Demo.org", "the
// folder /home/me/Montre", "the registration Tutti", or that there is none.
std::string describedOrigin(const std::string& origin);

}  // namespace organ_import
