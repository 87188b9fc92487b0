// The test controller: a plain TCP client with its own TPKT framing and
// message coding (LgcpWire), no daemon code.
#pragma once

#include "tests/e2e/LgcpWire.h"

#include <cstdint>
#include <string>

class ControllerClient {
public:
    ControllerClient() = default;
    ~ControllerClient();
    ControllerClient(const ControllerClient&) = delete;
    ControllerClient& operator=(const ControllerClient&) = delete;

    // Tries to connect to 127.0.0.1:port until it succeeds or limitMs pass.
    bool Connect(std::uint16_t port, unsigned limitMs = 5000);
    void Close();

    // Writes octets as they are (frames, garbage, several frames at once).
    bool WriteRaw(const std::string& octets);
    bool Send(const std::string& body) { return WriteRaw(Lgcp::Frame(body)); }

    // The next frame's body; false when none arrives within limitMs or the
    // connection ends.
    bool ReadFrame(std::string& body, unsigned limitMs = 2000);
    // The next frame, decoded and described ("success seq=7 slot=17");
    // "timeout", "closed" or "undecodable" otherwise.
    std::string ReadAnswer(unsigned limitMs = 2000);
    // True when nothing arrives within limitMs and the connection stays up.
    bool Silent(unsigned limitMs);
    // True when the daemon closes the connection within limitMs (end of
    // file or reset); octets arriving meanwhile are skipped.
    bool SeesClose(unsigned limitMs);

    // The trunk status the daemon sends every second is skipped by the reads
    // (and by Silent) unless the test keeps it.
    bool keepStatus = false;

private:
    // Reads until `need` octets are buffered; false on timeout or close.
    bool Fill(size_t need, unsigned limitMs);

    int fd = -1;
    bool closed = false;
    std::string pending;
};
