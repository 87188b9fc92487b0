#include "modem/MccFactory.h"

MccFactory& MccFactory::instance() {
    static MccFactory factory;
    return factory;
}
