// Windows-written paths mapped to a POSIX file system: a path that exists as
// given is native and kept; otherwise backslashes are separators, empty
// components collapse, and a component missing as written is looked up with
// its Windows-1252 bytes in UTF-8, then among its directory's entries
// ignoring ASCII case.
#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/files.h"
#include "platform/windows1252.h"

namespace platform {

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// The entry of directory whose name equals either spelling ignoring ASCII
// case, or the component as written when there is none.
std::string matchEntry(const std::string& directory, std::string_view component, std::string_view inUtf8)
{
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return std::string(component);
    std::string found(component);
    while (const dirent* entry = ::readdir(dir)) {
        if (equalIgnoringCase(entry->d_name, component) || equalIgnoringCase(entry->d_name, inUtf8)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string join(const std::string& directory, std::string_view component)
{
    if (directory.empty()) return std::string(component);
    if (directory.back() == '/') return directory + std::string(component);
    return directory + "/" + std::string(component);
}

// A definition saved on Windows spells "Flûte" with the byte 0xFB, where a
// Linux file system names the folder in UTF-8.
void appendComponent(std::string& path, std::string_view component)
{
    std::string candidate = join(path, component);
    if (component == "." || component == ".." || exists(candidate)) {
        path = std::move(candidate);
        return;
    }
    const std::string inUtf8 = windows1252ToUtf8(component);
    candidate = join(path, inUtf8);
    if (exists(candidate)) {
        path = std::move(candidate);
        return;
    }
    path = join(path, matchEntry(path, component, inUtf8));
}

}  // namespace

std::string hostPath(std::string_view windowsPath)
{
    // A native path, such as one the file chooser gave, opens as given even
    // when a name in it holds a backslash.
    std::string asGiven(windowsPath);
    if (exists(asGiven)) return asGiven;

    const bool absolute = !windowsPath.empty() && (windowsPath[0] == '/' || windowsPath[0] == '\\');
    std::vector<std::string_view> components;
    std::size_t start = 0;
    while (start <= windowsPath.size()) {
        std::size_t end = windowsPath.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = windowsPath.size();
        if (end > start) components.push_back(windowsPath.substr(start, end - start));
        start = end + 1;
    }
    // Usually the path exists as written: one look-up instead of one per component.
    std::string asWritten = absolute ? "/" : "";
    for (std::string_view component : components) asWritten = join(asWritten, component);
    if (exists(asWritten)) return asWritten;

    std::string result = absolute ? "/" : "";
    for (std::string_view component : components) appendComponent(result, component);
    return result;
}

}  // namespace platform
