// halvoxd: the control daemon of the gateway board. Reads its options and
// "/usr/local/etc/server.conf", creates the slot factories and board services
// in their fixed order, serves one controller on TCP (port 20001 unless told
// otherwise) and runs the main loop until SIGTERM or SIGINT.
#include "config/Daemon.h"
#include "config/IniFile.h"
#include "config/Version.h"
#include "control/AcceptorNetCheckConnection.h"
#include "control/CtrlSrvServer.h"
#include "control/HeartBeatCtl.h"
#include "control/TraceCtl.h"
#include "hardware/BoardDevices.h"
#include "hardware/BusCtl.h"
#include "hardware/E1Ctl.h"
#include "hardware/HwMux.h"
#include "hardware/HwTests.h"
#include "hardware/spiCtrl.h"
#include "media/RtpED137Factory.h"
#include "media/RtpFactory.h"
#include "media/RtpVARNFactory.h"
#include "modem/MccFactory.h"
#include "modem/ModemFactory.h"
#include "modem/T38SoftFactory.h"
#include "modem/VoiceFactory.h"
#include "monitoring/MonitoringCtl.h"
#include "runtime/ChildWait.h"
#include "runtime/Dpc.h"
#include "runtime/Fd.h"
#include "runtime/LinuxRun.h"
#include "runtime/Multiplexer.h"
#include "runtime/Signal.h"
#include "signalling/HdlcSlotFactory.h"
#include "signalling/IsdnFactory.h"
#include "signalling/PstnFactory.h"
#include "slots/EchoFactory.h"
#include "slots/ExtFactory.h"
#include "slots/MapFactory.h"
#include "slots/MixerFactory.h"
#include "slots/Slots.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <getopt.h>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

const char* const configFile = "/usr/local/etc/server.conf";
const char* const statusFile = "/var/log/server-status";
const int defaultPort = 20001;

// Start-up activates the child-exit service, so it holds the service itself
// rather than count on a module that starts children being linked in.
ChildWait::Init childWaitInit;

int print_version = 0;
volatile std::sig_atomic_t doDumpStatus = 0;
volatile std::sig_atomic_t updateResources = 0;

const option long_options[] = {
    {"daemon", no_argument, nullptr, 'D'},     {"disable-clock", no_argument, nullptr, 10},
    {"port", required_argument, nullptr, 'p'}, {"version", no_argument, &print_version, 1},
    {"help", no_argument, nullptr, 'h'},       {nullptr, 0, nullptr, 0},
};

// The process-wide singletons, created in this order before the daemon
// starts serving. Every slot factory puts itself at the head of the factory
// chain, so a create command asks them in the reverse of this order.
template <class T>
void Create() {
    T::instance();
}
using Creator = void (*)();
const Creator singletons[] = {
    &Create<MapFactory>,
    &Create<PstnFactory>,
    &Create<RtpFactory>,
    &Create<ModemFactory>,
    &Create<Mixer::MixerFactory>,
    &Create<ExtFactory>,
    &Create<MccFactory>,
    &Create<EchoFactory>,
    &Create<VoiceFactory>,
    &Create<T38SoftFactory>,
    &Create<IsdnFactory>,
    &Create<RtpVARNFactory>,
    &Create<RtpED137Factory>,
    &Create<HdlcSlotFactory>,
    &Create<HwMux>,
    &Create<MonitoringCtl>,
};

// The services bound to the controller server: every command is offered to
// them in this order.
template <class T>
CtrlSrv::Service& Service() {
    return T::instance();
}
using ServiceGetter = CtrlSrv::Service& (*)();
const ServiceGetter services[] = {
    &Service<HeartBeatCtl>,
    &Service<Slots>,
    &Service<HwTests>,
    &Service<BusCtl>,
    &Service<E1Ctl>,
    &Service<spiCtrl>,
    &Service<MonitoringCtl>,
};

void Usage() {
    std::cout << "Usage:\n halvoxd -Dh\n"
                 "  -D --daemon                      run as daemon\n"
                 "  -p --port                        use this port\n"
                 "     --disable-clock               disable clock control\n"
                 "     --version                     print version\n"
                 "  -h --help                        display this information\n"
              << std::endl;
}

