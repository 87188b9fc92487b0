#include "asn1/tests/SchemaTypes.h"

#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/TEST.h"

namespace PerTest {

namespace {

const SchemaType types[] = {
    {"TEST", "Pair", &TEST::Pair::theInfo},
    {"TEST", "Pick", &TEST::Pick::theInfo},
    {"TEST", "PairExt", &TEST::PairExt::theInfo},
    {"TEST", "PickExt", &TEST::PickExt::theInfo},
    {"TEST", "PairOfPickExt", &TEST::PairOfPickExt::theInfo},
    {"TEST", "Record", &TEST::Record::theInfo},
    {"TEST", "State", &TEST::State::theInfo},
    {"TEST", "Body", &TEST::Body::theInfo},
    {"TEST", "Data", &TEST::Data::theInfo},
    {"TEST", "Standby", &TEST::Standby::theInfo},
    {"TEST", "Extended", &TEST::Extended::theInfo},
    {"LGCP", "Message", &LGCP::Message::theInfo},
    {"LGCP", "PDU", &LGCP::PDU::theInfo},
    {"LGCP", "Command", &LGCP::Command::theInfo},
    {"LGCP", "Response", &LGCP::Response::theInfo},
    {"LGCP", "ErrorCause", &LGCP::ErrorCause::theInfo},
    {"LGCP", "Signal", &LGCP::Signal::theInfo},
    {"LGCP", "Stream", &LGCP::Stream::theInfo},
    {"LGCP", "BpcTestParams", &LGCP::BpcTestParams::theInfo},
    {"LGCP", "BpcTestMode", &LGCP::BpcTestMode::theInfo},
    {"LGCP", "CreateParams", &LGCP::CreateParams::theInfo},
    {"LGCP", "CreateRtpParams", &LGCP::CreateRtpParams::theInfo},
    {"LGCP", "RtpParams", &LGCP::RtpParams::theInfo},
    {"LGCP", "HostAddress", &LGCP::HostAddress::theInfo},
    {"LGCP", "RtpJitter", &LGCP::RtpJitter::theInfo},
    {"LGCP", "RtpEcho", &LGCP::RtpEcho::theInfo},
    {"LGCP", "Payload", &LGCP::Payload::theInfo},
};

}  // namespace

const SchemaType* findType(const std::string& module, const std::string& name) {
    for (const SchemaType& type : types)
        if (module == type.module && name == type.name) return &type;
    return nullptr;
}

const SchemaType* findType(const void* info) {
    for (const SchemaType& type : types)
        if (type.info == info) return &type;
    return nullptr;
}

}  // namespace PerTest
