// Key k, 0 to 60, is MIDI note k + 36 in every table indexed by key.
#pragma once

constexpr int keyCount = 61;
constexpr int firstMidiNote = 36;
constexpr int lastMidiNote = firstMidiNote + keyCount - 1;
