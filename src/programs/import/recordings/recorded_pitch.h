// The note a recording's own "smpl" chunk places it on: the MIDI unity note
// nearest the pitch the chunk gives, which never retunes the recording.
#pragma once

#include <filesystem>
#include <optional>

namespace organ_import {

// The MIDI note nearest the recording's pitch, from the smpl chunk
// libsndfile finds in it or that a WavPack file keeps in its RIFF wrapper:
// its unity note, one higher when its pitch fraction is half a semitone or
// more. Nothing when the file has none or is no sound file.
std::optional<int> recordedNote(const std::filesystem::path& path);

}  // namespace organ_import
