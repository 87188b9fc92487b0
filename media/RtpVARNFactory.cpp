#include "media/RtpVARNFactory.h"

RtpVARNFactory& RtpVARNFactory::instance() {
    static RtpVARNFactory factory;
    return factory;
}
