// An organ package (.orgue): a zip holding organ definitions and the
// recordings they name, read member by member into memory with libzip.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "programs/import/recordings/recording.h"

namespace organ_import {

// Whether the file starts as a zip archive does.
bool isZipArchive(const std::filesystem::path& file);

// The member holding the package's organ definition: the first organ its
// organindex.ini lists, else its only .organ member. Nothing, with error
// set, when the archive cannot be read or holds no definition.
std::optional<std::string> organMember(const std::filesystem::path& archive, std::string& error);

// The member's name as the archive spells it: the name itself, else the one
// member equal to it ignoring letter case; nothing when there is none.
std::optional<std::string> archiveMemberName(const std::filesystem::path& archive, std::string_view member);

// The member's bytes; nothing, with error set, when it cannot be read.
std::optional<std::vector<char>> readArchiveMember(const std::filesystem::path& archive, std::string_view member,
                                                   std::string& error);

// The recording an archive member holds, decoded from memory with the
// WavPack correction member beside it (the name of a ".wv" with a "c" after
// it) when the archive has one. Nothing, with error set, when it cannot be
// read or decoded.
std::optional<Recording> readArchiveRecording(const std::filesystem::path& archive, std::string_view member,
                                              std::string& error);

}  // namespace organ_import
