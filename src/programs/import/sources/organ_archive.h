// An organ package (.orgue): a zip holding organ definitions and the
// recordings they name, read member by member into memory with libzip.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "programs/import/recordings/recording.h"

struct zip;

namespace organ_import {

// Whether the file starts as a zip archive does.
bool isZipArchive(const std::filesystem::path& file);

// A reader of organ packages for one thread at a time: the package last
// read stays open until another is read or the reader is destroyed, as an
// organ reads hundreds of members from one. Each of the renderer's workers
// has its own, so that a handle is always closed by code that owns it.
class ArchiveReader {
public:
    ArchiveReader();
    ArchiveReader(ArchiveReader&&) noexcept;
    ArchiveReader& operator=(ArchiveReader&&) noexcept;
    ~ArchiveReader();

    // The member holding the package's organ definition: the first organ its
    // organindex.ini lists, else its only .organ member. Nothing, with error
    // set, when the archive cannot be read or holds no definition.
    std::optional<std::string> organMember(const std::filesystem::path& archive, std::string& error);

    // The member's name as the archive spells it: the name itself, else the
    // one member equal to it ignoring letter case; nothing when there is none.
    std::optional<std::string> memberName(const std::filesystem::path& archive, std::string_view member);

    // The member's bytes; nothing, with error set, when it cannot be read.
    std::optional<std::vector<char>> readMember(const std::filesystem::path& archive, std::string_view member,
                                                std::string& error);

    // The recording a member holds, decoded from memory with the WavPack
    // correction member beside it (the name of a ".wv" with a "c" after it)
    // when the archive has one. Nothing, with error set, when it cannot be
    // read or decoded.
    std::optional<Recording> readRecording(const std::filesystem::path& archive, std::string_view member,
                                           std::string& error);

private:
    struct ZipCloser {
        void operator()(zip* archive) const;
    };

    zip* archiveAt(const std::filesystem::path& archive, std::string& error);

    std::filesystem::path openPath;
    std::unique_ptr<zip, ZipCloser> openZip;
};

}  // namespace organ_import
