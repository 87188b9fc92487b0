// The controller's test of the TDM bus (the testBpc command): a range of
// shared-bus channels is driven through the switch with a pseudo-random octet
// sequence from the controller's seed and read back (write mode), only read
// and compared with that sequence (read mode), or switched off (disconnect).
// The sequence is the C library's srandom()/random(), so a read-mode test
// checks what an earlier write-mode test with the same seed left on the bus.
#pragma once

#include "control/CtrlSrvService.h"

#include <cstdint>
#include <ostream>

class HwTests : public CtrlSrv::Service {
public:
    static HwTests& instance();

    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(const LGCP::Command& command) override;

    // Each answers the command before it returns; the switch requests and
    // the sleeps run inside the dispatch.
    void OnTestBpc(const LGCP::BpcTestParams& params);
    void TestRead();
    void TestWrite();
    void TestDisconnect();

    // "bus N: "
    void PutHeader(std::ostream& os) const;

private:
    HwTests() = default;

    // Success when every channel of the range carries its octet of the
    // sequence; otherwise a line on the first that does not, and error 10.
    void Check(const char* failed, const char* wanted, const char* found);

    unsigned bus = 0;
    unsigned firstChannel = 0;
    // One past the last channel of the range.
    unsigned endChannel = 0;
    std::int32_t seed = 0;
};
