#include "hardware/sim/BoardSimHal.h"

#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"

#include <cerrno>
#include <cstdint>

namespace Board {

namespace {

bool ValidChannel(std::int32_t channel) { return channel >= 0 && channel <= SimHal::maxChannel; }

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
        case Hal::MuxRead:
            ++counts[request];
            return Switch(request, record);
        default:
            break;
    }
    int result = -ENOTTY;
    if (lines.Ioctl(request, record, result)) ++counts[request];
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

std::string SimHal::OnCommand(const std::vector<std::string>& w) {
    std::string reply;
    if (lines.Command(w, reply)) return reply;
    long a = 0, b = 0;
    bool channel = w.size() >= 2 && ParseNumber(w[1], a, 0, maxChannel);
    if (w.size() == 2 && w[0] == "route" && channel) {
        Route r = RouteOf(int(a));
        std::string text = std::to_string(a) + ' ';
        if (r.kind == Route::Off) return text + "off";
        if (r.kind == Route::Constant) return text + "const " + HexOctet(r.value);
        return text + "from " + std::to_string(r.value);
    }
    if (w.size() == 2 && w[0] == "octet" && channel) return HexOctet(Octet(int(a)));
    if (w.size() == 3 && w[0] == "stick" && channel && ParseNumber(w[2], b, 0, 0xFF)) {
        Stick(int(a), int(b));
        return "ok";
    }
    if (w.size() == 2 && w[0] == "unstick" && channel) {
        Unstick(int(a));
        return "ok";
    }
    if (w.size() == 2 && w[0] == "echo-mask" && ParseNumber(w[1], a, 0, 0xFFFF)) {
        echoMask = unsigned(a);
        return "ok";
    }
    if (w.size() == 2 && w[0] == "count" && ParseNumber(w[1], a, 0, UINT32_MAX))
        return std::to_string(Count(static_cast<unsigned long>(a)));
    // With the verbs of the lines model, which leaves its refused lines here.
    return Refuse(w, {"route", "octet", "stick", "unstick", "echo-mask", "count", "clock",
                      "spi-status", "spi-reg"});
}

}  // namespace Board