// A whole decimal number in 1..65535; 0 otherwise.
int ParsePort(const char* text) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || errno == ERANGE || value < 1 || value > 65535 || !std::isdigit(*text))
        return 0;
    return int(value);
}

std::string VersionTag() {
    std::ostringstream tag;
    tag << Version::current;
    return tag.str();
}

void SigPipeHandler(int, siginfo_t*, void*) {}
void SigTermHandler(int, siginfo_t*, void*) { multiplexer.terminate(); }
void SigUsr2Handler(int, siginfo_t*, void*) { doDumpStatus = 1; }
void SigHupHandler(int, siginfo_t*, void*) { updateResources = 1; }

void RunDaemon() {
    Daemon::Params params;
    params.name = "hvx-" + VersionTag();
    Daemon::Init(params);
    // What the board made for the process that has just exited (its control
    // socket) is this one's to remove.
    Board::devices().TakeOver();
}

// Only a regular file, opened without waiting: a FIFO at the path would hold
// the loop until a reader came. The dump goes out in one write, so a full or
// failing medium is seen as the open's failure is.
void CheckDumpStatus() {
    if (!doDumpStatus) return;
    doDumpStatus = 0;
    Fd file;
    if (file.OpenRegular(statusFile, O_WRONLY | O_CREAT | O_TRUNC)) {
        std::ostringstream status;
        status << "server status information. pid=" << ::getpid() << "\n"
               << "version : " << Version::current << "\n";
        multiplexer.dump(status);
        const std::string text = status.str();
        if (::write(file.lowlevel_fd(), text.data(), text.size()) == ssize_t(text.size())) return;
    }
    std::cerr << "dump status error" << std::endl;
}

void CheckUpdateResources() {
    if (!updateResources) return;
    updateResources = 0;
    std::clog << "update hardware resources" << std::endl;
    Slots::instance().UpdateHardwareResources();
}

void CheckSignals() {
    CheckDumpStatus();
    CheckUpdateResources();
}

}  // namespace

int main(int argc, char** argv) {
    Daemon::OpenStandardDescriptors();
    // Before anything is written: an output whose reader is gone (a
    // supervisor that died) must fail the write, not end the process.
    IPC::Signal::handle(SIGPIPE, SigPipeHandler, SA_RESTART);
    opterr = 1;
    int port = defaultPort;
    bool daemonMode = false;

    IniFile::File config;
    if (config.Open(configFile)) {
        traces = TraceCtl();
        traces.Configure(*config["traces"]);
    }

    IPC::Signal::handle(SIGTERM, SigTermHandler, 0);
    IPC::Signal::handle(SIGINT, SigTermHandler, 0);
    IPC::Signal::handle(SIGUSR2, SigUsr2Handler, SA_RESTART);
    IPC::Signal::handle(SIGHUP, SigHupHandler, SA_RESTART);

    for (int option; (option = getopt_long(argc, argv, "Dh", long_options, nullptr)) != -1;) {
        switch (option) {
            case 'D':
                daemonMode = true;
                break;
            case 10:
                BusCtl::instance().DisableControl();
                break;
            case 'p':
                port = ParsePort(optarg);
                if (!port) {
                    Usage();
                    return 2;
                }
                break;
            case 'h':
                Usage();
                return 0;
            case '?':
                Usage();
                return 2;
            default:
                break;
        }
    }
    if (print_version) {
        std::cout << "server version: " << Version::current << std::endl;
        return 2;
    }
    // Before the first device opens: the kernel's drivers in its place would
    // be a board nobody asked for.
    if (const std::string refusal = Board::Refusal(); !refusal.empty()) {
        std::cerr << "halvoxd: " << refusal << std::endl;
        return 2;
    }

    for (Creator create : singletons) create();
    MonitoringCtl::instance().Configure(config);

    if (daemonMode) RunDaemon();
    Linux::Run pidFile("server");
    std::cout << "Starting server [" << Version::current << "], port=" << port << std::endl;

    for (ServiceGetter service : services) ctrlServer.Bind(&service());
    ChildWait::Activate();
    Dpc signalCheck;
    signalCheck.Bind(CheckSignals);
    signalCheck.Activate();

    ctrlServer.Activate(new Control::AcceptorNetCheckConnection(port));
    multiplexer.run(true, true);

    ctrlServer.Deactivate();
    return 0;
}
