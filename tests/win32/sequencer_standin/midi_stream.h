// MIDI bytes as a keyboard sends them, running status included, turned into
// the sequencer events ALSA delivers for them.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>

namespace standin {

class MidiStream {
public:
    // Takes the next byte; true when it completes a message, which is then
    // written to event (type and data; the caller addresses it).
    bool take(std::uint8_t byte, snd_seq_event_t& event);

private:
    std::uint8_t status = 0;  // the running status, 0 when there is none
    std::uint8_t data[2] = {};
    int count = 0;
};

}  // namespace standin
