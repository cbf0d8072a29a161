// shortcut_probe LINK: reads a shell link as the Windows shell reads it and
// prints its target, arguments, working directory and icon, one a line:
// "target=...", "arguments=...", "directory=...", "icon=PATH,INDEX". Exits
// with 1 when the link cannot be loaded.
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: shortcut_probe LINK\n");
        return 2;
    }
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
        FAILED(file->Load(argv[1], STGM_READ)))
        return 1;
    wchar_t text[MAX_PATH * 2];
    int iconIndex = 0;
    link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
    std::printf("target=%s\n", utf8(text).c_str());
    link->GetArguments(text, MAX_PATH * 2);
    std::printf("arguments=%s\n", utf8(text).c_str());
    link->GetWorkingDirectory(text, MAX_PATH * 2);
    std::printf("directory=%s\n", utf8(text).c_str());
    link->GetIconLocation(text, MAX_PATH * 2, &iconIndex);
    std::printf("icon=%s,%d\n", utf8(text).c_str(), iconIndex);
    return 0;
}
