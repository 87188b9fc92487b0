#include "asn1/tests/schema/LGCP.h"

namespace LGCP {

// ErrorCause
const char* const ErrorCause_enum_names__[13] = {"invalidParams",     "insufficientResources",
                                                 "invalidSlot",       "slotNotExists",
                                                 "unexpectedMsgType", "internal",
                                                 "unsupported",       "reconnectionFail",
                                                 "disconnectFail",    "connectFail",
                                                 "busError",          "slotIdBusy",
                                                 "destroyInProgress"};
static const int ErrorCause_enum_numbers__[13] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const ErrorCause::InfoType ErrorCause::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, true, 12,
    ErrorCause_enum_names__,         13,   ErrorCause_enum_numbers__};
ErrorCause::~ErrorCause() = default;

// Payload
const char* const Payload_enum_names__[6] = {"pcmu", "gsm", "g723", "pcma", "g722", "g729"};
static const int Payload_enum_numbers__[6] = {0, 1, 2, 3, 4, 5};
const Payload::InfoType Payload::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 5, Payload_enum_names__, 6, Payload_enum_numbers__};
Payload::~Payload() = default;

// RtpEcho
const char* const RtpEcho_enum_names__[3] = {"off", "on", "adaptive"};
static const int RtpEcho_enum_numbers__[3] = {0, 1, 2};
const RtpEcho::InfoType RtpEcho::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 2, RtpEcho_enum_names__, 3, RtpEcho_enum_numbers__};
RtpEcho::~RtpEcho() = default;

// Stream
const void* const Stream::selectionInfos[2] = {&ASN1::Null::theInfo, &ASN1::INTEGER::theInfo};
const char* const Stream::selectionNames[2] = {"inactive", "active"};
const Stream::InfoType Stream::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 2, 2, nullptr, selectionNames};
Stream::~Stream() = default;

// BpcTestMode
const void* const BpcTestMode::selectionInfos[3] = {&ASN1::Null::theInfo, &ASN1::Null::theInfo,
                                                    &ASN1::Null::theInfo};
const char* const BpcTestMode::selectionNames[3] = {"read", "write", "disconnect"};
const BpcTestMode::InfoType BpcTestMode::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 3, 3, nullptr, selectionNames};
BpcTestMode::~BpcTestMode() = default;

// BpcTestParams
const void* const BpcTestParams::fieldInfos[5] = {
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15>::theInfo, &ASN1::INTEGER::theInfo,
    &BpcTestMode::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127>::theInfo};
const int BpcTestParams::fieldIds[5] = {-1, -1, -1, -1, -1};
const char* const BpcTestParams::fieldNames[5] = {"bus", "seed", "mode", "timeslot-start",
                                                  "timeslot-length"};
const BpcTestParams::InfoType BpcTestParams::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                        false,
                                                        fieldInfos,
                                                        fieldIds,
                                                        5,
                                                        0,
                                                        0,
                                                        nullptr,
                                                        nullptr,
                                                        fieldNames};
BpcTestParams::~BpcTestParams() = default;

// HostAddress
const void* const HostAddress::fieldInfos[2] = {
    &ASN1::IA5String::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535>::theInfo};
const int HostAddress::fieldIds[2] = {-1, -1};
const char* const HostAddress::fieldNames[2] = {"iaddr", "port"};
const HostAddress::InfoType HostAddress::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                    false,
                                                    fieldInfos,
                                                    fieldIds,
                                                    2,
                                                    0,
                                                    0,
                                                    nullptr,
                                                    nullptr,
                                                    fieldNames};
HostAddress::~HostAddress() = default;

// RtpJitter
const void* const RtpJitter::fieldInfos[2] = {
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000>::theInfo};
const int RtpJitter::fieldIds[2] = {-1, -1};
const char* const RtpJitter::fieldNames[2] = {"min", "max"};
const RtpJitter::InfoType RtpJitter::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                false,
                                                fieldInfos,
                                                fieldIds,
                                                2,
                                                0,
                                                0,
                                                nullptr,
                                                nullptr,
                                                fieldNames};
RtpJitter::~RtpJitter() = default;

// RtpParams
const ASN1::StringInfo RtpParams::dname::value_type::theInfo = {
    {{&ASN1::AbstractString::create, 22}, ASN1::FixedConstraint, 1, 64},
    ASN1::IA5StringSet,
    128,
    7,
    7,
    8};
