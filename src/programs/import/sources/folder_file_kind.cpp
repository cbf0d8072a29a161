// Telling recordings from the files kept beside them (see folder_file_kind.h).
#include "programs/import/sources/folder_file_kind.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/ascii_case.h"

namespace organ_import {

namespace {

// The extension after the last dot of the name, lowered; empty when none.
std::string extensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string() : platform::lowerAscii(name.substr(dot + 1));
}

bool isAudioExtension(const std::string& extension)
{
    static constexpr std::array<std::string_view, 16> audio = {"wav", "wave", "flac", "aif",  "aiff", "aifc",
                                                               "wv",  "ogg",  "oga",  "opus", "mp3",  "caf",
                                                               "w64", "rf64", "au",   "snd"};
    return std::find(audio.begin(), audio.end(), extension) != audio.end();
}

}  // namespace

FolderFileKind folderFileKind(std::string_view fileName)
{
    const std::string extension = extensionOf(fileName);
    if (extension == "wvc") return FolderFileKind::wavpackCorrection;
    const std::string_view stem = fileName.substr(0, fileName.size() - extension.size() - (extension.empty() ? 0 : 1));
    if (!extension.empty() && !isAudioExtension(extension) && isAudioExtension(extensionOf(stem)))
        return FolderFileKind::sideFile;
    return FolderFileKind::recording;
}

}  // namespace organ_import
