// Opening an organ and finding its recordings (see organ_source.h).
#include "programs/import/sources/organ_source.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/files.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t largestDefinition = std::uintmax_t{64} << 20;  // 64 MiB, a hundred times the largest organ's

std::optional<std::string> fileText(const fs::path& file, std::string& error)
{
    std::error_code failure;
    const std::uintmax_t size = fs::file_size(file, failure);
    if (!failure && size > largestDefinition) {
        error = utf8Of(file) + ": " + std::to_string(size) + " bytes, too large for an organ definition";
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (failure || (!stream.good() && !stream.eof())) {
        error = utf8Of(file) + ": the organ definition cannot be read";
        return std::nullopt;
    }
    return text;
}

std::string withSlashes(std::string_view path)
{
    std::string slashed(path);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return slashed;
}

}  // namespace

std::optional<OrganSource> openOrganSource(const fs::path& file, std::string& error)
{
    OrganSource source{file, {}, {}, nullptr};
    std::optional<std::string> text;
    if (isZipArchive(file)) {
        source.package = std::make_unique<ArchiveReader>();
        const std::optional<std::string> member = source.package->organMember(file, error);
        if (!member) return std::nullopt;
        source.member = *member;
        const std::optional<std::vector<char>> bytes = source.package->readMember(file, *member, error);
        if (bytes) text.emplace(bytes->begin(), bytes->end());
    } else {
        std::error_code failure;
        if (!fs::is_regular_file(file, failure)) {
            error = utf8Of(file) + ": neither a folder of recordings nor an organ (.organ, .orgue)";
            return std::nullopt;
        }
        text = fileText(file, error);
    }
    if (!text) return std::nullopt;
    const fs::path shown = source.member.empty() ? file.filename() : file.filename() / pathFromUtf8(source.member);
    source.ini = parseOrganIni(*text, genericUtf8Of(shown));
    return source;
}

std::optional<RecordingLocation> recordingLocation(const OrganSource& source, std::string_view path,
                                                   const std::string& citation, std::string& error)
{
    if (!source.member.empty()) {
        const fs::path wanted =
            (pathFromUtf8(source.member).parent_path() / pathFromUtf8(withSlashes(path))).lexically_normal();
        const std::optional<std::string> member = source.package->memberName(source.file, genericUtf8Of(wanted));
        if (!member) {
            error = citation + ": the package has no " + genericUtf8Of(wanted);
            return std::nullopt;
        }
        return RecordingLocation{source.file, *member, citation};
    }
    const fs::path folder = source.file.parent_path().empty() ? fs::path(".") : source.file.parent_path();
    const fs::path file = pathFromUtf8(platform::hostPath(utf8Of(folder) + "/" + std::string(path)));
    std::error_code failure;
    if (!fs::is_regular_file(file, failure)) {
        error = citation + ": no such recording (" + utf8Of(file) + ")";
        return std::nullopt;
    }
    return RecordingLocation{file, {}, citation};
}

}  // namespace organ_import
