#include "signalling/IsdnFactory.h"

IsdnFactory& IsdnFactory::instance() {
    static IsdnFactory factory;
    return factory;
}
