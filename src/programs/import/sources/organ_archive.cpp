// Reading an organ package with libzip (see organ_archive.h).
#include "programs/import/sources/organ_archive.h"

#include <zip.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "platform/ascii_case.h"
#include "programs/import/progress_bar.h"
#include "programs/import/sources/organ_ini.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

constexpr zip_uint64_t largestMember = zip_uint64_t{1} << 30;  // 1 GiB: some 20 minutes of 96 kHz float stereo

std::optional<zip_int64_t> memberIndex(zip_t* zip, std::string_view member)
{
    const std::string name(member);
    std::string backslashed = name;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    zip_int64_t index = zip_name_locate(zip, name.c_str(), 0);
    if (index < 0) index = zip_name_locate(zip, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) index = zip_name_locate(zip, backslashed.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    return index;
}

std::optional<std::vector<char>> readWholeMember(zip_t* zip, zip_int64_t index, std::string& error)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
        zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &stat) == 0
            ? zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0)
            : nullptr,
        zip_fclose);
    if ((stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > largestMember) {
        error = "the archive member holds " + std::to_string(stat.size) + " bytes, more than a recording can";
        return std::nullopt;
    }
    std::vector<char> bytes((stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0);
    if (!file || zip_fread(file.get(), bytes.data(), bytes.size()) != static_cast<zip_int64_t>(bytes.size())) {
        error = std::string("the archive member cannot be read (") + zip_strerror(zip) + ")";
        return std::nullopt;
    }
    return bytes;
}

// Whether the name ends with the suffix, in any letter case.
bool endsWith(std::string_view name, std::string_view suffix)
{
    return name.size() > suffix.size() && platform::equalIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

struct PackageIndex {
    std::vector<std::string> organs;        // the definitions it lists
    std::vector<std::string> dependencies;  // the titles of the packages it needs
};

// What the package's organindex.ini lists; nothing when it has none.
PackageIndex packageIndex(zip_t* zip)
{
    std::string unread;
    const std::optional<zip_int64_t> index = memberIndex(zip, "organindex.ini");
    const std::optional<std::vector<char>> bytes = index ? readWholeMember(zip, *index, unread) : std::nullopt;
    if (!bytes) return {};
    const OrganIni ini = parseOrganIni(std::string_view(bytes->data(), bytes->size()), "organindex.ini");
    PackageIndex listed;
    for (const auto& [section, keys] : ini.sections) {
        std::string file = textValue(ini, section, "Filename");
        std::replace(file.begin(), file.end(), '\\', '/');
        if (section.starts_with("Organ") && !file.empty()) listed.organs.push_back(file);
        if (section.starts_with("Dependency")) listed.dependencies.push_back(textValue(ini, section, "Title"));
    }
    return listed;
}

}  // namespace

bool isZipArchive(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    char magic[4] = {};
    return stream.read(magic, sizeof magic) && std::string_view(magic, 4) == std::string_view("PK\x03\x04", 4);
}

ArchiveReader::ArchiveReader() = default;
ArchiveReader::ArchiveReader(ArchiveReader&&) noexcept = default;
ArchiveReader& ArchiveReader::operator=(ArchiveReader&&) noexcept = default;
ArchiveReader::~ArchiveReader() = default;

void ArchiveReader::ZipCloser::operator()(zip_t* archive) const { zip_discard(archive); }

// The archive at path, opened when the reader has another one or none open;
// nullptr with error set when it cannot be.
zip_t* ArchiveReader::archiveAt(const std::filesystem::path& archive, std::string& error)
{
    if (openZip && openPath == archive) return openZip.get();
    int code = 0;
    openZip.reset(zip_open(utf8Of(archive).c_str(), ZIP_RDONLY, &code));
    openPath = archive;
    if (!openZip) {
        zip_error_t failure;
        zip_error_init_with_code(&failure, code);
        error = utf8Of(archive) + ": not a zip archive libzip reads (" + zip_error_strerror(&failure) + ")";
        zip_error_fini(&failure);
    }
    return openZip.get();
}

std::optional<std::string> ArchiveReader::organMember(const std::filesystem::path& archive, std::string& error)
{
    zip_t* zip = archiveAt(archive, error);
    if (!zip) return std::nullopt;
    PackageIndex index = packageIndex(zip);
    std::vector<std::string>& organs = index.organs;
    if (organs.empty()) {
        for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i)
            if (const char* name = zip_get_name(zip, static_cast<zip_uint64_t>(i), 0); name && endsWith(name, ".organ"))
                organs.emplace_back(name);
    }
    for (const std::string& title : index.dependencies)
        warn(utf8Of(archive) + ": the package needs the package \"" + title +
             "\"; recordings only that one holds are not found");
    if (organs.empty()) {
        error = utf8Of(archive) + ": the package holds no organ definition (.organ)";
        return std::nullopt;
    }
    if (organs.size() > 1)
        warn(utf8Of(archive) + ": the package holds " + std::to_string(organs.size()) + " organs; " + organs.front() +
             " is imported (unpack the package to import another)");
    return organs.front();
}

std::optional<std::string> ArchiveReader::memberName(const std::filesystem::path& archive, std::string_view member)
{
    std::string error;
    zip_t* zip = archiveAt(archive, error);
    const std::optional<zip_int64_t> index = zip ? memberIndex(zip, member) : std::nullopt;
    if (!index) return std::nullopt;
    return std::string(zip_get_name(zip, static_cast<zip_uint64_t>(*index), 0));
}

std::optional<std::vector<char>> ArchiveReader::readMember(const std::filesystem::path& archive,
                                                           std::string_view member, std::string& error)
{
    zip_t* zip = archiveAt(archive, error);
    if (!zip) return std::nullopt;
    const std::optional<zip_int64_t> index = memberIndex(zip, member);
    if (!index) {
        error = utf8Of(archive) + ": the archive has no member " + std::string(member);
        return std::nullopt;
    }
    return readWholeMember(zip, *index, error);
}

std::optional<Recording> ArchiveReader::readRecording(const std::filesystem::path& archive, std::string_view member,
                                                      std::string& error)
{
    const std::optional<std::vector<char>> bytes = readMember(archive, member, error);
    if (!bytes) return std::nullopt;
    zip_t* zip = archiveAt(archive, error);  // still open: the member was just read from it
    const std::optional<zip_int64_t> correctionIndex =
        endsWith(member, ".wv") ? memberIndex(zip, std::string(member) + "c") : std::nullopt;
    std::optional<std::vector<char>> correction;
    if (correctionIndex) correction = readWholeMember(zip, *correctionIndex, error);
    return readRecordingBytes(*bytes, correction ? &*correction : nullptr, error);
}

}  // namespace organ_import
