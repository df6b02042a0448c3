// The request/response protocol spoken with the set's microcontroller. The
// target-control object owns one protocol object, binds it to the current
// physical layer and calls it for every target access.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/linksettings.h"
#include "platform/clock.h"

class TBusPhysicalLayer;

// Status values of the protocol operations besides the target's own error
// numbers (below 0x90).
enum : int {
  kEcsOk = 0,
  kEcsTimeOut = 0x90,       // no complete reply
  kEcsLinkError = 0x91,     // the layer failed, or the request could not be built
  kEcsBadReply = 0x92,      // first byte neither "P" nor "`"
  kEcsReplyTooLong = 0x93,  // more bytes than a reply can have
  kEcsReplySize = 0x94,     // a good reply that does not carry what was asked
  kEcsChecksum = 0x99,      // reply checksum wrong
};

// The receive time-out of an exchange when the settings give none.
constexpr int kEcsDefaultTimeOutMs = 300;

// Room for one reply (and for a raw frame).
constexpr int kEcsBufferSize = 300;
using TEcsBuffer = std::array<uint8_t, kEcsBufferSize>;

class TEcs {
 public:
  // Takes the time-outs, retries, the baud-rate negotiation values and the
  // configured port and rate from settings; every wait runs on clock.
  explicit TEcs(const TLinkSettings& settings, platform::Clock& clock);
  virtual ~TEcs();
  TEcs(const TEcs&) = delete;
  TEcs& operator=(const TEcs&) = delete;

  // Status of a complete reply held in reply: 0, the target's error number,
  // 0x92 or 0x99.
  virtual int CheckResponse(const TEcsBuffer& reply) = 0;
  // The most units one memory or device frame may carry.
  virtual int GetMaxWordCount() = 0;
  virtual int GetMaxByteCount() = 0;
  // width 2: 16-bit words; otherwise bytes. One value per element; on
  // failure nothing is written to values.
  virtual int ReadMemory(uint32_t address, int width, int count, uint32_t values[]) = 0;
  virtual int WriteMemory(uint32_t address, int width, int count, const uint32_t values[]) = 0;
  // NVM device access, count bytes.
  virtual int ReadDevice(uint32_t address, uint8_t device, int count, uint32_t values[]) = 0;
  virtual int WriteDevice(uint32_t address, uint8_t device, int count, const uint32_t values[]) = 0;
  // Searches the line rate the target answers at: 0 or -1.
  virtual int FindBaudRate() = 0;
  // Steps the link up through the supported rates: 0 or -1.
  virtual int RaiseBaudRate() = 0;
  // Tells the target the configured rate (before the program ends).
  int SendBaudRate() { return TellStartRate(configuredBaud_); }
  // Tells the target to go to the rate of index, the one a link made anew
  // starts at.
  virtual int TellStartRate(int index) = 0;
  virtual int GetBaudIndex() = 0;
  // Sends a frame written as hexadecimal words without awaiting a reply;
  // throws platform::EConvertError for a word that is not hexadecimal.
  virtual int SendRawText(const std::string& text) = 0;
  // The bytes received until 100 ms pass without one, as " %02X" each.
  virtual int ReadRawText(std::string& text) = 0;

  // The layer is not owned; null unbinds.
  void SetBus(TBusPhysicalLayer* bus) { bus_ = bus; }
  int GetTimeOut() const { return timeOutTime_; }
  void SetTimeOut(int ms) { timeOutTime_ = ms; }
  // The readable reason of the last failure: the error text and the frames.
  std::string GetLastMessage() const { return lastMessage_; }
  // True when the last exchange got no sound reply: nothing sent, nothing or
  // garbage received. A reply the target sent, even an error, clears it.
  bool LastExchangeFailed() const { return lastExchangeFailed_; }

 protected:
  platform::Clock& clock_;
  int timeOutTime_ = 0;
  int timeOutRetry_ = 0;
  int errorRetry_ = 0;
  int errorRetryWait_ = 0;
  int comPort_ = 0;        // the port a rate change reopens
  int configuredBaud_ = 0; // the baud index of the settings
  int baudRateSupport_ = 0;
  int baudRateSupportId_ = 0;
  TBusPhysicalLayer* bus_ = nullptr;
  std::string errorMessage_;
  std::string lastMessage_;
  int baudIndex_ = 0;
  bool lastExchangeFailed_ = false;
};
