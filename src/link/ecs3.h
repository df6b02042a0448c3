// The ECS3 protocol: two-byte lengths, 32-bit memory addresses, replies of at
// most 265 bytes, and the baud-rate negotiation through BaudRateSupportID.
#pragma once
#include "link/ecsframe.h"

class TEcs3 : public TEcsFramed {
 public:
  explicit TEcs3(const TLinkSettings& settings, platform::Clock& clock);

  int GetMaxByteCount() override { return MaxDataLength(); }
  int FindBaudRate() override;
  int RaiseBaudRate() override;
  int TellStartRate(int index) override;

  static const char* ErrorText(int status);

 private:
  // Closes the link and opens it again at baud index index.
  bool Reopen(int index);
  int TellBaudIndex(int index);
  // The index the line runs at: set by a switch here, else the configured one.
  int LineBaudIndex() const;

  bool rateSwitched_ = false;
};
