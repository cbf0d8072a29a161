// Which MIDI note a recording is, from its file name.
#pragma once

#include <optional>
#include <string_view>

namespace organ_import {

// The note the name gives before its extension: a leading MIDI note number,
// 0 to 127 ("067-G.wav", "67.wav", "067.flac"), or a leading note name with
// its octave, MIDI 60 being C4 ("C4.wav", "c#3.wav", "Gb5.aif", "C-1.wav"),
// followed by the end or a character other than a letter or digit. Nothing
// when the name gives no note.
std::optional<int> midiNoteOfFileName(std::string_view fileName);

}  // namespace organ_import
