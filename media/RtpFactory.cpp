#include "media/RtpFactory.h"

RtpFactory& RtpFactory::instance() {
    static RtpFactory factory;
    return factory;
}
