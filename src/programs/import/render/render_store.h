// Rendered keys kept on disk at full precision until the run's gain is
// known, so that memory holds one key at a time whatever the organ's size:
// one file per stop, its keys one after another.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace organ_import {

struct KeyPlanes {
    std::vector<float> scaled;  // keyFrames interleaved left/right: sound the run's gain scales
    std::vector<float> fixed;   // the same for sound already at the organ's level; empty when the stop has none
};

// Writes the key's planes into the stop's file; every key of a stop has the
// same planes. False with error set when the file cannot be written.
bool storeKey(const std::filesystem::path& file, int key, const KeyPlanes& planes, std::string& error);

// Reads the key back; withFixed says whether the stop has a fixed plane.
bool loadKey(const std::filesystem::path& file, int key, bool withFixed, KeyPlanes& planes, std::string& error);

}  // namespace organ_import
