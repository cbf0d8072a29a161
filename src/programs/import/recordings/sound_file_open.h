// A recording opened by libsndfile and by WavPack from its path, which
// Windows wants in UTF-16 for libsndfile and in UTF-8 for WavPack.
#pragma once

#include <sndfile.h>
#include <wavpack/wavpack.h>

#include <filesystem>

namespace organ_import {

SNDFILE* openSoundFile(const std::filesystem::path& path, SF_INFO& info);
WavpackContext* openWavpackFile(const std::filesystem::path& path, char* message, int flags);

}  // namespace organ_import
