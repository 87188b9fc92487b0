#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimControl.h"
#include "hardware/sim/BoardSimDsproc.h"
#include "hardware/sim/BoardSimHal.h"
#include "hardware/sim/BoardSimHistory.h"
#include "hardware/sim/BoardSimTonec.h"
#include "hardware/E1Driver.h"
#include "hardware/HalDriver.h"
#include "hardware/TonecDriver.h"
#include "runtime/AcceptPause.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/ShortOfDescriptors.h"
#include "tests/support/Alarm.h"
#include "tests/support/BoardControlClient.h"
#include "tests/support/DescriptorLimit.h"
#include "tests/support/Fork.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Board::Sim;
using Board::SimHal;

namespace {

// A driver that queues what is written to it back to the reader and
// remembers closes: enough to see the simulation's descriptors at work.
class EchoDevice : public Board::SimDevice {
public:
    EchoDevice() : SimDevice("/dev/echo") {}
    ssize_t OnWrite(Board::SimOpen& open, const void* data, std::size_t length) override {
        return open.Deliver(data, length) ? ssize_t(length) : -EAGAIN;
    }
    int OnIoctlValue(Board::SimOpen& open, unsigned long request, unsigned long value) override {
        return request == 7 ? int(value + open.id) : -ENOTTY;
    }
    void OnClose(Board::SimOpen& open) override { closed.push_back(open.id); }
    void Reset() override { closed.clear(); }
    std::vector<unsigned> closed;
};

struct BoardSim : ::testing::Test {
    BoardSim() {
        auto echo = std::make_unique<EchoDevice>();
        device = echo.get();
        sim.Add(std::move(echo));
    }
    Sim sim;
    EchoDevice* device;
};

TEST_F(BoardSim, DescriptorsAreRealAndKeepRecordBoundaries) {
    errno = 0;
    EXPECT_EQ(sim.open("/dev/nothing", O_RDWR), -1);
    EXPECT_EQ(errno, ENOENT);

    int fd = sim.open("/dev/echo", O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
    char buffer[16];
    EXPECT_EQ(sim.read(fd, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);

    EXPECT_EQ(sim.write(fd, "abc", 3), 3);
    EXPECT_EQ(sim.write(fd, "de", 2), 2);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    EXPECT_EQ(sim.read(fd, buffer, sizeof buffer), 3);
    EXPECT_EQ(sim.read(fd, buffer, sizeof buffer), 2);

    int blocking = sim.open("/dev/echo", O_RDWR);
    EXPECT_FALSE(::fcntl(blocking, F_GETFL) & O_NONBLOCK);
    ::close(blocking);
    ::close(fd);
}

// The daemon watches a dup() of each descriptor (Event): requests on any
// copy reach the same open, and the open ends only with the last copy.
TEST_F(BoardSim, AnOpenLivesAsLongAsAnyCopyOfItsDescriptor) {
    int fd = sim.open("/dev/echo", O_RDWR);
    int copy = ::dup(fd);
    unsigned id = unsigned(sim.ioctlValue(fd, 7, 0));
    EXPECT_EQ(sim.ioctlValue(copy, 7, 100), int(100 + id));
    EXPECT_EQ(sim.OpenCount("/dev/echo"), 1u);
    ::close(fd);
    EXPECT_EQ(sim.OpenCount("/dev/echo"), 1u);
    EXPECT_TRUE(device->closed.empty());
    ::close(copy);
    EXPECT_EQ(sim.OpenCount("/dev/echo"), 0u);
    EXPECT_EQ(device->closed, std::vector<unsigned>{id});
}

TEST_F(BoardSim, RequestsOutsideTheModelsFailLikeTheKernel) {
    int fd = sim.open("/dev/echo", O_RDWR);
    EXPECT_EQ(sim.ioctlValue(fd, 8, 0), -1);
    EXPECT_EQ(errno, ENOTTY);
    Hal::MuxChannelRecord record{8192};
    EXPECT_EQ(sim.ioctl(fd, Hal::MuxDisable, &record), -1);
    EXPECT_EQ(errno, ENOTTY);

    int other[2];
    ASSERT_EQ(::pipe(other), 0);
    EXPECT_EQ(sim.ioctlValue(other[0], 7, 0), -1);
    EXPECT_EQ(errno, ENOTTY);
    ::close(other[0]);
    ::close(other[1]);
    ::close(fd);
    EXPECT_EQ(sim.ioctlValue(fd, 7, 0), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST_F(BoardSim, FaultsFailOnceOrUntilCleared) {
    sim.FailOpen("/dev/echo", EBUSY, true);
    EXPECT_EQ(sim.open("/dev/echo", O_RDWR), -1);
    EXPECT_EQ(errno, EBUSY);
    int fd = sim.open("/dev/echo", O_RDWR);
    ASSERT_GE(fd, 0);

    sim.FailRequest("/dev/echo", 7, EIO, false);
    sim.FailRequest("/dev/echo", 9, EPERM, true);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(sim.ioctlValue(fd, 7, 0), -1);
        EXPECT_EQ(errno, EIO);
    }
    EXPECT_EQ(sim.ioctlValue(fd, 9, 0), -1);
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(sim.ioctlValue(fd, 9, 0), -1);
    EXPECT_EQ(errno, ENOTTY);
    sim.ClearFaults();
    EXPECT_GE(sim.ioctlValue(fd, 7, 0), 0);
    ::close(fd);
}

// A fault takes any error a driver can return, by the name the headers
// give it, aliases included, or by its number.
TEST_F(BoardSim, FaultsNameEveryErrorADriverCanReturn) {
    const struct {
        const char* name;
        int error;
    } rows[] = {
        {"EMFILE", EMFILE},       {"ENFILE", ENFILE},       {"EAGAIN", EAGAIN},
        {"EWOULDBLOCK", EAGAIN},  {"EDEADLOCK", EDEADLK},   {"ENOTSUP", EOPNOTSUPP},
        {"ETIMEDOUT", ETIMEDOUT}, {"EHWPOISON", EHWPOISON}, {"4095", 4095},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(sim.Command(std::string("fail open /dev/echo ") + row.name + " once"), "ok")
            << row.name;
        errno = 0;
        EXPECT_EQ(sim.open("/dev/echo", O_RDWR), -1) << row.name;
        EXPECT_EQ(errno, row.error) << row.name;
    }
}

TEST_F(BoardSim, SwitchModelFollowsTheRequests) {
    int fd = sim.open("/dev/hal", O_RDWR);
    auto& hal = sim.Model<SimHal>("/dev/hal");
    Hal::MuxConnectRecord connect{8200, 5};
    Hal::MuxOctetRecord write{5, 0x3C};
    ASSERT_EQ(sim.ioctl(fd, Hal::MuxConnect, &connect), 0);
    ASSERT_EQ(sim.ioctl(fd, Hal::MuxWrite, &write), 0);
    EXPECT_EQ(hal.RouteOf(8200), (SimHal::Route{SimHal::Route::Driven, 5}));
    Hal::MuxOctetRecord read{8200, 0xFF};
    ASSERT_EQ(sim.ioctl(fd, Hal::MuxRead, &read), 0);
    EXPECT_EQ(read.octet, 0x3Cu);

    hal.Stick(8200, 0x11);
    read = {8200, 0xFF};
    sim.ioctl(fd, Hal::MuxRead, &read);
    EXPECT_EQ(read.octet, 0x11u);

    Hal::MuxChannelRecord off{8200};
    ASSERT_EQ(sim.ioctl(fd, Hal::MuxDisable, &off), 0);
    hal.Unstick(8200);
    EXPECT_EQ(hal.Octet(8200), 0xFF);
    EXPECT_EQ(hal.RouteOf(8200).kind, SimHal::Route::Off);

    Hal::MuxConnectRecord loop1{1, 2}, loop2{2, 1}, bad{-1, 2};
    sim.ioctl(fd, Hal::MuxConnect, &loop1);
    sim.ioctl(fd, Hal::MuxConnect, &loop2);
    EXPECT_EQ(hal.Octet(1), 0xFF);
    EXPECT_EQ(sim.ioctl(fd, Hal::MuxConnect, &bad), -1);
    EXPECT_EQ(errno, EINVAL);
    // The connect refused for its channel is not counted: the switch took three.
    EXPECT_EQ(hal.Count(Hal::MuxConnect), 3u);
    ::close(fd);
}

// A board left running keeps each driver's newest requests only, and what
// its read-backs answer does not depend on how many requests came before.
TEST_F(BoardSim, DriversKeepTheirNewestRequests) {
    const unsigned long bound = Board::SimHistory<Board::SimTonec::Request>::bound;
    const int dtmf = sim.open("/dev/dtmf", O_RDWR);
    const int maintenance = sim.open("/dev/maintenance", O_RDWR);
    // Request n switches IVA on timeslot n, on when n is even.
    for (unsigned long n = 0; n <= 2 * bound; ++n) {
        ASSERT_EQ(sim.ioctlValue(dtmf, n % 2 ? Tonec::IvaDisable : Tonec::IvaEnable, n), 0);
        ASSERT_EQ(sim.ioctlValue(maintenance, E1Driver::SetTclk, n), 0);
    }
    const auto& tonec = sim.Model<Board::SimTonec>("/dev/dtmf");
    std::vector<unsigned long> held, newest;
    for (const auto& r : tonec.History()) held.push_back(r.value);
    std::string masks;
    for (unsigned long n = bound + 1; n <= 2 * bound; ++n) {
        newest.push_back(n);
        masks += (masks.empty() ? "" : " ") + Board::SimDevice::HexNumber(n);
    }
    EXPECT_EQ(held, newest);
    EXPECT_EQ(sim.Command("/dev/maintenance tclk"), masks);
    EXPECT_EQ(tonec.Count(Tonec::IvaEnable), bound + 1);
    EXPECT_EQ(tonec.Count(Tonec::IvaDisable), bound);
    EXPECT_EQ(sim.Command("/dev/dtmf enabled 0") + ' ' + sim.Command("/dev/dtmf enabled 1"),
              "iva none");
    ::close(dtmf);
    ::close(maintenance);
}

TEST_F(BoardSim, ControlLines) {
    const struct {
        const char* line;
        const char* reply;
    } table[] = {
        {"", "error: empty line"},
        {"bogus", "error: unknown command"},
        {"log maybe", "error: bad argument"},
        {"fail open /dev/nothing EIO", "error: no device /dev/nothing"},
        {"fail /dev/hal 0x80084d02 EWHAT", "error: bad errno EWHAT"},
        // clang-format off
        {"fail /dev/hal x EIO", "error: bad request x"},
        {"fail read /dev/hal 4096", "error: bad errno 4096"},
        {"fail /dev/hal 0x180084d02 EIO", "error: bad request 0x180084d02"},
        {"/dev/hal count 0x180044d03", "error: bad argument"},
        {"fail /dev/hal 0x80084d02 EBUSY once", "ok"}, {"fail open /dev/echo 5", "ok"},
        {"fail read /dev/e1-cas EIO once", "ok"}, {"/dev/maintenance source", "none"},
        {"fail clear", "ok"}, {"/dev/hal route 8200", "8200 off"},
        {"/dev/hal stick 8459 0x00", "ok"}, {"/dev/hal octet 8459", "0x00"},
        {"/dev/hal stick 8459 256", "error: bad argument"},
        {"/dev/hal route -1", "error: bad argument"}, {"/dev/hal count 0x80044d03", "0"},
        {"/dev/echo anything", "error: unknown command"}, {"/dev/dtmf generator 3", "off"},
        {"/dev/dtmf enabled 3", "none"}, {"/dev/dtmf event 3 1", "error: not open"},
        {"/dev/dtmf event -1 1", "error: bad argument"}, {"/dev/dsp version 1", "ok"},
        {"/dev/dsp enabled 3", "0"}, {"/dev/dsp gain 3", "0x00"},
        {"/dev/dsp configured 3 32", "none"}, {"/dev/dsp configured 3 256 1000", "none"},
        {"/dev/dsp configured 3 256",
         "error: a tone filter, and only a tone filter, is named by its frequency"},
        {"/dev/dsp configured 3 32 1000",
         "error: a tone filter, and only a tone filter, is named by its frequency"},
        {"/dev/mixer add 191 256 0", "ok"}, {"/dev/mixer add 192 1 1", "error: bad argument"},
        {"/dev/mixer remove 1", "ok"}, {"/dev/mixer units", "3:16:16 191:256:0"},
        {"/dev/mixer summator 3 15", "clear"},
        {"/dev/mixer summator 3 16", "error: no such channel"},
        {"/dev/dsp event 3 16 x", "error: bad argument"},
        {"/dev/dsp event 3 1 1 2 3 4", "error: bad argument"}, {"opens /dev/hal", "0"},
        {"log on", "ok"}, {"/dev/hal echo-mask 0x10000", "error: bad argument"}, {"reset", "ok"},
        {"/dev/hal octet 8459", "0xFF"}, {"/dev/dsp version", "2"},
        {"/dev/mixer units", "1:32:32 3:16:16"}, {"/dev/hal echo-mask 32772", "ok"},
        // A number that does not fit its field is refused, not cut to fit, and a
        // known verb refused for its arguments says so.
        {"/dev/e1-cas change 4294967296 4294967297 9", "error: bad argument"},
        {"/dev/e1-cas channel 0 1", "rx 0x0 tx 0x0 disabled"},
        {"/dev/maintenance status 1 99 4294967297 -1 0 0 0", "error: bad argument"},
        {"/dev/dsp enabled -1", "error: bad argument"},
        {"/dev/dsp enabled 4294967296", "error: bad argument"},
        {"/dev/dsp event -5 2 1", "error: bad argument"},
        {"/dev/dsp version -1", "error: bad argument"},
        {"/dev/hal route 65536", "error: bad argument"},
        {"/dev/dtmf event 5", "error: bad argument"},
        {"/dev/e1-cas channel 0 32", "error: bad argument"},
        {"/dev/hal bogus 1", "error: unknown command"},
        {"/dev/hal spi-status 8 0", "error: bad argument"},
        {"/dev/mcc/ctl channels", "none"}, {"/dev/mcc/ctl tx 4096", "error: bad argument"},
        {"/dev/mcc/ctl rx x 7E", "error: bad argument"},
        {"/dev/mcc/ctl bogus 4096", "error: unknown command"},
        // clang-format on
    };
    for (const auto& row : table) EXPECT_EQ(sim.Command(row.line), row.reply) << row.line;
    EXPECT_EQ(sim.EchoBusMask(), 0x8004u);
}

// A number is the whole word: no sign or second prefix after "0x", and no
// junk after a NUL, which would otherwise end the digits unseen.
TEST_F(BoardSim, ControlNumbersAreWholeWords) {
    using namespace std::string_literals;
    const struct {
        std::string word;
        const char* reply;
    } table[] = {
        {"0x7", "7 off"},
        {"0X07", "7 off"},
        {"07", "7 off"},
        {"0x+7", "error: bad argument"},
        {"0x0x7", "error: bad argument"},
        {"0x", "error: bad argument"},
        {"7\0"s, "error: bad argument"},
        {"0x7\0junk"s, "error: bad argument"},
    };
    for (const auto& row : table)
        EXPECT_EQ(sim.Command("/dev/hal route " + row.word), row.reply) << row.word;
    // A field that takes negative numbers takes them in decimal only.
    EXPECT_EQ(sim.Command("/dev/maintenance status 1 0 0x-1 0 0 0 0"), "error: bad argument");
    EXPECT_EQ(sim.Command("/dev/maintenance status 1 0 -1 0 0 0 0"), "ok");
}

// A client asking about every timeslot, or sending lines that are refused,
// cannot grow the drivers: only what the daemon sets is held.
TEST_F(BoardSim, LinesThatOnlyReadHoldNoTimeslot) {
    const auto& tonec = sim.Model<Board::SimTonec>("/dev/dtmf");
    const auto& dsproc = sim.Model<Board::SimDsproc>("/dev/dsp");
    for (const char* line : {"/dev/dtmf enabled 7", "/dev/dtmf generator 8", "/dev/dtmf event 9 1",
                             "/dev/dtmf bogus 10", "/dev/dsp enabled 7", "/dev/dsp gain 8",
                             "/dev/dsp configured 9 32", "/dev/dsp event 10 1 1"}) {
        sim.Command(line);
        EXPECT_EQ(tonec.Timeslots() + dsproc.Timeslots(), 0u) << line;
    }
}

TEST_F(BoardSim, InitFileRunsItsLinesAndReportsTheBadOnes) {
    char path[] = "/tmp/halvox-sim-init-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // A line as long as a read brings many times over, and a last line
    // without its newline, run whole.
    std::ofstream(path) << "# start-up state\n\n/dev/hal stick 8192 0x42"
                        << std::string(1 << 21, ' ') << "\nnonsense\n/dev/hal stick 8193 0x43";
    TestSupport::StreamCapture err(std::cerr);
    EXPECT_TRUE(sim.RunFile(path));
    EXPECT_EQ(sim.Command("/dev/hal octet 8192") + sim.Command("/dev/hal octet 8193"), "0x420x43");
    EXPECT_EQ(err.str(), std::string("board-sim: ") + path + ":4: error: unknown command\n");
    ::unlink(path);
}

// However long its lines, the file is read in time linear in its length. A
// 64 MiB comment line (a sparse file: nothing written to disk) took 25 s when
// every read searched the whole line again; searched once, it takes well
// under a second, far within the alarm.
TEST_F(BoardSim, InitFileWithALongLineIsReadInLinearTime) {
    TestSupport::TempDir dir;
    const std::string path = dir / "init";
    std::ofstream(path) << "/dev/hal stick 8192 0x42\n#";
    ASSERT_EQ(::truncate(path.c_str(), 64 << 20), 0);
    std::ofstream(path, std::ios::app) << "\n/dev/hal stick 8193 0x43\n";
    TestSupport::Alarm alarm(5);
    EXPECT_TRUE(sim.RunFile(path));
    EXPECT_EQ(sim.Command("/dev/hal octet 8192") + sim.Command("/dev/hal octet 8193"), "0x420x43");
}

// Start-up runs the file before the daemon serves: what is not a regular file
// is not read (a FIFO without a writer would hold the start-up, a device may
// never end), and each failure names its own error.
TEST_F(BoardSim, InitFileThatCannotBeReadIsReportedWithoutWaiting) {
    TestSupport::TempDir dir;
    const std::string fifo = dir / "init";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {dir.path(), "Is a directory"},
        {fifo, "No such device or address"},
        {"/dev/zero", "No such device or address"},
        {dir / "missing", "No such file or directory"},
        {"/proc/self/mem", "Input/output error"},  // a regular file whose read fails
    };
    TestSupport::Alarm alarm(5);  // ends a run that waits for ever
    for (const auto& c : cases) {
        TestSupport::StreamCapture err(std::cerr);
        EXPECT_FALSE(sim.RunFile(c.path)) << c.path;
        EXPECT_EQ(err.str(), "board-sim: can't read " + c.path + ": " + c.error + '\n');
    }
}

TEST_F(BoardSim, LogsOnlyWhenAsked) {
    TestSupport::StreamCapture log(std::clog);
    int fd = sim.open("/dev/hal", O_RDWR);
    ::close(fd);
    EXPECT_EQ(log.str(), "");
    sim.SetLogging(true);
    sim.open("/dev/nothing", O_RDWR);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(log.str(), "board-sim: open /dev/nothing -> -1 (No such file or directory)\n");
}

// The control socket is served by the main loop: lines sent in one piece
// get their replies in order, and a client that vanishes is dropped. A socket
// that cannot be made is reported.
TEST_F(BoardSim, ControlSocketAnswersEachLine) {
    std::string path = "/tmp/halvox-sim-ctl-" + std::to_string(::getpid());
    Board::SimControl control(sim, path);
    ASSERT_TRUE(control.IsListening());

    TestSupport::BoardControlClient gone(path);
    ASSERT_TRUE(gone.Connected());
    gone.Close();
    TestSupport::BoardControlClient client(path);
    ASSERT_TRUE(client.Send("/dev/hal stick 9000 0x12\r\n/dev/hal octet 9000\n"));
    LoopDriver driver;
    driver.Run(20);
    EXPECT_EQ(client.Available(), "ok\n0x12\n");
    client.Close();
    driver.Run(5);
    // A last line ended with the client's lines, without its newline.
    TestSupport::BoardControlClient ended(path);
    ASSERT_TRUE(ended.Send("/dev/hal stick 9001 0x34\n/dev/hal octet 9001"));
    ASSERT_TRUE(ended.EndLines());
    driver.Run(20);
    EXPECT_EQ(ended.Available(), "ok\n0x34\n");
    ::unlink(path.c_str());

    TestSupport::StreamCapture err(std::cerr);
    Board::SimControl unserved(sim, "/nonexistent-dir/ctl");
    EXPECT_FALSE(unserved.IsListening());
    EXPECT_EQ(err.str(),
              "board-sim: control socket /nonexistent-dir/ctl: No such file or directory\n");
}

// A client that waits while the daemon has no descriptor to take it: the
// listener rests a second, with one line, instead of spinning the loop, and
// the client is heard once descriptors are back and the second is over.
TEST_F(BoardSim, ControlSocketShortOfDescriptorsRestsASecondInsteadOfSpinning) {
    TestSupport::TempDir dir;
    Board::SimControl control(sim, dir / "ctl");
    FakeClock clock(1000);
    const auto serve = [&clock] { LoopDriver(&clock).Run(2); };
    {
        // A client served and the pause's timer armed while descriptors are
        // left: the sanitizers see the path.
        TestSupport::BoardControlClient served(dir / "ctl");
        ASSERT_EQ(served.Ask("opens /dev/hal", 2000, serve), "0");
        SeeAcceptPause();
    }
    LoopDriver(&clock).Run(3);
    ASSERT_EQ(control.Clients(), 0u);
    TestSupport::StreamCapture errors(std::cerr);
    TestSupport::BoardControlClient waiting(dir / "ctl");  // queued by the kernel meanwhile
    EXPECT_GE(RunShortOfDescriptors(clock, 0, 20), std::chrono::milliseconds(60));
    EXPECT_EQ(errors.str(),
              "board-sim: can't accept connection: Too many open files, accepting again in "
              "1000 ms\n");
    LoopDriver(&clock).Run(5);
    EXPECT_EQ(control.Clients(), 0u);  // the rest holds with descriptors free
    clock.advanceMs(AcceptPause::pause_ms);
    EXPECT_EQ(waiting.Ask("/dev/hal route 7", 2000, serve), "7 off");
}

// Short of descriptors, a socket that cannot be made, or that is made but
// cannot be watched, is made again after retry_ms, and serves clients once
// descriptors are back. A socket made and not served is not left at the path
// meanwhile.
TEST_F(BoardSim, ControlSocketShortOfDescriptorsIsMadeAgain) {
    TestSupport::TempDir dir;
    FakeClock clock(1000);
    const auto serve = [&clock] { LoopDriver(&clock).Run(2); };
    std::optional<Board::SimControl> control(std::in_place, sim, dir / "ctl");
    {
        // Served while descriptors are left: the sanitizers see the path.
        TestSupport::BoardControlClient served(dir / "ctl");
        ASSERT_EQ(served.Ask("opens /dev/hal", 2000, serve), "0");
    }
    Timer().set(0, &Board::SimControl::Open, &*control);  // the retry's timer, seen as well
    const struct {
        const char* what;
        unsigned spare;
    } cases[] = {{"no socket", 0}, {"no watch of the socket", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        control.reset();
        TestSupport::StreamCapture errors(std::cerr);
        {
            TestSupport::DescriptorLimit limit(c.spare);
            control.emplace(sim, dir / "ctl");
        }
        EXPECT_FALSE(control->IsListening());
        struct stat there;
        EXPECT_NE(::lstat((dir / "ctl").c_str(), &there), 0);
        clock.advanceMs(Board::SimControl::retry_ms - 1);
        LoopDriver(&clock).Run(3);
        EXPECT_FALSE(control->IsListening());
        clock.advanceMs(1);
        LoopDriver(&clock).Run(3);
        EXPECT_EQ(TestSupport::BoardControlClient(dir / "ctl").Ask("opens /dev/hal", 2000, serve),
                  "0");
        EXPECT_EQ(errors.str(), "board-sim: control socket " + (dir / "ctl") +
                                    ": Too many open files, trying again in 5000 ms\n");
    }
}

// Only a socket nobody listens on, as an earlier run left at the path,
// gives way to the control socket; anything else there, another process's
// live socket included, is refused with one line, not tried again and kept
// as it was. The socket made goes with the control, unless another has taken
// its place; a process forked from the daemon removes nothing.
TEST_F(BoardSim, ControlSocketReplacesOnlyAnOldSocketAndRemovesItsOwn) {
    TestSupport::TempDir dir;
    const std::string path = dir / "ctl";
    const auto oldSocket = [&path] { return ::mknod(path.c_str(), S_IFSOCK | 0600, 0); };
    // Another process's control, served here: its listener is what counts.
    std::optional<Board::SimControl> other;
    const struct {
        const char* what;
        std::function<void()> put;
        // The line's end when refused, null when replaced.
        const char* refusal;
        // What the path reads as afterwards.
        const char* left;
    } cases[] = {
        {"nothing", [] {}, nullptr, ""},
        {"an old socket", oldSocket, nullptr, ""},
        {"a live socket", [&] { other.emplace(sim, path); },
         "is a socket another process listens on", ""},
        {"a file", [&] { std::ofstream(path) << "own"; }, "exists and is not a socket", "own"},
        {"a link", [&] { std::ofstream(dir / "own") << "own", ::symlink("own", path.c_str()); },
         "exists and is not a socket", "own"},
    };
    FakeClock clock;
    const auto serve = [&clock] { LoopDriver(&clock).Run(2); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.put();
        TestSupport::StreamCapture errors(std::cerr);
        std::optional<Board::SimControl> control(std::in_place, sim, path);
        clock.advanceMs(Board::SimControl::retry_ms);
        serve();
        EXPECT_EQ(control->IsListening(), !c.refusal);
        control.reset();
        EXPECT_EQ(errors.str(), c.refusal ? "board-sim: control socket " + path + ": " + c.refusal +
                                                ", left as it is\n"
                                          : "");
        EXPECT_EQ(TestSupport::ReadFile(path), c.left);
        if (other) {
            EXPECT_EQ(TestSupport::BoardControlClient(path).Ask("opens /dev/hal", 2000, serve),
                      "0");
        }
        EXPECT_EQ(::unlink(path.c_str()), c.refusal ? 0 : -1);  // the socket made is gone
        other.reset();
    }

    Board::SimControl control(sim, path);
    const pid_t child = TestSupport::ForkAlone();
    if (child == 0) control.RemoveSocket(), ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(oldSocket(), 0);
    control.RemoveSocket();
    EXPECT_EQ(::unlink(path.c_str()), 0);
}

// A client that sends many lines before it reads fills the socket with
// replies (the kernel takes a few hundred small ones): the rest wait until it
// reads, and every line gets its reply once, in order. One that goes away
// meanwhile is dropped.
TEST_F(BoardSim, ControlSocketRepliesThatBackUpWaitForTheReader) {
    std::string path = "/tmp/halvox-sim-ctl-" + std::to_string(::getpid());
    Board::SimControl control(sim, path);
    std::string request, expected;
    for (int n = 0; n < 1000; ++n) {
        request += "/dev/hal route " + std::to_string(n) + '\n';
        expected += std::to_string(n) + " off\n";
    }
    LoopDriver driver;
    for (bool reads : {true, false}) {
        SCOPED_TRACE(reads ? "the client reads" : "the client goes");
        TestSupport::BoardControlClient client(path);
        ASSERT_TRUE(client.Send(request));
        driver.Run(50);
        EXPECT_EQ(control.Clients(), 1u);
        if (!reads) {
            client.Close();
            driver.Run(5);
            EXPECT_EQ(control.Clients(), 0u);
            break;
        }
        std::string replies;
        for (int i = 0; i < 1000 && replies.size() < expected.size(); ++i) {
            driver.Run(3);
            replies += client.Available();
        }
        EXPECT_EQ(replies, expected);
    }
    ::unlink(path.c_str());
}

}  // namespace
