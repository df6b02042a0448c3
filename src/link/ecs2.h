// The ECS2 protocol: one-byte lengths, 16-bit memory addresses, replies of at
// most 70 bytes, no baud-rate negotiation.
#pragma once
#include "link/ecsframe.h"

class TEcs2 : public TEcsFramed {
 public:
  explicit TEcs2(const TLinkSettings& settings, platform::Clock& clock);

  int GetMaxByteCount() override { return 56; }
  int FindBaudRate() override;
  int RaiseBaudRate() override;
  int TellStartRate(int) override { return 0; }

  static const char* ErrorText(int status);
};
