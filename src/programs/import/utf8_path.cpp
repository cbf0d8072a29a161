// Paths to and from UTF-8 through char8_t, which every host's path converts
// as UTF-8 (a plain char string goes through the Windows code page instead).
#include "programs/import/utf8_path.h"

#include "platform/windows1252.h"

namespace organ_import {

std::filesystem::path pathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string genericUtf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path pathFromWindows1252(std::string_view name)
{
#ifdef _WIN32
    return pathFromUtf8(platform::windows1252ToUtf8(name));
#else
    return std::filesystem::path(name);
#endif
}

std::FILE* openToRead(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace organ_import
