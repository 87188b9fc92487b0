// The test controller's own coding of the LGCP message frame in aligned PER,
// written by hand from the ASN.1 so that it shares no code with the daemon's
// codec: the optional seq and slot, the PDU choice, the command alternative,
// and the response (success or error cause) and signal index of an answer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Lgcp {

// A TPKT frame: 03, 00, then the 16-bit big-endian length counting these 4 octets.
std::string Frame(const std::string& body);
// "03 00 00 06" <-> octets.
std::string Hex(const std::string& octets);
std::string Octets(const char* hex);

enum Command {
    query = 0,
    testBpc = 1,
    connect = 2,
    disconnect = 3,
    destroy = 5,
    activate = 6,
    deactivate = 7,
    trunkCfg = 10,
    clockCfg = 11,
    ping = 12,
    display = 13,
};
// Root alternatives of CreateParams and IoctlParams.
enum CreateAlternative {
    mixerOut = 0,
    mixerIn = 1,
    ext = 10,
    echo = 12,
    trunk = 7,
    trunkBri = 8,
    map = 9
};
enum IoctlAlternative { dtmfEnable = 11, cas = 15, ivaParams = 29, rxGain = 32 };

// A message built field by field, most significant bit first: the header
// (Message ::= SEQUENCE { seq INTEGER OPTIONAL, slot INTEGER (0..1023) OPTIONAL, pdu })
// on construction, then the PDU, which a test spells out from the ASN.1.
class Writer {
public:
    explicit Writer(std::optional<int> seq = std::nullopt,
                    std::optional<unsigned> slot = std::nullopt);
    Writer& Bits(unsigned value, unsigned bits);
    Writer& Octet(unsigned value);  // aligned
    // Unconstrained INTEGER: a length octet, then the fewest two's-complement octets.
    Writer& Integer(int value);
    // INTEGER (0..1023): a range of 1024 takes two aligned octets.
    Writer& Slot(unsigned number) { return Octet(number >> 8 & 0xFF).Octet(number & 0xFF); }
    // PDU command (0 of 3); Command is extensible: a root alternative, of 15.
    Writer& Command(unsigned alternative) { return Bits(0, 3).Bits(alternative, 4); }
    // Create with a root alternative of the extensible CreateParams (19 of them).
    Writer& Create(unsigned alternative) { return Command(4).Bits(0, 1).Bits(alternative, 5); }
    // Ioctl with a root alternative of the extensible IoctlParams (38 of them).
    Writer& Ioctl(unsigned alternative) { return Command(9).Bits(0, 1).Bits(alternative, 6); }
    // A success response (1 of 3, then 0 of 2), as a controller should never send one.
    Writer& Success() { return Bits(1, 2).Bits(0, 1); }
    operator std::string() const { return out; }

private:
    std::string out;
    unsigned used = 0;
};

struct Message {
    std::optional<int> seq;
    std::optional<unsigned> slot;
    enum Pdu { command, response, signal };
    Pdu pdu = command;
    bool success = false;
    int cause = -1;        // for an error response
    int signalIndex = -1;  // root index of a signal
    // receiver, transmitter: "active N", "inactive"; trunkStatus: its fields but the (empty)
    // name, type first ("e1 1 ais 7 1 2 3 4 0"); cas: path, timeslot, rx, tx ("0 1 rx 0 tx 5")
    std::string detail;
    // The query signal's mixer entries, blank-separated, each
    // "unit:tdm_inputs:tdm_outputs:mixer_inputs:dpu_per_mixer:dpu_per_ec:dpu_per_lms".
    std::string mixers;
    std::vector<int> echoBuses;  // the query signal's
};

// False when the octets are not a frame header this client understands.
bool Decode(const std::string& octets, Message& message);

// "success", "error 4", "signal 17", "signal 10 active 69", each with " seq=N" and " slot=N" when
// present.
std::string Describe(const Message& message);

// Each whole TPKT frame of the octets, described ("undecodable" when it does not decode).
std::vector<std::string> DescribeFrames(std::string octets);

}  // namespace Lgcp
