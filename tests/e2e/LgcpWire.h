// The test controller's own coding of the LGCP message frame in aligned PER,
// written by hand from the ASN.1 so that it shares no code with the daemon's
// codec: the optional seq and slot, the PDU choice, the command alternative,
// and the response (success or error cause) and signal index of an answer.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Lgcp {

// A TPKT frame: 03, 00, then the 16-bit big-endian length counting these 4 octets.
std::string Frame(const std::string& body);
// "03 00 00 06" <-> octets.
std::string Hex(const std::string& octets);
std::string Octets(const char* hex);

enum Command {
    query = 0,
    disconnect = 3,
    destroy = 5,
    deactivate = 7,
    ping = 12,
};

// A command whose alternative carries NULL.
std::string EncodeCommand(Command command, std::optional<int> seq = std::nullopt,
                          std::optional<unsigned> slot = std::nullopt);
enum BpcMode { bpcRead = 0, bpcWrite = 1, bpcDisconnect = 2 };
// The TDM bus test on a range of a shared bus.
std::string EncodeTestBpc(unsigned bus, int seed, BpcMode mode, unsigned start, unsigned length,
                          std::optional<int> seq = std::nullopt,
                          std::optional<unsigned> slot = std::nullopt);
// Create a trunk (or BRI trunk) slot on the trunk's timeslot.
std::string EncodeCreateTrunk(bool bri, unsigned trunk, unsigned timeslot,
                              std::optional<int> seq = std::nullopt,
                              std::optional<unsigned> slot = std::nullopt);
struct Shared {
    unsigned bus, channel;
};
// Create a map slot with the shared-bus channels present.
std::string EncodeCreateMap(std::optional<Shared> transmitter, std::optional<Shared> receiver,
                            int seq, unsigned slot);
// Create an external slot {transmitter, receiver} or an echo slot {bus, channel}.
enum Pair { ext = 10, echo = 12 };
std::string EncodeCreatePair(Pair kind, int first, int second, int seq, unsigned slot);
// The `echoBus` list of a query signal; false when the octets are not one.
bool DecodeEchoBuses(const std::string& octets, std::vector<int>& buses);
// Connect the command's slot (the transmitter) to the peer slot.
std::string EncodeConnect(unsigned peer, std::optional<int> seq = std::nullopt,
                          std::optional<unsigned> slot = std::nullopt);
// Create a mixer output on the unit's TDM channel, its summator fed by the
// TDM channels given with their gains; a mixer input, feeding the summator
// on another TDM channel when one is given.
std::string EncodeCreateMixerOut(int unit, int channel,
                                 const std::vector<std::pair<int, int>>& inputs,
                                 std::optional<int> seq, std::optional<unsigned> slot);
std::string EncodeCreateMixerIn(int unit, int channel, std::optional<int> summator,
                                std::optional<int> seq, std::optional<unsigned> slot);
// An ioctl whose record is a BOOLEAN, the gain or the IVA detection level.
enum IoctlAlternative { dtmfEnable = 11, ivaParams = 29, rxGain = 32 };
std::string EncodeIoctl(IoctlAlternative alternative, int value, std::optional<int> seq,
                        std::optional<unsigned> slot);
// Activate with the `empty` parameters.
std::string EncodeActivateEmpty(std::optional<int> seq = std::nullopt,
                                std::optional<unsigned> slot = std::nullopt);
// trunkCfg: the trunk becomes a clock slave, or master.
std::string EncodeTrunkCfg(int trunk, bool master, std::optional<int> seq = std::nullopt);
// clockCfg {external or internal, enabled or disabled, source}.
std::string EncodeClockCfg(bool internal, bool disabled, int source,
                           std::optional<int> seq = std::nullopt);
enum CasOp { casOpen = 0, casClose = 1, casSet = 2, casGet = 3 };
// The slotless ioctl with a CAS command; value goes with open and set.
std::string EncodeCas(int path, int timeslot, CasOp op, int value = 0,
                      std::optional<int> seq = std::nullopt);
// The display command with an empty list of SNMP trap receivers.
std::string EncodeDisplay(std::optional<int> seq = std::nullopt);
// A success response, as a controller should never send one.
std::string EncodeSuccess(std::optional<int> seq = std::nullopt);

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
