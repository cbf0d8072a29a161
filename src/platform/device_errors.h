// Results of the audio and MIDI devices besides 0 (success), numbered as
// winmm numbers them, so the Windows backend hands its results on unchanged.
#pragma once

namespace platform {

enum DeviceError : int {
    deviceErrorGeneral = 1,       // any failure without a code of its own
    deviceErrorAllocated = 4,     // the device is in use elsewhere
    deviceErrorBadFormat = 32,    // the device does not play this format
    deviceErrorStillPlaying = 33, // a block cannot be unprepared while it plays
    deviceErrorUnprepared = 34,   // a block must be prepared before it is written
};

}  // namespace platform
