// The bottom layer of a control transport: owns the connected stream socket,
// passes up whatever one receive call returns, and writes each message whole
// within a one-second budget. Any socket failure takes the stack down. There is
// no write queue: every message is in the socket when message() returns. On TCP
// the answers to the commands of one read leave the kernel together, as one
// segment rather than one each.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Measure.h"
#include "runtime/Protocol.h"

class StrmProtocol : public Protocol {
public:
    StrmProtocol();
    explicit StrmProtocol(const Fd& socket);
    ~StrmProtocol() override;

    // Keeps its own duplicate of socket and the watch's copy of it, which
    // listens for nothing until local_activate(); a socket held before is
    // dropped. 0, or the error number of the copy that could not be made (no
    // socket is then held).
    int attach(const Fd& socket);
    bool opened() const { return fd.is_valid(); }
    // Stops watching, shuts the connection down and closes it.
    void release();

    void local_prepare_head(Packet& p) override;
    void local_prepare_tail(Packet& p) override;
    // Starts reading the socket attach() watches.
    void local_activate() override;
    void local_deactivate() override;
    // Writes the whole packet, blocking the loop at most 1000 ms from the
    // start of the message; a failure or a timeout releases the socket.
    void message(Packet& p) override;

    void on_event(int fd, short revents);

    std::uint32_t GetOverflowCounter() const { return overflow_counter; }
    const std::string& service_name() const { return name; }
    void service_name(const std::string& text) { name = text; }
    const Measure& get_read_measure() const { return read_measure; }
    const Measure& get_write_measure() const { return write_measure; }

    // "SockStream[name]: "
    void PutHeader(std::ostream& os) const;

private:
    void do_read();
    // Lets the octets held back during a wake-up leave.
    void push_held();
    void on_error(const std::string& text);
    // The five buffer figures of the write failure lines.
    void put_figures(std::ostream& os) const;
    int sendbuf_space() const;
    int recvbuf_space() const;
    int free_space() const;
    int inq_space() const;
    int outq_space() const;

    Fd fd;
    // The system reports free space rather than queued octets for this socket.
    bool outq_is_free = false;
    // A TCP socket, whose segments can be held back and sent together.
    bool coalescing = false;
    // The piece being passed up. A message written while octets of it are still
    // unhandled goes with MSG_MORE: the kernel holds it until a message written
    // when none are left, or push_held(), lets everything held leave at once.
    const Packet* unhandled = nullptr;
    bool holding = false;
    std::string name;
    Event event;
    Measure read_measure;
    Measure write_measure;
    std::uint32_t overflow_counter = 0;
};
