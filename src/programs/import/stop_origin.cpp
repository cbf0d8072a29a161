// A stop's record of where it came from (see stop_origin.h).
#include "programs/import/stop_origin.h"

#include <fstream>
#include <sstream>

#include "platform/durable_files.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr std::streamsize longestRecord = 4096;

// The value of the record's line that starts with the key and a space.
std::string valueOf(const std::string& origin, const std::string& key)
{
    std::istringstream lines(origin);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(key + " ")) return line.substr(key.size() + 1);
    return {};
}

}  // namespace

std::string organStopOrigin(const std::string& organDefinition, const std::string& stopName)
{
    return "organ " + organDefinition + "\nstop " + stopName + "\n";
}

std::string folderStopOrigin(const fs::path& folder) { return "folder " + folder.string() + "\n"; }

std::string registrationStopOrigin(const std::string& name) { return "registration " + name + "\n"; }

std::string stopOriginIn(const fs::path& stopFolder)
{
    std::ifstream file(stopFolder / stopOriginFileName, std::ios::binary);
    std::string origin(longestRecord, '\0');
    file.read(origin.data(), longestRecord);
    origin.resize(static_cast<std::size_t>(file.gcount()));
    return origin;
}

bool writeStopOrigin(const fs::path& stopFolder, const std::string& origin, std::string& error)
{
    const fs::path path = stopFolder / stopOriginFileName;
    std::string reason;
    if (platform::writeNewFileDurably(path.string(), origin, {}, reason) &&
        platform::flushFolder(stopFolder.string(), reason))
        return true;
    error = path.string() + ": cannot be written (" + reason + ")";
    return false;
}

std::string describedOrigin(const std::string& origin)
{
    if (const std::string organ = valueOf(origin, "organ"); !organ.empty())
        return "the stop " + valueOf(origin, "stop") + " of the organ " + organ;
    for (const char* key : {"folder", "registration"})
        if (const std::string value = valueOf(origin, key); !value.empty())
            return std::string("the ") + key + " " + value;
    return "a source it keeps no record of (a stop of the demo organ, or one made by hand or by an older "
           "velmara-import)";
}

}  // namespace organ_import
