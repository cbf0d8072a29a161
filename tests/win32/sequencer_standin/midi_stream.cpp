// Channel messages and real-time bytes become sequencer events; system
// common and exclusive bytes end the running status and are dropped, as are
// data bytes without a status.
#include "midi_stream.h"

namespace standin {

namespace {

struct RealTimeByte {
    std::uint8_t byte;
    snd_seq_event_type_t type;
};

constexpr RealTimeByte realTimeBytes[] = {
    {0xF8, SND_SEQ_EVENT_CLOCK}, {0xFA, SND_SEQ_EVENT_START},   {0xFB, SND_SEQ_EVENT_CONTINUE},
    {0xFC, SND_SEQ_EVENT_STOP},  {0xFE, SND_SEQ_EVENT_SENSING}, {0xFF, SND_SEQ_EVENT_RESET},
};

int dataLength(std::uint8_t status)
{
    const int kind = status >> 4;
    return kind == 0xC || kind == 0xD ? 1 : 2;
}

void setNote(snd_seq_event_t& event, snd_seq_event_type_t type, std::uint8_t channel, const std::uint8_t* data)
{
    event.type = type;
    event.data.note.channel = channel;
    event.data.note.note = data[0];
    event.data.note.velocity = data[1];
}

void setControl(snd_seq_event_t& event, snd_seq_event_type_t type, std::uint8_t channel, unsigned int parameter,
                int value)
{
    event.type = type;
    event.data.control.channel = channel;
    event.data.control.param = parameter;
    event.data.control.value = value;
}

void setChannelMessage(snd_seq_event_t& event, std::uint8_t status, const std::uint8_t* data)
{
    const std::uint8_t channel = status & 0x0F;
    switch (status >> 4) {
    case 0x8:
        setNote(event, SND_SEQ_EVENT_NOTEOFF, channel, data);
        break;
    case 0x9:
        setNote(event, SND_SEQ_EVENT_NOTEON, channel, data);
        break;
    case 0xA:
        setNote(event, SND_SEQ_EVENT_KEYPRESS, channel, data);
        break;
    case 0xB:
        setControl(event, SND_SEQ_EVENT_CONTROLLER, channel, data[0], data[1]);
        break;
    case 0xC:
        setControl(event, SND_SEQ_EVENT_PGMCHANGE, channel, 0, data[0]);
        break;
    case 0xD:
        setControl(event, SND_SEQ_EVENT_CHANPRESS, channel, 0, data[0]);
        break;
    default:
        setControl(event, SND_SEQ_EVENT_PITCHBEND, channel, 0, (data[1] << 7 | data[0]) - 8192);
        break;
    }
}

}  // namespace

bool MidiStream::take(std::uint8_t byte, snd_seq_event_t& event)
{
    if (byte >= 0xF8) {
        for (const RealTimeByte& realTime : realTimeBytes)
            if (realTime.byte == byte) {
                event = {};
                event.type = realTime.type;
                return true;
            }
        return false;
    }
    if (byte >= 0x80) {
        status = byte < 0xF0 ? byte : 0;
        count = 0;
        return false;
    }
    if (status == 0) return false;
    data[count++] = byte;
    if (count < dataLength(status)) return false;
    count = 0;
    event = {};
    setChannelMessage(event, status, data);
    return true;
}

}  // namespace standin
