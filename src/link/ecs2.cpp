#include "link/ecs2.h"

namespace {

const EcsFrameFormat kEcs2Format = {
    /*lengthBytes=*/1,
    /*memoryAddressBytes=*/2,
    /*countBytes=*/1,
    /*maxReply=*/70,
    /*readChunk=*/80,
    /*requestShown=*/70,
    /*replyShown=*/70,
    /*defaultDataLength=*/64,
    /*dataLengthSetting=*/&TLinkSettings::MaxECSDataLength,
    /*errorText=*/TEcs2::ErrorText,
    /*readErrorDetail=*/kEcsSendErrorText,
};

}  // namespace

TEcs2::TEcs2(const TLinkSettings& settings, platform::Clock& clock) : TEcsFramed(kEcs2Format, settings, clock) {}

const char* TEcs2::ErrorText(int status) {
  if (const char* text = EcsCommonErrorText(status)) return text;
  switch (status) {
    case 0x51: return "Over Run Error !";
    case 0x52: return "Framing Error !";
    case 0x53: return "Parity Error !";
    case 0x54: return "Over Run & Framing !";
    default: return "Other Error!";
  }
}

// Nothing is negotiated: the link runs at the configured rate.
int TEcs2::FindBaudRate() {
  if (baudRateSupportId_ == 0) baudIndex_ = configuredBaud_;
  return 0;
}

int TEcs2::RaiseBaudRate() {
  if (baudRateSupportId_ == 0) baudIndex_ = configuredBaud_;
  return 0;
}
