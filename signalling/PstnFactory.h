// The factory of signalling-channel slots (create alternative `pstn`: LAPD or SS7 link control).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class PstnFactory {
public:
    static PstnFactory& instance();
    PstnFactory(const PstnFactory&) = delete;
    PstnFactory& operator=(const PstnFactory&) = delete;

private:
    PstnFactory() = default;
};
