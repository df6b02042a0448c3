#include "link/ecs3.h"

#include "link/busphysicallayer.h"

namespace {

// Only the first 13 of the 15 rates are ever negotiated.
constexpr int kNegotiatedRates = 13;
// The target needs this long to follow a rate change.
constexpr uint32_t kSettleMs = 300;

const EcsFrameFormat kEcs3Format = {
    /*lengthBytes=*/2,
    /*memoryAddressBytes=*/4,
    /*countBytes=*/2,
    /*maxReply=*/265,
    /*readChunk=*/300,
    /*requestShown=*/265,
    /*replyShown=*/260,
    /*defaultDataLength=*/256,
    /*dataLengthSetting=*/&TLinkSettings::MaxECS3DataLength,
    /*errorText=*/TEcs3::ErrorText,
    /*readErrorDetail=*/kEcsReadErrorText,
};

bool Supported(int support, int index) { return (support >> index) & 1; }

}  // namespace

TEcs3::TEcs3(const TLinkSettings& settings, platform::Clock& clock) : TEcsFramed(kEcs3Format, settings, clock) {}

const char* TEcs3::ErrorText(int status) {
  if (const char* text = EcsCommonErrorText(status)) return text;
  switch (status) {
    case 0x51: return "NAK (USB Error)!";
    case 0x52: return "STALL (USB Error) !";
    case 0x53: return "NYET (USB Error)!";
    case 0x61: return "Over Run Error (UART Error)!";
    case 0x62: return "Framing Error (UART Error)!";
    case 0x63: return "Parity Error (UART Error)!";
    case 0x64: return "Over Run & Framing Error (UART Error)!";
    default: return "Other Error!";
  }
}

bool TEcs3::Reopen(int index) {
  bus_->Close();
  if (bus_->Open(static_cast<uint8_t>(comPort_), static_cast<uint8_t>(index), 0, 0, 0, 0)) return true;
  LinkFailure(kEcsSendErrorText);
  return false;
}

int TEcs3::TellBaudIndex(int index) {
  const uint32_t value = static_cast<uint32_t>(index);
  return WriteMemory(static_cast<uint32_t>(baudRateSupportId_), 2, 1, &value);
}

int TEcs3::LineBaudIndex() const { return rateSwitched_ ? baudIndex_ : configuredBaud_; }

int TEcs3::FindBaudRate() {
  if (baudRateSupportId_ == 0) return 0;
  if (bus_ == nullptr) {
    LinkFailure(kEcsNoBusText);
    return -1;
  }
  // A USB link has no line rate to search.
  if (!bus_->IsSerial()) return 0;
  const int support = baudRateSupport_;
  const int before = LineBaudIndex();
  bool tried = false;
  int best = -1;
  for (int index = 0; index < kNegotiatedRates; ++index) {
    if (!Supported(support, index)) continue;
    tried = true;
    if (!Reopen(index)) return -1;
    clock_.SleepMs(kSettleMs);
    if (TellBaudIndex(index) == kEcsOk) best = index;
  }
  if (best < 0) {
    // Nothing answered: leave the link at the rate it had, not at the last one tried.
    if (tried) Reopen(before);
    return -1;
  }
  if (!Reopen(best)) return -1;
  baudIndex_ = best;
  rateSwitched_ = true;
  return 0;
}

int TEcs3::RaiseBaudRate() {
  if (baudRateSupportId_ == 0) return 0;
  if (bus_ == nullptr) {
    LinkFailure(kEcsNoBusText);
    return -1;
  }
  if (!bus_->IsSerial()) return 0;
  const int support = baudRateSupport_;
  for (int index = 0; index < kNegotiatedRates; ++index) {
    if (!Supported(support, index)) continue;
    // The target acknowledges at the old rate, then switches.
    if (TellBaudIndex(index) != kEcsOk) continue;
    if (!Reopen(index)) return -1;
    clock_.SleepMs(kSettleMs);
    baudIndex_ = index;
    rateSwitched_ = true;
  }
  return 0;
}

int TEcs3::TellStartRate(int index) {
  if (baudRateSupportId_ == 0) return -1;
  if (bus_ != nullptr && !bus_->IsSerial()) return 0;
  return TellBaudIndex(index);
}
