// Windows-written relative paths mapped to a POSIX file system: backslashes
// are separators, empty components collapse, and a component missing as
// written is looked up among its directory's entries ignoring ASCII case.
#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace platform {

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The entry of directory whose name equals component ignoring case, or the
// component itself when there is none.
std::string matchEntry(const std::string& directory, std::string_view component)
{
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return std::string(component);
    std::string found(component);
    while (const dirent* entry = ::readdir(dir)) {
        if (equalIgnoringCase(entry->d_name, component)) {
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

void appendComponent(std::string& path, std::string_view component)
{
    std::string candidate = join(path, component);
    if (component == "." || component == ".." || exists(candidate)) {
        path = std::move(candidate);
        return;
    }
    path = join(path, matchEntry(path, component));
}

}  // namespace

std::string hostPath(std::string_view windowsPath)
{
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
