#include "signalling/HdlcSlotFactory.h"

HdlcSlotFactory& HdlcSlotFactory::instance() {
    static HdlcSlotFactory factory;
    return factory;
}
