// A TCP server for trace viewers: any number of them connect to one port;
// each TPKT frame a viewer sends (bodies up to 512 octets) is handed to the
// receiver, and frames are sent either back to the viewer whose frame is
// being handled or to every viewer. A viewer that breaks the framing or
// whose socket fails is closed; the others go on.
#pragma once

#include <cstdint>
#include <list>

#include "runtime/AcceptPause.h"
#include "runtime/Event.h"

class TPKTTracer {
public:
    class Notify {
    public:
        virtual ~Notify() = default;
        // One complete, non-empty body. Send from here answers only its
        // sender; the sender may be closed meanwhile, and what is sent after
        // that goes to nobody.
        virtual void OnMessage(const char* data, int length) = 0;
    };

    // The longest body a viewer may send.
    static constexpr unsigned max_received = 512;
    // The longest body whose TPKT length still fits 16 bits.
    static constexpr unsigned max_sent = 0xFFFF - 4;
    // The reads one wake-up makes from a viewer, each of one header or one body: 64 KiB at
    // most, 64 frames of two reads, before timers and the controller link get their turn;
    // poll brings the rest.
    static constexpr unsigned max_reads_per_wakeup = 128;

    TPKTTracer() = default;
    TPKTTracer(const TPKTTracer&) = delete;
    TPKTTracer& operator=(const TPKTTracer&) = delete;
    ~TPKTTracer();

    // Listens on port of every local address; false when any step fails.
    bool Listen(unsigned short port);
    // One frame to the viewer being handled (to nobody once it is closed),
    // else to all; false (nothing sent) for a body longer than max_sent.
    bool Send(const void* data, unsigned int length);

    void OnEvent(int fd, short revents);
    void OnDataEvent(int fd, short revents);

    // Set by the tracer's user; not owned.
    Notify* receiver = nullptr;

private:
    struct Connection {
        bool readingHeader = true;
        std::uint32_t expected = 4;
        std::uint32_t received = 0;
        // Holds the connection's only descriptor.
        Event event;
        char buffer[max_received];
    };
    using iterator = std::list<Connection*>::iterator;

    void CloseConnection(iterator it);
    iterator FindConnection(int fd);
    // Takes one complete header or body; false when the connection was closed.
    bool Complete(Connection& c);
    void SendTo(iterator it, const void* data, unsigned length);

    Event listenEvent;
    // Out of descriptors, a viewer cannot be taken and would be met again at once.
    AcceptPause acceptPause{listenEvent};
    std::list<Connection*> connections;
    // The connection whose body is being handled; connections.end() otherwise,
    // also once that connection was closed by a failed answer.
    iterator current = connections.end();
    // While a body is handled every Send is an answer to its sender, also after
    // that sender was closed: such answers are dropped, never broadcast.
    bool answering = false;
};
