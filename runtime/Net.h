// The host name and the IPv4 addresses of the network interfaces.
#pragma once

#include "runtime/INet4Addr.h"

#include <list>
#include <string>

namespace Net {

// Filters of the interface listing; 0 keeps every IPv4 interface.
using ifconfig_mode_t = unsigned;
const ifconfig_mode_t NotLoopback = 1;  // an interface not named "lo"
const ifconfig_mode_t LinkLocal = 2;    // 169.254.0.0/16
const ifconfig_mode_t Private = 4;      // 10/8, 172.16/12, 192.168/16

// Empty when gethostname() fails.
std::string hostname();
int hostname(const std::string& name);

// Appends the address (port 0) of each interface the mode selects; the
// number appended, or -1 when the interfaces cannot be listed. Only the
// first 16 interface addresses are looked at.
int ifconfig(std::list<INet4::Addr>& out, ifconfig_mode_t mode);
// The same selection, appending the names of the interfaces whose flags
// hold every bit of flags.
int ifconfig(std::list<std::string>& out, ifconfig_mode_t mode, unsigned flags);

}  // namespace Net
