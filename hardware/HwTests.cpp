#include "hardware/HwTests.h"

#include "config/StreamManip.h"
#include "hardware/HwMux.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

unsigned char NextOctet() { return static_cast<unsigned char>(::random() & 0xFF); }

}  // namespace

HwTests& HwTests::instance() {
    static HwTests tests;
    return tests;
}

bool HwTests::OnCommand(const LGCP::Command& command) {
    if (!command.testBpc_isSelected()) return false;
    OnTestBpc(command.get_testBpc());
    return true;
}

void HwTests::PutHeader(std::ostream& os) const { os << "bus " << bus << ": "; }

void HwTests::OnTestBpc(const LGCP::BpcTestParams& params) {
    bus = params.get_bus().getValue();
    firstChannel = 128 * bus + HwMux::busFirst + params.get_timeslot_start().getValue();
    endChannel = firstChannel + params.get_timeslot_length().getValue();
    seed = params.get_seed().getValue();
    ::srandom(unsigned(seed));
    switch (params.get_mode().currentSelection()) {
        case LGCP::BpcTestMode::read::Id::value:
            return TestRead();
        case LGCP::BpcTestMode::write::Id::value:
            return TestWrite();
        case LGCP::BpcTestMode::disconnect::Id::value:
            return TestDisconnect();
        default:
            return Error(LGCP::ErrorCause::invalidParams);
    }
}

// Reads the range back against the sequence; the first channel that differs
// is logged with the labels and fails the test.
void HwTests::Check(const char* failed, const char* wanted, const char* found) {
    for (unsigned channel = firstChannel; channel < endChannel; ++channel) {
        const unsigned char expected = NextOctet();
        const auto got = static_cast<unsigned char>(HwMux::instance().Read(int(channel)) & 0xFF);
        if (expected == got) continue;
        std::cerr << ext::header(this) << failed << (channel & 127) << wanted
                  << ext::hex(&expected, &expected + 1) << found << ext::hex(&got, &got + 1)
                  << std::endl;
        return Error(LGCP::ErrorCause::busError);
    }
    Success();
}

void HwTests::TestRead() { Check("test failed on channel ", " expected ", " read "); }

void HwTests::TestWrite() {
    for (unsigned channel = firstChannel; channel < endChannel; ++channel)
        HwMux::instance().Write(int(channel), NextOctet());
    ::usleep(500);
    ::srandom(unsigned(seed));
    Check("write failed on channel ", " write ", " written ");
}

void HwTests::TestDisconnect() {
    for (unsigned channel = firstChannel; channel < endChannel; ++channel)
        HwMux::instance().Disable(int(channel));
    ::usleep(250);
    Success();
}
