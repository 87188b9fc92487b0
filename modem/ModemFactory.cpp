#include "modem/ModemFactory.h"

ModemFactory& ModemFactory::instance() {
    static ModemFactory factory;
    return factory;
}
