#include "link/ecsframe.h"

#include <algorithm>
#include <limits>

#include "link/busphysicallayer.h"
#include "model/stringutility.h"
#include "platform/convert.h"

const char* const kEcsNoBusText = "Comport error !";
const char* const kEcsSendErrorText = "Comport error !( Send error )";
const char* const kEcsReadErrorText = "Comport error !( Read error )";
const char* const kEcsFrameLengthText = "Frame Length Error ! (count out of range)";
const char* const kEcsRawTooLongText = "Send Data Too Long ! (300 bytes at most)";

namespace {

constexpr uint8_t kReplyOk = 0x50;     // "P"
constexpr uint8_t kReplyError = 0x60;  // "`"
constexpr int kRawChunk = 256;
constexpr uint64_t kRawIdleMs = 100;

uint8_t Checksum(const uint8_t* bytes, size_t n) {
  uint32_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum += bytes[i];
  return static_cast<uint8_t>(sum);
}

void AppendHex(std::string& text, const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  text.reserve(text.size() + n * 3);
  for (size_t i = 0; i < n; ++i) {
    text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
}

uint32_t WaitSlice(uint64_t ms) {
  return static_cast<uint32_t>(std::min<uint64_t>(ms, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

const char* EcsCommonErrorText(int status) {
  switch (status) {
    case 0x01: return "Error";
    case 0x02: return "Communication Mode Error";
    case 0x11: return "No Command";
    case 0x12: return "Check Sum error(PC->Target)";
    case 0x13: return "Length error";
    case 0x14: return "Time Over";
    case 0x21: return "No ID Error !";
    case 0x22: return "Boundary Error !";
    case 0x23: return "Data Write Protected !";
    case 0x24: return "Min Max Error!";
    case 0x25: return "Data Type Error !";
    case 0x26: return "Pieces Error !";
    case 0x27: return "Not Block Access !";
    case 0x28: return "This Data is Write Only !";
    case 0x31: return "Command canceled !";
    case 0x32: return "Satulation !";
    case 0x3A: return "Sequence Error A!";
    case 0x3B: return "Sequence Error B!";
    case 0x3C: return "Sequence Error C !";
    case 0x3D: return "Sequence Error D !";
    case 0x3E: return "Sequence Error E !";
    case 0x3F: return "Sequence Error F !";
    case 0x41: return "Busy !";
    case 0x90: return "Receive Time Out !";
    case 0x92: return "Communication error Target->Vund !";
    case 0x93: return "Receive Data Too Long !";
    case 0x94: return "Receive Data Size Error !";
    case 0x99: return "Check Sum Error  Target->Vund !";
    default: return nullptr;
  }
}

TEcsFramed::TEcsFramed(const EcsFrameFormat& format, const TLinkSettings& settings, platform::Clock& clock)
    : TEcs(settings, clock), format_(format), dataLengthSetting_(settings.*format.dataLengthSetting) {}

int TEcsFramed::MaxDataLength() const {
  if (dataLengthSetting_ <= 0) return format_.defaultDataLength;
  return std::min(dataLengthSetting_, FrameDataCapacity());
}

int TEcsFramed::LinkFailure(const char* detail) {
  errorMessage_ = detail;
  lastMessage_ = detail;
  return kEcsLinkError;
}

uint32_t TEcsFramed::LengthField(const uint8_t* frame) const {
  return format_.lengthBytes == 2 ? (uint32_t(frame[1]) << 8) | frame[2] : frame[1];
}

// ---- Frames ----

std::vector<uint8_t> TEcsFramed::BeginFrame(uint8_t command) const {
  std::vector<uint8_t> frame;
  frame.reserve(16 + format_.maxReply);
  frame.push_back(command);
  frame.resize(HeaderBytes());  // the length field, filled in by FinishFrame
  return frame;
}

void TEcsFramed::PutField(std::vector<uint8_t>& frame, uint32_t value, int bytes) const {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) frame.push_back(static_cast<uint8_t>(value >> shift));
}

void TEcsFramed::FinishFrame(std::vector<uint8_t>& frame) const {
  const uint32_t length = static_cast<uint32_t>(frame.size() + 1);
  if (format_.lengthBytes == 2) {
    frame[1] = static_cast<uint8_t>(length >> 8);
    frame[2] = static_cast<uint8_t>(length);
  } else {
    frame[1] = static_cast<uint8_t>(length);
  }
  frame.push_back(Checksum(frame.data(), frame.size()));
}

std::vector<uint8_t> TEcsFramed::MemoryFrame(uint8_t command, int width, uint32_t address) const {
  std::vector<uint8_t> frame = BeginFrame(command);
  frame.push_back(static_cast<uint8_t>(width));
  PutField(frame, address, format_.memoryAddressBytes);
  return frame;
}

std::vector<uint8_t> TEcsFramed::DeviceFrame(uint8_t command, uint8_t device, uint32_t address) const {
  std::vector<uint8_t> frame = BeginFrame(command);
  frame.push_back(device);
  PutField(frame, 0, 4);
  PutField(frame, address, 4);
  return frame;
}

// A count whose data would not fit one frame would wrap the count or length
// field, or ask for a reply longer than any the target may send.
bool TEcsFramed::CountFits(int count, int unitBytes) const {
  return count >= 0 && count <= FrameDataCapacity() / unitBytes;
}

// ---- Exchange ----

int TEcsFramed::CheckResponse(const TEcsBuffer& reply) {
  const uint32_t n = std::min<uint32_t>(LengthField(reply.data()), format_.maxReply);
  if (reply[0] != kReplyOk && reply[0] != kReplyError) return kEcsBadReply;
  // Too short to hold its own checksum: not a reply.
  if (n < static_cast<uint32_t>(HeaderBytes() + 1)) return kEcsBadReply;
  if (Checksum(reply.data(), n - 1) != reply[n - 1]) return kEcsChecksum;
  if (reply[0] == kReplyOk) return kEcsOk;
  const int number = reply[HeaderBytes()];
  return number == 0 ? 1 : number;
}

int TEcsFramed::Collect(TEcsBuffer& reply, uint32_t& received) {
  const uint64_t timeout = static_cast<uint64_t>(std::max(0, timeOutTime_));
  const uint32_t maxReply = static_cast<uint32_t>(format_.maxReply);
  uint64_t start = clock_.NowMs();
  // The layer said nothing more will come in time (or it is closed): one
  // more look, then stop rather than poll it until the deadline.
  bool lastLook = false;
  for (;;) {
    const uint32_t ask = std::min<uint32_t>(format_.readChunk, kEcsBufferSize - received);
    uint32_t got = 0;
    if (!bus_->Read(reply.data() + received, ask, got)) return kEcsLinkError;
    got = std::min(got, ask);
    received += got;
    if (got > 0) {
      start = clock_.NowMs();  // each arrival restarts the time-out
      lastLook = false;
    }
    if (received > maxReply) return kEcsReplyTooLong;
    if (received >= static_cast<uint32_t>(HeaderBytes() + 1) && LengthField(reply.data()) == received) return kEcsOk;
    const uint64_t now = clock_.NowMs();
    if (now >= start + timeout || (lastLook && got == 0)) {
      // A reply may have come in after the read above, while this thread was
      // not running: look once more before calling it a time-out.
      if (!lastLook) {
        lastLook = true;
        continue;
      }
      return kEcsTimeOut;
    }
    if (!bus_->WaitForData(WaitSlice(start + timeout - now))) lastLook = true;
  }
}

void TEcsFramed::BuildErrorMessage(int status, const std::vector<uint8_t>& request, const TEcsBuffer& reply,
                                   uint32_t replyBytes) {
  const char* text = format_.errorText(status);
  lastMessage_ = text;
  lastMessage_ += "\nSend Data\n";
  const size_t sent = std::min<size_t>({LengthField(request.data()), static_cast<size_t>(format_.requestShown),
                                        request.size()});
  AppendHex(lastMessage_, request.data(), sent);
  if (status != kEcsTimeOut) {
    lastMessage_ += "\nRecieve Data\n";
    AppendHex(lastMessage_, reply.data(), std::min<uint32_t>(replyBytes, format_.replyShown));
  }
}

int TEcsFramed::Exchange(const std::vector<uint8_t>& request, TEcsBuffer& reply, int expectedData) {
  lastMessage_.clear();
  errorMessage_.clear();
  reply[1] = 3;
  if (bus_ == nullptr) return LinkFailure(kEcsNoBusText);
  // Only a request that holds as many bytes as its length field claims is sent.
  if (request.size() < static_cast<size_t>(HeaderBytes() + 1)) return LinkFailure(kEcsFrameLengthText);
  const uint32_t requestLength = LengthField(request.data());
  if (requestLength < static_cast<uint32_t>(HeaderBytes() + 1) || requestLength > request.size())
    return LinkFailure(kEcsFrameLengthText);

  int result = kEcsTimeOut;
  for (int attempt = 0; attempt <= errorRetry_; ++attempt) {
    if (attempt > 0) clock_.SleepMs(static_cast<uint32_t>(errorRetryWait_));
    bool complete = false;
    uint32_t received = 0;
    for (int send = 0; send <= timeOutRetry_ && !complete; ++send) {
      received = 0;
      bus_->Purge();
      // Failed until a reply comes back.
      lastExchangeFailed_ = true;
      if (!bus_->Write(request.data(), requestLength)) return LinkFailure(kEcsSendErrorText);
      const int collected = Collect(reply, received);
      if (collected == kEcsLinkError) return LinkFailure(format_.readErrorDetail);
      if (collected == kEcsReplyTooLong) {
        BuildErrorMessage(kEcsReplyTooLong, request, reply, received);
        return kEcsReplyTooLong;
      }
      complete = collected == kEcsOk;
    }
    // Time-outs have had their resends; the attempt loop does not repeat them.
    if (!complete) {
      BuildErrorMessage(kEcsTimeOut, request, reply, 0);
      return kEcsTimeOut;
    }
    const uint32_t replyLength = LengthField(reply.data());
    int status = CheckResponse(reply);
    // Bytes that do not make a reply are what a line at another rate, or a
    // noisy one, delivers; a reply with the target's own error is sound.
    lastExchangeFailed_ = status == kEcsBadReply || status == kEcsChecksum;
    if (status == kEcsOk && expectedData >= 0 &&
        replyLength != static_cast<uint32_t>(HeaderBytes() + 1 + expectedData))
      status = kEcsReplySize;
    if (status == kEcsOk) {
      lastMessage_.clear();
      return kEcsOk;
    }
    BuildErrorMessage(status, request, reply, replyLength);
    result = status;
  }
  return result;
}

// ---- Memory and device access ----

int TEcsFramed::ReadUnits(const std::vector<uint8_t>& request, int unitBytes, int count, uint32_t values[]) {
  TEcsBuffer reply;
  const int status = Exchange(request, reply, count * unitBytes);
  if (status != kEcsOk) return status;
  const uint8_t* data = reply.data() + HeaderBytes();
  for (int i = 0; i < count; ++i) {
    values[i] = unitBytes == 2 ? (uint32_t(data[2 * i]) << 8) | data[2 * i + 1] : data[i];
  }
  return kEcsOk;
}

int TEcsFramed::ReadMemory(uint32_t address, int width, int count, uint32_t values[]) {
  const int unitBytes = width == 2 ? 2 : 1;
  if (!CountFits(count, unitBytes)) return LinkFailure(kEcsFrameLengthText);
  std::vector<uint8_t> frame = MemoryFrame(0xF0, width, address);
  PutField(frame, static_cast<uint32_t>(count), format_.countBytes);
  FinishFrame(frame);
  return ReadUnits(frame, unitBytes, count, values);
}

int TEcsFramed::WriteMemory(uint32_t address, int width, int count, const uint32_t values[]) {
  const int unitBytes = width == 2 ? 2 : 1;
  if (!CountFits(count, unitBytes)) return LinkFailure(kEcsFrameLengthText);
  std::vector<uint8_t> frame = MemoryFrame(0xF1, width, address);
  for (int i = 0; i < count; ++i) PutField(frame, values[i], unitBytes);
  FinishFrame(frame);
  TEcsBuffer reply;
  return Exchange(frame, reply, -1);
}

int TEcsFramed::ReadDevice(uint32_t address, uint8_t device, int count, uint32_t values[]) {
  if (!CountFits(count, 1)) return LinkFailure(kEcsFrameLengthText);
  std::vector<uint8_t> frame = DeviceFrame(0xF2, device, address);
  PutField(frame, static_cast<uint32_t>(count), format_.countBytes);
  FinishFrame(frame);
  return ReadUnits(frame, 1, count, values);
}

int TEcsFramed::WriteDevice(uint32_t address, uint8_t device, int count, const uint32_t values[]) {
  if (!CountFits(count, 1)) return LinkFailure(kEcsFrameLengthText);
  std::vector<uint8_t> frame = DeviceFrame(0xF3, device, address);
  for (int i = 0; i < count; ++i) frame.push_back(static_cast<uint8_t>(values[i]));
  FinishFrame(frame);
  TEcsBuffer reply;
  return Exchange(frame, reply, -1);
}

// ---- Raw frames (the analyzer terminal) ----

int TEcsFramed::SendRawText(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  const std::string trimmed = text.substr(first, last - first);

  std::vector<uint8_t> bytes;
  int pos = 1;
  for (std::string word = GetWord(trimmed, pos); !word.empty(); word = GetWord(trimmed, pos)) {
    bytes.push_back(static_cast<uint8_t>(platform::StrToInt("0x" + word)));
  }
  lastMessage_.clear();
  errorMessage_.clear();
  if (bytes.size() > static_cast<size_t>(kEcsBufferSize)) return LinkFailure(kEcsRawTooLongText);
  if (bus_ == nullptr) return LinkFailure(kEcsNoBusText);
  bus_->Purge();
  if (!bus_->Write(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    lastExchangeFailed_ = true;
    return LinkFailure(kEcsSendErrorText);
  }
  return kEcsOk;
}

int TEcsFramed::ReadRawText(std::string& text) {
  text.clear();
  if (bus_ == nullptr) return LinkFailure(kEcsNoBusText);
  TEcsBuffer buffer;
  uint32_t total = 0;
  uint64_t lastArrival = clock_.NowMs();
  bool lastLook = false;
  // Once the buffer is full the rest stays queued for the next call.
  while (total < static_cast<uint32_t>(kEcsBufferSize)) {
    const uint32_t ask = std::min<uint32_t>(kRawChunk, kEcsBufferSize - total);
    uint32_t got = 0;
    if (!bus_->Read(buffer.data() + total, ask, got)) return LinkFailure(kEcsSendErrorText);
    got = std::min(got, ask);
    total += got;
    if (got > 0) {
      lastArrival = clock_.NowMs();
      lastLook = false;
    }
    const uint64_t now = clock_.NowMs();
    if (now >= lastArrival + kRawIdleMs || (lastLook && got == 0)) break;
    if (!bus_->WaitForData(WaitSlice(lastArrival + kRawIdleMs - now))) lastLook = true;
  }
  AppendHex(text, buffer.data(), total);
  return kEcsOk;
}
