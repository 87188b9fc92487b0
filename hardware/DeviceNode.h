// A board driver's device node as the service that drives it keeps it: opened
// at its first use, and again at the next use after the service gave it up.
// An open that fails writes the service's line, at most once a second, and a
// retry's (an open that a pay or a poll repeats by itself) only when its
// error is new. Each open pays what the service owes the driver, where it can
// owe anything, once the service has readied the new descriptor. The switch,
// the bus clock and the line devices, the receivers' drivers, the
// maintenance device, CAS and the voice device's version query open this one
// way.
#pragma once

#include "hardware/OwedRequests.h"
#include "runtime/FailureLine.h"
#include "runtime/Fd.h"

#include <functional>

namespace Hardware {

class DeviceNode {
public:
    // owed is what the service owes the driver, null for a device whose
    // failures are met again at its next use and owe nothing (the line
    // devices, a version query); failed writes the open's failure line for
    // an error number; ready is what the service does with a descriptor just
    // opened before anything is paid: 0, or the error number that makes the
    // device count as not opened after all (a watch short of descriptors).
    DeviceNode(const char* path, int flags, OwedRequests* owed, std::function<void(int)> failed,
               std::function<int()> ready = nullptr);
    DeviceNode(const DeviceNode&) = delete;
    DeviceNode& operator=(const DeviceNode&) = delete;

    // 0 when the device is open, or opened now; else why it is not. A retry's
    // failure is written only when its error is new.
    int Open(bool retry = false);
    bool IsOpen() const { return node.is_valid(); }
    // The descriptor requests go to while the device is open.
    int Descriptor() const { return node.lowlevel_fd(); }
    const Fd& Node() const { return node; }
    // Given up: the next use opens it again.
    void Close() { node.close(); }

private:
    const char* const path;
    const int flags;
    OwedRequests* const owed;
    const std::function<void(int)> failed;
    const std::function<int()> ready;
    Fd node;
    FailureLine failure;
};

}  // namespace Hardware
