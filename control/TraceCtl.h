// The trace switches that turn on optional log output elsewhere, read once
// from the "traces" section of the configuration file.
#pragma once

#include "config/IniFile.h"

class TraceCtl {
public:
    struct Signalling {
        constexpr Signalling() = default;
        bool hdlc = false;    // "signalling.hdlc": HDLC channels and package slots
        bool varngw = false;  // "signalling.varngw": kept, read by nothing
        bool events = false;  // "signalling.events": voice-processing receiver events
    };
    struct Monitoring {
        constexpr Monitoring() = default;
        bool internal = false;  // "monitoring.internal": board monitoring state changes
    };

    constexpr TraceCtl() = default;

    // Every block headed "traces", in file order.
    void Configure(IniFile::Section& section);
    // One block: hdlc, varngw and internal start from off, events keeps the
    // value an earlier block gave it; a bad value is reported and ignored.
    void Configure(IniFile::SubSection& block);

    Signalling signalling;
    Monitoring monitoring;
};

extern TraceCtl traces;
