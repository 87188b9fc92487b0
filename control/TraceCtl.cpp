#include "control/TraceCtl.h"

#include "config/IniReader.h"
#include "runtime/ConstInit.h"

#include <iostream>

HALVOX_CONSTINIT TraceCtl traces;

void TraceCtl::Configure(IniFile::Section& section) {
    for (IniFile::SubSection& block : section) Configure(block);
}

void TraceCtl::Configure(IniFile::SubSection& block) {
    IniFile::Reader reader("traces: ", std::cerr);
    signalling.hdlc = false;
    signalling.varngw = false;
    monitoring.internal = false;
    reader.optional.add(&signalling.hdlc, "signalling.hdlc");
    reader.optional.add(&signalling.varngw, "signalling.varngw");
    reader.optional.add(&signalling.events, "signalling.events");
    reader.optional.add(&monitoring.internal, "monitoring.internal");
    reader(block);
}