const void* const RtpParams::fieldInfos[13] = {
    &Payload::theInfo,
    &HostAddress::theInfo,
    &HostAddress::theInfo,
    &dname::value_type::theInfo,
    &RtpJitter::theInfo,
    &ASN1::INTEGER::theInfo,
    &ASN1::INTEGER::theInfo,
    &ASN1::BOOLEAN::theInfo,
    &RtpEcho::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 63>::theInfo,
    &ASN1::SEQUENCE_OF<Stream>::theInfo};
const int RtpParams::fieldIds[13] = {-1, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const char* const RtpParams::fieldNames[13] = {"payload", "dhost",    "shost",  "dname", "jitter",
                                               "pfactor", "crate",    "vad",    "echo",  "ssrc",
                                               "ttl",     "qos-dscp", "streams"};
const RtpParams::InfoType RtpParams::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                true,
                                                fieldInfos,
                                                fieldIds,
                                                13,
                                                0,
                                                11,
                                                nullptr,
                                                nullptr,
                                                fieldNames};
RtpParams::~RtpParams() = default;

// CreateRtpParams
const void* const CreateRtpParams::fieldInfos[3] = {&RtpParams::theInfo, &Payload::theInfo,
                                                    &Payload::theInfo};
const int CreateRtpParams::fieldIds[3] = {-1, -1, -1};
const char* const CreateRtpParams::fieldNames[3] = {"codecRTP", "txPayload", "rxPayload"};
const CreateRtpParams::InfoType CreateRtpParams::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                            true,
                                                            fieldInfos,
                                                            fieldIds,
                                                            3,
                                                            0,
                                                            0,
                                                            nullptr,
                                                            nullptr,
                                                            fieldNames};
CreateRtpParams::~CreateRtpParams() = default;

// CreateParams
const void* const CreateParams::selectionInfos[3] = {
    &ASN1::Null::theInfo, &CreateRtpParams::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255>::theInfo};
const char* const CreateParams::selectionNames[3] = {"mixerOut", "rtp", "trunk"};
const CreateParams::InfoType CreateParams::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 3, 3, nullptr, selectionNames};
CreateParams::~CreateParams() = default;

// Command
const void* const Command::selectionInfos[8] = {
    &ASN1::Null::theInfo,
    &BpcTestParams::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo,
    &ASN1::Null::theInfo,
    &CreateParams::theInfo,
    &ASN1::Null::theInfo,
    &ASN1::OCTET_STRING::theInfo,
    &ASN1::Null::theInfo};
const char* const Command::selectionNames[8] = {"query",  "testBpc", "connect",  "disconnect",
                                                "create", "destroy", "userData", "ping"};
const Command::InfoType Command::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 8, 8, nullptr, selectionNames};
Command::~Command() = default;

// Response
const void* const Response::selectionInfos[2] = {&ASN1::Null::theInfo, &ErrorCause::theInfo};
const char* const Response::selectionNames[2] = {"success", "error"};
const Response::InfoType Response::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 2, 2, nullptr, selectionNames};
Response::~Response() = default;

// Signal
const void* const Signal::selectionInfos[5] = {&ASN1::IA5String::theInfo, &ASN1::Null::theInfo,
                                               &ASN1::INTEGER::theInfo,
                                               &ASN1::OCTET_STRING::theInfo, &Stream::theInfo};
const char* const Signal::selectionNames[5] = {"number", "activated", "abort", "userData",
                                               "receiver"};
const Signal::InfoType Signal::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 5, 5, nullptr, selectionNames};
Signal::~Signal() = default;

// PDU
const void* const PDU::selectionInfos[3] = {&Command::theInfo, &Response::theInfo,
                                            &Signal::theInfo};
const char* const PDU::selectionNames[3] = {"command", "response", "signal"};
const PDU::InfoType PDU::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 3, 3, nullptr, selectionNames};
PDU::~PDU() = default;

// Message
const void* const Message::fieldInfos[3] = {
    &ASN1::INTEGER::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo,
    &PDU::theInfo};
const int Message::fieldIds[3] = {0, 1, -1};
const char* const Message::fieldNames[3] = {"seq", "slot", "pdu"};
const Message::InfoType Message::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                            false,
                                            fieldInfos,
                                            fieldIds,
                                            3,
                                            0,
                                            2,
                                            nullptr,
                                            nullptr,
                                            fieldNames};
Message::~Message() = default;

}  // namespace LGCP
