#include "hardware/sim/BoardSimMcc.h"

#include "config/StreamManip.h"
#include "hardware/DevNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sstream>

namespace Board {

namespace {

bool KnownMode(std::uint32_t mode) { return mode == 0 || mode == 1 || mode == 3; }

// "7E 01 ab" or "7e01ab" -> octets; false for anything else.
bool ParseOctets(const std::vector<std::string>& words, std::size_t first, std::string& octets) {
    std::string digits;
    for (std::size_t i = first; i < words.size(); ++i) digits += words[i];
    if (digits.empty() || digits.size() % 2) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(digits[i])) ||
            !std::isxdigit(static_cast<unsigned char>(digits[i + 1])))
            return false;
        octets.push_back(char(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return true;
}

// "01 AB"
std::string Hex(const std::string& octets) {
    std::ostringstream text;
    text << ext::hex(octets.data(), unsigned(octets.size()));
    std::string hex = text.str();
    if (!hex.empty()) hex.pop_back();
    return hex;
}

}  // namespace

SimMcc::SimMcc() : SimDevice(GetMccDevName()) {}

SimMcc::Channel& SimMcc::Of(SimOpen& open) {
    for (Channel& c : channels)
        if (c.open == &open) return c;
    channels.push_back(Channel{&open, -1, {}, {}});
    return channels.back();
}

SimMcc::Channel* SimMcc::OnSwitchChannel(long channel) {
    for (Channel& c : channels)
        if (c.switchChannel >= 0 && c.switchChannel == channel) return &c;
    return nullptr;
}

std::vector<const SimMcc::Channel*> SimMcc::Allocated() const {
    std::vector<const Channel*> list;
    for (const Channel& c : channels)
        if (c.switchChannel >= 0) list.push_back(&c);
    return list;
}

void SimMcc::OnClose(SimOpen& open) {
    channels.erase(std::remove_if(channels.begin(), channels.end(),
                                  [&open](const Channel& c) { return c.open == &open; }),
                   channels.end());
}

int SimMcc::Allocate(Channel& channel, const Mcc::AllocateRecord& record) {
    if (channel.switchChannel >= 0) return -EBUSY;
    if (!KnownMode(record.mode) ||
        std::memcmp(record.fixed, Mcc::allocateFixed, sizeof record.fixed) != 0)
        return -EINVAL;
    for (unsigned n = 0; n < controllers; ++n) {
        if (OnSwitchChannel(firstChannel + long(n))) continue;
        channel.switchChannel = firstChannel + int(n);
        channel.record = record;
        return 0;
    }
    return -ENOSPC;
}

int SimMcc::OnIoctl(SimOpen& open, unsigned long request, void* record) {
    if (request != Mcc::Allocate) return -ENOTTY;
    if (!record) return -EFAULT;
    return Allocate(Of(open), *static_cast<const Mcc::AllocateRecord*>(record));
}

int SimMcc::OnIoctlValue(SimOpen& open, unsigned long request, unsigned long) {
    if (request != Mcc::Timeslot) return -ENOTTY;
    const Channel& channel = Of(open);
    return channel.switchChannel >= 0 ? channel.switchChannel : -EINVAL;
}

ssize_t SimMcc::OnWrite(SimOpen& open, const void* data, std::size_t length) {
    Channel& channel = Of(open);
    if (channel.switchChannel < 0) return -ENXIO;
    if (channel.transmitted.size() >= queueLimit) return -EAGAIN;
    channel.transmitted.emplace_back(static_cast<const char*>(data), length);
    return ssize_t(length);
}

std::string SimMcc::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimMcc> verbs{
        {"channels", &SimMcc::CmdChannels},
        {"rx", &SimMcc::CmdRx},
        {"tx", &SimMcc::CmdTx},
        {"hangup", &SimMcc::CmdHangup},
    };
    return verbs.Answer(*this, words);
}

SimMcc::Channel* SimMcc::ChannelOf(const std::string& word) {
    long number = -1;
    return ParseNumber(word, number, 0, INT32_MAX) ? OnSwitchChannel(number) : nullptr;
}

SimReply SimMcc::CmdChannels(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    std::string list;
    for (const Channel* c : Allocated())
        list += (list.empty() ? "" : " ") + std::to_string(c->switchChannel) + ':' +
                std::to_string(c->record.mode);
    return list.empty() ? "none" : list;
}

SimReply SimMcc::CmdRx(const SimArgs& args) {
    Channel* channel = args.size() >= 2 ? ChannelOf(args[0]) : nullptr;
    std::string octets;
    if (!channel || !ParseOctets(args, 1, octets)) return std::nullopt;
    return channel->open->Deliver(octets.data(), octets.size()) ? "ok" : "error: queue full";
}

SimReply SimMcc::CmdTx(const SimArgs& args) {
    Channel* channel = args.size() == 1 ? ChannelOf(args[0]) : nullptr;
    if (!channel) return std::nullopt;
    if (channel->transmitted.empty()) return "none";
    const std::string octets = channel->transmitted.front();
    channel->transmitted.pop_front();
    channel->open->Unblock();
    return Hex(octets);
}

SimReply SimMcc::CmdHangup(const SimArgs& args) {
    Channel* channel = args.size() == 1 ? ChannelOf(args[0]) : nullptr;
    if (!channel) return std::nullopt;
    channel->open->Hangup();
    return "ok";
}

void SimMcc::Reset() {
    for (Channel& c : channels) c.open->Hangup();
    channels.clear();
}

}  // namespace Board
