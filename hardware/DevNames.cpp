#include "hardware/DevNames.h"

const char* GetHalDevName() { return "/dev/hal"; }
const char* GetMccDevName() { return "/dev/mcc/ctl"; }
const char* GetE1CasDevName() { return "/dev/e1-cas"; }
const char* GetVoiceDevName() { return "/dev/voice"; }
const char* GetMixerDevName() { return "/dev/mixer"; }
const char* GetDTMFDevName() { return "/dev/dtmf"; }
const char* GetDSPDevName() { return "/dev/dsp"; }
const char* GetRtpDevName() { return "/dev/rtp"; }
const char* GetRtpExtDevName() { return "/dev/rtp_ext"; }
const char* GetModemDevName() { return "/dev/mctl"; }
const char* GetMaintenance() { return "/dev/maintenance"; }
const char* GetSpiTdmDevName() { return "/dev/spi_tdm"; }

const char* GetCodecAsStr(int code) {
    static const char* const names[] = {"unknown",  "g711",     "g723",     "g729", "tonec",
                                        "g711-rtp", "g729-rtp", "g723-rtp", "conf"};
    if (code < 0 || code >= int(sizeof names / sizeof names[0])) return "invalid";
    return names[code];
}
