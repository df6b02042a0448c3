// The part of ECS3 and ECS2 that is the same for both: frame building, the
// exchange with its resends and retries, reply checks, unpacking, raw frames.
// The two protocols differ only in the sizes of their fields and limits and
// in their error texts, which EcsFrameFormat describes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/ecs.h"

struct EcsFrameFormat {
  int lengthBytes;         // the length field: 2 (ECS3) or 1 (ECS2)
  int memoryAddressBytes;  // address of a memory request: 4 or 2
  int countBytes;          // count field: 2 or 1
  int maxReply;            // longest reply, bytes
  int readChunk;           // bytes asked of one Read
  int requestShown;        // request bytes shown in an error message
  int replyShown;          // reply bytes shown in an error message
  int defaultDataLength;   // data bytes per frame when vund.dat gives none
  int TLinkSettings::*dataLengthSetting;
  const char* (*errorText)(int status);
  const char* readErrorDetail;  // error detail of a failed Read
};

// Texts of our own failures (no target error number behind them).
extern const char* const kEcsNoBusText;        // "Comport error !"
extern const char* const kEcsSendErrorText;    // "Comport error !( Send error )"
extern const char* const kEcsReadErrorText;    // "Comport error !( Read error )"
extern const char* const kEcsFrameLengthText;  // a count the frame cannot carry
extern const char* const kEcsRawTooLongText;   // a raw frame over the buffer

// The error texts both protocols share; null for a number they give
// differently (or not at all).
const char* EcsCommonErrorText(int status);

class TEcsFramed : public TEcs {
 public:
  int CheckResponse(const TEcsBuffer& reply) override;
  int GetMaxWordCount() override { return MaxDataLength() / 2; }
  int ReadMemory(uint32_t address, int width, int count, uint32_t values[]) override;
  int WriteMemory(uint32_t address, int width, int count, const uint32_t values[]) override;
  int ReadDevice(uint32_t address, uint8_t device, int count, uint32_t values[]) override;
  int WriteDevice(uint32_t address, uint8_t device, int count, const uint32_t values[]) override;
  int GetBaudIndex() override { return baudIndex_; }
  int SendRawText(const std::string& text) override;
  int ReadRawText(std::string& text) override;

  // Data bytes per frame: the setting, its default when that is 0 or
  // negative, and never more than a reply can carry.
  int MaxDataLength() const;
  // The most data bytes a reply can carry.
  int FrameDataCapacity() const { return format_.maxReply - HeaderBytes() - 1; }

 protected:
  TEcsFramed(const EcsFrameFormat& format, const TLinkSettings& settings, platform::Clock& clock);
  // Sets the error detail and, so that a report is never empty, the last
  // message; returns 0x91.
  int LinkFailure(const char* detail);

  const EcsFrameFormat& format_;

 private:
  int dataLengthSetting_;

  int HeaderBytes() const { return 1 + format_.lengthBytes; }
  uint32_t LengthField(const uint8_t* frame) const;
  // expectedData >= 0: a good reply must carry exactly that many data bytes.
  int Exchange(const std::vector<uint8_t>& request, TEcsBuffer& reply, int expectedData);
  // Collects one reply after a send: 0 complete, 0x90, 0x91 or 0x93.
  int Collect(TEcsBuffer& reply, uint32_t& received);
  void BuildErrorMessage(int status, const std::vector<uint8_t>& request, const TEcsBuffer& reply,
                         uint32_t replyBytes);
  std::vector<uint8_t> BeginFrame(uint8_t command) const;
  void PutField(std::vector<uint8_t>& frame, uint32_t value, int bytes) const;
  void FinishFrame(std::vector<uint8_t>& frame) const;
  std::vector<uint8_t> MemoryFrame(uint8_t command, int width, uint32_t address) const;
  std::vector<uint8_t> DeviceFrame(uint8_t command, uint8_t device, uint32_t address) const;
  bool CountFits(int count, int unitBytes) const;
  int ReadUnits(const std::vector<uint8_t>& request, int unitBytes, int count, uint32_t values[]);
};
