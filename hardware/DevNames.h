// The paths of the board's device nodes, so that no call site spells one,
// and the names of the media codecs.
#pragma once

const char* GetHalDevName();
const char* GetMccDevName();
const char* GetE1CasDevName();
const char* GetVoiceDevName();
const char* GetMixerDevName();
const char* GetDTMFDevName();
const char* GetDSPDevName();
const char* GetRtpDevName();
const char* GetRtpExtDevName();
const char* GetModemDevName();
const char* GetMaintenance();
const char* GetSpiTdmDevName();

// "unknown" for 0, "invalid" for a number that is no codec.
const char* GetCodecAsStr(int code);
