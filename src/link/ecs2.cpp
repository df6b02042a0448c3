#include "link/ecs2.h"

#include "model/systemfunc.h"
#include "model/vunddata.h"

namespace {

const EcsFrameFormat kEcs2Format = {
    1, 2, 1, 70, 80, 70, 70, 64, GetMaxEcsDataLength, TEcs2::ErrorText, kEcsSendErrorText,
};

}  // namespace

TEcs2::TEcs2(platform::Clock& clock) : TEcsFramed(kEcs2Format, clock) {}

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
  if (GetBaudRateSupportID() == 0) baudIndex_ = GetBaudRate();
  return 0;
}

int TEcs2::RaiseBaudRate() {
  if (GetBaudRateSupportID() == 0) baudIndex_ = GetBaudRate();
  return 0;
}
