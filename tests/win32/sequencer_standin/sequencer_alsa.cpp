// The ALSA sequencer functions Wine's MIDI driver calls, defined for a
// process started with this library in LD_PRELOAD: the clients and ports its
// script lists, the refusals it asks for, subscriptions recorded in its log,
// and the bytes written to its events pipe delivered as events from the
// subscribed port. Every open hands out the one sequencer of the process.
#include <alsa/asoundlib.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "byte_pipe.h"
#include "midi_stream.h"
#include "script.h"

struct _snd_seq {
    int unused;
};

struct _snd_seq_client_info {
    int client;
    const char* name;
};

struct _snd_seq_port_info {
    int client;
    int port;
    snd_seq_addr_t address;
    const char* name;
};

namespace {

using standin::script;

constexpr int firstClient = 20;  // where the kernel numbers its hardware clients
constexpr int ownClient = 128;   // the client Wine's driver opens
constexpr int ownPort = 0;

_snd_seq sequencer = {};
std::atomic<int> opens{0};
std::atomic<int> subscribedClient{-1};

bool isPortClient(int client)
{
    return client >= firstClient && client < firstClient + static_cast<int>(script().ports.size());
}

const char* portName(int client) { return script().ports[static_cast<std::size_t>(client - firstClient)].c_str(); }

void record(const char* what, const char* name)
{
    if (script().log.empty()) return;
    if (std::FILE* log = std::fopen(script().log.c_str(), "a")) {
        std::fprintf(log, "%s %s\n", what, name);
        std::fclose(log);
    }
}

standin::BytePipe& eventsPipe()
{
    static standin::BytePipe* const pipe = new standin::BytePipe(script().events);
    return *pipe;
}

}  // namespace

int snd_seq_open(snd_seq_t** handle, const char*, int, int)
{
    const int count = ++opens;
    if (count == script().refusedOpen) {
        record("refused open", std::to_string(count).c_str());
        return -EPERM;
    }
    *handle = &sequencer;
    return 0;
}

int snd_seq_close(snd_seq_t*) { return 0; }

int snd_seq_set_client_name(snd_seq_t*, const char*) { return 0; }

size_t snd_seq_client_info_sizeof() { return sizeof(_snd_seq_client_info); }

void snd_seq_client_info_set_client(snd_seq_client_info_t* info, int client) { info->client = client; }

int snd_seq_client_info_get_client(const snd_seq_client_info_t* info) { return info->client; }

const char* snd_seq_client_info_get_name(snd_seq_client_info_t* info)
{
    return info->name != nullptr ? info->name : "";
}

snd_seq_client_type_t snd_seq_client_info_get_type(const snd_seq_client_info_t*) { return SND_SEQ_KERNEL_CLIENT; }

int snd_seq_query_next_client(snd_seq_t*, snd_seq_client_info_t* info)
{
    const int next = info->client < firstClient ? firstClient : info->client + 1;
    if (!isPortClient(next)) return -ENOENT;
    info->client = next;
    info->name = portName(next);
    return 0;
}

size_t snd_seq_port_info_sizeof() { return sizeof(_snd_seq_port_info); }

void snd_seq_port_info_set_client(snd_seq_port_info_t* info, int client) { info->client = client; }

void snd_seq_port_info_set_port(snd_seq_port_info_t* info, int port) { info->port = port; }

int snd_seq_port_info_get_port(const snd_seq_port_info_t* info) { return info->port; }

const snd_seq_addr_t* snd_seq_port_info_get_addr(const snd_seq_port_info_t* info) { return &info->address; }

const char* snd_seq_port_info_get_name(const snd_seq_port_info_t* info)
{
    return info->name != nullptr ? info->name : "";
}

// Input ports only, as a keyboard's: Wine lists them as MIDI In devices.
unsigned int snd_seq_port_info_get_capability(const snd_seq_port_info_t*)
{
    return SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
}

unsigned int snd_seq_port_info_get_type(const snd_seq_port_info_t*)
{
    return SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT;
}

// Each client has the one port 0.
int snd_seq_query_next_port(snd_seq_t*, snd_seq_port_info_t* info)
{
    if (!isPortClient(info->client) || info->port >= 0) return -ENOENT;
    info->port = 0;
    info->address.client = static_cast<unsigned char>(info->client);
    info->address.port = 0;
    info->name = portName(info->client);
    return 0;
}

int snd_seq_create_simple_port(snd_seq_t*, const char*, unsigned int, unsigned int) { return ownPort; }

int snd_seq_delete_simple_port(snd_seq_t*, int) { return 0; }

int snd_seq_connect_from(snd_seq_t*, int, int client, int port)
{
    if (!isPortClient(client) || port != 0) return -ENOENT;
    if (script().refuseConnect) {
        record("refused subscription to", portName(client));
        return -EPERM;
    }
    subscribedClient = client;
    record("subscribed to", portName(client));
    return 0;
}

int snd_seq_disconnect_from(snd_seq_t*, int, int client, int port)
{
    if (!isPortClient(client) || port != 0) return -ENOENT;
    int expected = client;
    subscribedClient.compare_exchange_strong(expected, -1);
    record("unsubscribed from", portName(client));
    return 0;
}

// No port takes output.
int snd_seq_connect_to(snd_seq_t*, int, int, int) { return -ENOENT; }

int snd_seq_event_output_direct(snd_seq_t*, snd_seq_event_t*) { return -ENOENT; }

int snd_seq_poll_descriptors_count(snd_seq_t*, short) { return 1; }

int snd_seq_poll_descriptors(snd_seq_t*, struct pollfd* descriptors, unsigned int space, short events)
{
    if (space < 1) return 0;
    descriptors[0] = {eventsPipe().descriptor(), static_cast<short>(events & POLLIN), 0};
    return 1;
}

// One message from the pipe, from the subscribed port. The white space after
// it is read too, so the pipe is readable only while a message waits; the
// events are read straight from the pipe, so none is ever left buffered.
int snd_seq_event_input(snd_seq_t*, snd_seq_event_t** event)
{
    static standin::MidiStream stream;
    static snd_seq_event_t delivered;
    standin::BytePipe& pipe = eventsPipe();
    if (!pipe.hasMore()) return -EAGAIN;
    for (;;) {
        const int byte = pipe.next();
        if (byte < 0) return -EIO;
        if (stream.take(static_cast<std::uint8_t>(byte), delivered)) break;
    }
    pipe.hasMore();
    delivered.queue = SND_SEQ_QUEUE_DIRECT;
    delivered.source = {static_cast<unsigned char>(subscribedClient.load()), 0};
    delivered.dest = {ownClient, ownPort};
    *event = &delivered;
    return 0;
}

int snd_seq_event_input_pending(snd_seq_t*, int) { return 0; }

int snd_seq_free_event(snd_seq_event_t*) { return 0; }
