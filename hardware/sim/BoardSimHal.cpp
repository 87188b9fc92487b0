#include "hardware/sim/BoardSimHal.h"

#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"

#include <cerrno>
#include <cstdint>

namespace Board {

namespace {

bool ValidChannel(std::int32_t channel) { return channel >= 0 && channel <= SimHal::maxChannel; }

bool ParseChannel(const std::string& word, long& channel) {
    return SimDevice::ParseNumber(word, channel, 0, SimHal::maxChannel);
}

}  // namespace

SimHal::SimHal() : SimDevice(GetHalDevName()) {}

void SimHal::Reset() {
    routes.clear();
    stuck.clear();
    counts.clear();
    recording = false;
    history.clear();
    echoMask = powerOnEchoMask;
    lines.Reset();
}

SimHal::Route SimHal::RouteOf(int channel) const {
    auto it = routes.find(channel);
    return it == routes.end() ? Route{} : it->second;
}

// A chain of driven channels is followed as far as the switch could take it;
// a loop of channels carries nothing.
int SimHal::Octet(int channel) const {
    for (int hops = 0; hops <= 16; ++hops) {
        auto s = stuck.find(channel);
        if (s != stuck.end()) return s->second;
        Route r = RouteOf(channel);
        if (r.kind == Route::Off) break;
        if (r.kind == Route::Constant) return r.value;
        channel = r.value;
    }
    return 0xFF;
}

unsigned long SimHal::Count(unsigned long request) const {
    auto it = counts.find(request);
    return it == counts.end() ? 0 : it->second;
}

int SimHal::OnIoctl(SimOpen&, unsigned long request, void* record) {
    switch (request) {
        case Hal::MuxConnect:
        case Hal::MuxDisable:
        case Hal::MuxWrite:
        case Hal::MuxRead: {
            const int result = Switch(request, record);
            if (result >= 0) ++counts[request];
            return result;
        }
        default:
            break;
    }
    int result = -ENOTTY;
    if (lines.Ioctl(request, record, result) && result >= 0) ++counts[request];
    return result;
}

int SimHal::Switch(unsigned long request, void* record) {
    if (!record) return -EFAULT;
    auto* words = static_cast<std::int32_t*>(record);
    Request r{request, words[0], request == Hal::MuxDisable ? 0 : words[1]};
    if (recording) history.push_back(r);
    if (!ValidChannel(r.word0)) return -EINVAL;
    switch (request) {
        case Hal::MuxConnect:
            if (!ValidChannel(r.word1)) return -EINVAL;
            routes[r.word0] = Route{Route::Driven, r.word1};
            break;
        case Hal::MuxDisable:
            routes.erase(r.word0);
            break;
        case Hal::MuxWrite:
            routes[r.word0] = Route{Route::Constant, r.word1 & 0xFF};
            break;
        case Hal::MuxRead:
            static_cast<Hal::MuxOctetRecord*>(record)->octet = std::uint32_t(Octet(r.word0));
            break;
    }
    return 0;
}

// The lines model takes its own verbs.
std::string SimHal::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimHal> verbs{
        {"route", &SimHal::CmdRoute},        {"octet", &SimHal::CmdOctet},
        {"stick", &SimHal::CmdStick},        {"unstick", &SimHal::CmdUnstick},
        {"echo-mask", &SimHal::CmdEchoMask}, {"count", &SimHal::CmdCount},
    };
    std::string reply;
    return lines.Command(words, reply) ? reply : verbs.Answer(*this, words);
}

SimReply SimHal::CmdRoute(const SimArgs& args) {
    long channel = 0;
    if (args.size() != 1 || !ParseChannel(args[0], channel)) return std::nullopt;
    const Route r = RouteOf(int(channel));
    const std::string text = std::to_string(channel) + ' ';
    if (r.kind == Route::Off) return text + "off";
    if (r.kind == Route::Constant) return text + "const " + HexOctet(r.value);
    return text + "from " + std::to_string(r.value);
}

SimReply SimHal::CmdOctet(const SimArgs& args) {
    long channel = 0;
    if (args.size() != 1 || !ParseChannel(args[0], channel)) return std::nullopt;
    return HexOctet(Octet(int(channel)));
}

SimReply SimHal::CmdStick(const SimArgs& args) {
    long channel = 0, octet = 0;
    if (args.size() != 2 || !ParseChannel(args[0], channel) ||
        !ParseNumber(args[1], octet, 0, 0xFF))
        return std::nullopt;
    Stick(int(channel), int(octet));
    return "ok";
}

SimReply SimHal::CmdUnstick(const SimArgs& args) {
    long channel = 0;
    if (args.size() != 1 || !ParseChannel(args[0], channel)) return std::nullopt;
    Unstick(int(channel));
    return "ok";
}

SimReply SimHal::CmdEchoMask(const SimArgs& args) {
    long mask = 0;
    if (args.size() != 1 || !ParseNumber(args[0], mask, 0, 0xFFFF)) return std::nullopt;
    echoMask = unsigned(mask);
    return "ok";
}

SimReply SimHal::CmdCount(const SimArgs& args) {
    long request = 0;
    if (args.size() != 1 || !ParseNumber(args[0], request, 0, UINT32_MAX)) return std::nullopt;
    return std::to_string(Count(static_cast<unsigned long>(request)));
}

}  // namespace Board
