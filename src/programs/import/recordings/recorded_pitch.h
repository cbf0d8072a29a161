// The pitch a recording's own "smpl" chunk gives: its MIDI unity note plus
// the pitch fraction, a fraction of a semitone up from it.
#pragma once

#include <filesystem>
#include <optional>

namespace organ_import {

// The MIDI note the recording sounds, in fractions of a semitone, from the
// smpl chunk libsndfile finds in it or that a WavPack file keeps in its RIFF
// wrapper; nothing when the file has none or is no sound file.
std::optional<double> recordedPitch(const std::filesystem::path& path);

}  // namespace organ_import
