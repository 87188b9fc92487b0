#include "asn1/tests/schema/LGCP.h"

namespace LGCP {

// ErrorCause
__constinit const char* const ErrorCause_enum_names__[13] = {
    "invalidParams",     "insufficientResources",
    "invalidSlot",       "slotNotExists",
    "unexpectedMsgType", "internal",
    "unsupported",       "reconnectionFail",
    "disconnectFail",    "connectFail",
    "busError",          "slotIdBusy",
    "destroyInProgress"};
static __constinit const int ErrorCause_enum_numbers__[13] = {0, 1, 2, 3,  4,  5, 6,
                                                              7, 8, 9, 10, 11, 12};
__constinit const ErrorCause::InfoType ErrorCause::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, true, 12,
    ErrorCause_enum_names__,         13,   ErrorCause_enum_numbers__};
ErrorCause::~ErrorCause() = default;

// Payload
__constinit const char* const Payload_enum_names__[6] = {"pcmu", "gsm",  "g723",
                                                         "pcma", "g722", "g729"};
static __constinit const int Payload_enum_numbers__[6] = {0, 1, 2, 3, 4, 5};
__constinit const Payload::InfoType Payload::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 5, Payload_enum_names__, 6, Payload_enum_numbers__};
Payload::~Payload() = default;

// RtpEcho
__constinit const char* const RtpEcho_enum_names__[3] = {"off", "on", "adaptive"};
static __constinit const int RtpEcho_enum_numbers__[3] = {0, 1, 2};
__constinit const RtpEcho::InfoType RtpEcho::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 2, RtpEcho_enum_names__, 3, RtpEcho_enum_numbers__};
RtpEcho::~RtpEcho() = default;

// Stream
__constinit const void* const Stream::selectionInfos[2] = {&ASN1::Null::theInfo,
                                                           &ASN1::INTEGER::theInfo};
__constinit const char* const Stream::selectionNames[2] = {"inactive", "active"};
__constinit const Stream::InfoType Stream::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 2, 2, nullptr, selectionNames};
Stream::~Stream() = default;

// BpcTestMode
__constinit const void* const BpcTestMode::selectionInfos[3] = {
    &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo};
__constinit const char* const BpcTestMode::selectionNames[3] = {"read", "write", "disconnect"};
__constinit const BpcTestMode::InfoType BpcTestMode::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 3, 3, nullptr, selectionNames};
BpcTestMode::~BpcTestMode() = default;

// BpcTestParams
__constinit const void* const BpcTestParams::fieldInfos[5] = {
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15>::theInfo, &ASN1::INTEGER::theInfo,
    &BpcTestMode::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127>::theInfo};
__constinit const int BpcTestParams::fieldIds[5] = {-1, -1, -1, -1, -1};
__constinit const char* const BpcTestParams::fieldNames[5] = {"bus", "seed", "mode",
                                                              "timeslot-start", "timeslot-length"};
__constinit const BpcTestParams::InfoType BpcTestParams::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
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
__constinit const void* const HostAddress::fieldInfos[2] = {
    &ASN1::IA5String::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535>::theInfo};
__constinit const int HostAddress::fieldIds[2] = {-1, -1};
__constinit const char* const HostAddress::fieldNames[2] = {"iaddr", "port"};
__constinit const HostAddress::InfoType HostAddress::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
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
__constinit const void* const RtpJitter::fieldInfos[2] = {
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000>::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000>::theInfo};
__constinit const int RtpJitter::fieldIds[2] = {-1, -1};
__constinit const char* const RtpJitter::fieldNames[2] = {"min", "max"};
__constinit const RtpJitter::InfoType RtpJitter::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
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
__constinit const ASN1::StringInfo RtpParams::dname::value_type::theInfo = {
    {{&ASN1::AbstractString::create, 22}, ASN1::FixedConstraint, 1, 64},
    ASN1::IA5StringSet,
    128,
    7,
    7,
    8};
__constinit const void* const RtpParams::fieldInfos[13] = {
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
__constinit const int RtpParams::fieldIds[13] = {-1, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
__constinit const char* const RtpParams::fieldNames[13] = {
    "payload", "dhost", "shost", "dname", "jitter",   "pfactor", "crate",
    "vad",     "echo",  "ssrc",  "ttl",   "qos-dscp", "streams"};
__constinit const RtpParams::InfoType RtpParams::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
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
__constinit const void* const CreateRtpParams::fieldInfos[3] = {
    &RtpParams::theInfo, &Payload::theInfo, &Payload::theInfo};
__constinit const int CreateRtpParams::fieldIds[3] = {-1, -1, -1};
__constinit const char* const CreateRtpParams::fieldNames[3] = {"codecRTP", "txPayload",
                                                                "rxPayload"};
__constinit const CreateRtpParams::InfoType CreateRtpParams::theInfo = {
    {&ASN1::SEQUENCE::create, 0x10},
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
__constinit const void* const CreateParams::selectionInfos[3] = {
    &ASN1::Null::theInfo, &CreateRtpParams::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255>::theInfo};
__constinit const char* const CreateParams::selectionNames[3] = {"mixerOut", "rtp", "trunk"};
__constinit const CreateParams::InfoType CreateParams::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 3, 3, nullptr, selectionNames};
CreateParams::~CreateParams() = default;

// Command
__constinit const void* const Command::selectionInfos[8] = {
    &ASN1::Null::theInfo,
    &BpcTestParams::theInfo,
    &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo,
    &ASN1::Null::theInfo,
    &CreateParams::theInfo,
    &ASN1::Null::theInfo,
    &ASN1::OCTET_STRING::theInfo,
    &ASN1::Null::theInfo};
__constinit const char* const Command::selectionNames[8] = {
    "query", "testBpc", "connect", "disconnect", "create", "destroy", "userData", "ping"};
__constinit const Command::InfoType Command::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 8, 8, nullptr, selectionNames};
Command::~Command() = default;

// Response
__constinit const void* const Response::selectionInfos[2] = {&ASN1::Null::theInfo,
                                                             &ErrorCause::theInfo};
__constinit const char* const Response::selectionNames[2] = {"success", "error"};
__constinit const Response::InfoType Response::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 2, 2, nullptr, selectionNames};
Response::~Response() = default;

// Signal
__constinit const void* const Signal::selectionInfos[5] = {
    &ASN1::IA5String::theInfo, &ASN1::Null::theInfo, &ASN1::INTEGER::theInfo,
    &ASN1::OCTET_STRING::theInfo, &Stream::theInfo};
__constinit const char* const Signal::selectionNames[5] = {"number", "activated", "abort",
                                                           "userData", "receiver"};
__constinit const Signal::InfoType Signal::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 5, 5, nullptr, selectionNames};
Signal::~Signal() = default;

// PDU
__constinit const void* const PDU::selectionInfos[3] = {&Command::theInfo, &Response::theInfo,
                                                        &Signal::theInfo};
__constinit const char* const PDU::selectionNames[3] = {"command", "response", "signal"};
__constinit const PDU::InfoType PDU::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 3, 3, nullptr, selectionNames};
PDU::~PDU() = default;

// Message
__constinit const void* const Message::fieldInfos[3] = {
    &ASN1::INTEGER::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo,
    &PDU::theInfo};
__constinit const int Message::fieldIds[3] = {0, 1, -1};
__constinit const char* const Message::fieldNames[3] = {"seq", "slot", "pdu"};
__constinit const Message::InfoType Message::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
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
