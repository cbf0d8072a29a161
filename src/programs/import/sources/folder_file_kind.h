// What a file in a stop's folder is, from its name: a recording, a side
// file an audio editor keeps beside one ("C4.wav.asd", "060.wav.reapeaks":
// a second extension after the audio one), or a WavPack correction file
// (".wvc"), which is read with its ".wv".
#pragma once

#include <string_view>

namespace organ_import {

enum class FolderFileKind { recording, sideFile, wavpackCorrection };

FolderFileKind folderFileKind(std::string_view fileName);

}  // namespace organ_import
