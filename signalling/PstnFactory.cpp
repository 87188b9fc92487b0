#include "signalling/PstnFactory.h"

PstnFactory& PstnFactory::instance() {
    static PstnFactory factory;
    return factory;
}
