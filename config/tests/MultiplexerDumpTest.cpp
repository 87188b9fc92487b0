#include "config/Profile.h"
#include "runtime/Event.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/TestPipe.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <string>

namespace {

struct Owner {
    void OnEvent(int, short) {}
};

// The fd cell: a descriptor number centred in five columns.
std::string fdCell(int fd) {
    const std::string n = std::to_string(fd);
    return "|" + std::string((5 - n.size()) / 2, ' ') + n + std::string((6 - n.size()) / 2, ' ');
}

const std::string rule =
    "+----------------------------------------+------------------------------+----------+-------"
    "---+-----+------------------------------------------------------------+\n";

}  // namespace

TEST(MultiplexerDump, PollEventAsText) {
    EXPECT_EQ(
        "POLLIN|POLLPRI|POLLOUT|POLLERR|POLLHUP|POLLNVAL|POLLRDNORM|POLLRDBAND|POLLWRNORM|"
        "POLLWRBAND|POLLMSG",
        PollEventAsText(short(0xffff)));
    EXPECT_EQ("", PollEventAsText(short(0x1800)));
}

TEST(MultiplexerDump, TableOfTheLoopWithBoundAndUnboundEvents) {
    FakeClock clock(1000);
    Profile::Point point("Tpkt_protocol::message");
    point.begin();
    clock.advanceUs(7);
    point.end();

    Owner owner;
    TestPipe p1, p2, p3;
    Event accept, data, late;
    accept.Bind<Owner>("Ctrl::OnAccept", &Owner::OnEvent, &owner);
    data.Bind<Owner>("Slot::OnData", &Owner::OnEvent, &owner);
    data.UnBind();
    accept.Schedule(p1.in, POLLIN);
    data.Schedule(p2.in, POLLIN | POLLOUT);
    p1.Fill();
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(2);
    // Attached within the current iteration: listed only after the next one.
    late.Bind<Owner>("Late::OnEvent", &Owner::OnEvent, &owner);
    late.Schedule(p3.in, POLLIN);

    std::ostringstream measures;
    measures << "dpc transition measurement (min/max/cur/counter): " << multiplexer.dpc_measure()
             << "\nevent transition measurement (min/max/cur/counter): "
             << multiplexer.event_measure()
             << "\ntimer transition measurement (min/max/cur/counter): "
             << multiplexer.timer_measure() << "\n";
    std::ostringstream out;
    multiplexer.dump(out);
    EXPECT_EQ(out.str(),
              measures.str() + "[Tpkt_protocol::message]: min=7 max=7 avg=7 counter=1\n" + rule +
                  "|                  name                  |            events            |  "
                  "count   | handler  | fd  |                          measure                  "
                  "         |\n" +
                  rule +
                  "|             Ctrl::OnAccept             |            POLLIN            |   "
                  " 1     | attached " +
                  fdCell(accept.lowlevel_fd()) +
                  "|                min=0 max=0 avg=0 counter=0                 |\n"
                  "|              Slot::OnData              |        POLLIN|POLLOUT        |   "
                  " 0     |unattached" +
                  fdCell(data.lowlevel_fd()) +
                  "|                min=0 max=0 avg=0 counter=0                 |\n" + rule + "\n");
}
