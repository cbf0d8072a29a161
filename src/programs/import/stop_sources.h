// The recordings of one stop's folder, each placed on its MIDI note, and
// which of them every key of the organ is made from.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bank/key_numbering.h"

namespace organ_import {

struct SourceFile {
    std::filesystem::path path;
    int midiNote;
};

struct StopSources {
    std::vector<SourceFile> recordings;           // by rising note
    std::vector<std::filesystem::path> unplaced;  // files whose names give no note
    int sourceOfKey[keyCount];                    // index into recordings: the nearest note, the lower of two
};

// The files of the folder (not those of its subfolders, nor hidden ones).
// Nothing, with error set, when the folder cannot be listed, two files give
// the same note, or none gives a note.
std::optional<StopSources> findStopSources(const std::filesystem::path& folder, std::string& error);

}  // namespace organ_import
