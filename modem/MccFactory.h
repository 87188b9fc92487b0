// The factory of MCC data slots (create alternative `mcc`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class MccFactory {
public:
    static MccFactory& instance();
    MccFactory(const MccFactory&) = delete;
    MccFactory& operator=(const MccFactory&) = delete;

private:
    MccFactory() = default;
};
