// What the ALSA sequencer stand-in presents and refuses, read from the script
// file named by VELMARA_SEQUENCER_SCRIPT, one directive a line:
//   port NAME        a client with one MIDI input port, both named NAME
//                    (UTF-8); clients are numbered from 20 in script order.
//                    Wine shows "NAME - NAME" when that fits in 31 bytes,
//                    NAME alone otherwise
//   refuse open N    the Nth snd_seq_open of the process fails (Wine's first
//                    lists the devices, its second opens one for input)
//   refuse connect   every subscription to a port fails
//   events PATH      the named pipe the ports' MIDI bytes arrive on
//   log PATH         where subscriptions are recorded, one a line
#pragma once

#include <string>
#include <vector>

namespace standin {

struct Script {
    std::vector<std::string> ports;
    int refusedOpen = 0;  // 0 when every open succeeds
    bool refuseConnect = false;
    std::string events;
    std::string log;
};

// Unknown directives are reported on standard error and skipped.
Script readScript(const std::string& path);

// The script of this process, read at the first call; empty without the
// variable.
const Script& script();

}  // namespace standin
