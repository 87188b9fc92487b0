#include "modem/T38SoftFactory.h"

T38SoftFactory& T38SoftFactory::instance() {
    static T38SoftFactory factory;
    return factory;
}
