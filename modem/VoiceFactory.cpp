#include "modem/VoiceFactory.h"

VoiceFactory& VoiceFactory::instance() {
    static VoiceFactory factory;
    return factory;
}
