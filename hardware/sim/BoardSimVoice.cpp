#include "hardware/sim/BoardSimVoice.h"

#include "hardware/DevNames.h"
#include "hardware/VoiceDriver.h"

#include <cerrno>
#include <cstring>

namespace Board {

SimVoice::SimVoice() : SimDevice(GetVoiceDevName()) {}

int SimVoice::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (request != Voice::DriverVersion) return -ENOTTY;
    if (!record) return -EFAULT;
    std::memcpy(static_cast<Voice::DriverVersionRecord*>(record)->words, version, sizeof version);
    return 0;
}

}  // namespace Board
